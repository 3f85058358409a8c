// The fit of the control points: every row checked, the measurement file of
// the good rows that are switched on written and fitted by the model, at once
// for a few thousand points and in steps with their progress beyond, and the
// residuals and outliers by the points' own numbers.
define('PointFit', ['PointRows'], function (PointRows) {
  'use strict';

  var LARGEST = 9999;          // the header's four columns per size
  var AT_ONCE = 3000;          // more points are fitted in steps, with progress

  // news(evaluation) after every evaluation and when a fit in steps is done;
  // progress(share) while one goes on.
  function create(news, progress) {
    var evaluation = null, round = 0;

    // evaluation: {text, rows, used, fit, tooBig}; fit is null while it is computed
    function evaluate(doc) {
      round++;
      if (!PointRows.modelThere()) {
        evaluation = { text: '', rows: [], used: [], fit: { ok: false, message: PointRows.MISSING } };
        news(evaluation);
        return;
      }
      var rows = doc.points.map(PointRows.rowProblem), used = [];
      doc.points.forEach(function (p, i) { if (!p.off && !rows[i]) used.push(i); });
      var text = MesskartModel.writeMeasurementFile(PointRows.toModel(doc, used));
      evaluation = { text: text, rows: rows, used: used, fit: null,
                     tooBig: doc.width > LARGEST || doc.height > LARGEST };
      if (used.length <= AT_ONCE) {
        evaluation.fit = fitted(MesskartModel.calibrate(text));
      } else {
        inSteps(MesskartModel.calibration(text), round);
      }
      news(evaluation);
    }

    function inSteps(job, mine) {
      var result = job.step(2000);
      if (mine !== round) return;
      if (result) { evaluation.fit = fitted(result); news(evaluation); return; }
      progress(job.progress());
      setTimeout(function () { inSteps(job, mine); }, 0);
    }

    // The fit with its residuals and outliers by the points' own numbers.
    function fitted(fit) {
      if (!fit.ok) return fit;
      var byPoint = {}, used = evaluation.used;
      fit.residuals.forEach(function (r, k) { byPoint[used[k]] = r; });
      return Object.assign({}, fit, { byPoint: byPoint, outliers: fit.outliers.map(function (k) { return used[k]; }) });
    }

    // point i's {dx, dy, distance} from the fit, or null
    function residualOf(i) {
      var fit = evaluation && evaluation.fit;
      return fit && fit.ok ? fit.byPoint[i] || null : null;
    }

    return { evaluate: evaluate, residualOf: residualOf, current: function () { return evaluation; } };
  }

  return { create: create };
});
