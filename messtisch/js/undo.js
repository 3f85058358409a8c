// Taking back changes: before each change the work of every tab is kept as
// it was; undo puts the last kept state back.
var Undo = (function () {
  'use strict';

  var kept = [];

  function snapshot() {
    var work = {};
    Desk.tabNames().forEach(function (name) { if (Desk.tab(name).save) work[name] = Desk.tab(name).save(); });
    return JSON.stringify(work);
  }

  function remember() {
    kept.push(snapshot());
    if (kept.length > 200) kept.shift();
  }

  // A press that only selected changed nothing.
  function forgetLast() { kept.pop(); }

  function clear() { kept = []; }

  function undo() {
    var last = kept.pop();
    if (!last) { Desk.say('Nichts mehr rückgängig zu machen.'); return; }
    var saved = JSON.parse(last);
    Object.keys(saved).forEach(function (name) { Desk.tab(name).restore(saved[name]); });
    Desk.say('Rückgängig gemacht.');
  }

  return { remember: remember, forgetLast: forgetLast, clear: clear, undo: undo };
})();
