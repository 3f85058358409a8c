// The .INF tab: an .INF file's graticule laid over the picture, to check a
// calibration against the printed meridians and parallels.
(function () {
  'use strict';

  var $ = Desk.$, state = Desk.state;

  function openText(name, text) {
    var inf = Points.readInf(text);
    if (!inf.ok) { Desk.say(name + ': ' + inf.message, true); return; }
    state.inf = { name: name, mapping: inf.mapping, text: text };
    var box = $('inf-ergebnis');
    box.textContent = '';
    var p = document.createElement('p');
    var plus = function (text) { return text.charAt(0) === '-' ? ' − ' + text.slice(1) : ' + ' + text; };
    p.textContent = name + ': Länge x = ' + inf.lines[0] + ' · λ' + plus(inf.lines[1]) + ', Breite y = ' + inf.lines[2] +
      ' · sinh(φ)' + plus(inf.lines[3]) + (inf.gps ? ', WGS-Koordinaten (GPS).' : ', PD-Koordinaten.');
    box.appendChild(p);
    Desk.selectTab('inf');
    Desk.say(name + ' geöffnet; ihr Gradnetz ist violett eingezeichnet.');
    Desk.redraw();
  }

  Desk.addTab('inf', {
    openText: openText,
    drawAlways: function (context, view) {
      if (state.showGrid && state.inf) {
        Graticule.draw(context, view, Graticule.lines(state.inf.mapping, state.picture.width, state.picture.height), '#c000c0');
      }
    }
  });

  $('netz-an').addEventListener('change', function () { state.showGrid = $('netz-an').checked; Desk.redraw(); });
})();
