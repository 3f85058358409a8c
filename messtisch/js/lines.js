// Dark lines and their crossings, found in the picture's own pixels: where a
// click snaps to, where the graticule's lines cross, and which longitude and
// latitude each crossing has, read on from the points the user typed. Plain
// functions over a patch of darkness values; nothing here touches the page.
define('Lines', [], function () {
  'use strict';

  // ---- darkness -------------------------------------------------------------

  // picture: {bytes, width, height, dataOffset, rowBytes} as Bmp.open gives it.
  // The darkness (255 - grey) of the pixels x0 .. x0 + width - 1, y0 .. y0 + height - 1,
  // cut to the picture.
  function inkOf(picture, x0, y0, width, height) {
    var left = Math.max(0, Math.floor(x0)), top = Math.max(0, Math.floor(y0));
    var right = Math.min(picture.width, Math.floor(x0) + width), bottom = Math.min(picture.height, Math.floor(y0) + height);
    var w = Math.max(0, right - left), h = Math.max(0, bottom - top), dark = new Uint8Array(w * h), bytes = picture.bytes;
    for (var y = 0; y < h; y++) {
      var at = picture.dataOffset + 3 * left + picture.rowBytes * (picture.height - 1 - (top + y)), line = y * w;
      for (var x = 0; x < w; x++, at += 3) dark[line + x] = 255 - Math.round((bytes[at] + bytes[at + 1] + bytes[at + 2]) / 3);
    }
    return { x0: left, y0: top, width: w, height: h, dark: dark };
  }

  function wholeInk(picture) { return inkOf(picture, 0, 0, picture.width, picture.height); }

  // The paper's darkness and the cut above which a pixel belongs to a drawn
  // line, from at most about a million pixels spread over the picture; pure
  // black (kippdreh's corners) and pure blue (bars) are not the map's.
  // contrast false: a flat colour or a picture too pale to hold lines.
  function levelsOf(picture) {
    var count = new Float64Array(256), step = Math.max(1, Math.floor(Math.sqrt(picture.width * picture.height / 1e6)));
    var total = 0, bytes = picture.bytes;
    for (var y = 0; y < picture.height; y += step) {
      var at = picture.dataOffset + picture.rowBytes * (picture.height - 1 - y);
      for (var x = 0; x < picture.width; x += step) {
        var o = at + 3 * x;
        if (bytes[o + 1] === 0 && bytes[o + 2] === 0 && (bytes[o] === 0 || bytes[o] === 255)) continue;
        count[255 - Math.round((bytes[o] + bytes[o + 1] + bytes[o + 2]) / 3)]++;
        total++;
      }
    }
    var quantile = function (q) {
      for (var v = 0, sum = 0; v < 256; v++) { sum += count[v]; if (sum >= q * total) return v; }
      return 255;
    };
    if (total === 0) return { paper: 0, ink: 0, cut: 256, contrast: false };
    var paper = quantile(0.5), ink = quantile(0.995);
    return { paper: paper, ink: ink, cut: paper + 0.45 * (ink - paper), contrast: ink - paper >= 40 };
  }

  function darkAt(ink, x, y) {
    if (x < 0 || y < 0 || x >= ink.width || y >= ink.height) return 0;
    return ink.dark[y * ink.width + x];
  }

  // A thin line runs through (x, y): dark there, paper a few pixels to both
  // sides. 1: the line runs rather across (paper above and below), 2: rather
  // down, 3: both (a dot), 0: no line pixel.
  function lineKind(ink, levels, x, y) {
    if (darkAt(ink, x, y) < levels.cut) return 0;
    var pale = levels.paper + 0.3 * (levels.ink - levels.paper);
    var across = darkAt(ink, x, y - 4) < pale && darkAt(ink, x, y + 4) < pale;
    var down = darkAt(ink, x - 4, y) < pale && darkAt(ink, x + 4, y) < pale;
    return (across ? 1 : 0) | (down ? 2 : 0);
  }

  // The darkness-weighted centre of the dark run through position `at` of a
  // profile, and the run's length; null where `at` is not dark.
  function runCentre(profile, at, cut, paper) {
    if (at < 0 || at >= profile.length || profile[at] < cut) return null;
    var from = at, to = at;
    while (from > 0 && profile[from - 1] >= cut) from--;
    while (to < profile.length - 1 && profile[to + 1] >= cut) to++;
    var sum = 0, weighted = 0;
    for (var i = Math.max(0, from - 1); i <= Math.min(profile.length - 1, to + 1); i++) {
      var w = Math.max(0, profile[i] - paper);
      sum += w; weighted += w * i;
    }
    return { centre: sum > 0 ? weighted / sum : at, length: to - from + 1 };
  }

  // ---- crossings --------------------------------------------------------------

  // Offsets of a circle of radius r, in order of their angle.
  var circles = {};
  function circle(r) {
    if (circles[r]) return circles[r];
    var points = [], n = Math.max(24, Math.round(2 * Math.PI * r * 1.5));
    for (var i = 0; i < n; i++) {
      var a = 2 * Math.PI * i / n;
      points.push({ dx: Math.round(r * Math.cos(a)), dy: Math.round(r * Math.sin(a)), x: r * Math.cos(a), y: r * Math.sin(a), angle: a });
    }
    circles[r] = points;
    return points;
  }

  // The dark runs met going once round a circle about (x, y): each with its
  // darkness-weighted point on the circle. null when the circle is dark all round.
  function armsOnCircle(ink, levels, x, y, r) {
    var ring = circle(r), n = ring.length, flags = new Array(n), start = -1;
    for (var i = 0; i < n; i++) {
      flags[i] = darkAt(ink, x + ring[i].dx, y + ring[i].dy) >= levels.cut;
      if (!flags[i] && start < 0) start = i;
    }
    if (start < 0) return null;
    var arms = [], current = null;
    for (var k = 1; k <= n; k++) {
      var j = (start + k) % n;
      if (flags[j]) {
        if (!current) current = { sum: 0, x: 0, y: 0, length: 0 };
        var w = Math.max(1, darkAt(ink, x + ring[j].dx, y + ring[j].dy) - levels.paper);
        current.sum += w; current.x += w * ring[j].x; current.y += w * ring[j].y; current.length++;
      } else if (current) {
        arms.push({ x: x + current.x / current.sum, y: y + current.y / current.sum, angle: Math.atan2(current.y, current.x), length: current.length });
        current = null;
      }
    }
    return arms;
  }

  function angleBetween(a, b) { return Math.abs(Math.atan2(Math.sin(a - b), Math.cos(a - b))); }

  // Two lines cross near (x, y): among the arms (letters or a frame line
  // nearby may add some) two pairs of thin, opposite arms at a clear angle;
  // thin for lines of the picture's usual width `lineWidth`.
  // Returns the four arms, or null.
  function crossedArms(arms, r, lineWidth) {
    if (!arms || arms.length < 4 || arms.length > 7) return null;
    var widest = Math.max(6, 0.45 * r * 1.5, 2.2 * lineWidth), pairs = [];
    for (var i = 0; i < arms.length; i++) {
      for (var j = i + 1; j < arms.length; j++) {
        if (arms[i].length > widest || arms[j].length > widest) continue;
        var off = Math.PI - angleBetween(arms[i].angle, arms[j].angle);
        if (off < 0.45) pairs.push({ a: arms[i], b: arms[j], off: off });
      }
    }
    pairs.sort(function (p, q) { return p.off - q.off; });
    for (i = 0; i < pairs.length; i++) {
      for (j = i + 1; j < pairs.length; j++) {
        var p = pairs[i], q = pairs[j];
        if (p.a === q.a || p.a === q.b || p.b === q.a || p.b === q.b) continue;
        var between = angleBetween(p.a.angle, q.a.angle);
        if (between > 0.5 && between < Math.PI - 0.5) return [p.a, q.a, p.b, q.b];
      }
    }
    return null;
  }

  function looksCrossed(arms, r, lineWidth) { return crossedArms(arms, r, lineWidth) !== null; }

  // The straight line through points, least squares perpendicular to it.
  function fitLine(points) {
    var n = points.length, mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
    points.forEach(function (p) { mx += p.x; my += p.y; });
    mx /= n; my /= n;
    points.forEach(function (p) { sxx += (p.x - mx) * (p.x - mx); syy += (p.y - my) * (p.y - my); sxy += (p.x - mx) * (p.y - my); });
    var angle = 0.5 * Math.atan2(2 * sxy, sxx - syy);
    return { x: mx, y: my, dx: Math.cos(angle), dy: Math.sin(angle) };
  }

  function intersect(a, b) {
    var det = a.dx * b.dy - a.dy * b.dx;
    if (Math.abs(det) < 0.2) return null;
    var t = ((b.x - a.x) * b.dy - (b.y - a.y) * b.dx) / det;
    return { x: a.x + t * a.dx, y: a.y + t * a.dy };
  }

  // The crossing near (x, y) to a fraction of a pixel: the two lines through
  // the arms met on circles of several radii, intersected. Close to another
  // line (the neatline) only the small circles see two clean lines.
  function refineCrossing(ink, levels, x, y, lineWidth) {
    return crossingWithin(ink, levels, x, y, 12, 6, 16, 6, lineWidth) || crossingWithin(ink, levels, x, y, 8, 5, 10, 4, lineWidth);
  }

  function crossingWithin(ink, levels, x, y, middle, smallest, largest, fewest, lineWidth) {
    var reference = crossedArms(armsOnCircle(ink, levels, x, y, middle), middle, lineWidth);
    if (!reference) return null;
    var pairs = [[], []];
    for (var r = smallest; r <= largest; r++) {
      var arms = crossedArms(armsOnCircle(ink, levels, x, y, r), r, lineWidth);
      if (!arms) continue;
      arms.forEach(function (arm) {
        var best = 0, closest = Infinity;
        reference.forEach(function (ref, k) {
          var d = angleBetween(arm.angle, ref.angle);
          if (d < closest) { closest = d; best = k; }
        });
        if (closest < 0.35) pairs[best % 2].push(arm);
      });
    }
    var lines = pairs.map(function (points) {
      // a letter touching an arm pulls a few of its points aside
      for (var round = 0; round < 2 && points.length >= fewest; round++) {
        var line = fitLine(points);
        points = points.filter(function (p) { return Math.abs((p.x - line.x) * line.dy - (p.y - line.y) * line.dx) <= 0.7; });
      }
      return points.length >= fewest ? fitLine(points) : null;
    });
    if (!lines[0] || !lines[1]) return null;
    var point = intersect(lines[0], lines[1]);
    if (!point || Math.abs(point.x - x) > 4 || Math.abs(point.y - y) > 4) return null;
    return point;
  }

  // The mean width of the dark runs up to 10 pixels long, across every fifth
  // row and column: a picture stretched by glattzug has its lines wider.
  function usualWidth(ink, levels) {
    var total = 0, runs = 0;
    var scan = function (start, step, count) {
      var length = 0;
      for (var i = 0; i <= count; i++) {
        if (i < count && ink.dark[start + i * step] >= levels.cut) { length++; continue; }
        if (length > 0 && length <= 10) { total += length; runs++; }
        length = 0;
      }
    };
    for (var y = 0; y < ink.height; y += 5) scan(y * ink.width, 1, ink.width);
    for (var x = 0; x < ink.width; x += 5) scan(x, ink.width, ink.height);
    return runs ? total / runs : 0;
  }

  // All crossings of two dark lines in the patch, in picture coordinates:
  // [{x, y}] to a fraction of a pixel.
  function findCrossings(ink, levels) {
    var found = [], taken = new Uint8Array(ink.width * ink.height), margin = 17, width = usualWidth(ink, levels);
    for (var y = margin; y < ink.height - margin; y++) {
      for (var x = margin; x < ink.width - margin; x++) {
        if (ink.dark[y * ink.width + x] < levels.cut || taken[y * ink.width + x]) continue;
        if (lineKind(ink, levels, x, y) !== 0) continue; // plainly on one line only
        if (!looksCrossed(armsOnCircle(ink, levels, x, y, 9), 9, width)) continue;
        var point = refineCrossing(ink, levels, x, y, width);
        if (!point) continue;
        // one crossing is met from many pixels near it
        for (var yy = Math.max(0, y - 6); yy <= Math.min(ink.height - 1, y + 6); yy++) {
          for (var xx = Math.max(0, x - 6); xx <= Math.min(ink.width - 1, x + 6); xx++) taken[yy * ink.width + xx] = 1;
        }
        var refined = refineCrossing(ink, levels, Math.round(point.x), Math.round(point.y), width) || point;
        found.push({ x: ink.x0 + refined.x, y: ink.y0 + refined.y });
      }
    }
    return found;
  }

  // ---- snapping --------------------------------------------------------------

  // The centre of the dark line nearest to (x, y) within `reach` pixels, as a
  // whole pixel, or null. (x, y) and the result in picture coordinates.
  function snapToLine(picture, levels, x, y, reach) {
    if (!levels.contrast) return null;
    var ink = inkOf(picture, x - reach - 6, y - reach - 6, 2 * reach + 13, 2 * reach + 13);
    var lx = x - ink.x0, ly = y - ink.y0, best = null, bestDistance = Infinity;
    for (var dy = -reach; dy <= reach; dy++) {
      for (var dx = -reach; dx <= reach; dx++) {
        var d = dx * dx + dy * dy;
        if (d > reach * reach || d >= bestDistance) continue;
        var kind = lineKind(ink, levels, lx + dx, ly + dy);
        if (kind === 1 || kind === 2) { best = { x: lx + dx, y: ly + dy, kind: kind }; bestDistance = d; }
      }
    }
    if (!best) return null;
    var profile = [], i;
    for (i = -5; i <= 5; i++) profile.push(best.kind === 1 ? darkAt(ink, best.x, best.y + i) : darkAt(ink, best.x + i, best.y));
    var run = runCentre(profile, 5, levels.cut, levels.paper);
    var shift = run ? Math.round(run.centre - 5) : 0;
    return { x: ink.x0 + best.x + (best.kind === 2 ? shift : 0), y: ink.y0 + best.y + (best.kind === 1 ? shift : 0) };
  }

  // The crossing nearest to (x, y) within `reach` pixels, to a fraction of a pixel, or null.
  function snapToCrossing(picture, levels, x, y, reach) {
    if (!levels.contrast) return null;
    var ink = inkOf(picture, x - reach - 20, y - reach - 20, 2 * reach + 41, 2 * reach + 41), best = null, bestDistance = reach * reach;
    findCrossings(ink, levels).forEach(function (c) {
      var d = (c.x - x) * (c.x - x) + (c.y - y) * (c.y - y);
      if (d <= bestDistance) { best = c; bestDistance = d; }
    });
    return best;
  }

  // ---- the graticule read on -------------------------------------------------

  // Steps of a graticule in degrees, from one minute to ten degrees.
  var STEPS = [1 / 60, 2 / 60, 5 / 60, 10 / 60, 15 / 60, 20 / 60, 30 / 60, 1, 2, 5, 10];

  // Least squares solution of the normal equations (small, by elimination).
  function solve(rows, values) {
    var m = rows[0].length, a = [], i, j, k;
    for (i = 0; i < m; i++) { a.push(new Array(m + 1).fill(0)); }
    rows.forEach(function (row, r) {
      for (i = 0; i < m; i++) {
        for (j = 0; j < m; j++) a[i][j] += row[i] * row[j];
        a[i][m] += row[i] * values[r];
      }
    });
    for (i = 0; i < m; i++) {
      var pivot = i;
      for (k = i + 1; k < m; k++) if (Math.abs(a[k][i]) > Math.abs(a[pivot][i])) pivot = k;
      var swap = a[i]; a[i] = a[pivot]; a[pivot] = swap;
      if (Math.abs(a[i][i]) < 1e-12) return null;
      for (k = 0; k < m; k++) {
        if (k === i) continue;
        var f = a[k][i] / a[i][i];
        for (j = i; j <= m; j++) a[k][j] -= f * a[i][j];
      }
    }
    return a.map(function (row, r) { return row[m] / row[r]; });
  }

  // The desk's own picture of the map: pixel position as a function of
  // (longitude, latitude), axis-parallel from two points, affine from three,
  // quadratic from ten, so that a turned or conic map is read as well.
  function fitMap(points) {
    var lon0 = points[0].longitude, lat0 = points[0].latitude;
    var basis = points.length >= 20
      ? function (u, v) { return [1, u, v, u * u, u * v, v * v, u * u * u, u * u * v, u * v * v, v * v * v]; }
      : points.length >= 10
      ? function (u, v) { return [1, u, v, u * u, u * v, v * v]; }
      : points.length >= 3 ? function (u, v) { return [1, u, v]; } : null;
    var map;
    if (basis) {
      var rows = points.map(function (p) { return basis(p.longitude - lon0, p.latitude - lat0); });
      var cx = solve(rows, points.map(function (p) { return p.x; })), cy = solve(rows, points.map(function (p) { return p.y; }));
      if (!cx || !cy) return points.length >= 10 ? fitMap(points.slice(0, points.length >= 20 ? 19 : 9)) : null;
      map = function (lon, lat) {
        var b = basis(lon - lon0, lat - lat0), x = 0, y = 0;
        for (var i = 0; i < b.length; i++) { x += cx[i] * b[i]; y += cy[i] * b[i]; }
        return { x: x, y: y };
      };
    } else {
      var a = points[0], b2 = points[1];
      if (a.longitude === b2.longitude || a.latitude === b2.latitude) return null;
      var sx = (b2.x - a.x) / (b2.longitude - a.longitude), sy = (b2.y - a.y) / (b2.latitude - a.latitude);
      map = function (lon, lat) { return { x: a.x + sx * (lon - a.longitude), y: a.y + sy * (lat - a.latitude) }; };
    }
    return map;
  }

  // The step nearest to the spacing `degrees`.
  function nearestStep(degrees) {
    var best = STEPS[0];
    STEPS.forEach(function (s) { if (Math.abs(Math.log(s / degrees)) < Math.abs(Math.log(best / degrees))) best = s; });
    return best;
  }

  // typed: [{x, y, longitude, latitude}] (numbers, at least two, the first at
  // a crossing); crossings: [{x, y}] as findCrossings gives them.
  // Returns {ok, message} or {ok, step: {longitude, latitude}, proposals:
  // [{x, y, longitude, latitude}]}: every crossing reached from the typed
  // points step by step over the graticule, none of the typed ones again.
  function readGraticule(typed, crossings) {
    if (typed.length < 2) return { ok: false, message: 'Erst zwei oder drei Passpunkte an Gradnetz-Kreuzungen setzen und ihre Koordinaten eintragen.' };
    if (crossings.length === 0) return { ok: false, message: 'keine Linien gefunden' };
    var map = fitMap(typed);
    if (!map) return { ok: false, message: 'Die Passpunkte müssen sich in Länge und Breite unterscheiden.' };
    var origin = typed[0], o = map(origin.longitude, origin.latitude);
    // pixels per degree along the meridian and the parallel, near the first point
    var east = map(origin.longitude + 1, origin.latitude), north = map(origin.longitude, origin.latitude + 1);
    var ex = { x: east.x - o.x, y: east.y - o.y }, nx = { x: north.x - o.x, y: north.y - o.y };
    var det = ex.x * nx.y - ex.y * nx.x;
    if (Math.abs(det) < 1e-9) return { ok: false, message: 'Die Passpunkte liegen auf einer Linie.' };
    // the graticule's spacing: the nearest crossings along each direction
    var spacing = { longitude: Infinity, latitude: Infinity };
    typed.forEach(function (t) {
      crossings.forEach(function (c) {
        var dx = c.x - t.x, dy = c.y - t.y;
        if (dx * dx + dy * dy < 100) return; // the same crossing, or a letter beside it
        var dLon = (dx * nx.y - dy * nx.x) / det, dLat = (ex.x * dy - ex.y * dx) / det;
        if (Math.abs(dLat) < 0.2 * Math.abs(dLon) && Math.abs(dLon) > 1e-3) spacing.longitude = Math.min(spacing.longitude, Math.abs(dLon));
        if (Math.abs(dLon) < 0.2 * Math.abs(dLat) && Math.abs(dLat) > 1e-3) spacing.latitude = Math.min(spacing.latitude, Math.abs(dLat));
      });
    });
    if (!isFinite(spacing.longitude) || !isFinite(spacing.latitude)) return { ok: false, message: 'keine Linien gefunden' };
    var step = { longitude: nearestStep(spacing.longitude), latitude: nearestStep(spacing.latitude) };

    var key = function (i, j) { return i + ',' + j; };
    var nodeOf = function (p) {
      return { i: Math.round((p.longitude - origin.longitude) / step.longitude), j: Math.round((p.latitude - origin.latitude) / step.latitude) };
    };
    var assigned = {}, used = new Uint8Array(crossings.length), list = [], tried = {};
    typed.forEach(function (t) {
      var n = nodeOf(t);
      if (Math.abs(n.i * step.longitude + origin.longitude - t.longitude) > 1e-6 ||
          Math.abs(n.j * step.latitude + origin.latitude - t.latitude) > 1e-6) return; // not on the graticule
      var entry = { i: n.i, j: n.j, x: t.x, y: t.y, longitude: t.longitude, latitude: t.latitude, typed: true };
      assigned[key(n.i, n.j)] = entry;
      list.push(entry);
      crossings.forEach(function (c, k) { if (Math.abs(c.x - t.x) <= 3 && Math.abs(c.y - t.y) <= 3) used[k] = 1; });
    });
    var gap = Math.min(Math.hypot(ex.x, ex.y) * step.longitude, Math.hypot(nx.x, nx.y) * step.latitude);
    var reach = 0.3 * gap, grown = true;
    while (grown) {
      grown = false;
      var fit = fitMap(list) || map;
      list.slice().forEach(function (a) {
        var from = fit(a.longitude, a.latitude);
        for (var di = -2; di <= 2; di++) {
          for (var dj = -2; dj <= 2; dj++) {
            var i = a.i + di, j = a.j + dj, k = key(i, j);
            if (assigned[k] || tried[k + '/' + a.i + ',' + a.j]) continue;
            tried[k + '/' + a.i + ',' + a.j] = true;
            var lon = origin.longitude + i * step.longitude, lat = origin.latitude + j * step.latitude;
            var to = fit(lon, lat), px = a.x + to.x - from.x, py = a.y + to.y - from.y;
            var best = -1, bestDistance = reach * reach;
            crossings.forEach(function (c, n) {
              if (used[n]) return;
              var d = (c.x - px) * (c.x - px) + (c.y - py) * (c.y - py);
              if (d < bestDistance) { best = n; bestDistance = d; }
            });
            if (best < 0) continue;
            used[best] = 1;
            var entry = { i: i, j: j, x: crossings[best].x, y: crossings[best].y, longitude: lon, latitude: lat, typed: false };
            assigned[k] = entry;
            list.push(entry);
            grown = true;
          }
        }
      });
    }
    list = withoutStrays(list, assigned, key);
    var proposals = list.filter(function (p) { return !p.typed; }).map(function (p) {
      return { x: p.x, y: p.y, longitude: p.longitude, latitude: p.latitude };
    });
    return { ok: true, step: step, proposals: proposals };
  }

  // A crossing found a pixel or two beside the true one (a letter touching
  // it) shows against its neighbours on the graticule, which lie evenly on
  // either side of it: the worst such one goes, until none is left.
  function withoutStrays(list, assigned, key) {
    var pairs = [[1, 0], [0, 1], [1, 1], [1, -1]], bend = fitMap(list);
    // the curvature of the graticule between neighbours, as the fit through all sees it
    var expected = function (p, a, b) {
      if (!bend) return { x: 0, y: 0 };
      var q = bend(p.longitude, p.latitude), qa = bend(a.longitude, a.latitude), qb = bend(b.longitude, b.latitude);
      return { x: q.x - (qa.x + qb.x) / 2, y: q.y - (qa.y + qb.y) / 2 };
    };
    var offOf = function (p) {
      var most = -1;
      pairs.forEach(function (d) {
        var a = assigned[key(p.i - d[0], p.j - d[1])], b = assigned[key(p.i + d[0], p.j + d[1])];
        if (!a || !b) return;
        var e = expected(p, a, b);
        most = Math.max(most, Math.hypot(p.x - (a.x + b.x) / 2 - e.x, p.y - (a.y + b.y) / 2 - e.y));
      });
      if (most >= 0) return most;
      // at the graticule's edge: carried on from two neighbours on one side
      pairs.concat(pairs.map(function (d) { return [-d[0], -d[1]]; })).forEach(function (d) {
        var a = assigned[key(p.i - d[0], p.j - d[1])], b = assigned[key(p.i - 2 * d[0], p.j - 2 * d[1])];
        if (!a || !b || !bend) return;
        var q = bend(p.longitude, p.latitude), qa = bend(a.longitude, a.latitude), qb = bend(b.longitude, b.latitude);
        most = Math.max(most, Math.hypot(p.x - 2 * a.x + b.x - (q.x - 2 * qa.x + qb.x), p.y - 2 * a.y + b.y - (q.y - 2 * qa.y + qb.y)));
      });
      return most;
    };
    // a picture turned or stretched by the tools places its lines a pixel at
    // a time: the bar is raised to four times the usual offset there
    var offs = list.filter(function (p) { return !p.typed; }).map(offOf).filter(function (d) { return d >= 0; }).sort(function (a, b) { return a - b; });
    var bar = Math.max(1, 4 * (offs.length ? offs[offs.length >> 1] : 0));
    for (;;) {
      var worst = null, worstOff = bar;
      list.forEach(function (p) {
        if (p.typed) return;
        var off = offOf(p);
        if (off > worstOff) { worst = p; worstOff = off; }
      });
      if (!worst) break;
      delete assigned[key(worst.i, worst.j)];
      list.splice(list.indexOf(worst), 1);
    }
    // the outermost ones, without neighbours on both sides, against the fit through all
    var fit = list.length >= 20 ? fitMap(list) : null;
    return list.filter(function (p) {
      if (p.typed || !fit || offOf(p) >= 0) return true;
      var q = fit(p.longitude, p.latitude);
      return Math.hypot(q.x - p.x, q.y - p.y) <= bar;
    });
  }

  // An angle as the measurement file takes it: decimal with a point where
  // four decimals hold it exactly, packed degrees, minutes, seconds otherwise.
  function angleText(degrees) {
    var tenThousandths = Math.round(degrees * 10000);
    if (Math.abs(degrees * 10000 - tenThousandths) < 1e-6) {
      var text = (tenThousandths / 10000).toFixed(4).replace(/0+$/, '');
      return /\.$/.test(text) ? text + '0' : text;
    }
    var seconds = Math.round(Math.abs(degrees) * 3600), pad = function (n) { return (n < 10 ? '0' : '') + n; };
    return (degrees < 0 ? '-' : '') + pad(Math.floor(seconds / 3600)) + pad(Math.floor(seconds / 60) % 60) + pad(seconds % 60);
  }

  return {
    inkOf: inkOf, wholeInk: wholeInk, levelsOf: levelsOf, darkAt: darkAt, lineKind: lineKind, runCentre: runCentre,
    findCrossings: findCrossings, snapToLine: snapToLine, snapToCrossing: snapToCrossing,
    fitLine: fitLine, fitMap: fitMap, readGraticule: readGraticule, angleText: angleText
  };
});
