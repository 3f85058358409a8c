// Taking back changes, tab by tab: before a change the tab's work is kept as
// it was; undo in a tab puts back only that tab's last kept state, so that
// nothing changes out of sight. Redo takes an undo back.
define('Undo', ['Desk'], function (Desk) {
  'use strict';

  var LIMIT = 200, MOST_CHARACTERS = 64 << 20; // per tab: a long file keeps fewer steps
  var kept = {}, redone = {};

  function stack(of, tab) { return (of[tab] = of[tab] || []); }
  function tabOf(tab) { return tab || Desk.state.tab; }

  // Before a change to a tab's work (the tab in front unless named).
  function remember(tab) {
    tab = tabOf(tab);
    if (!Desk.tab(tab).save) return;
    var list = stack(kept, tab);
    list.push(JSON.stringify(Desk.tab(tab).save()));
    var total = list.reduce(function (sum, text) { return sum + text.length; }, 0);
    while (list.length > LIMIT || list.length > 1 && total > MOST_CHARACTERS) total -= list.shift().length;
    redone[tab] = [];
  }

  // A press that only selected changed nothing.
  function forgetLast(tab) { stack(kept, tabOf(tab)).pop(); }

  function clear() { kept = {}; redone = {}; }

  function swap(from, to, done, nothing) {
    var tab = Desk.state.tab, last = stack(from, tab).pop();
    if (!last) { Desk.say(nothing); return; }
    stack(to, tab).push(JSON.stringify(Desk.tab(tab).save()));
    Desk.tab(tab).restore(JSON.parse(last));
    Desk.say(done);
    Desk.emit('work');
  }

  function undo() { swap(kept, redone, 'Rückgängig gemacht.', 'In diesem Reiter ist nichts rückgängig zu machen.'); }
  function redo() { swap(redone, kept, 'Wiederholt.', 'In diesem Reiter ist nichts zu wiederholen.'); }

  return { remember: remember, forgetLast: forgetLast, clear: clear, undo: undo, redo: redo };
});
