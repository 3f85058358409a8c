// Busy map sheets made at test time, as a scanner gives them, with the truth
// known. A cylindrical sheet (x linear in the longitude, y linear in the
// hyperbolic sine of the latitude, as messkart fits them) framed by two
// meridians and two parallels of its graticule, or a conic one (meridians
// converging, so that the frame's slanted sides run some 6-7 degrees from
// the vertical, parallels as arcs, one of them a few pixels above the
// straight bottom edge at mid-sheet). On both: roads, a straight railway,
// rivers, a lake, hatched woods and contour rings crossing the graticule,
// names and labels lying on its lines, a double border with alternating
// 5-minute blocks outside the neatline, degree labels in the margin, paper
// grain, dust, and the blur of a scanner; the whole sheet turned by a known
// angle. Pixel (i, j) has its centre at (i, j): the truth is given in the
// desk's own pixel coordinates.
'use strict';
const { makeBmp } = require('./support');
const { random } = require('./synthmap');

const rad = Math.PI / 180;

// ---- drawing ---------------------------------------------------------------

// A layer of strokes as pixel coverage 0..1: `strokes` are polylines of
// {x, y}, drawn `width` pixels wide with round joins; butt: no caps (blocks).
function strokeCoverage(cover, width, height, strokes, lineWidth, butt) {
  const reach = lineWidth / 2 + 1;
  for (const line of strokes) {
    for (let i = 0; i + 1 < line.length; i++) {
      const a = line[i], b = line[i + 1], dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
      const x0 = Math.max(0, Math.floor(Math.min(a.x, b.x) - reach)), x1 = Math.min(width - 1, Math.ceil(Math.max(a.x, b.x) + reach));
      const y0 = Math.max(0, Math.floor(Math.min(a.y, b.y) - reach)), y1 = Math.min(height - 1, Math.ceil(Math.max(a.y, b.y) + reach));
      const length = Math.sqrt(length2);
      for (let y = y0; y <= y1; y++) {
        for (let x = x0; x <= x1; x++) {
          let t = length2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / length2 : 0, value;
          if (butt) {
            const across = length > 0 ? Math.abs((x - a.x) * dy - (y - a.y) * dx) / length : Infinity;
            value = Math.min(clamp01(lineWidth / 2 + 0.5 - across), clamp01(0.5 + Math.min(t, 1 - t) * length));
          } else {
            t = Math.max(0, Math.min(1, t));
            value = clamp01(lineWidth / 2 + 0.5 - Math.hypot(x - a.x - t * dx, y - a.y - t * dy));
          }
          const at = y * width + x;
          if (value > cover[at]) cover[at] = value;
        }
      }
    }
  }
  return cover;
}

function clamp01(v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

// A filled area as coverage: inside(x, y) over the box {x0, y0, x1, y1}.
function areaCoverage(cover, width, height, box, inside) {
  for (let y = Math.max(0, Math.floor(box.y0)); y <= Math.min(height - 1, Math.ceil(box.y1)); y++) {
    for (let x = Math.max(0, Math.floor(box.x0)); x <= Math.min(width - 1, Math.ceil(box.x1)); x++) {
      if (inside(x, y)) cover[y * width + x] = 1;
    }
  }
  return cover;
}

// A scanner's blur: the binomial kernel 1 2 1 across and down, `times` over.
function blurred(rgb, width, height, times) {
  let from = rgb;
  for (let k = 0; k < times; k++) {
    for (const [dx, dy] of [[1, 0], [0, 1]]) {
      const to = new Float32Array(from.length);
      for (let y = 0; y < height; y++) {
        const ya = Math.max(0, y - dy), yb = Math.min(height - 1, y + dy);
        for (let x = 0; x < width; x++) {
          const xa = Math.max(0, x - dx), xb = Math.min(width - 1, x + dx), o = 3 * (y * width + x);
          const oa = 3 * (ya * width + xa), ob = 3 * (yb * width + xb);
          for (let c = 0; c < 3; c++) to[o + c] = (from[oa + c] + 2 * from[o + c] + from[ob + c]) / 4;
        }
      }
      from = to;
    }
  }
  return from;
}

// ---- the sheet's geometry --------------------------------------------------

// The untilted sheet: projection (lon, lat) -> {u, v}, the neatline's
// corners (top left, top right, bottom right, bottom left), and the
// graticule's longitudes and latitudes in whole minutes.
function geometry(kind, width, height, stepLon, stepLat, options) {
  const margin = options.margin || Math.round(width / 20);
  const cx = width / 2, cy = height / 2, frameWidth = width - 2 * margin, frameHeight = height - 2 * margin - 50;
  if (kind === 'cylinder') {
    const lonSteps = options.lonSteps || 12, west = options.west === undefined ? 8 * 60 : options.west, south = options.south === undefined ? 48 * 60 : options.south;
    const lonSpan = lonSteps * stepLon / 60, latc0 = south / 60 + 1;
    const perLon = frameWidth / lonSpan, perLat = perLon / Math.cos(latc0 * rad);
    const latSteps = Math.max(2, Math.floor(frameHeight / (perLat * stepLat / 60)));
    const north = south + latSteps * stepLat, east = west + lonSteps * stepLon, lonc = (west + east) / 120;
    const k = perLat / (Math.cosh(latc0 * rad) * rad), S = (lat) => Math.sinh(lat * rad);
    const vMid = (S(south / 60) + S(north / 60)) / 2;
    const project = (lon, lat) => ({ u: cx + perLon * (lon - lonc), v: cy - k * (S(lat) - vMid) });
    const nw = project(west / 60, north / 60), se = project(east / 60, south / 60);
    return {
      project, corners: [{ u: nw.u, v: nw.v }, { u: se.u, v: nw.v }, { u: se.u, v: se.v }, { u: nw.u, v: se.v }],
      meridians: range(west, east, stepLon), parallels: range(south, north, stepLat),
      onFrame: { lon: [west, east], lat: [south, north] },
    };
  }
  // conic: equidistant along the meridians, the apex far above the sheet
  const latc = options.latc || 50, lonc = options.lonc || 12, n = Math.sin(latc * rad), side = options.sideAngle || 6.6;
  const half = Math.max(1, Math.round(side / n * 60 / stepLon)) * stepLon; // minutes from the middle meridian to a side
  const theta = n * half / 60 * rad, rho0 = frameWidth / 2 / Math.sin(theta), per = rho0 * Math.tan(latc * rad) * rad;
  const project = (lon, lat) => {
    const rho = rho0 + per * (latc - lat), t = n * (lon - lonc) * rad;
    return { u: cx + rho * Math.sin(t), v: cy - rho0 + rho * Math.cos(t) };
  };
  const span = frameHeight / per, bottomLat = Math.ceil((latc - span / 2) * 60 / stepLat) * stepLat;
  const topLat = bottomLat + Math.floor((span * 60 - 30) / stepLat) * stepLat;
  const west = lonc * 60 - half, east = lonc * 60 + half;
  // the bottom edge 6 pixels below the lowest parallel at mid-sheet, the top one clear of the highest at the corners
  const bottom = project(lonc, bottomLat / 60).v + (options.bottomGap || 6), top = project(west / 60, topLat / 60).v - 20;
  const atV = (lon, v) => { // where meridian lon reaches the height v
    const t = n * (lon - lonc) * rad, rho = (v - cy + rho0) / Math.cos(t);
    return { u: cx + rho * Math.sin(t), v };
  };
  const lonsOut = Math.ceil(half / stepLon) * stepLon;
  return {
    project, corners: [atV(west / 60, top), atV(east / 60, top), atV(east / 60, bottom), atV(west / 60, bottom)],
    meridians: range(lonc * 60 - lonsOut, lonc * 60 + lonsOut, stepLon),
    parallels: range(bottomLat - 3 * stepLat, topLat + 3 * stepLat, stepLat),
    onFrame: { lon: [west, east], lat: [] },
  };
}

function range(from, to, step) {
  const values = [];
  for (let m = from; m <= to + 1e-9; m += step) values.push(m);
  return values;
}

// Signed distance of (u, v) inside the convex polygon (positive inside).
function insideBy(corners, p) {
  let least = Infinity;
  for (let i = 0; i < corners.length; i++) {
    const a = corners[i], b = corners[(i + 1) % corners.length], l = Math.hypot(b.u - a.u, b.v - a.v);
    least = Math.min(least, ((b.u - a.u) * (p.v - a.v) - (b.v - a.v) * (p.u - a.u)) / l);
  }
  return least;
}

// The polygon's edges moved outwards by d, corners where they meet.
function offsetCorners(corners, d) {
  const lines = corners.map((a, i) => {
    const b = corners[(i + 1) % corners.length], l = Math.hypot(b.u - a.u, b.v - a.v);
    const nu = (b.v - a.v) / l, nv = -(b.u - a.u) / l; // outward for a clockwise polygon on the screen
    return { u: a.u + d * nu, v: a.v + d * nv, du: (b.u - a.u) / l, dv: (b.v - a.v) / l };
  });
  return lines.map((line, i) => {
    const prev = lines[(i + lines.length - 1) % lines.length], det = prev.du * line.dv - prev.dv * line.du;
    const t = ((line.u - prev.u) * line.dv - (line.v - prev.v) * line.du) / det;
    return { u: prev.u + t * prev.du, v: prev.v + t * prev.dv };
  });
}

// A curve at(t), t from 0 to 1, sampled about every pixel and cut to the
// inside of the polygon, the cut ends found to a hundredth of a pixel: the
// pieces inside.
function clipped(at, corners, samples) {
  const pieces = [];
  let piece = null, lastT = 0, lastInside = false;
  const edge = (t0, t1) => {
    for (let k = 0; k < 30; k++) {
      const m = (t0 + t1) / 2;
      if ((insideBy(corners, at(m)) >= 0) === (insideBy(corners, at(t0)) >= 0)) t0 = m; else t1 = m;
    }
    return at((t0 + t1) / 2);
  };
  for (let s = 0; s <= samples; s++) {
    const t = s / samples, p = at(t), inside = insideBy(corners, p) >= 0;
    if (inside && !lastInside) piece = s === 0 ? [p] : [edge(lastT, t), p];
    else if (inside) piece.push(p);
    else if (lastInside) { piece.push(edge(lastT, t)); pieces.push(piece); piece = null; }
    lastT = t; lastInside = inside;
  }
  if (piece && piece.length > 1) pieces.push(piece);
  return pieces;
}

// A closed wobbly outline about (u, v): radius r(angle).
function blob(next, radius, wobble) {
  const terms = [1, 2, 3, 5].map((k) => ({ k, a: wobble * (next() - 0.5) / k, phase: 6.3 * next() }));
  return (angle) => radius * (1 + terms.reduce((sum, t) => sum + t.a * Math.cos(t.k * angle + t.phase), 0));
}

// ---- the sheet -------------------------------------------------------------

// options: kind 'cylinder' | 'conic'; width, height (2000 x 1500); turn
// (degrees the sheet is turned clockwise on the screen); step {longitude,
// latitude} in degrees (30' both); seed; blur (passes of the 1 2 1 kernel,
// 1; 0 for none); noise (paper grain, 12); lonSteps (cylinder: meridian
// steps across the frame, 12); sideAngle (conic: degrees of its sides from
// the vertical, 6.6); bottomGap (conic: pixels from the lowest parallel to
// the bottom edge at mid-sheet, 6).
// Returns {bmp, width, height, kind, g, step, project(lon, lat) -> {x, y},
// frame {top, bottom, left, right} (dense polylines; top and bottom left to
// right, left and right downwards), meridians [{longitude, line}],
// parallels [{latitude, line}] (the printed pieces inside the neatline),
// crossings [{longitude, latitude, x, y, inside}]: every printed crossing of
// two graticule lines (the neatline being one where it is a meridian or a
// parallel), inside false for those on the neatline}.
function makeSheet(options) {
  const kind = options.kind, width = options.width || 2000, height = options.height || 1500;
  const turn = options.turn || 0, noise = options.noise === undefined ? 12 : options.noise, next = random(options.seed || 1);
  const step = options.step || { longitude: 0.5, latitude: 0.5 };
  const count = (n) => Math.max(1, Math.round(n * width * height / 3e6)); // as many as on a 2000 x 1500 sheet, by area
  const stepLon = Math.round(step.longitude * 60), stepLat = Math.round(step.latitude * 60);
  const geo = geometry(kind, width, height, stepLon, stepLat, options);
  const cx = width / 2, cy = height / 2, c = Math.cos(turn * rad), s = Math.sin(turn * rad);
  const place = (p) => ({ x: cx + (p.u - cx) * c - (p.v - cy) * s, y: cy + (p.u - cx) * s + (p.v - cy) * c });
  const corners = geo.corners, inside = (p, by) => insideBy(corners, p) >= (by || 0);
  const project = (lon, lat) => geo.project(lon, lat);
  const uvPlaced = (points) => points.map(place);
  const box = { u0: Math.min(...corners.map((p) => p.u)), u1: Math.max(...corners.map((p) => p.u)),
                v0: Math.min(...corners.map((p) => p.v)), v1: Math.max(...corners.map((p) => p.v)) };
  const randomInside = (by) => { // on a small sheet nearer the neatline than asked
    for (let tries = 0; ; tries++) {
      const p = { u: box.u0 + next() * (box.u1 - box.u0), v: box.v0 + next() * (box.v1 - box.v0) };
      if (inside(p, tries < 100 ? by : 0)) return p;
    }
  };
  const cut = (pointsUv) => { // a polyline in (u, v) cut to the neatline's inside
    const pieces = [];
    let piece = [];
    for (const p of pointsUv) {
      if (inside(p, 1)) piece.push(p);
      else { if (piece.length > 1) pieces.push(piece); piece = []; }
    }
    if (piece.length > 1) pieces.push(piece);
    return pieces.map(uvPlaced);
  };

  // the graticule inside the neatline, and its crossings
  const lonLimits = [Math.min(...geo.meridians), Math.max(...geo.meridians)].map((m) => m / 60);
  const latLimits = [Math.min(...geo.parallels), Math.max(...geo.parallels)].map((m) => m / 60);
  const meridians = [], parallels = [];
  for (const m of geo.meridians) {
    if (geo.onFrame.lon.includes(m)) continue;
    const pieces = clipped((t) => project(m / 60, latLimits[0] - 1 + t * (latLimits[1] - latLimits[0] + 2)), corners, 3000);
    for (const piece of pieces) meridians.push({ longitude: m / 60, line: uvPlaced(piece) });
  }
  for (const m of geo.parallels) {
    if (geo.onFrame.lat.includes(m)) continue;
    const pieces = clipped((t) => project(lonLimits[0] - 1 + t * (lonLimits[1] - lonLimits[0] + 2), m / 60), corners, 4000);
    for (const piece of pieces) parallels.push({ latitude: m / 60, line: uvPlaced(piece) });
  }
  const crossings = [];
  for (const lon of geo.meridians) {
    for (const lat of geo.parallels) {
      const p = project(lon / 60, lat / 60), by = insideBy(corners, p);
      const onFrame = geo.onFrame.lon.includes(lon) || geo.onFrame.lat.includes(lat);
      if (by > 0.5 && !onFrame) crossings.push({ longitude: lon / 60, latitude: lat / 60, ...place(p), inside: true });
      else if (Math.abs(by) <= 0.5 && onFrame) crossings.push({ longitude: lon / 60, latitude: lat / 60, ...place(p), inside: false });
    }
  }
  const dense = (a, b) => {
    const n = Math.ceil(Math.hypot(b.u - a.u, b.v - a.v) / 2), points = [];
    for (let i = 0; i <= n; i++) points.push(place({ u: a.u + (b.u - a.u) * i / n, v: a.v + (b.v - a.v) * i / n }));
    return points;
  };
  const frame = { top: dense(corners[0], corners[1]), bottom: dense(corners[3], corners[2]),
                  left: dense(corners[0], corners[3]), right: dense(corners[1], corners[2]) };

  // the double border: thin lines 14 and 26 pixels out, blocks of 5 minutes between
  const borders = [offsetCorners(corners, 14), offsetCorners(corners, 26)].map((q) => uvPlaced(q.concat([q[0]])));
  const blocks = [], band = offsetCorners(corners, 20);
  for (let e = 0; e < 4; e++) {
    const a = band[e], b = band[(e + 1) % 4], A = corners[e], B = corners[(e + 1) % 4];
    // the geographic value along the edge: longitude on top and bottom, latitude on the sides
    const along = e % 2 === 0 ? 'lon' : 'lat', n = 600, values = [];
    for (let i = 0; i <= n; i++) {
      const p = { u: A.u + (B.u - A.u) * i / n, v: A.v + (B.v - A.v) * i / n };
      values.push(along === 'lon' ? lonAt(geo, p) : latAt(geo, p));
    }
    let start = 0;
    for (let i = 1; i <= n; i++) {
      const k0 = Math.floor(values[i - 1] * 12 + 1e-9), k1 = Math.floor(values[i] * 12 + 1e-9);
      if (k0 !== k1 || i === n) {
        if (k0 % 2 === 0) blocks.push([place({ u: a.u + (b.u - a.u) * start / n, v: a.v + (b.v - a.v) * start / n }),
                                       place({ u: a.u + (b.u - a.u) * i / n, v: a.v + (b.v - a.v) * i / n })]);
        start = i;
      }
    }
  }

  // letters: strokes on a 5 x 7 grid; words along a direction
  const glyphs = [];
  for (let g = 0; g < 30; g++) {
    const strokes = [];
    const count = 2 + Math.floor(next() * 3);
    for (let k = 0; k < count; k++) {
      strokes.push([{ x: Math.floor(next() * 5), y: Math.floor(next() * 7) }, { x: Math.floor(next() * 5), y: Math.floor(next() * 7) }]);
    }
    glyphs.push(strokes);
  }
  const text = [], bold = [];
  const word = (p, letters, size, angle, into) => { // p: placed centre of the word
    const ca = Math.cos(angle), sa = Math.sin(angle), left = -letters * 6 * size / 2, top = -3.5 * size;
    for (let i = 0; i < letters; i++) {
      for (const [a, b] of glyphs[Math.floor(next() * glyphs.length)]) {
        const at = (q) => {
          const x = left + i * 6 * size + q.x * size, y = top + q.y * size;
          return { x: p.x + x * ca - y * sa, y: p.y + x * sa + y * ca };
        };
        (into || text).push([at(a), at(b)]);
      }
    }
  };

  // woods: a pale tint and hatching strokes
  const tint = new Float32Array(width * height), hatching = [];
  for (let w = 0; w < count(options.woods || 16); w++) {
    const centre = randomInside(20), r = blob(next, 40 + next() * 90, 0.6), angle = [Math.PI / 4, -Math.PI / 4, Math.PI / 2, 0.3 + next()][Math.floor(next() * 4)];
    const spacing = 5 + Math.floor(next() * 3), reach = r(0) * 2, inWood = (u, v) => {
      const du = u - centre.u, dv = v - centre.v;
      return Math.hypot(du, dv) <= r(Math.atan2(dv, du)) && inside({ u, v }, 1);
    };
    const pc = place(centre);
    areaCoverage(tint, width, height, { x0: pc.x - reach, y0: pc.y - reach, x1: pc.x + reach, y1: pc.y + reach }, (x, y) => {
      const u = cx + (x - cx) * c + (y - cy) * s, v = cy - (x - cx) * s + (y - cy) * c;
      return inWood(u, v);
    });
    const du = Math.cos(angle), dv = Math.sin(angle);
    for (let o = -reach; o <= reach; o += spacing) {
      const points = [];
      for (let t = -reach; t <= reach; t += 1.5) {
        const u = centre.u - dv * o + du * t, v = centre.v + du * o + dv * t;
        if (inWood(u, v)) points.push({ u, v });
        else if (points.length) { if (points.length > 1) hatching.push(uvPlaced(points)); points.length = 0; }
      }
      if (points.length > 1) hatching.push(uvPlaced(points));
    }
  }
  // contour rings about hills
  const contours = [];
  for (let h = 0; h < count(options.hills || 9); h++) {
    const centre = randomInside(0), rings = 3 + Math.floor(next() * 4), gap = 11 + next() * 10, shape = blob(next, 1, 0.5);
    for (let k = 1; k <= rings; k++) {
      const points = [], radius = 25 + k * gap;
      for (let i = 0; i <= 360; i++) {
        const a = i * 2 * Math.PI / 360;
        points.push({ u: centre.u + radius * shape(a) * Math.cos(a), v: centre.v + radius * shape(a) * 0.8 * Math.sin(a) });
      }
      contours.push(...cut(points));
    }
  }
  // a wandering curve from one edge of the frame to the other, turning slowly
  const wander = (stepLength, turning) => {
    const start = randomInside(0), points = [];
    let heading = next() * 2 * Math.PI, bend = 0, p = start;
    for (let back = 0; back < 2; back++) {
      const part = [];
      p = start;
      let h = heading + back * Math.PI;
      for (let i = 0; i < 3000 && inside(p, -5); i++) {
        part.push(p);
        bend = 0.9 * bend + turning * (next() - 0.5);
        h += bend;
        p = { u: p.u + stepLength * Math.cos(h), v: p.v + stepLength * Math.sin(h) };
      }
      if (back === 0) points.push(...part.reverse()); else points.push(...part.slice(1));
    }
    return points;
  };
  const rivers = [], roads = [], lanes = [];
  for (let r = 0; r < 2; r++) rivers.push(...cut(wander(3, 0.05)));
  for (let r = 0; r < count(options.roads || 7); r++) roads.push(...cut(wander(4, 0.03)));
  for (let r = 0; r < count(6); r++) lanes.push(...cut(wander(3, 0.08)));
  // a railway straight across the sheet at no angle of the graticule, with its ticks
  const railway = [], ties = [];
  {
    const a = randomInside(100), angle = (20 + 20 * next()) * rad, points = [];
    for (let t = -3000; t <= 3000; t += 4) points.push({ u: a.u + t * Math.cos(angle), v: a.v + t * Math.sin(angle) });
    railway.push(...cut(points));
    for (let t = -3000; t <= 3000; t += 14) {
      const q = { u: a.u + t * Math.cos(angle), v: a.v + t * Math.sin(angle) };
      if (inside(q, 4)) ties.push(uvPlaced([{ u: q.u - 3 * Math.sin(angle), v: q.v + 3 * Math.cos(angle) }, { u: q.u + 3 * Math.sin(angle), v: q.v - 3 * Math.cos(angle) }]));
    }
  }
  // a lake
  const lake = new Float32Array(width * height), shore = [];
  {
    const centre = randomInside(80), r = blob(next, 35 + 30 * next(), 0.5), points = [];
    for (let i = 0; i <= 200; i++) {
      const a = i * 2 * Math.PI / 200;
      points.push({ u: centre.u + r(a) * Math.cos(a), v: centre.v + r(a) * Math.sin(a) });
    }
    shore.push(...cut(points));
    const pc = place(centre), reach = 2 * r(0);
    areaCoverage(lake, width, height, { x0: pc.x - reach, y0: pc.y - reach, x1: pc.x + reach, y1: pc.y + reach }, (x, y) => {
      const u = cx + (x - cx) * c + (y - cy) * s, v = cy - (x - cx) * s + (y - cy) * c;
      return Math.hypot(u - centre.u, v - centre.v) <= r(Math.atan2(v - centre.v, u - centre.u)) && inside({ u, v }, 1);
    });
  }
  // towns with names; labels lying on graticule lines; the degrees in the margin; the title
  const dots = [];
  for (let i = 0; i < count(options.towns || 45); i++) {
    const p = place(randomInside(30));
    dots.push([{ x: p.x - 0.01, y: p.y }, { x: p.x + 0.01, y: p.y }]);
    word({ x: p.x + 30, y: p.y - 8 }, 3 + Math.floor(next() * 6), 1.5 + next() * 0.6, 0);
  }
  const lines = meridians.map((m) => m.line).concat(parallels.map((p) => p.line));
  for (let i = 0; i < count(options.labels || 16); i++) {
    const line = lines[Math.floor(next() * lines.length)], k = Math.floor((0.15 + 0.7 * next()) * (line.length - 1));
    const a = line[Math.max(0, k - 1)], b = line[Math.min(line.length - 1, k + 1)];
    const along = next() < 0.5 ? Math.atan2(b.y - a.y, b.x - a.x) : turn * rad;
    word(line[k], 3 + Math.floor(next() * 5), 1.7, Math.abs(along) > Math.PI / 2 ? along - Math.PI : along);
  }
  const outside = offsetCorners(corners, 42);
  for (const piece of lines) {
    for (const [end, neighbour] of [[piece[0], piece[Math.min(3, piece.length - 1)]], [piece[piece.length - 1], piece[Math.max(0, piece.length - 4)]]]) {
      // the label 42 pixels out along the line's own direction, beyond the border
      const l = Math.hypot(end.x - neighbour.x, end.y - neighbour.y) || 1;
      word({ x: end.x + 42 * (end.x - neighbour.x) / l, y: end.y + 42 * (end.y - neighbour.y) / l }, 4, 1.6, turn * rad);
    }
  }
  const title = place({ u: cx, v: Math.max(...outside.map((q) => q.v)) + 25 });
  if (title.y < height - 20) word(title, 14, 3, turn * rad, bold);
  // dust on the scanner's glass
  const dust = [];
  for (let i = 0; i < count(250); i++) {
    const x = next() * width, y = next() * height;
    dust.push({ line: [{ x, y }, { x: x + 0.01, y }], width: 0.8 + 1.6 * next() });
  }

  const layer = (strokes, lineWidth, colour, butt) => ({ cover: strokeCoverage(new Float32Array(width * height), width, height, strokes, lineWidth, butt), colour });
  const layers = [
    { cover: tint, colour: [205, 226, 185] },
    { cover: lake, colour: [160, 195, 232] },
    layer(contours, 1.2, [150, 95, 55]),
    layer(hatching, 1.1, [70, 95, 65]),
    layer(shore, 1.4, [50, 95, 175]),
    layer(rivers, 2.4, [55, 100, 185]),
    layer(lanes, 1.1, [45, 40, 35]),
    layer(roads, 5.2, [35, 30, 30]),
    layer(roads, 2.8, [240, 175, 90]),
    layer(railway, 1.8, [20, 20, 20]),
    layer(ties, 1.2, [20, 20, 20]),
    layer(lines, 1.6, [22, 22, 22]),
    layer(Object.values(frame), 2.6, [12, 12, 12]),
    layer(borders, 1.3, [15, 15, 15]),
    layer(blocks, 11, [15, 15, 15], true),
    layer(text, 1.3, [40, 32, 28]),
    layer(bold, 2.2, [30, 25, 25]),
    layer(dots, 7, [165, 35, 35]),
  ];
  for (const d of dust) strokeCoverage(layers[layers.length - 1].cover, width, height, [d.line], d.width);
  let rgb = new Float32Array(width * height * 3);
  for (let i = 0, y = 0; y < height; y++) {
    for (let x = 0; x < width; x++, i++) {
      const shade = 5 * Math.sin(x / 230 + 1) * Math.cos(y / 170) - 6 * (x + y) / (width + height), grain = noise * (next() + next() - 1);
      let r = 236 + shade + grain, g = 230 + shade + grain, b = 210 + shade + grain;
      for (const l of layers) {
        const a = l.cover[i];
        if (a > 0) { r += (l.colour[0] - r) * a; g += (l.colour[1] - g) * a; b += (l.colour[2] - b) * a; }
      }
      rgb[3 * i] = r; rgb[3 * i + 1] = g; rgb[3 * i + 2] = b;
    }
  }
  const blur = options.blur === undefined ? 1 : Number(options.blur);
  if (blur > 0) rgb = blurred(rgb, width, height, blur);
  const byte = (v) => Math.max(0, Math.min(255, Math.round(v)));
  const bmp = makeBmp(width, height, (x, y) => {
    const i = 3 * (y * width + x);
    return [byte(rgb[i]), byte(rgb[i + 1]), byte(rgb[i + 2])];
  });
  return {
    bmp, width, height, kind,
    g: -turn, // the kippdreh angle that straightens the sheet again
    step: { longitude: stepLon / 60, latitude: stepLat / 60 },
    project: (lon, lat) => place(project(lon, lat)),
    frame, meridians, parallels, crossings,
  };
}

// The longitude and latitude at an untilted point, found by Newton's steps
// on the projection.
function geographicAt(geo, p) {
  let lon = 12, lat = 50;
  for (let k = 0; k < 30; k++) {
    const q = geo.project(lon, lat), e = 1e-4;
    const a = geo.project(lon + e, lat), b = geo.project(lon, lat + e);
    const j11 = (a.u - q.u) / e, j12 = (b.u - q.u) / e, j21 = (a.v - q.v) / e, j22 = (b.v - q.v) / e, det = j11 * j22 - j12 * j21;
    const du = p.u - q.u, dv = p.v - q.v;
    lon += (j22 * du - j12 * dv) / det;
    lat += (j11 * dv - j21 * du) / det;
  }
  return { lon, lat };
}
function lonAt(geo, p) { return geographicAt(geo, p).lon; }
function latAt(geo, p) { return geographicAt(geo, p).lat; }

module.exports = { makeSheet };
