// The fit of the control points: the rows written as a measurement file and
// handed to messkart's own reader, fits and writer compiled for the page
// (MesskartReport), which names the rows whose fields do not read and fits
// the others that are switched on; back come the residuals, the spread and
// the .INF messkart writes, and the desk adds its outlier check. Each change
// starts a run; the last evaluation stays shown until the newest run is in,
// and a run overtaken by a newer one is dropped.
define('PointFit', ['PointRows', 'PointOutliers', 'MesskartReport', 'PageTools'],
       function (PointRows, PointOutliers, MesskartReport, PageTools) {
  'use strict';

  var LARGEST = 9999;          // the header's four columns per size

  // news(evaluation) when a run's evaluation is in.
  function create(news) {
    var evaluation = null, round = 0, running = Promise.resolve();

    // evaluation: {text, rows, used, fit, tooBig, unchecked}; fit is null until the first run is in
    function evaluate(doc) {
      var mine = ++round;
      var snapshot = { width: doc.width, height: doc.height, comments: doc.comments.slice(), wgs: doc.wgs, gps: doc.gps,
                       points: doc.points.map(function (p) { return Object.assign({}, p); }) };
      var unwritable = snapshot.points.map(PointRows.unwritable), written = [], leftOut = [];
      snapshot.points.forEach(function (p, i) {
        if (unwritable[i]) return;
        written.push(i);
        if (p.off) leftOut.push(written.length);
      });
      var tooBig = doc.width > LARGEST || doc.height > LARGEST;
      if (!evaluation) evaluation = { text: '', rows: unwritable, used: [], fit: null, tooBig: tooBig };
      var job = MesskartReport.job(PointRows.toText(snapshot, written), true, leftOut);
      running = PageTools.run(job.tool, job.args, job.files).then(function (result) {
        return MesskartReport.read(result);
      }, function (error) {
        // the page's tools missing or failing: the rows go unchecked
        return { ok: false, message: String(error && error.message || error), problems: {}, points: [], unchecked: true };
      }).then(function (report) {
        if (mine !== round) return;
        evaluation = evaluated(snapshot, written, unwritable, report, tooBig);
        news(evaluation);
      });
    }

    // The evaluation once every run started so far is in.
    function settled() {
      var mine = round;
      return running.then(function () { return mine === round ? evaluation : settled(); });
    }

    // point i's {dx, dy, distance} from the fit, or null
    function residualOf(i) {
      var fit = evaluation && evaluation.fit;
      return fit && fit.ok ? fit.byPoint[i] || null : null;
    }

    return { evaluate: evaluate, settled: settled, residualOf: residualOf, current: function () { return evaluation; } };
  }

  // The report by the points' own numbers: rows written as data lines were
  // numbered in the order written.
  function evaluated(doc, written, unwritable, report, tooBig) {
    var rows = unwritable.slice(), used = [];
    written.forEach(function (i, k) {
      var words = report.problems[k + 1];
      if (words) rows[i] = PointRows.problemOf(doc.points[i], words);
      else if (!doc.points[i].off) used.push(i);
    });
    return { text: PointRows.toText(doc, used), rows: rows, used: used, fit: fitOf(doc, written, report), tooBig: tooBig,
             unchecked: !!report.unchecked };
  }

  function fitOf(doc, written, report) {
    if (!report.ok) return { ok: false, message: report.message };
    var byPoint = {}, fitted = [];
    report.points.forEach(function (p) {
      var i = written[p.number - 1];
      byPoint[i] = { dx: p.dx, dy: p.dy, distance: p.distance };
      fitted.push({ index: i, x: doc.points[i].x, y: doc.points[i].y, longitude: p.longitude, scale: p.scale });
    });
    return {
      ok: true, infText: report.infText, coefficients: report.fit, rms: report.rms, rmsX: report.rmsX, rmsY: report.rmsY,
      byPoint: byPoint, outliers: PointOutliers.of(fitted).map(function (k) { return fitted[k].index; }),
      mapping: report.mapping, pixelOf: report.pixelOf, gpsFormat: report.gps
    };
  }

  return { create: create };
});
