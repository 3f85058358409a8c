// The control points drawn over the picture: the fit's graticule, the
// residual arrows, a cross and number per point (red and ringed for an
// outlier, yellow when chosen, grey when switched off, orange when its row is
// bad) and the clicked point that waits for its coordinates.
define('PointMarks', ['View', 'Graticule', 'ResidualArrows'], function (View, Graticule, ResidualArrows) {
  'use strict';

  // marks: {points, evaluation, selected, pending, residualOf, showGrid}
  function draw(context, view, marks) {
    var evaluation = marks.evaluation, fit = evaluation && evaluation.fit, points = marks.points;
    if (marks.showGrid && fit && fit.ok && fit.mapping) {
      if (!fit.grid) fit.grid = Graticule.lines(fit.mapping, view.picture.width, view.picture.height);
      Graticule.draw(context, view, fit.grid, '#00a000');
    }
    if (fit && fit.ok) ResidualArrows.draw(context, view, points, marks.residualOf);
    var width = view.canvas.width, height = view.canvas.height;
    context.font = 'bold 13px sans-serif';
    points.forEach(function (p, i) {
      var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
      if (s.x < -20 || s.y < -20 || s.x > width + 20 || s.y > height + 20) return;
      var outlier = fit && fit.ok && fit.outliers.indexOf(i) >= 0, bad = evaluation && evaluation.rows[i];
      context.strokeStyle = outlier ? '#ff0000' : i === marks.selected ? '#ffff00' : p.off ? '#a0a0a0' : bad ? '#ffa000' : '#00ff00';
      context.lineWidth = 2;
      context.beginPath();
      context.moveTo(s.x - 8, s.y); context.lineTo(s.x + 8, s.y); context.moveTo(s.x, s.y - 8); context.lineTo(s.x, s.y + 8);
      context.stroke();
      if (outlier) { context.beginPath(); context.arc(s.x, s.y, 12, 0, 2 * Math.PI); context.stroke(); }
      context.fillStyle = context.strokeStyle;
      context.fillText(String(i + 1), s.x + 6, s.y - 6);
    });
    if (marks.pending) {
      var s = View.toScreen(view, marks.pending.x + 0.5, marks.pending.y + 0.5);
      context.strokeStyle = '#ffff00';
      context.strokeRect(s.x - 6, s.y - 6, 12, 12);
    }
  }

  return { draw: draw };
});
