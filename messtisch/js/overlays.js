// What is drawn over the picture: the graticule of an opened .INF file, the
// control points and their fit, the two tilt clicks, the frame lines with
// their handles, and the keyboard's crosshair.
var Overlays = (function () {
  'use strict';

  function marker(context, view, p, colour, size) {
    var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
    context.strokeStyle = colour;
    context.lineWidth = 2;
    context.strokeRect(s.x - size, s.y - size, 2 * size, 2 * size);
    return s;
  }

  function drawBars(context, view, state) {
    Bars.LINES[state.run].forEach(function (line) {
      var pts = state.lines[line.key], active = line.key === state.activeLine;
      if (!pts.length) return;
      context.strokeStyle = active ? '#ff8c00' : '#ffd27f';
      context.lineWidth = 1.5;
      context.setLineDash([6, 4]);
      context.beginPath();
      pts.forEach(function (p, i) {
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
        if (i === 0) context.moveTo(s.x, s.y); else context.lineTo(s.x, s.y);
      });
      context.stroke();
      context.setLineDash([]);
      pts.forEach(function (p, i) {
        var selected = state.selectedBar && state.selectedBar.key === line.key && state.selectedBar.index === i;
        var s = marker(context, view, p, selected ? '#ff0000' : '#ff8c00', 4);
        if (selected) { context.fillStyle = '#ff0000'; context.fillRect(s.x - 2, s.y - 2, 4, 4); }
      });
    });
  }

  function draw(context, view, state, points) {
    if (!state.picture) return;
    if (state.showGrid && state.inf) Graticule.draw(context, view, Graticule.lines(state.inf.mapping, state.picture.width, state.picture.height), '#c000c0');
    if (state.tab === 'punkte') points.draw(context, view, state.showGrid);
    if (state.tab === 'kippung' && state.tiltClicks.length) {
      var a = marker(context, view, state.tiltClicks[0], '#ff00ff', 5);
      if (state.tiltClicks[1]) {
        var b = marker(context, view, state.tiltClicks[1], '#ff00ff', 5);
        context.beginPath(); context.moveTo(a.x, a.y); context.lineTo(b.x, b.y); context.stroke();
      }
    }
    if (state.tab === 'balken') drawBars(context, view, state);
    if (state.cursor) {
      var c = View.toScreen(view, state.cursor.x + 0.5, state.cursor.y + 0.5);
      context.strokeStyle = '#00e0ff';
      context.lineWidth = 1;
      context.beginPath();
      context.moveTo(c.x - 12, c.y); context.lineTo(c.x - 3, c.y); context.moveTo(c.x + 3, c.y); context.lineTo(c.x + 12, c.y);
      context.moveTo(c.x, c.y - 12); context.lineTo(c.x, c.y - 3); context.moveTo(c.x, c.y + 3); context.lineTo(c.x, c.y + 12);
      context.stroke();
    }
  }

  return { draw: draw };
})();
