// The Punkte tab: control points, their table and the measurement file
// (points.js, pointtable.js), hooked into the desk.
define('TabPoints', ['Desk', 'View', 'Points', 'Proposals', 'Undo'], function (Desk, View, Points, Proposals, Undo) {
  'use strict';

  var state = Desk.state;
  var points = Points.create(state, {
    changed: function () { Desk.redraw(); Desk.emit('work'); },
    say: Desk.say,
    // a row chosen in the table: its point in the middle, large enough to judge
    focus: function (p) {
      if (!state.picture) return;
      View.centreOn(Desk.view, p.x, p.y, Math.max(Desk.view.scale, 2));
      Desk.redraw();
    }
  });
  points.onSave = function (name, text) {
    Desk.download(name, text, 'text/plain');
    Desk.say(name + ' gespeichert.');
    Desk.emit('saved');
  };
  points.remember = function () { Undo.remember('punkte'); };

  function opened(message, name) {
    if (message) { Desk.say(message, true); return; }
    Desk.selectTab('punkte');
    Desk.say(name + ' geöffnet.');
  }

  var proposals = Proposals.create(points);

  Desk.addTab('punkte', {
    click: points.clicked,
    snap: function () { return 'crossing'; },
    nextProposal: proposals.next,
    key: proposals.key,
    handles: function () {
      return points.positions().map(function (p, i) { return { x: p.x, y: p.y, index: i }; });
    },
    grab: function (handle) { points.select(handle.index); },
    drag: function (handle, point) { points.move(handle.index, point); },
    deleteSelected: points.deleteSelected,
    draw: function (context, view) { points.draw(context, view, state.showGrid); proposals.draw(context); },
    // the points and the proposals not yet taken or dropped are this picture's work
    pictureOpened: function (picture, name) { points.pictureChanged(picture, name); proposals.pictureOpened(); },
    save: function () { return Object.assign(points.save(), { proposals: proposals.save() }); },
    restore: function (saved) { points.restore(saved); proposals.restore(saved.proposals || null); },
    describe: function (saved) { return saved.doc.points.length + ' Passpunkte'; },
    hasWork: function () { return points.count() > 0; },
    waitingField: points.waitingField,
    opens: function (name) { return /\.(txt|csv)$/i.test(name); },
    openText: function (name, text) {
      Promise.resolve(/\.csv$/i.test(name) ? points.loadCsv(name, text) : points.load(name, text))
        .then(function (message) { opened(message, name); });
    }
  });

  Desk.$('csv-datei').addEventListener('change', function (event) {
    var file = event.target.files[0];
    event.target.value = '';
    if (file) file.text().then(function (text) { opened(points.loadCsv(file.name, text), file.name); });
  });
});
