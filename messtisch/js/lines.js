// Dark lines and their crossings, found in the picture's own pixels: where a
// click snaps to, where the graticule's lines cross, and which longitude and
// latitude each crossing has, read on from the points the user typed. Plain
// functions over a patch of darkness values; nothing here touches the page.
//
// On a busy sheet roads, rivers, contours, a wood's hatching and letters
// cross the graticule everywhere, so a place where two dark lines cross is
// only a candidate. A graticule crossing is told from the others in steps:
// 1. every candidate's two lines are followed from it both ways, their
//    centre re-found every two pixels and their course bending with them
//    (a conic sheet's parallels), through other lines and small gaps; a
//    crossing whose lines do not both run on for 60 pixels (a letter, a
//    mark) is dropped, and each line keeps the candidates it passes;
// 2. with the typed points' map, a line that runs along the map's north
//    (within 20 degrees) is a meridian, along its east a parallel; a
//    candidate whose lines are not one of each (a road at an angle) is out;
// 3. the steps: the spacing of these crossings along their meridians and
//    parallels votes for the nearest usual step; the typed coordinates must
//    lie on that grid, else, or where the lines give no spacing, the user is
//    asked (readGraticule's `question`) and nothing is proposed;
// 4. the grid is carried on from the typed points node by node; a node takes
//    the candidate within a quarter step (at most 10 pixels) of where the
//    nodes taken so far put it, if that candidate lies on the followed
//    meridian of its column or parallel of its row; at the end every node
//    taken must be linked along its meridian to another node of its column
//    and along its parallel to another of its row, so a road meeting a
//    meridian near a node is never taken, nor a node outside the neatline
//    where the meridians do not run on;
// 5. each node, and each node where no crossing was seen (a label on it),
//    is placed where the fits of its followed meridian and parallel meet,
//    so nothing is placed where two graticule lines do not cross; their
//    centres are gathered about where the fit through all nodes puts the
//    node, not about the candidate taken there, which a road or a name
//    crossing the node pulls a few pixels aside.
// On the picture's first and last rows and columns (where glattzug v puts
// two parallels, h two meridians) a crossing has arms on one side only: there
// a followed line that runs into an edge which is itself a dark line makes a
// crossing where its course meets the edge, and it is read on like the others.
define('Lines', ['AngleText'], function (AngleText) {
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
    point.lines = lines;
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

  // All places in the patch where two thin dark lines cross, seen from a
  // few pixels about them: [{x, y, lines: [{dx, dy}, {dx, dy}]}] in picture
  // coordinates, to a fraction of a pixel, with the two lines' directions.
  function localCrossings(ink, levels) {
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
        found.push({ x: ink.x0 + refined.x, y: ink.y0 + refined.y, lines: refined.lines });
      }
    }
    return found;
  }

  // ---- lines followed through the crossings ---------------------------------

  // The darkness between pixel centres, read bilinearly.
  function darkBetween(ink, x, y) {
    var x0 = Math.floor(x), y0 = Math.floor(y), fx = x - x0, fy = y - y0;
    return (darkAt(ink, x0, y0) * (1 - fx) + darkAt(ink, x0 + 1, y0) * fx) * (1 - fy) +
           (darkAt(ink, x0, y0 + 1) * (1 - fx) + darkAt(ink, x0 + 1, y0 + 1) * fx) * fy;
  }

  var STRIDE = 2, LONGEST = 900, LONGEST_GAP = 10, LONGEST_JUNCTION = 40;

  // The thin line through (x, y) in direction (dx, dy) followed onwards, its
  // centre re-found across it every STRIDE pixels within two pixels of where
  // its course (the chord over the last 24 pixels, so that it bends with a
  // curved parallel) puts it. Through another line or a wide patch of ink the
  // course is kept; it ends at a gap of more than LONGEST_GAP pixels, after
  // LONGEST_JUNCTION pixels of ink too wide to be the line, or at LONGEST.
  // Returns the centres passed, [{x, y}] in the patch's coordinates.
  function follow(ink, levels, x, y, dx, dy, lineWidth) {
    var points = [], px = x + 6 * dx, py = y + 6 * dy, gap = 0, wide = 0, widest = Math.max(4, 2.5 * lineWidth + 1);
    var profile = new Array(9);
    for (var travelled = 6; travelled < LONGEST; travelled += STRIDE) {
      if (px < 0 || py < 0 || px > ink.width - 1 || py > ink.height - 1) break;
      for (var k = 0; k < 9; k++) profile[k] = darkBetween(ink, px - (k - 4) * 0.5 * dy, py + (k - 4) * 0.5 * dx);
      var nearest = -1;
      for (k = 0; k < 9; k++) if (profile[k] >= levels.cut && (nearest < 0 || Math.abs(k - 4) < Math.abs(nearest - 4))) nearest = k;
      if (nearest < 0) {
        gap += STRIDE;
        if (gap > LONGEST_GAP) break;
      } else {
        var run = runCentre(profile, nearest, levels.cut, levels.paper);
        gap = 0;
        if (run.length * 0.5 > widest || (nearest === 0 || nearest === 8) && run.length > 2) {
          wide += STRIDE;
          if (wide > LONGEST_JUNCTION) break;
        } else {
          wide = 0;
          var shift = (run.centre - 4) * 0.5;
          px -= shift * dy; py += shift * dx;
          points.push({ x: px, y: py });
          var back = points[Math.max(0, points.length - 13)];
          var cx = px - back.x, cy = py - back.y, length = Math.hypot(cx, cy);
          if (length >= 8) { dx = cx / length; dy = cy / length; }
        }
      }
      px += STRIDE * dx; py += STRIDE * dy;
    }
    // a gap or a junction at the end is not the line's
    return points;
  }

  // A crossing's lines followed both ways: for each, how far it runs on
  // either side and which other crossings it passes (their indices).
  function followLines(ink, levels, found, lineWidth) {
    var cell = 16, columns = Math.ceil(ink.width / cell) + 1, rows = Math.ceil(ink.height / cell) + 1, grid = [];
    found.forEach(function (c, i) {
      var k = Math.floor((c.y - ink.y0) / cell) * columns + Math.floor((c.x - ink.x0) / cell);
      (grid[k] = grid[k] || []).push(i);
    });
    // the crossings within 3 pixels of p, each once per line (stamp)
    var stamp = new Int32Array(found.length).fill(-1), line = 0;
    var metNear = function (p, self, met) {
      var gx = Math.floor(p.x / cell), gy = Math.floor(p.y / cell);
      for (var b = Math.max(0, gy - 1); b <= Math.min(rows - 1, gy + 1); b++) {
        for (var a = Math.max(0, gx - 1); a <= Math.min(columns - 1, gx + 1); a++) {
          var here = grid[b * columns + a];
          if (!here) continue;
          for (var n = 0; n < here.length; n++) {
            var i = here[n], c = found[i];
            if (i === self || stamp[i] === line) continue;
            var dx = c.x - ink.x0 - p.x, dy = c.y - ink.y0 - p.y;
            if (dx * dx + dy * dy <= 9) { stamp[i] = line; met.push(i); }
          }
        }
      }
    };
    found.forEach(function (c, i) {
      c.lines = c.lines.map(function (course) {
        var reach = [], met = [], both = [];
        line++;
        [1, -1].forEach(function (sense) {
          var points = follow(ink, levels, c.x - ink.x0, c.y - ink.y0, sense * course.dx, sense * course.dy, lineWidth);
          var last = points.length ? points[points.length - 1] : { x: c.x - ink.x0, y: c.y - ink.y0 };
          reach.push(Math.hypot(last.x - c.x + ink.x0, last.y - c.y + ink.y0));
          points.forEach(function (p) { metNear(p, i, met); });
          both.push(points);
        });
        // the centres passed, from the far end behind to the far end ahead, in picture coordinates
        var path = new Float32Array(2 * (both[0].length + both[1].length)), n = 0;
        for (var k = both[1].length - 1; k >= 0; k--) { path[n++] = both[1][k].x + ink.x0; path[n++] = both[1][k].y + ink.y0; }
        both[0].forEach(function (p) { path[n++] = p.x + ink.x0; path[n++] = p.y + ink.y0; });
        return { dx: course.dx, dy: course.dy, reach: reach, meets: met, path: path };
      });
    });
  }

  // Shorter than this, a line is a letter's stroke or a mark, not one that
  // runs on across the sheet.
  var SHORTEST_LINE = 60;

  // The crossings of two lines that run on in the patch, both of them at
  // least SHORTEST_LINE pixels: [{x, y, lines: [{dx, dy, reach: [ahead,
  // behind], meets: [indices into the result], path: the centres followed,
  // x and y in turn}, {...}]}] in picture
  // coordinates, to a fraction of a pixel. A letter or a short hatching
  // stroke on a line is no crossing here; which of the rest are the
  // graticule's is for readGraticule to tell from the lines' families.
  function findCrossings(ink, levels) {
    var found = localCrossings(ink, levels), width = usualWidth(ink, levels);
    followLines(ink, levels, found, width);
    var index = new Map(), long = [];
    found.forEach(function (c, k) {
      if (!c.lines.every(function (line) { return line.reach[0] + line.reach[1] >= SHORTEST_LINE; })) return;
      index.set(k, long.length);
      long.push(c);
    });
    var result = long.map(function (c) {
      return { x: c.x, y: c.y, lines: c.lines.map(function (line) {
        return { dx: line.dx, dy: line.dy, reach: line.reach, path: line.path,
                 meets: line.meets.filter(function (k) { return index.has(k); }).map(function (k) { return index.get(k); }) };
      }) };
    });
    return result.concat(edgeCrossings(ink, levels, result));
  }

  // Where a followed line runs into the picture's first or last row or
  // column and that row or column is itself a dark line (glattzug v puts two
  // parallels there, h two meridians): a crossing with only the arms inside
  // the picture, placed where the line's last 30 pixels, carried on, meet
  // the edge. Its edge line passes the others on the same dark stretch of
  // the edge; its inner line passes the crossings the followed one passes.
  function edgeCrossings(ink, levels, found) {
    var edges = [], w = ink.width, h = ink.height;
    var edgeOf = function (x, y, dx, dy) {
      if (Math.abs(dy) > 0.7 && y <= 2) return { across: 'y', at: 0 };
      if (Math.abs(dy) > 0.7 && y >= h - 3) return { across: 'y', at: h - 1 };
      if (Math.abs(dx) > 0.7 && x <= 2) return { across: 'x', at: 0 };
      if (Math.abs(dx) > 0.7 && x >= w - 3) return { across: 'x', at: w - 1 };
      return null;
    };
    var darkOnEdge = function (edge, t) {
      return edge.across === 'y' ? darkAt(ink, Math.round(t), edge.at) >= levels.cut : darkAt(ink, edge.at, Math.round(t)) >= levels.cut;
    };
    found.forEach(function (c, k) {
      c.lines.forEach(function (line) {
        var path = line.path, n = path.length / 2;
        [[0, 1], [n - 1, -1]].forEach(function (end) {
          if (n < 8) return;
          var points = [];
          for (var m = 0; m < Math.min(15, n); m++) {
            var q = end[0] + end[1] * m;
            points.push({ x: path[2 * q] - ink.x0, y: path[2 * q + 1] - ink.y0 });
          }
          var course = fitLine(points), last = points[0];
          var edge = edgeOf(last.x, last.y, course.dx, course.dy);
          if (!edge) return;
          // the course carried on to the edge
          var along = edge.across === 'y' ? course.dy : course.dx, from = edge.across === 'y' ? course.y : course.x;
          var s = (edge.at - from) / along, x = course.x + s * course.dx, y = course.y + s * course.dy;
          var t = edge.across === 'y' ? x : y, size = edge.across === 'y' ? w : h, dark = 0;
          if (t < 0 || t > size - 1) return;
          for (var d = -12; d <= 12; d++) if (darkOnEdge(edge, t + d)) dark++;
          if (dark < 20) return;
          var same = edges.find(function (e) { return e.edge.across === edge.across && e.edge.at === edge.at && Math.abs(e.t - t) <= 4; });
          if (same) { if (same.inner.meets.indexOf(k) < 0) same.inner.meets.push(k); return; }
          var inwards = (edge.at === 0 ? 1 : -1) * (along > 0 ? 1 : -1);
          edges.push({ edge: edge, t: t, x: x + ink.x0, y: y + ink.y0,
                       inner: { dx: inwards * course.dx, dy: inwards * course.dy, reach: [0, line.reach[0] + line.reach[1]],
                                meets: [k].concat(line.meets), path: path } });
        });
      });
    });
    // the dark stretch of the edge about each, and which others lie on it
    return edges.map(function (e, i) {
      var size = e.edge.across === 'y' ? w : h, from = Math.round(e.t), to = Math.round(e.t), gap = 0, t;
      for (t = from, gap = 0; t > 0 && gap <= LONGEST_GAP; t--) { gap = darkOnEdge(e.edge, t - 1) ? 0 : gap + 1; if (!gap) from = t - 1; }
      for (t = to, gap = 0; t < size - 1 && gap <= LONGEST_GAP; t++) { gap = darkOnEdge(e.edge, t + 1) ? 0 : gap + 1; if (!gap) to = t + 1; }
      var path = [];
      for (t = from; t <= to; t += STRIDE) path.push(e.edge.across === 'y' ? t + ink.x0 : e.edge.at + ink.x0, e.edge.across === 'y' ? e.edge.at + ink.y0 : t + ink.y0);
      var meets = [];
      edges.forEach(function (f, j) {
        if (j !== i && f.edge.across === e.edge.across && f.edge.at === e.edge.at && f.t >= from && f.t <= to) meets.push(found.length + j);
      });
      var edgeLine = { dx: e.edge.across === 'y' ? 1 : 0, dy: e.edge.across === 'y' ? 0 : 1, reach: [e.t - from, to - e.t], meets: meets, path: new Float32Array(path) };
      return { x: e.x, y: e.y, edge: true, lines: [e.inner, edgeLine] };
    });
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
    localCrossings(ink, levels).forEach(function (c) {
      var d = (c.x - x) * (c.x - x) + (c.y - y) * (c.y - y);
      if (d <= bestDistance) { best = { x: c.x, y: c.y }; bestDistance = d; }
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
    if (points.length < 2) return null;
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

  // The largest step that every difference of the typed coordinates is a
  // whole multiple of, for longitude and latitude; null where the points do
  // not tell (all on one meridian or parallel, or off every step).
  function stepsOfPoints(typed) {
    var of = function (key) {
      var differences = typed.map(function (t) { return t[key] - typed[0][key]; }).filter(function (d) { return Math.abs(d) > 1e-9; });
      if (!differences.length) return null;
      for (var s = STEPS.length - 1; s >= 0; s--) {
        if (differences.every(function (d) { return Math.abs(d / STEPS[s] - Math.round(d / STEPS[s])) < 1e-6; })) return STEPS[s];
      }
      return null;
    };
    var steps = { longitude: of('longitude'), latitude: of('latitude') };
    return steps.longitude && steps.latitude ? steps : null;
  }

  // Which of a crossing's two lines runs along the map's north (a meridian)
  // and which along its east (a parallel), as the typed points' map sees
  // them: {meridian, parallel} line indices, or null for a crossing whose
  // lines are of neither family (a road across a meridian at an angle).
  var FAMILY_ANGLE = 20 * Math.PI / 180;
  function familiesOf(c, east, north) {
    var off = function (line, to) {
      var l = Math.hypot(to.x, to.y);
      return Math.acos(Math.min(1, Math.abs(line.dx * to.x + line.dy * to.y) / l));
    };
    for (var m = 0; m < 2; m++) {
      if (off(c.lines[m], north) <= FAMILY_ANGLE && off(c.lines[1 - m], east) <= FAMILY_ANGLE) return { meridian: m, parallel: 1 - m };
    }
    return null;
  }

  // The graticule's steps from the spacing of its lines: along each
  // parallel, the longitude from one crossing of the two families to the
  // next one on it; along each meridian the latitude; each spacing votes for
  // the step it is close to, and the step with most votes wins. null where
  // fewer than three spacings say anything.
  function stepsOfLines(crossings, families, degreesOf) {
    var count = function (family, key) {
      var votes = {};
      crossings.forEach(function (c, i) {
        if (!families[i]) return;
        var ahead = Infinity, behind = Infinity;
        c.lines[families[i][family]].meets.forEach(function (k) {
          if (!families[k] || Math.hypot(crossings[k].x - c.x, crossings[k].y - c.y) < 8) return;
          var d = degreesOf(crossings[k].x - c.x, crossings[k].y - c.y)[key];
          if (d > 0) ahead = Math.min(ahead, d); else behind = Math.min(behind, -d);
        });
        [ahead, behind].forEach(function (d) {
          if (!isFinite(d)) return;
          var s = nearestStep(d);
          if (Math.abs(Math.log(d / s)) < 0.15) votes[s] = (votes[s] || 0) + 1;
        });
      });
      var best = null;
      Object.keys(votes).forEach(function (s) { if (votes[s] >= 3 && (best === null || votes[s] > votes[best])) best = s; });
      return best === null ? null : Number(best);
    };
    var steps = { longitude: count('parallel', 'longitude'), latitude: count('meridian', 'latitude') };
    return steps.longitude && steps.latitude ? steps : null;
  }

  // Whether the steps a are whole multiples of the steps b.
  function multiplesOf(a, b) {
    return ['longitude', 'latitude'].every(function (key) {
      var q = a[key] / b[key];
      return q > 0.999 && Math.abs(q - Math.round(q)) < 1e-6;
    });
  }

  // typed: [{x, y, longitude, latitude}] (numbers, at least two, the first at
  // a crossing); crossings: as findCrossings gives them; step: the steps in
  // degrees the user confirmed, {longitude, latitude}, or nothing.
  // Returns {ok: false, message} or {ok: true, step, fromPoints, fromLines,
  // question, proposals: [{x, y, longitude, latitude}]}. Without `step`, the
  // steps are those of the lines' spacing if the typed points lie on that
  // grid; where the lines say nothing or the points do not fit, `question`
  // asks the user to check the steps and nothing is proposed.
  // A crossing is proposed where the graticule of those steps, carried on
  // from the typed points one node at a time, has a crossing whose two lines
  // are a meridian and a parallel (by direction), each of which runs on to
  // another node taken along the same meridian or parallel: a road or a
  // contour crossing a meridian near a node is not linked along the
  // parallel, and a node with no crossing there is not taken at all.
  // Where nothing is carried on and a typed point lies on no crossing of a
  // meridian and a parallel, {ok: false, message} says which points.
  function readGraticule(typed, crossings, step) {
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
    var degreesOf = function (dx, dy) { return { longitude: (dx * nx.y - dy * nx.x) / det, latitude: (ex.x * dy - ex.y * dx) / det }; };
    var families = crossings.map(function (c) { return c.lines ? familiesOf(c, ex, nx) : null; });
    var fromPoints = stepsOfPoints(typed), fromLines = stepsOfLines(crossings, families, degreesOf);
    var result = { ok: true, step: null, fromPoints: fromPoints, fromLines: fromLines, question: null, proposals: [] };
    if (step) result.step = { longitude: step.longitude, latitude: step.latitude };
    else if (!fromLines) {
      if (!fromPoints) return { ok: false, message: 'keine Linien gefunden' };
      result.step = fromPoints;
      result.question = 'Der Abstand der Gradnetz-Linien war im Bild nicht zu messen: bitte die Schritte in Länge und Breite prüfen und bestätigen.';
    } else if (fromPoints && !multiplesOf(fromPoints, fromLines)) {
      result.step = fromLines;
      result.question = 'Die Linien im Bild liegen alle ' + AngleText.stepText(fromLines.longitude) + ' Länge und ' + AngleText.stepText(fromLines.latitude) +
        ' Breite, die Passpunkte aber nicht auf diesem Netz: bitte die Schritte und die Koordinaten der Passpunkte prüfen.';
    } else result.step = fromLines;
    if (result.question) return result;
    // the grid carried on from the first point alone must meet the others
    // where they were set, with the coordinates typed: a step or a typed
    // coordinate read wrong (three points close together say little of the
    // map's scale) would give every proposal a wrong coordinate
    var same = function (a, b) { return Math.abs(a.longitude - b.longitude) < 1e-9 && Math.abs(a.latitude - b.latitude) < 1e-9; };
    var alone = grown(typed.slice(0, 1), crossings, families, result.step, map, ex, nx);
    var agrees = typed.slice(1).every(function (t) {
      return alone.every(function (p) {
        var close = Math.hypot(p.x - t.x, p.y - t.y) <= 3;
        return same(p, t) ? close : !close;
      });
    });
    if (!agrees) {
      result.question = 'Die Passpunkte passen nicht zum Gradnetz im Bild (alle ' + AngleText.stepText(result.step.longitude) + ' Länge, ' +
        AngleText.stepText(result.step.latitude) + ' Breite): bitte die Schritte und die Koordinaten der Passpunkte prüfen.';
      return result;
    }
    var taken = grown(typed, crossings, families, result.step, map, ex, nx);
    result.proposals = taken.filter(function (p) { return !p.typed; }).map(function (p) {
      return { x: p.x, y: p.y, longitude: p.longitude, latitude: p.latitude };
    });
    // nothing carried on from points set beside the nodes (on a road's or a
    // river's crossing with a meridian, or on a grid the picture does not
    // have): say where, rather than propose nothing without a word
    var beside = result.proposals.length ? [] : typed.filter(function (t) {
      return !crossings.some(function (c, k) { return families[k] && Math.abs(c.x - t.x) <= 3 && Math.abs(c.y - t.y) <= 3; });
    });
    if (beside.length) {
      return { ok: false, message: 'An ' + (beside.length > 1 ? 'den Passpunkten' : 'dem Passpunkt') + ' bei ' +
        beside.map(function (t) { return '(' + Math.round(t.x) + ', ' + Math.round(t.y) + ')'; }).join(', ') +
        ' kreuzt im Bild kein Meridian einen Breitenkreis: bitte die Passpunkte auf Gradnetz-Kreuzungen setzen.' };
    }
    return result;
  }

  // The graticule carried on from the typed points, node by node along its
  // meridians and parallels (see readGraticule): the proposals.
  function grown(typed, crossings, families, step, map, ex, nx) {
    var origin = typed[0], key = function (i, j) { return i + ',' + j; };
    var meets = crossings.map(function () { return [null, null]; });
    var linked = function (a, b, family) {
      if (a < 0 || b < 0 || !families[a] || !families[b]) return false;
      var of = function (p, q) {
        var line = families[p][family];
        if (!meets[p][line]) meets[p][line] = new Set(crossings[p].lines[line].meets);
        return meets[p][line].has(q);
      };
      return (of(a, b) || of(b, a)) && (hugs(a, b, family) || hugs(b, a, family));
    };
    // the line followed from crossing a runs along the chord to crossing b over
    // half its length at least: a road or a contour that meets two nodes wanders off between them
    var hugs = function (a, b, family) {
      var path = crossings[a].lines[families[a][family]].path, c = crossings[a], d = crossings[b];
      var length = Math.hypot(d.x - c.x, d.y - c.y), ux = (d.x - c.x) / length, uy = (d.y - c.y) / length, close = 0;
      for (var k = 0; k < path.length; k += 2) {
        var along = (path[k] - c.x) * ux + (path[k + 1] - c.y) * uy;
        if (along > 0 && along < length && Math.abs((path[k + 1] - c.y) * ux - (path[k] - c.x) * uy) <= 3) close++;
      }
      return close * STRIDE >= 0.5 * length;
    };
    var nodeOf = function (p) {
      return { i: Math.round((p.longitude - origin.longitude) / step.longitude), j: Math.round((p.latitude - origin.latitude) / step.latitude) };
    };
    var assigned = {}, used = new Uint8Array(crossings.length), list = [], tried = {};
    typed.forEach(function (t) {
      var n = nodeOf(t);
      if (Math.abs(n.i * step.longitude + origin.longitude - t.longitude) > 1e-6 ||
          Math.abs(n.j * step.latitude + origin.latitude - t.latitude) > 1e-6) return; // not on the graticule
      var at = -1;
      crossings.forEach(function (c, k) {
        if (Math.abs(c.x - t.x) <= 3 && Math.abs(c.y - t.y) <= 3) { used[k] = 1; if (families[k]) at = k; }
      });
      var entry = { i: n.i, j: n.j, x: t.x, y: t.y, longitude: t.longitude, latitude: t.latitude, typed: true, at: at };
      assigned[key(n.i, n.j)] = entry;
      list.push(entry);
    });
    var row = {}, column = {}, taken = function (p) {
      if (p.at < 0) return;
      (column[p.i] = column[p.i] || []).push(p);
      (row[p.j] = row[p.j] || []).push(p);
    };
    list.forEach(taken);
    var gap = Math.min(Math.hypot(ex.x, ex.y) * step.longitude, Math.hypot(nx.x, nx.y) * step.latitude);
    var reach = Math.min(0.25 * gap, 10), moves = [[1, 0], [-1, 0], [0, 1], [0, -1], [2, 0], [-2, 0], [0, 2], [0, -2]], grownNow = true;
    while (grownNow) {
      grownNow = false;
      var fit = fitMap(list) || map;
      list.slice().forEach(function (a) {
        var from = fit(a.longitude, a.latitude);
        moves.forEach(function (m) {
          var i = a.i + m[0], j = a.j + m[1], k = key(i, j);
          if (assigned[k] || tried[k + '/' + a.i + ',' + a.j]) return;
          tried[k + '/' + a.i + ',' + a.j] = true;
          var lon = origin.longitude + i * step.longitude, lat = origin.latitude + j * step.latitude;
          var to = fit(lon, lat), px = a.x + to.x - from.x, py = a.y + to.y - from.y;
          var best = -1, bestDistance = reach * reach;
          // on the meridian or the parallel of one taken already (a break in one line is bridged by the other)
          var onLines = function (n) {
            return a.at < 0 || (column[i] || []).some(function (q) { return linked(q.at, n, 'meridian'); }) ||
                   (row[j] || []).some(function (q) { return linked(q.at, n, 'parallel'); });
          };
          crossings.forEach(function (c, n) {
            if (used[n] || !families[n]) return;
            var d = (c.x - px) * (c.x - px) + (c.y - py) * (c.y - py);
            if (d < bestDistance && onLines(n)) { best = n; bestDistance = d; }
          });
          if (best < 0) return;
          used[best] = 1;
          var entry = { i: i, j: j, x: crossings[best].x, y: crossings[best].y, longitude: lon, latitude: lat, typed: false, at: best };
          assigned[k] = entry;
          list.push(entry);
          taken(entry);
          grownNow = true;
        });
      });
    }
    // every one taken linked along its meridian and along its parallel to others taken
    for (var dropped = true; dropped;) {
      dropped = false;
      list = list.filter(function (p) {
        if (p.typed) return true;
        var keep = ['parallel', 'meridian'].every(function (family) {
          return list.some(function (q) {
            return q !== p && (family === 'parallel' ? q.j === p.j : q.i === p.i) && linked(p.at, q.at, family);
          });
        });
        if (!keep) { delete assigned[key(p.i, p.j)]; dropped = true; }
        return keep;
      });
    }
    list = list.concat(intersected(list, assigned, key, crossings, families, step));
    return withoutStrays(list, assigned, key);
  }

  // Each node where the meridian followed from the nodes taken on it and
  // the parallel followed from those on its row both pass, on either side,
  // placed where their centres' straight fits meet, over some 50 pixels
  // and not the few about the crossing, which a letter or a road there
  // pulls aside; and so also the nodes where no crossing was seen at all.
  // The centres are gathered about the node's place in the fit through all
  // nodes: a candidate pulled 3 pixels aside would see its own lines at the
  // edge of the band and keep its wrong place. Only lines of the graticule
  // are used, so nothing is invented.
  function intersected(list, assigned, key, crossings, families, step) {
    var fit = fitMap(list), added = [], byI = {}, byJ = {};
    if (!fit) return added;
    list.forEach(function (p) {
      if (p.at < 0) return;
      (byI[p.i] = byI[p.i] || []).push(p);
      (byJ[p.j] = byJ[p.j] || []).push(p);
    });
    var origin = list[0], is = Object.keys(byI).map(Number), js = Object.keys(byJ).map(Number);
    // the centres of one family's lines through the nodes within 24 pixels of (x, y), on its course (dx, dy)
    var near = function (entries, family, x, y, dx, dy) {
      var points = [];
      entries.forEach(function (p) {
        var path = crossings[p.at].lines[families[p.at][family]].path;
        for (var k = 0; k < path.length; k += 2) {
          var along = (path[k] - x) * dx + (path[k + 1] - y) * dy, across = (path[k + 1] - y) * dx - (path[k] - x) * dy;
          if (Math.abs(along) <= 24 && Math.abs(across) <= 3) points.push({ x: path[k], y: path[k + 1], along: along });
        }
      });
      for (var round = 0; round < 2 && points.length >= 6; round++) {
        var line = fitLine(points);
        points = points.filter(function (p) { return Math.abs((p.x - line.x) * line.dy - (p.y - line.y) * line.dx) <= 1; });
      }
      var before = points.filter(function (p) { return p.along < -4; }).length, after = points.filter(function (p) { return p.along > 4; }).length;
      return before >= 3 && after >= 3 ? fitLine(points) : null;
    };
    is.forEach(function (i) {
      js.forEach(function (j) {
        var taken = assigned[key(i, j)];
        if (taken && taken.typed) return;
        var lon = origin.longitude + i * step.longitude, lat = origin.latitude + j * step.latitude;
        var at = fit(lon, lat);
        var m = fit(lon, lat + step.latitude / 4), q = fit(lon + step.longitude / 4, lat);
        var ml = Math.hypot(m.x - at.x, m.y - at.y), ql = Math.hypot(q.x - at.x, q.y - at.y);
        var meridian = near(byI[i], 'meridian', at.x, at.y, (m.x - at.x) / ml, (m.y - at.y) / ml);
        var parallel = meridian && near(byJ[j], 'parallel', at.x, at.y, (q.x - at.x) / ql, (q.y - at.y) / ql);
        var point = parallel && intersect(meridian, parallel);
        if (!point || Math.hypot(point.x - at.x, point.y - at.y) > 3) return;
        if (taken) { taken.x = point.x; taken.y = point.y; return; }
        var entry = { i: i, j: j, x: point.x, y: point.y, longitude: lon, latitude: lat, typed: false, at: -1 };
        assigned[key(i, j)] = entry;
        added.push(entry);
      });
    });
    return added;
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
    var bar = Math.max(1.5, 4 * (offs.length ? offs[offs.length >> 1] : 0));
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
