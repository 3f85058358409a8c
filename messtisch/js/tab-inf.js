// The .INF tab: an .INF file's graticule laid over the picture, to check a
// calibration against the printed meridians and parallels.
define('TabInf', ['Desk', 'Points', 'Graticule', 'GisExport'], function (Desk, Points, Graticule, GisExport) {
  'use strict';

  var $ = Desk.$, state = Desk.state;

  function openText(name, text) {
    var inf = Points.readInf(text);
    if (!inf.ok) { Desk.say(name + ': ' + inf.message, true); return; }
    state.inf = { name: name, mapping: inf.mapping, text: text, grid: null };
    if (state.picture) state.inf.grid = Graticule.lines(inf.mapping, state.picture.width, state.picture.height);
    var box = $('inf-ergebnis');
    box.textContent = '';
    var p = document.createElement('p');
    var plus = function (text) { return text.charAt(0) === '-' ? ' − ' + text.slice(1) : ' + ' + text; };
    p.textContent = name + ': Länge x = ' + inf.lines[0] + ' · λ' + plus(inf.lines[1]) + ', Breite y = ' + inf.lines[2] +
      ' · sinh(φ)' + plus(inf.lines[3]) + (inf.gps ? ', WGS-Koordinaten (GPS).' : ', PD-Koordinaten.');
    box.appendChild(p);
    Desk.selectTab('inf');
    var refused = state.inf.grid && state.inf.grid.refused;
    if (refused) {
      var warn = document.createElement('p');
      warn.className = 'fehler';
      warn.id = 'netz-abgelehnt';
      warn.textContent = refused;
      box.appendChild(warn);
    }
    Desk.say(refused ? name + ' geöffnet. ' + refused : name + ' geöffnet; ihr Gradnetz ist violett eingezeichnet.', !!refused);
    Desk.redraw();
  }

  Desk.addTab('inf', {
    openText: openText,
    drawAlways: function (context, view) {
      if (!state.showGrid || !state.inf) return;
      // the lines are found once per picture, not at every frame
      if (!state.inf.grid) state.inf.grid = Graticule.lines(state.inf.mapping, state.picture.width, state.picture.height);
      Graticule.draw(context, view, state.inf.grid, '#c000c0');
    },
    pictureOpened: function () { if (state.inf) state.inf.grid = null; }
  });

  $('netz-an').addEventListener('change', function () { state.showGrid = $('netz-an').checked; Desk.redraw(); });
  $('vrt-speichern').addEventListener('click', function () { GisExport.save('vrt', state, Desk.download, Desk.say); });
  $('points-speichern').addEventListener('click', function () { GisExport.save('points', state, Desk.download, Desk.say); });
});
