// Frame lines as polylines and the pure-blue bars painted from them to the
// picture's edge. A left or right line gives one edge column per row, a top
// or bottom line one edge row per column; the pixel under the line stays
// map, everything beyond it up to the edge turns blue, so glattzug takes the
// clicked pixel as the first (or last) one of the framed picture.
define('Bars', [], function () {
  'use strict';

  var LINES = {
    h: [{ key: 'left', label: 'linke Rahmenlinie' }, { key: 'right', label: 'rechte Rahmenlinie' }],
    v: [{ key: 'top', label: 'obere Rahmenlinie' }, { key: 'bottom', label: 'untere Rahmenlinie' }]
  };

  function emptyLines() { return { left: [], right: [], top: [], bottom: [] }; }

  // Lines of a run are functions of the row (h) or of the column (v); their
  // points are kept in that order so that the polyline never folds back.
  function alongOf(key) { return key === 'left' || key === 'right' ? 'y' : 'x'; }
  function acrossOf(key) { return alongOf(key) === 'y' ? 'x' : 'y'; }

  function sortLine(points, key) {
    var along = alongOf(key);
    points.sort(function (a, b) { return a[along] - b[along]; });
  }

  // The line's position across at every step along (0 .. length - 1), rounded
  // to the nearest pixel; beyond its end points the line runs straight on to
  // the picture's edge.
  function edgePositions(points, key, length) {
    var along = alongOf(key), across = acrossOf(key);
    var edges = new Int32Array(length), i = 0;
    for (var t = 0; t < length; t++) {
      if (t <= points[0][along]) { edges[t] = points[0][across]; continue; }
      var last = points[points.length - 1];
      if (t >= last[along]) { edges[t] = last[across]; continue; }
      while (points[i + 1][along] < t) i++;
      var a = points[i], b = points[i + 1], span = b[along] - a[along];
      // exact integer arithmetic: round(a + (b - a) (t - ta) / span), halves upwards
      var twice = 2 * (a[across] * span + (b[across] - a[across]) * (t - a[along])) + span;
      edges[t] = Math.floor(twice / (2 * span));
    }
    return edges;
  }

  // {run, low, high}: per row (h) or column (v) the first and the last pixel
  // that stays map; pixels before low and after high are painted.
  function paintedRange(lines, run, width, height) {
    var lowKey = run === 'h' ? 'left' : 'top', highKey = run === 'h' ? 'right' : 'bottom';
    var length = run === 'h' ? height : width, limit = run === 'h' ? width : height;
    var low = lines[lowKey].length ? edgePositions(lines[lowKey], lowKey, length) : new Int32Array(length);
    var high = lines[highKey].length ? edgePositions(lines[highKey], highKey, length) : new Int32Array(length).fill(limit - 1);
    for (var t = 0; t < length; t++) {
      low[t] = Math.max(0, Math.min(limit, low[t]));
      high[t] = Math.max(-1, Math.min(limit - 1, high[t]));
    }
    return { run: run, low: low, high: high };
  }

  // The painted runs of row y as [from, to] pairs, for Bmp.paintedBlob.
  function rowSpans(range, width) {
    if (range.run === 'h') {
      return function (y) {
        var spans = [];
        if (range.low[y] > 0) spans.push([0, range.low[y] - 1]);
        if (range.high[y] < width - 1) spans.push([Math.max(range.high[y] + 1, range.low[y]), width - 1]);
        return spans;
      };
    }
    // rows between the lowest top edge and the highest bottom edge have no bars
    var clearFrom = -Infinity, clearTo = Infinity;
    for (var x = 0; x < width; x++) {
      clearFrom = Math.max(clearFrom, range.low[x]);
      clearTo = Math.min(clearTo, range.high[x]);
    }
    return function (y) {
      if (y >= clearFrom && y <= clearTo) return [];
      var spans = [], start = -1;
      for (var x = 0; x <= width; x++) {
        var painted = x < width && (y < range.low[x] || y > range.high[x]);
        if (painted && start < 0) start = x;
        if (!painted && start >= 0) { spans.push([start, x - 1]); start = -1; }
      }
      return spans;
    };
  }

  return { LINES: LINES, emptyLines: emptyLines, sortLine: sortLine, alongOf: alongOf,
           edgePositions: edgePositions, paintedRange: paintedRange, rowSpans: rowSpans };
});
