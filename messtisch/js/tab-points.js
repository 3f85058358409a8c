// The Punkte tab: control points and the measurement file (points.js),
// hooked into the desk.
(function () {
  'use strict';

  var state = Desk.state;
  var points = Points.create(state, { changed: Desk.redraw, pick: function () {} });
  points.onSave = function (name, text) { Desk.download(name, text, 'text/plain'); Desk.say(name + ' gespeichert.'); };
  points.remember = Undo.remember;

  Desk.addTab('punkte', {
    click: points.clicked,
    handles: function () {
      return points.positions().map(function (p, i) { return { x: p.x, y: p.y, index: i }; });
    },
    grab: function (handle) { points.select(handle.index); },
    drag: function (handle, point) { points.move(handle.index, point); },
    deleteSelected: points.deleteSelected,
    draw: function (context, view) { points.draw(context, view, state.showGrid); },
    pictureOpened: points.pictureChanged,
    save: points.save,
    restore: points.restore,
    openText: function (name, text) {
      var message = points.load(name, text);
      if (message) { Desk.say(message, true); return; }
      Desk.selectTab('punkte');
      Desk.say(name + ' geöffnet.');
    }
  });
})();
