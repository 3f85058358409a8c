// The residual of each control point as an arrow on the map, from the point
// to where the fit puts it, drawn larger than life by a round factor (against
// the map at the current zoom) that a scale bar in the corner states.
var ResidualArrows = (function () {
  'use strict';

  // 1, 2, 5, 10, 20, … : the round number at or below value.
  function roundDown(value) {
    var power = Math.pow(10, Math.floor(Math.log10(value))), lead = value / power;
    return (lead >= 5 ? 5 : lead >= 2 ? 2 : 1) * power;
  }

  // How many times larger than life the arrows are: the largest about 60
  // screen pixels long at the zoom `scale`.
  function factorFor(largest, scale) {
    if (!(largest > 0)) return 0;
    return roundDown(60 / (largest * scale));
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
    var largest = 0;
    points.forEach(function (p, i) { var r = residualOf(i); if (r && r.distance > largest) largest = r.distance; });
    var factor = factorFor(largest, view.scale), step = factor * view.scale, width = view.canvas.width, height = view.canvas.height;
    view.arrowFactor = factor;
    if (!factor) return;
    context.save();
    context.strokeStyle = '#ff40ff';
    context.lineWidth = 2;
    points.forEach(function (p, i) {
      var r = residualOf(i);
      if (!r) return;
      var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
      if (s.x < -80 || s.y < -80 || s.x > width + 80 || s.y > height + 80) return;
      arrow(context, s, { x: s.x + r.dx * step, y: s.y + r.dy * step });
    });
    // the scale bar: a round number of pixels of residual
    var pixels = roundDown(80 / step), length = pixels * step, y = height - 14;
    context.fillStyle = 'rgba(255,255,255,0.85)';
    context.fillRect(6, y - 18, length + 190, 26);
    arrow(context, { x: 12, y: y }, { x: 12 + length, y: y });
    context.fillStyle = '#000';
    context.font = '12px sans-serif';
    context.fillText('= ' + pixels + ' Pixel Abweichung (' + factor + '-fach)', 18 + length, y + 4);
    context.restore();
  }

  return { draw: draw, factorFor: factorFor };
})();
