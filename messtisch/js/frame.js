// The sheet's frame in the picture's pixels: its long straight lines, whose
// slant is the tilt to take out with kippdreh, and one frame line traced from
// a click across the picture, straight or curved, as a polyline for the bars.
// Plain functions over Lines' darkness patches; nothing here touches the page.
define('Frame', ['Lines'], function (Lines) {
  'use strict';

  var MOST = 15 * Math.PI / 180; // steepest slant looked for, either way

  // The longest straight dark line within 15 degrees of across (horizontal
  // true) or of down. Returns {from, to, length, slope} or null; slope is
  // the change across per pixel along, from, to the ends in picture coordinates.
  function longestLine(ink, levels, horizontal) {
    var w = ink.width, h = ink.height, xs = [], ys = [], want = horizontal ? 1 : 2;
    var step = Math.max(1, Math.floor(Math.sqrt(w * h / 2e6)));
    for (var y = 0; y < h; y += step) {
      for (var x = 0; x < w; x += step) {
        if (Lines.lineKind(ink, levels, x, y) & want) { xs.push(horizontal ? x : y); ys.push(horizontal ? y : x); }
      }
    }
    if (xs.length < 50) return null;
    var along = horizontal ? w : h, across = horizontal ? h : w;
    // slants of 0.1 degrees; offsets across in whole pixels
    var best = { votes: 0 }, span = Math.ceil(along * Math.tan(MOST)) + 2, bins = new Int32Array(across + 2 * span + 2);
    for (var a = -MOST; a <= MOST + 1e-9; a += 0.1 * Math.PI / 180) {
      var t = Math.tan(a);
      bins.fill(0);
      for (var i = 0; i < xs.length; i++) bins[Math.round(ys[i] - t * xs[i]) + span]++;
      for (var b = 1; b < bins.length - 1; b++) {
        var votes = bins[b - 1] + bins[b] + bins[b + 1];
        if (votes > best.votes) best = { votes: votes, slope: t, offset: b - span };
      }
    }
    if (best.votes < 50 * 2 / step) return null;
    return refine(ink, levels, horizontal, best.slope, best.offset);
  }

  // The line's centre column by column (or row by row), fitted by least
  // squares over its longest stretch without long gaps.
  function refine(ink, levels, horizontal, slope, offset) {
    var along = horizontal ? ink.width : ink.height, found = [], i;
    for (var t = 0; t < along; t++) {
      var guess = offset + slope * t, profile = [], base = Math.round(guess) - 4;
      for (i = 0; i < 9; i++) profile.push(horizontal ? Lines.darkAt(ink, t, base + i) : Lines.darkAt(ink, base + i, t));
      var nearest = null;
      for (i = 0; i < 9; i++) {
        var run = Lines.runCentre(profile, i, levels.cut, levels.paper);
        if (run && run.length <= 6 && (!nearest || Math.abs(base + run.centre - guess) < Math.abs(base + nearest.centre - guess))) nearest = run;
      }
      if (nearest && Math.abs(base + nearest.centre - guess) <= 2) found.push({ t: t, c: base + nearest.centre });
    }
    var stretch = longestStretch(found, 30);
    if (stretch.length < 100) return null;
    var fit = null;
    for (var round = 0; round < 3; round++) {
      fit = straightFit(stretch);
      stretch = stretch.filter(function (p) { return Math.abs(p.c - fit.at(p.t)) <= 1.2; });
      if (stretch.length < 100) return null;
    }
    fit = straightFit(stretch);
    var first = stretch[0].t, last = stretch[stretch.length - 1].t;
    var point = function (t) {
      return horizontal ? { x: ink.x0 + t, y: ink.y0 + fit.at(t) } : { x: ink.x0 + fit.at(t), y: ink.y0 + t };
    };
    return { from: point(first), to: point(last), length: last - first, slope: fit.slope, horizontal: horizontal };
  }

  function straightFit(points) {
    var n = points.length, st = 0, sc = 0, stt = 0, stc = 0;
    points.forEach(function (p) { st += p.t; sc += p.c; stt += p.t * p.t; stc += p.t * p.c; });
    var slope = (n * stc - st * sc) / (n * stt - st * st), intercept = (sc - slope * st) / n;
    return { slope: slope, at: function (t) { return intercept + slope * t; } };
  }

  // The longest run of points whose steps along leave no gap over `gap`.
  function longestStretch(points, gap) {
    var best = [], current = [];
    points.forEach(function (p) {
      if (current.length && p.t - current[current.length - 1].t > gap) current = [];
      current.push(p);
      if (current.length > best.length) best = current;
    });
    return best;
  }

  // The tilt of the sheet: the longest straight line across or down.
  // Returns {ok: false, message} or {ok, line: {from, to, horizontal}, degrees}:
  // degrees is the clockwise turn that sets the line straight (kippdreh's g).
  function findTilt(ink, levels) {
    if (!levels.contrast) return { ok: false, message: 'keine Linien gefunden' };
    var across = longestLine(ink, levels, true), down = longestLine(ink, levels, false);
    var line = across && (!down || across.length >= down.length) ? across : down;
    if (!line) return { ok: false, message: 'keine Linien gefunden' };
    // a line across that falls to the right is turned back anticlockwise,
    // a line down that leans right at the bottom clockwise
    var degrees = (line.horizontal ? -1 : 1) * Math.atan(line.slope) * 180 / Math.PI;
    return { ok: true, line: line, degrees: degrees };
  }

  // ---- one frame line traced ---------------------------------------------------

  // From a click near a dark line, follow it both ways along `along` ('x': the
  // line runs across the picture, 'y': down it). Returns the centre at every
  // step reached, [{t, c}] with t along and c across, or null when no line
  // is under the click.
  function traceLine(ink, levels, start, along) {
    if (!levels.contrast) return null;
    var horizontal = along === 'x';
    var at = function (t, c) { return horizontal ? Lines.darkAt(ink, t, c) : Lines.darkAt(ink, c, t); };
    var t0 = (horizontal ? start.x : start.y) - (horizontal ? ink.x0 : ink.y0);
    var c0 = (horizontal ? start.y : start.x) - (horizontal ? ink.y0 : ink.x0);
    var length = horizontal ? ink.width : ink.height;
    // Until the line's own contrast is known the picture's levels cut it;
    // then the ground about each step does, with half the line's rise above
    // it: a thin pale line is then not lost between its specks, and a line
    // through a hatched wood or a tint not widened by the dark ground into
    // what looks like another line joining.
    var rise = 0;
    var centreNear = function (t, guess, reach) {
      var base = Math.round(guess) - reach - 3, profile = [], nearest = null, i, cut = levels.cut, paper = levels.paper;
      for (i = 0; i < 2 * reach + 7; i++) profile.push(at(t, base + i));
      if (rise) { paper = groundOf(profile); cut = paper + rise / 2; }
      for (i = 3; i < 2 * reach + 4; i++) {
        var run = Lines.runCentre(profile, i, cut, paper);
        if (!run) continue;
        if (!nearest || Math.abs(base + run.centre - guess) < Math.abs(base + nearest.centre - guess)) nearest = run;
      }
      if (!nearest || nearest.length > 6) return null; // paper, or another line crossing here
      return { c: base + nearest.centre, length: nearest.length };
    };
    // the click may be where another line crosses: the line is looked for a little aside
    var first = null;
    for (var k = 0; k <= 24 && first === null; k++) {
      var side = k % 2 ? (k + 1) / 2 : -k / 2;
      first = centreNear(t0 + side, c0, 6);
      if (first !== null) t0 += side;
    }
    if (first === null) return null;
    // the line's own direction first: from the click alone the course would
    // take a slanted line for one along, and lose it within a few steps
    var slope = slopeOf(at, t0, first);
    rise = riseOf(at, t0, first.c, slope, levels);
    var seed = seedOf(centreNear, t0, first, slope, length);
    var found = seed.slice();
    [1, -1].forEach(function (direction) {
      var recent = direction > 0 ? seed.slice() : seed.slice().reverse(), course = recent.slice(), widths = [seed.width];
      var missed = 0, covered = 0, side = [], aside = [];
      for (var t = recent[recent.length - 1].t + direction; t >= 0 && t < length; t += direction) {
        var guess = predict(recent, course, t), hit = centreNear(t, guess, 2);
        // a wider run is the line with another one joining it: its centre is off
        var usual = widths.slice().sort(function (a, b) { return a - b; })[widths.length >> 1];
        if (hit === null || Math.abs(hit.c - guess) > 1.5) {
          if (++missed > 25) break;
          continue;
        }
        missed = 0;
        // a run wider by one is the line's edge falling on a pixel; wider
        // still, or off the course, it is another line joining
        var off = Math.abs(hit.c - guess) > (hit.length > usual ? 0.5 : 0.7);
        if (hit.length > usual + 1 || off) {
          // a turned picture's lines go in steps of a whole pixel: a line of
          // its usual width that stays a step aside for a while is the line
          if (hit.length <= usual + 1 && Math.abs(hit.c - guess) <= 1.3) aside.push({ t: t, c: hit.c }); else aside = [];
          if (aside.length >= 15 && spread(aside) <= 0.4) {
            side = side.concat(aside);
            recent = aside;
            course = course.concat(aside);
            aside = [];
            covered = 0;
            continue;
          }
          if (++covered > 60) break;
          continue;
        }
        covered = 0;
        aside = [];
        side.push({ t: t, c: hit.c });
        recent.push({ t: t, c: hit.c });
        widths.push(hit.length);
        course.push({ t: t, c: hit.c });
        if (recent.length > 100) recent.shift();
        if (course.length > 400) course.shift();
        if (widths.length > 40) widths.shift();
      }
      if (aside.length >= 5 && spread(aside) <= 0.4) side = side.concat(aside); // a step just before the end
      found = found.concat(side);
    });
    found.sort(function (a, b) { return a.t - b.t; });
    // a few stray pixels after the line's end are not the line
    var kept = trimEnds(found);
    return kept.map(function (p) { return { t: p.t + (horizontal ? ink.x0 : ink.y0), c: p.c + (horizontal ? ink.y0 : ink.x0) }; });
  }

  // The slant (up to some 30 degrees off `along`) on which the darkness
  // through the clicked centre is greatest over SEED pixels either way: a
  // long line wins over the letters and the lines across that meet it there.
  var SEED = 60;
  function slopeOf(at, t0, first) {
    var best = 0, slope = 0;
    for (var s = -0.6; s <= 0.6 + 1e-9; s += 0.005) {
      var sum = 0;
      for (var d = -SEED; d <= SEED; d++) {
        var c = first.c + s * d, low = Math.floor(c), part = c - low;
        sum += (1 - part) * at(t0 + d, low) + part * at(t0 + d, low + 1);
      }
      if (sum > best + 1e-6) { best = sum; slope = s; }
    }
    return slope;
  }

  // The line's rise above the ground beside it over the seed's stretch: the
  // median of the darkest pixel at the line less the ground of 17 pixels
  // across, so that labels and lines across it do not count. 0 (the
  // picture's levels) where it is not clearly above the paper's grain.
  function riseOf(at, t0, c0, slope, levels) {
    var rises = [];
    for (var d = -SEED; d <= SEED; d++) {
      var c = Math.round(c0 + slope * d), profile = [];
      for (var k = -8; k <= 8; k++) profile.push(at(t0 + d, c + k));
      rises.push(Math.max(profile[7], profile[8], profile[9]) - groundOf(profile));
    }
    rises.sort(function (a, b) { return a - b; });
    var rise = rises[rises.length >> 1];
    return rise >= 0.3 * (levels.ink - levels.paper) ? rise : 0;
  }

  // The ground under a profile across a line: its darkness a third of the way up.
  function groundOf(profile) {
    return profile.slice().sort(function (a, b) { return a - b; })[Math.floor(profile.length / 3)];
  }

  // The centres about the click on that slant, sorted along, with the line's
  // usual width (`width`); the clicked centre alone where too few lie on one
  // straight line.
  function seedOf(centreNear, t0, first, slope, length) {
    var hits = [];
    for (var t = Math.max(0, t0 - SEED); t <= Math.min(length - 1, t0 + SEED); t++) {
      var guess = first.c + slope * (t - t0), hit = centreNear(t, guess, 2);
      if (hit && Math.abs(hit.c - guess) <= 1.5) hits.push({ t: t, c: hit.c, length: hit.length });
    }
    // the line's width is the usual one along it, as its own contrast cuts
    // it, not the clicked one, which the picture's cut measured
    var width = hits.length ? hits.map(function (p) { return p.length; }).sort(function (a, b) { return a - b; })[hits.length >> 1] : first.length;
    var points = hits.filter(function (p) { return p.length <= width + 1; });
    for (var round = 0; round < 2 && points.length >= SEED; round++) {
      var fit = straightFit(points);
      points = points.filter(function (p) { return Math.abs(p.c - fit.at(p.t)) <= 0.8; });
    }
    points = points.length >= SEED ? points.map(function (p) { return { t: p.t, c: p.c }; }) : [{ t: t0, c: first.c }];
    points.width = points.length > 1 ? width : first.length;
    return points;
  }

  // How far points stray from the straight line through them, at most.
  function spread(points) {
    var fit = straightFit(points), most = 0;
    points.forEach(function (p) { most = Math.max(most, Math.abs(p.c - fit.at(p.t))); });
    return most;
  }

  // Where the line will be at t. The course (the last 400 centres taken, kept
  // across steps) gives the direction: a parabola once it spans 100 pixels,
  // so that a curved parallel is followed by its bend and not by its chord
  // (the chord through the last 100 centres points a pixel off the arc of a
  // small-scale sheet's parallel 25 pixels on, across a label's gap; over
  // fewer the bend is noise), before that the straight line through them.
  // Centres pulled aside by a line joining at a shallow angle do not steer
  // it: the fit is made again without those far off. The centres since the
  // last step (`recent`) say where the line is now.
  function predict(recent, course, t) {
    if (recent.length < 8) return recent[recent.length - 1].c;
    var curved = course.length >= 100 && Math.abs(course[course.length - 1].t - course[0].t) >= 100;
    var points = curved ? course : course.slice(-100), fitOf = curved ? bentFit : straightFit, fit = fitOf(points);
    var kept = points.filter(function (p) { return Math.abs(p.c - fit.at(p.t)) <= 0.35; });
    if (kept.length >= (curved ? 50 : 8)) fit = fitOf(kept);
    // where the line is now: the course moved to its last few centres, so
    // that a step of a whole pixel is followed at once
    var off = recent.slice(-15).map(function (p) { return p.c - fit.at(p.t); }).sort(function (a, b) { return a - b; });
    return fit.at(t) + off[off.length >> 1];
  }

  // Least squares parabola c = a + b s + q s^2, s measured from the points' middle.
  function bentFit(points) {
    var n = points.length, mid = (points[0].t + points[n - 1].t) / 2, m = [0, 0, 0, 0, 0], r = [0, 0, 0];
    points.forEach(function (p) {
      var s = p.t - mid, power = 1;
      for (var k = 0; k < 5; k++) { m[k] += power; if (k < 3) r[k] += power * p.c; power *= s; }
    });
    var a = [[m[0], m[1], m[2], r[0]], [m[1], m[2], m[3], r[1]], [m[2], m[3], m[4], r[2]]];
    for (var i = 0; i < 3; i++) {
      for (var j = i + 1; j < 3; j++) {
        var f = a[j][i] / a[i][i];
        for (var k = i; k < 4; k++) a[j][k] -= f * a[i][k];
      }
    }
    var x = [0, 0, 0];
    for (i = 2; i >= 0; i--) {
      var sum = a[i][3];
      for (j = i + 1; j < 3; j++) sum -= a[i][j] * x[j];
      x[i] = sum / a[i][i];
    }
    return { at: function (t) { var s = t - mid; return x[0] + x[1] * s + x[2] * s * s; } };
  }

  function trimEnds(points) {
    var pieces = [], current = [];
    points.forEach(function (p) {
      if (current.length && p.t - current[current.length - 1].t > 5) { pieces.push(current); current = []; }
      current.push(p);
    });
    if (current.length) pieces.push(current);
    while (pieces.length > 1 && pieces[0].length < 10) pieces.shift();
    while (pieces.length > 1 && pieces[pieces.length - 1].length < 10) pieces.pop();
    return [].concat.apply([], pieces);
  }

  // The traced centres as the bars' polyline: whole pixels, a point at least
  // every 200 pixels and where the line bends, none closer than 50 but the ends.
  function polylineOf(traced, along) {
    if (!traced || traced.length < 2) return [];
    // the drawn line is smooth, its noise and the letters touching it are not:
    // each centre from the straight line through its neighbours, stray ones left out
    var smooth = traced.map(function (p, i) {
      var near = traced.slice(Math.max(0, i - 12), i + 13).filter(function (q) { return Math.abs(q.t - p.t) <= 16; });
      var fit = straightFit(near);
      var kept = near.filter(function (q) { return Math.abs(q.c - fit.at(q.t)) <= 0.6; });
      if (kept.length >= 5) fit = straightFit(kept);
      return { t: p.t, c: fit.at(p.t) };
    });
    var keep = new Uint8Array(smooth.length);
    keep[0] = keep[smooth.length - 1] = 1;
    simplify(smooth, 0, smooth.length - 1, 0.3, keep);
    var chosen = [];
    smooth.forEach(function (p, i) { if (keep[i]) chosen.push(p); });
    // two points closer than 50: the one whose loss bends the line least goes (never an end)
    for (var i = 1; i < chosen.length && chosen.length > 2; i++) {
      if (chosen[i].t - chosen[i - 1].t >= 50) continue;
      var drop;
      if (i === chosen.length - 1) drop = i - 1;
      else if (i === 1) drop = 1;
      else drop = deviation(smooth, chosen[i - 2], chosen[i]) < deviation(smooth, chosen[i - 1], chosen[i + 1]) ? i - 1 : i;
      if (drop === 0) break;
      chosen.splice(drop, 1);
      i = Math.max(0, drop - 1);
    }
    var points = [];
    chosen.forEach(function (p, k) {
      if (k > 0) {
        var previous = chosen[k - 1], parts = Math.ceil((p.t - previous.t) / 185);
        for (var j = 1; j < parts; j++) {
          var t = Math.round(previous.t + (p.t - previous.t) * j / parts);
          points.push(pointAt(smooth, t));
        }
      }
      points.push(p);
    });
    // each point moved a few pixels along to where the line is nearest a whole pixel across
    return points.map(function (p, k) {
      var index = smooth.indexOf(p), best = p;
      if (k > 0 && k < points.length - 1) {
        for (var j = Math.max(0, index - 6); j <= Math.min(smooth.length - 1, index + 6); j++) {
          var q = smooth[j];
          if (Math.abs(q.t - p.t) <= 6 && Math.abs(q.c - Math.round(q.c)) < Math.abs(best.c - Math.round(best.c))) best = q;
        }
      }
      var c = Math.round(best.c);
      return along === 'x' ? { x: best.t, y: c } : { x: c, y: best.t };
    });
  }

  function pointAt(smooth, t) {
    for (var i = 0; i < smooth.length; i++) if (smooth[i].t >= t) return smooth[i];
    return smooth[smooth.length - 1];
  }

  // Largest distance across of the centres between a and b from their chord.
  function deviation(smooth, a, b) {
    var most = 0;
    smooth.forEach(function (p) {
      if (p.t <= a.t || p.t >= b.t) return;
      var chord = a.c + (b.c - a.c) * (p.t - a.t) / (b.t - a.t);
      most = Math.max(most, Math.abs(p.c - chord));
    });
    return most;
  }

  // Douglas and Peucker's simplification, measured across.
  function simplify(points, from, to, tolerance, keep) {
    var worst = -1, most = tolerance, a = points[from], b = points[to];
    for (var i = from + 1; i < to; i++) {
      var chord = a.c + (b.c - a.c) * (points[i].t - a.t) / (b.t - a.t), d = Math.abs(points[i].c - chord);
      if (d > most) { most = d; worst = i; }
    }
    if (worst < 0) return;
    keep[worst] = 1;
    simplify(points, from, worst, tolerance, keep);
    simplify(points, worst, to, tolerance, keep);
  }

  // ---- how much of the frame a trace covers -----------------------------------

  // How far along the frame the traced polyline reaches. The frame's extent
  // is where lines run along with it (its own side, the graticule's lines
  // beside it): the stretches of BLOCK pixels along in which a band GROUP
  // pixels wide holds a thin line pixel running that way at nearly every
  // step. Labels, the border's blocks, specks and hatching are too short for
  // that, kippdreh's black corners and the blue bars are no thin lines (but
  // for the last pixels before the picture's edge, which are left out).
  // Returns {share, from, to, stops}: the share of the extent the polyline
  // spans, the extent in picture coordinates (a block's worth inside the
  // frame's ends at most), and the polyline's ends that stop short of it.
  var BLOCK = 32, GROUP = 8;
  function coverage(ink, levels, polyline, along) {
    var horizontal = along === 'x', length = horizontal ? ink.width : ink.height, across = horizontal ? ink.height : ink.width;
    var kind = horizontal ? 1 : 2, groups = Math.ceil(across / GROUP), from = -1, to = -1;
    for (var block = 0; block * BLOCK < length; block++) {
      var steps = new Int32Array(groups), end = Math.min(length, (block + 1) * BLOCK);
      for (var t = block * BLOCK; t < end; t++) {
        var seen = -1;
        for (var c = GROUP; c < across - GROUP; c++) {
          var g = Math.floor(c / GROUP);
          if (g === seen) continue;
          if ((horizontal ? Lines.lineKind(ink, levels, t, c) : Lines.lineKind(ink, levels, c, t)) & kind) { steps[g]++; seen = g; }
        }
      }
      var lined = false;
      for (g = 0; g < groups; g++) if (steps[g] >= 0.8 * BLOCK) lined = true;
      if (lined) { if (from < 0) from = block * BLOCK; to = end - 1; }
    }
    var offset = horizontal ? ink.x0 : ink.y0;
    if (from < 0) return { share: 0, from: offset, to: offset + length - 1, stops: [] };
    from += offset; to += offset;
    if (!polyline || polyline.length < 2 || to <= from) return { share: 0, from: from, to: to, stops: [] };
    var first = polyline[0], last = polyline[polyline.length - 1], slack = Math.max(BLOCK + 8, 0.03 * (to - from)), stops = [];
    if (first[along] - from > slack) stops.push(first);
    if (to - last[along] > slack) stops.push(last);
    var share = Math.min(1, (Math.min(to, last[along]) - Math.max(from, first[along])) / (to - from));
    return { share: share, from: from, to: to, stops: stops };
  }

  return { findTilt: findTilt, traceLine: traceLine, polylineOf: polylineOf, coverage: coverage };
});
