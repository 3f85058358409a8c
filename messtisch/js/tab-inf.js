// The .INF tab: an .INF file's graticule laid over the picture, to check a
// calibration against the printed meridians and parallels, and the files
// passnetz writes from it for GIS programs.
define('TabInf', ['Desk', 'Points', 'Graticule', 'GisExport'], function (Desk, Points, Graticule, GisExport) {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  var inf = null; // the .INF file opened: {name, mapping, text, grid}

  function openText(name, text) {
    var read = Points.readInf(text);
    if (!read.ok) { Desk.say(name + ': ' + read.message, true); return; }
    inf = { name: name, mapping: read.mapping, text: text, grid: null };
    if (state.picture) inf.grid = Graticule.lines(inf.mapping, state.picture.width, state.picture.height);
    var box = $('inf-ergebnis');
    box.textContent = '';
    var p = document.createElement('p');
    var plus = function (text) { return text.charAt(0) === '-' ? ' − ' + text.slice(1) : ' + ' + text; };
    p.textContent = name + ': Länge x = ' + read.lines[0] + ' · λ' + plus(read.lines[1]) + ', Breite y = ' + read.lines[2] +
      ' · sinh(φ)' + plus(read.lines[3]) + (read.gps ? ', WGS-Koordinaten (GPS).' : ', PD-Koordinaten.');
    box.appendChild(p);
    Desk.selectTab('inf');
    var refused = inf.grid && inf.grid.refused;
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

  function exported() { return { picture: state.picture, fileName: state.fileName, inf: inf }; }

  Desk.addTab('inf', {
    opens: function (name) { return /\.inf$/i.test(name); },
    openText: openText,
    drawAlways: function (context, view) {
      if (!state.showGrid || !inf) return;
      // the lines are found once per picture, not at every frame
      if (!inf.grid) inf.grid = Graticule.lines(inf.mapping, state.picture.width, state.picture.height);
      Graticule.draw(context, view, inf.grid, '#c000c0');
    },
    pictureOpened: function () { if (inf) inf.grid = null; }
  });

  $('netz-an').addEventListener('change', function () { state.showGrid = $('netz-an').checked; Desk.redraw(); });
  ['tif', 'vrt', 'points'].forEach(function (kind) {
    $(kind + '-speichern').addEventListener('click', function () { GisExport.save(kind, exported(), $('inf-lauf'), Desk.download, Desk.say); });
  });
});
