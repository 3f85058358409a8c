// The desk's outlier check, its own rule beside messkart's fit: the point
// whose removal explains the misfit is the one without which the others fit
// best; it is marked when its distance from the lines through all the other
// points exceeds 5 pixels and five times the spread (RMS) of those points
// about their own lines. At most one point is marked, and only from four on.
define('PointOutliers', [], function () {
  'use strict';

  // Sums of one fit (pixel against key) over all points, for fits that leave
  // one point out. Values are taken about their means, which keeps the
  // differences of large sums exact enough.
  function sumsOf(points, key, pixel) {
    var n = points.length, mk = 0, mp = 0;
    points.forEach(function (p) { mk += p[key] / n; mp += p[pixel] / n; });
    var t = { n: n, mk: mk, mp: mp, k: 0, p: 0, kk: 0, kp: 0, pp: 0 };
    points.forEach(function (q) {
      var k = q[key] - mk, p = q[pixel] - mp;
      t.k += k; t.p += p; t.kk += k * k; t.kp += k * p; t.pp += p * p;
    });
    return t;
  }

  // The line through all points but q, and the squares its points leave.
  function fitWithout(t, q, key, pixel) {
    var k = q[key] - t.mk, p = q[pixel] - t.mp, n = t.n - 1;
    var sk = t.k - k, sp = t.p - p, skk = t.kk - k * k, skp = t.kp - k * p, spp = t.pp - p * p;
    var den = n * skk - sk * sk;
    if (n < 2 || !(Math.abs(den) > 1e-9 * Math.max(1, n * skk))) return null;
    var slope = (n * skp - sk * sp) / den, intercept = (sp - slope * sk) / n;
    return { miss: slope * k + intercept - p, squares: Math.max(0, spp - slope * skp - intercept * sp) };
  }

  // points [{x, y, longitude, scale}] as fitted (the longitude corrected, the
  // latitude as the sinh it entered its fit with); the indexes of the outliers.
  function of(points) {
    if (points.length < 4) return [];
    var lonSums = sumsOf(points, 'longitude', 'x'), latSums = sumsOf(points, 'scale', 'y');
    var best = -1, bestSpread = Infinity, bestDistance = 0;
    points.forEach(function (q, i) {
      var lon = fitWithout(lonSums, q, 'longitude', 'x'), lat = fitWithout(latSums, q, 'scale', 'y');
      if (!lon || !lat) return;
      var spread = Math.sqrt((lon.squares + lat.squares) / (points.length - 1));
      if (spread < bestSpread) { best = i; bestSpread = spread; bestDistance = Math.hypot(lon.miss, lat.miss); }
    });
    return best >= 0 && bestDistance > 5 && bestDistance > 5 * bestSpread ? [best] : [];
  }

  return { of: of };
});
