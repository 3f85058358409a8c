// The residual of each control point as an arrow on the map, from the point
// to where the fit puts it, drawn larger than life by a round factor (against
// the map at the current zoom) that a scale bar in the corner states.
// Residuals that the table shows as 0.0 get no arrows: the legend says so,
// instead of magnifying rounding noise a billion times.
define('ResidualArrows', ['View'], function (View) {
  'use strict';

  // 1, 2, 5, 10, 20, … : the round number at or below value.
  function roundDown(value) {
    var power = Math.pow(10, Math.floor(Math.log10(value))), lead = value / power;
    return (lead >= 5 ? 5 : lead >= 2 ? 2 : 1) * power;
  }

  var NONE_BELOW = 0.05; // pixels; the table rounds these to 0.0

  // How many times larger than life the arrows are: the largest about 60
  // screen pixels long at the zoom `scale`; 0 for no arrows.
  function factorFor(largest, scale) {
    if (!(largest >= NONE_BELOW)) return 0;
    return roundDown(60 / (largest * scale));
  }

  // The scale bar's text and its length in residual pixels (0 for no bar).
  function legend(largest, scale) {
    var factor = factorFor(largest, scale);
    if (!factor) return { factor: 0, pixels: 0, text: 'Alle Abweichungen unter ' + NONE_BELOW + ' Pixel: keine Pfeile' };
    var pixels = roundDown(80 / (factor * scale));
    return { factor: factor, pixels: pixels, text: '= ' + pixels + ' Pixel Abweichung (' + factor + '-fach)' };
  }

  function arrow(context, from, to) {
    var angle = Math.atan2(to.y - from.y, to.x - from.x), head = Math.min(7, Math.hypot(to.x - from.x, to.y - from.y) / 2);
    context.beginPath();
    context.moveTo(from.x, from.y); context.lineTo(to.x, to.y);
    context.moveTo(to.x, to.y); context.lineTo(to.x - head * Math.cos(angle - 0.45), to.y - head * Math.sin(angle - 0.45));
    context.moveTo(to.x, to.y); context.lineTo(to.x - head * Math.cos(angle + 0.45), to.y - head * Math.sin(angle + 0.45));
    context.stroke();
  }

  function draw(context, view, points, residualOf) {
    var largest = 0, any = false;
    points.forEach(function (p, i) { var r = residualOf(i); if (r) { any = true; largest = Math.max(largest, r.distance); } });
    var scaleBar = legend(largest, view.scale), step = scaleBar.factor * view.scale;
    var width = view.canvas.width, height = view.canvas.height;
    view.arrowFactor = scaleBar.factor;
    if (!any) return;
    context.save();
    context.strokeStyle = '#ff40ff';
    context.lineWidth = 2;
    if (step) {
      points.forEach(function (p, i) {
        var r = residualOf(i);
        if (!r) return;
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
        if (s.x < -80 || s.y < -80 || s.x > width + 80 || s.y > height + 80) return;
        arrow(context, s, { x: s.x + r.dx * step, y: s.y + r.dy * step });
      });
    }
    // the scale bar: a round number of pixels of residual, or the note that there are no arrows
    var length = scaleBar.pixels * step, y = height - 14;
    context.font = '12px sans-serif';
    context.fillStyle = 'rgba(255,255,255,0.85)';
    context.fillRect(6, y - 18, length + context.measureText(scaleBar.text).width + 24, 26);
    if (length) arrow(context, { x: 12, y: y }, { x: 12 + length, y: y });
    context.fillStyle = '#000';
    context.fillText(scaleBar.text, 18 + length, y + 4);
    context.restore();
  }

  return { draw: draw, legend: legend };
});
