// Busy scanned sheets made at test time by other hands than the desk's own
// test maps, with the truth known: every printed graticule crossing in the
// desk's pixels (pixel (i, j) has its centre at (i, j)), the frame lines as
// polylines and the printed steps. Roads (some dashed, some cased in two
// lines whose light fill cuts the graticule), a straight railway, wavy
// rivers, a lake, hatched woods lying over graticule lines, brown contour
// rings, towns with names, degree labels touching their lines, a neatline in
// a double border with alternating minute blocks, a paper tint, blur, block
// noise as a JPEG leaves it and a tilt. The neatline lies on the graticule
// or, on some sheets, a fraction of a step off it, so that graticule lines
// end there in T-junctions that are no crossings.
'use strict';
const { makeBmp } = require('./support');

const rad = Math.PI / 180;

function random(seed) {
  let a = (seed * 2654435761) >>> 0;
  const next = () => {
    a ^= a << 13; a >>>= 0; a ^= a >>> 17; a ^= a << 5; a >>>= 0;
    return a / 4294967296;
  };
  for (let i = 0; i < 8; i++) next();
  return next;
}

// ---- the canvas: three float channels, strokes through a coverage mask -------

function canvasOf(width, height) {
  return { width, height, r: new Float32Array(width * height), g: new Float32Array(width * height), b: new Float32Array(width * height),
           mask: new Float32Array(width * height), touched: [] };
}

// Coverage of one segment of width w into the mask (kept at its largest).
function segmentInto(c, ax, ay, bx, by, w) {
  const reach = w / 2 + 1;
  const x0 = Math.max(0, Math.floor(Math.min(ax, bx) - reach)), x1 = Math.min(c.width - 1, Math.ceil(Math.max(ax, bx) + reach));
  const y0 = Math.max(0, Math.floor(Math.min(ay, by) - reach)), y1 = Math.min(c.height - 1, Math.ceil(Math.max(ay, by) + reach));
  const dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
  for (let y = y0; y <= y1; y++) {
    for (let x = x0; x <= x1; x++) {
      let t = length2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / length2 : 0;
      t = t < 0 ? 0 : t > 1 ? 1 : t;
      const d = Math.hypot(x - ax - t * dx, y - ay - t * dy), cover = w / 2 + 0.5 - d;
      if (cover <= 0) continue;
      const at = y * c.width + x;
      if (c.mask[at] === 0) c.touched.push(at);
      const v = cover > 1 ? 1 : cover;
      if (v > c.mask[at]) c.mask[at] = v;
    }
  }
}

// The mask laid on the canvas in one colour, then cleared.
function inkMask(c, [r, g, b], opacity = 1) {
  for (const at of c.touched) {
    const a = c.mask[at] * opacity;
    c.r[at] += (r - c.r[at]) * a; c.g[at] += (g - c.g[at]) * a; c.b[at] += (b - c.b[at]) * a;
    c.mask[at] = 0;
  }
  c.touched.length = 0;
}

// Polylines cut into pieces of at most 6 pixels, so that a piece's box stays small.
function strokes(c, lines, w, colour, opacity) {
  for (const line of lines) {
    for (let i = 0; i + 1 < line.length; i++) {
      const a = line[i], b = line[i + 1], n = Math.max(1, Math.ceil(Math.hypot(b.x - a.x, b.y - a.y) / 6));
      for (let k = 0; k < n; k++) {
        segmentInto(c, a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n, a.x + (b.x - a.x) * (k + 1) / n, a.y + (b.y - a.y) * (k + 1) / n, w);
      }
    }
  }
  inkMask(c, colour, opacity);
}

// A polyline cut into dashes of `on` pixels with `off` between them.
function dashed(line, on, off) {
  const dashes = [];
  let current = [line[0]], left = on, drawing = true;
  for (let i = 0; i + 1 < line.length; i++) {
    let a = line[i];
    const b = line[i + 1];
    let rest = Math.hypot(b.x - a.x, b.y - a.y);
    while (rest > left) {
      const t = left / rest, p = { x: a.x + (b.x - a.x) * t, y: a.y + (b.y - a.y) * t };
      if (drawing) { current.push(p); dashes.push(current); } else current = [p];
      drawing = !drawing; rest -= left; a = p; left = drawing ? on : off;
    }
    left -= rest;
    if (drawing) current.push(b);
  }
  if (drawing && current.length > 1) dashes.push(current);
  return dashes;
}

// Where row y enters and leaves a polygon, in pairs from the left.
function spansOf(polygon, y) {
  const xs = [];
  for (let i = 0; i < polygon.length; i++) {
    const p = polygon[i], q = polygon[(i + 1) % polygon.length];
    if ((p.y <= y) !== (q.y <= y)) xs.push(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
  }
  return xs.sort((a, b) => a - b);
}

// Even-odd fill of a polygon, row by row.
function fill(c, polygon, [r, g, b], opacity = 1) {
  const ys = polygon.map((p) => p.y);
  for (let y = Math.max(0, Math.ceil(Math.min(...ys))); y <= Math.min(c.height - 1, Math.floor(Math.max(...ys))); y++) {
    const xs = spansOf(polygon, y);
    for (let k = 0; k + 1 < xs.length; k += 2) {
      for (let x = Math.max(0, Math.ceil(xs[k])); x <= Math.min(c.width - 1, Math.floor(xs[k + 1])); x++) {
        const at = y * c.width + x;
        c.r[at] += (r - c.r[at]) * opacity; c.g[at] += (g - c.g[at]) * opacity; c.b[at] += (b - c.b[at]) * opacity;
      }
    }
  }
}

function inside(polygon, x, y) {
  let odd = false;
  for (let i = 0, j = polygon.length - 1; i < polygon.length; j = i++) {
    const p = polygon[i], q = polygon[j];
    if ((p.y > y) !== (q.y > y) && x < p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y)) odd = !odd;
  }
  return odd;
}

// ---- letters: strokes in a box 4 wide and 6 high, y down -------------------

const glyphs = {
  0: [[[0, 0], [4, 0], [4, 6], [0, 6], [0, 0]]], 1: [[[1, 1], [2, 0], [2, 6]]],
  2: [[[0, 0], [4, 0], [4, 3], [0, 3], [0, 6], [4, 6]]], 3: [[[0, 0], [4, 0], [4, 6], [0, 6]], [[1, 3], [4, 3]]],
  4: [[[0, 0], [0, 3], [4, 3]], [[3, 0], [3, 6]]], 5: [[[4, 0], [0, 0], [0, 3], [4, 3], [4, 6], [0, 6]]],
  6: [[[4, 0], [0, 0], [0, 6], [4, 6], [4, 3], [0, 3]]], 7: [[[0, 0], [4, 0], [1, 6]]],
  8: [[[0, 0], [4, 0], [4, 6], [0, 6], [0, 0]], [[0, 3], [4, 3]]], 9: [[[4, 3], [0, 3], [0, 0], [4, 0], [4, 6], [0, 6]]],
  '°': [[[0, 0], [2, 0], [2, 2], [0, 2], [0, 0]]], "'": [[[1, 0], [0, 2]]],
  A: [[[0, 6], [2, 0], [4, 6]], [[1, 3.5], [3, 3.5]]], B: [[[0, 0], [3, 0], [3, 3], [0, 3]], [[3, 3], [4, 6], [0, 6], [0, 0]]],
  D: [[[0, 0], [3, 0], [4, 2], [4, 4], [3, 6], [0, 6], [0, 0]]], E: [[[4, 0], [0, 0], [0, 6], [4, 6]], [[0, 3], [3, 3]]],
  F: [[[4, 0], [0, 0], [0, 6]], [[0, 3], [3, 3]]], G: [[[4, 0], [0, 0], [0, 6], [4, 6], [4, 3], [2, 3]]],
  H: [[[0, 0], [0, 6]], [[4, 0], [4, 6]], [[0, 3], [4, 3]]], I: [[[2, 0], [2, 6]]], K: [[[0, 0], [0, 6]], [[4, 0], [0, 3], [4, 6]]],
  L: [[[0, 0], [0, 6], [4, 6]]], M: [[[0, 6], [0, 0], [2, 3], [4, 0], [4, 6]]], N: [[[0, 6], [0, 0], [4, 6], [4, 0]]],
  O: [[[1, 0], [3, 0], [4, 2], [4, 4], [3, 6], [1, 6], [0, 4], [0, 2], [1, 0]]], R: [[[0, 6], [0, 0], [4, 0], [4, 3], [0, 3], [4, 6]]],
  S: [[[4, 0], [0, 0], [0, 3], [4, 3], [4, 6], [0, 6]]], T: [[[0, 0], [4, 0]], [[2, 0], [2, 6]]], U: [[[0, 0], [0, 6], [4, 6], [4, 0]]],
  W: [[[0, 0], [1, 6], [2, 2], [3, 6], [4, 0]]], Z: [[[0, 0], [4, 0], [0, 6], [4, 6]]],
};

// The strokes of a text whose top left corner is at (u, v), letters `size` high.
function textStrokes(text, u, v, size) {
  const s = size / 6, lines = [];
  let at = u;
  for (const ch of text) {
    for (const stroke of glyphs[ch] || []) lines.push(stroke.map(([a, b]) => ({ x: at + a * s, y: v + b * s })));
    at += (ch === '°' || ch === "'" ? 3 : 5.5) * s;
  }
  return { lines, width: at - u };
}

const syllables = ['BA', 'REN', 'HOL', 'ZE', 'MI', 'STEIN', 'DORF', 'AU', 'WEI', 'LER', 'KIR', 'CHEN', 'TAL', 'BERG', 'HAU', 'SEN', 'FELD', 'ROD'];

// ---- the sheet --------------------------------------------------------------

// The straight sheet's geographic coordinates to its untilted pixels (u, v).
function projectionOf(kind, scale, lonc, latc, cx, cy) {
  if (kind === 'cylinder') {
    const k = scale / (Math.cosh(latc * rad) * rad);
    return (lon, lat) => ({ u: cx + scale * (lon - lonc), v: cy - k * (Math.sinh(lat * rad) - Math.sinh(latc * rad)) });
  }
  // conic: the cone touching at latc, meridians as rays from its apex
  const n = Math.sin(latc * rad), rho0 = scale / rad / Math.tan(latc * rad);
  return (lon, lat) => {
    const rho = rho0 + scale * (latc - lat), theta = n * (lon - lonc) * rad;
    return { u: cx + rho * Math.sin(theta), v: cy - rho0 + rho * Math.cos(theta) };
  };
}

// Smooth wandering polyline from a start in a direction, in untilted pixels.
function wander(rnd, start, heading, length, wiggle, step = 8) {
  const line = [{ x: start.x, y: start.y }];
  let h = heading, turn = 0;
  for (let s = 0; s < length; s += step) {
    turn = 0.85 * turn + (rnd() - 0.5) * wiggle;
    h += turn;
    const p = line[line.length - 1];
    line.push({ x: p.x + step * Math.cos(h), y: p.y + step * Math.sin(h) });
  }
  return line;
}

function blob(rnd, cx, cy, radius, points = 24) {
  const phases = [rnd() * 6.3, rnd() * 6.3, rnd() * 6.3], amps = [0.25 * rnd(), 0.15 * rnd(), 0.1 * rnd()];
  const stretch = 0.6 + 0.8 * rnd(), turn = rnd() * Math.PI;
  const out = [];
  for (let i = 0; i < points; i++) {
    const a = 2 * Math.PI * i / points;
    const r = radius * (1 + amps[0] * Math.sin(2 * a + phases[0]) + amps[1] * Math.sin(3 * a + phases[1]) + amps[2] * Math.sin(5 * a + phases[2]));
    const x = r * Math.cos(a) * stretch, y = r * Math.sin(a);
    out.push({ x: cx + x * Math.cos(turn) - y * Math.sin(turn), y: cy + x * Math.sin(turn) + y * Math.cos(turn) });
  }
  return out;
}

function angleLabel(degrees) {
  const total = Math.round(degrees * 60), d = Math.floor(total / 60), m = total - 60 * d;
  return d + '°' + (m < 10 ? '0' : '') + m + "'";
}

// options: {kind: 'cylinder' | 'conic', seed, steps: {longitude, latitude} in
// minutes, tilt (degrees, the sheet turned clockwise), offGrid (the neatline a
// fraction of a step off the graticule), width, height}.
function makeSheet(options) {
  const kind = options.kind, rnd = random(options.seed), width = options.width || 2000, height = options.height || 1500;
  const stepLon = options.steps.longitude / 60, stepLat = options.steps.latitude / 60;
  const tilt = options.tilt === undefined ? -2.5 + 5 * rnd() : options.tilt;
  // about 7 to 10 meridian steps across the neatline, the parallels' spacing as the projection gives it
  // conic sheets wide enough in longitude for their sides to lean several degrees
  const fewest = kind === 'conic' ? 12 : 7;
  const lonCount = Math.min(16, Math.max(fewest + Math.floor(rnd() * 3), Math.ceil(6 * 1.4 * stepLat / stepLon))), latc = 46 + 8 * rnd();
  const frameWidth = width - 320, scale = frameWidth / (lonCount * stepLon);
  const latSpan = (height - 300) / scale;
  const latCount = Math.max(4, Math.floor(latSpan / stepLat));
  const lonW0 = Math.round((5 + 10 * rnd()) / stepLon) * stepLon, latS0 = Math.round((latc - latCount * stepLat / 2) / stepLat) * stepLat;
  // the neatline: on the graticule, or a fraction of a step inside it
  const off = options.offGrid ? { w: 0.1, e: 0.13, s: 0.11, n: 0.08 } : { w: 0, e: 0, s: 0, n: 0 };
  const frame = { west: lonW0 + off.w * stepLon, east: lonW0 + lonCount * stepLon - off.e * stepLon,
                  south: latS0 + off.s * stepLat, north: latS0 + latCount * stepLat - off.n * stepLat };
  const lonc = (frame.west + frame.east) / 2, latm = (frame.south + frame.north) / 2;
  const project = projectionOf(kind, scale, lonc, latm, width / 2, height / 2);
  const g = tilt * rad, cos = Math.cos(g), sin = Math.sin(g), cx = width / 2, cy = height / 2;
  const turn = (p) => ({ x: cx + (p.u - cx) * cos - (p.v - cy) * sin, y: cy + (p.u - cx) * sin + (p.v - cy) * cos });
  const at = (lon, lat) => turn(project(lon, lat));
  const toPicture = (p) => turn({ u: p.x, v: p.y }); // untilted pixels to the picture's
  const meridian = (lon, south, north, n = 80) => Array.from({ length: n + 1 }, (_, i) => at(lon, south + (north - south) * i / n));
  const parallel = (lat, west, east, n = 120) => Array.from({ length: n + 1 }, (_, i) => at(west + (east - west) * i / n, lat));
  const neatline = [...parallel(frame.north, frame.west, frame.east), ...meridian(frame.east, frame.north, frame.south).slice(1),
                    ...parallel(frame.south, frame.east, frame.west).slice(1), ...meridian(frame.west, frame.south, frame.north).slice(1)];
  // the sheet's middle in untilted pixels, to keep features on it
  const box = { left: project(frame.west, latm).u, right: project(frame.east, latm).u, top: project(lonc, frame.north).v, bottom: project(lonc, frame.south).v };

  const c = canvasOf(width, height);
  // what was drawn where, to say what lies at a pixel
  const drawn = [], note = (what, lines, polygon = null) => drawn.push({ what, lines, polygon });
  // paper: a warm tint, slowly uneven
  const tint = [232 + 10 * rnd(), 224 + 10 * rnd(), 198 + 14 * rnd()], waves = [rnd() * 6, rnd() * 6];
  const paper = (x, y, i) => { const shade = 5 * Math.sin(x / 310 + waves[0]) * Math.cos(y / 260 + waves[1]); c.r[i] = tint[0] + shade; c.g[i] = tint[1] + shade; c.b[i] = tint[2] + shade; };
  for (let y = 0; y < height; y++) for (let x = 0; x < width; x++) paper(x, y, y * width + x);
  const inFrame = (p) => inside(neatline, p.x, p.y);
  const somewhere = () => ({ x: box.left + (box.right - box.left) * rnd(), y: box.top + (box.bottom - box.top) * rnd() });

  // woods: a pale green patch, diagonal hatching over it, later over the graticule too
  const woods = [];
  for (let i = 0; i < 14 + Math.floor(rnd() * 8); i++) {
    const centre = somewhere();
    woods.push(blob(rnd, centre.x, centre.y, 35 + 70 * rnd()).map(toPicture));
  }
  for (const wood of woods) { fill(c, wood, [200, 222, 170], 0.7); note('a hatched wood', [[...wood, wood[0]]], wood); }
  // a lake with its shore
  const lakeCentre = somewhere(), lake = blob(rnd, lakeCentre.x, lakeCentre.y, 60 + 40 * rnd(), 36).map(toPicture);
  fill(c, lake, [172, 204, 226]);
  strokes(c, [[...lake, lake[0]]], 1.6, [40, 80, 150]);
  note('the lake', [[...lake, lake[0]]], lake);
  // contour rings about a few hills
  for (let h = 0; h < 7; h++) {
    const centre = somewhere(), rings = 3 + Math.floor(rnd() * 5), base = 15 + 20 * rnd();
    const lines = [];
    for (let k = 0; k < rings; k++) {
      const ring = blob(random(options.seed * 31 + h), centre.x, centre.y, base + 16 * k, 48).map(toPicture);
      lines.push([...ring, ring[0]]);
    }
    strokes(c, lines, 1.1, [150, 95, 45]);
    note('a contour ring', lines);
  }
  // rivers: dark blue, wavy, wider downstream
  for (let k = 0; k < 2; k++) {
    const start = { x: box.left - 40, y: box.top + (box.bottom - box.top) * (0.2 + 0.6 * rnd()) };
    const river = wander(rnd, start, (rnd() - 0.5) * 0.6, (box.right - box.left) + 100, 0.12, 5).map(toPicture);
    strokes(c, [river], 2.2 + 1.5 * k, [35, 65, 135]);
    note('a river', [river]);
  }

  // the graticule: 1 to 3 pixels, dark grey or black, ending at the neatline
  const lineWidth = options.lineWidth || 1 + Math.floor(rnd() * 3) * 0.8, grey = [30 + 40 * rnd(), 30 + 40 * rnd(), 30 + 40 * rnd()].map(Math.round);
  const lons = [], lats = [];
  for (let k = 0; k <= lonCount; k++) { const lon = lonW0 + k * stepLon; if (lon >= frame.west - 1e-9 && lon <= frame.east + 1e-9) lons.push(lon); }
  for (let k = 0; k <= latCount; k++) { const lat = latS0 + k * stepLat; if (lat >= frame.south - 1e-9 && lat <= frame.north + 1e-9) lats.push(lat); }
  const meridians = lons.map((lon) => ({ lon, line: meridian(lon, frame.south, frame.north) }));
  const parallels = lats.map((lat) => ({ lat, line: parallel(lat, frame.west, frame.east) }));
  strokes(c, meridians.map((m) => m.line).concat(parallels.map((p) => p.line)), lineWidth, grey);
  // hatching of the woods, over the graticule lines they lie on
  for (const wood of woods) {
    const xs = wood.map((p) => p.x), ys = wood.map((p) => p.y), lines = [];
    const x0 = Math.min(...xs), x1 = Math.max(...xs), y0 = Math.min(...ys), y1 = Math.max(...ys), gap = 5 + 2 * rnd();
    for (let d = x0 - (y1 - y0); d <= x1; d += gap) {
      let run = null;
      for (let t = 0; t <= y1 - y0; t += 1) {
        const p = { x: d + t, y: y0 + t };
        if (inside(wood, p.x, p.y)) { if (!run) run = [p, p]; else run[1] = p; } else if (run) { lines.push(run); run = null; }
      }
      if (run) lines.push(run);
    }
    strokes(c, lines, 1, [45, 95, 45]);
    strokes(c, [[...wood, wood[0]]], 0.8, [60, 110, 60]);
  }
  // where the graticule is hidden: under a cased road's fill, a railway, a town's symbol
  const covers = [];
  // roads: cased main roads whose light fill cuts the lines beneath, plain and dashed ones
  for (let k = 0; k < 26; k++) {
    const start = somewhere(), road = wander(rnd, start, rnd() * 2 * Math.PI, 300 + 900 * rnd(), 0.05).map(toPicture);
    const kind2 = k % 3;
    if (kind2 === 0) { strokes(c, [road], 6, [40, 40, 40]); strokes(c, [road], 3.6, [250, 246, 225]); covers.push({ lines: [road], reach: 3 }); }
    else if (kind2 === 1) strokes(c, [road], 1.6, [60, 55, 50]);
    else strokes(c, dashed(road, 7, 4), 1.2, [70, 60, 50]);
    note(['a cased road', 'a road', 'a dashed road'][kind2], [road]);
  }
  // a straight railway: long, black, across several steps of the grid
  {
    const a = somewhere(), heading = (0.35 + 0.4 * rnd()) * (rnd() < 0.5 ? 1 : -1);
    const rail = [-1, 1].map((s) => toPicture({ x: a.x + s * 900 * Math.cos(heading), y: a.y + s * 900 * Math.sin(heading) }));
    strokes(c, [rail], 3, [20, 20, 20]);
    strokes(c, dashed(rail, 10, 10), 1.2, [240, 235, 215]);
    note('the railway', [rail]);
    covers.push({ lines: [rail], reach: 2.5 });
  }
  // towns: black dots or squares with names beside them
  for (let k = 0; k < 30; k++) {
    const p = somewhere(), r = 2.5 + 3 * rnd(), q = toPicture(p);
    const symbol = k % 2 ? blob(rnd, q.x, q.y, r, 12) : [[-r, -r], [r, -r], [r, r], [-r, r]].map(([a, b]) => toPicture({ x: p.x + a, y: p.y + b }));
    fill(c, symbol, [25, 25, 25]);
    note('a town symbol', [[...symbol, symbol[0]]], symbol);
    covers.push({ lines: [[...symbol, symbol[0]]], polygon: symbol, reach: 1.5 });
    let name = '';
    for (let s = 0; s < 2 + Math.floor(rnd() * 2); s++) name += syllables[Math.floor(rnd() * syllables.length)];
    const text = textStrokes(name, p.x + r + 4, p.y - 6, 9 + 5 * rnd());
    strokes(c, text.lines.map((l) => l.map(toPicture)), 1.3, [25, 25, 25]);
    note('the name ' + name, text.lines.map((l) => l.map(toPicture)));
  }
  // degree labels on the lines between two crossings, their letters touching the line
  const labelStrokes = [];
  for (const m of meridians) {
    for (const lat of lats.slice(0, -1)) {
      const p = project(m.lon, lat), q = project(m.lon, lat + stepLat), t = textStrokes(angleLabel(m.lon), 0, 0, 11);
      const room = p.v - q.v - t.width, shift = room * (0.25 + 0.5 * rnd());
      if (rnd() < 0.4 || room < 16) continue;
      // written upwards along the meridian, the letters' foot on its left edge
      const label = t.lines.map((l) => l.map((r) => turn({ u: p.u - lineWidth / 2 - 11 + r.y, v: p.v - shift - r.x })));
      labelStrokes.push(...label);
      note('the label ' + angleLabel(m.lon) + ' on its meridian', label);
    }
  }
  for (const pl of parallels) {
    for (const lon of lons.slice(0, -1)) {
      const p = project(lon, pl.lat), q = project(lon + stepLon, pl.lat), t = textStrokes(angleLabel(pl.lat), 0, 0, 11);
      const room = q.u - p.u - t.width, shift = room * (0.25 + 0.5 * rnd());
      if (rnd() < 0.4 || room < 16) continue;
      // standing on the parallel
      const label = t.lines.map((l) => l.map((r) => turn({ u: p.u + shift + r.x, v: p.v - lineWidth / 2 - 11 + r.y })));
      labelStrokes.push(...label);
      note('the label ' + angleLabel(pl.lat) + ' on its parallel', label);
    }
  }
  strokes(c, labelStrokes, 1.3, [20, 20, 20]);

  // the border: neatline, then the minute band between two thin lines, then a heavy outer line
  const ring = (d) => {
    // the neatline grown by d: each side moved outwards along its normal
    const sides = [parallel(frame.north, frame.west, frame.east), meridian(frame.east, frame.north, frame.south),
                   parallel(frame.south, frame.east, frame.west), meridian(frame.west, frame.south, frame.north)];
    return sides.map((side) => side.map((p, i) => {
      const a = side[Math.max(0, i - 1)], b = side[Math.min(side.length - 1, i + 1)], l = Math.hypot(b.x - a.x, b.y - a.y);
      // the normal to the left of the way round, which runs clockwise on screen: outwards;
      // the ends run on by d, so that the sides meet in the corners
      const on = i === 0 ? -d : i === side.length - 1 ? d : 0;
      return { x: p.x + d * (b.y - a.y) / l + on * (b.x - a.x) / l, y: p.y - d * (b.x - a.x) / l + on * (b.y - a.y) / l };
    }));
  };
  // nothing of the map outside the neatline
  for (let y = 0; y < height; y++) {
    const spans = spansOf(neatline, y);
    let k = 0;
    for (let x = 0; x < width; x++) {
      while (k < spans.length && x > spans[k + 1]) k += 2;
      if (!(k < spans.length && x >= spans[k])) paper(x, y, y * width + x);
    }
  }
  strokes(c, [neatline.concat([neatline[0]])], 2.4, [15, 15, 15]);
  const band = [7, 15], inner = ring(band[0]), outer = ring(band[1]);
  strokes(c, inner.concat(outer), 1, [20, 20, 20]);
  note('the neatline', [neatline.concat([neatline[0]])]);
  note('the inner line of the minute band, 7 px outside the neatline', inner);
  note('the outer line of the minute band, 15 px outside the neatline', outer);
  note('the heavy outer border, 24 px outside the neatline', ring(24));
  strokes(c, ring(24), 3.2, [15, 15, 15]);
  // the blocks: every other minute black between the band's lines
  const sidesOf = [[frame.west, frame.north, frame.east, frame.north], [frame.east, frame.north, frame.east, frame.south],
                   [frame.east, frame.south, frame.west, frame.south], [frame.west, frame.south, frame.west, frame.north]];
  sidesOf.forEach(([lon0, lat0, lon1, lat1]) => {
    const minutes = Math.round(Math.max(Math.abs(lon1 - lon0), Math.abs(lat1 - lat0)) * 60);
    for (let k = 0; k < minutes; k += 2) {
      const t0 = k / minutes, t1 = Math.min(1, (k + 1) / minutes), pts = [];
      for (const [t, d] of [[t0, band[0]], [t1, band[0]], [t1, band[1]], [t0, band[1]]]) {
        const lon = lon0 + (lon1 - lon0) * t, lat = lat0 + (lat1 - lat0) * t;
        const p = at(lon, lat), e = at(lon0 + (lon1 - lon0) * Math.min(1, t + 0.01), lat0 + (lat1 - lat0) * Math.min(1, t + 0.01));
        const f = at(lon0 + (lon1 - lon0) * Math.max(0, t - 0.01), lat0 + (lat1 - lat0) * Math.max(0, t - 0.01)), l = Math.hypot(e.x - f.x, e.y - f.y);
        pts.push({ x: p.x + d * (e.y - f.y) / l, y: p.y - d * (e.x - f.x) / l });
      }
      fill(c, pts, [20, 20, 20]);
    }
  });
  // the degree values outside the border at the graticule lines
  const edgeLabels = [];
  for (const lon of lons) {
    const p = project(lon, frame.north), t = textStrokes(angleLabel(lon), 0, 0, 12);
    edgeLabels.push(...t.lines.map((l) => l.map((q) => turn({ u: p.u - t.width / 2 + q.x, v: p.v - 48 + q.y }))));
  }
  for (const lat of lats) {
    const p = project(frame.west, lat), t = textStrokes(angleLabel(lat), 0, 0, 12);
    edgeLabels.push(...t.lines.map((l) => l.map((q) => turn({ u: p.u - 36 - t.width + q.x, v: p.v - 6 + q.y }))));
  }
  strokes(c, edgeLabels, 1.4, [20, 20, 20]);

  // the scanner: a gaussian blur, paper grain, 8 x 8 blocks as a JPEG leaves them
  const sigma = options.blur === undefined ? 0.7 + 0.5 * rnd() : options.blur;
  for (const channel of [c.r, c.g, c.b]) blur(channel, width, height, sigma);
  const noise = random(options.seed * 7 + 1), blockShift = new Float32Array(Math.ceil(width / 8) * Math.ceil(height / 8));
  for (let i = 0; i < blockShift.length; i++) blockShift[i] = (noise() - 0.5) * 8;
  const gauss = () => { let s = 0; for (let k = 0; k < 4; k++) s += noise(); return (s - 2) * 1.7; };
  const pixels = new Uint8Array(3 * width * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = y * width + x, shift = blockShift[(y >> 3) * Math.ceil(width / 8) + (x >> 3)], grain = 6 * gauss();
      // the blocks' edges ring a little where the picture changes
      const ring8 = ((x & 7) === 0 || (y & 7) === 0) ? 2 * (noise() - 0.5) : 0;
      pixels[3 * i] = clamp(c.r[i] + shift + grain + ring8);
      pixels[3 * i + 1] = clamp(c.g[i] + shift + grain + ring8);
      pixels[3 * i + 2] = clamp(c.b[i] + shift + grain * 0.9 + ring8);
    }
  }
  const bmp = makeBmp(width, height, (x, y) => { const i = 3 * (y * width + x); return [pixels[i], pixels[i + 1], pixels[i + 2]]; });

  // the truth
  const near = (a, b) => Math.abs(a - b) < 1e-9;
  const crossings = [];
  for (const lon of lons) {
    for (const lat of lats) {
      const p = at(lon, lat);
      const onFrame = near(lon, frame.west) || near(lon, frame.east) || near(lat, frame.south) || near(lat, frame.north);
      const hidden = covers.some((cover) => distanceTo(cover, p) <= cover.reach);
      crossings.push({ x: p.x, y: p.y, lon, lat, inside: !onFrame, hidden });
    }
  }
  // what lies within reach of a pixel, nearest first
  const drawnNear = (p, reach) => drawn.map((d) => ({ what: d.what, distance: distanceTo(d, p) }))
    .filter((d) => d.distance <= reach).sort((a, b) => a.distance - b.distance)
    .filter((d, i, all) => all.findIndex((e) => e.what === d.what) === i);
  // the T-junctions where graticule lines end on an off-grid neatline, no crossings
  const junctions = [];
  if (options.offGrid) {
    for (const lon of lons) for (const lat of [frame.south, frame.north]) junctions.push({ ...at(lon, lat), lon, lat });
    for (const lat of lats) for (const lon of [frame.west, frame.east]) junctions.push({ ...at(lon, lat), lon, lat });
  }
  const frameLines = {
    top: parallel(frame.north, frame.west, frame.east), bottom: parallel(frame.south, frame.west, frame.east),
    left: meridian(frame.west, frame.north, frame.south), right: meridian(frame.east, frame.north, frame.south),
  };
  return {
    bmp, width, height, kind, tilt, lineWidth, steps: { longitude: stepLon, latitude: stepLat }, stepMinutes: { ...options.steps },
    crossings, junctions, frame, frameLines, meridians, parallels, at, scale, drawnNear,
  };
}

// The distance of p from a drawn thing's lines, 0 inside its area.
function distanceTo(thing, p) {
  if (thing.polygon && inside(thing.polygon, p.x, p.y)) return 0;
  let best = Infinity;
  for (const line of thing.lines) {
    for (let i = 0; i + 1 < line.length; i++) {
      const a = line[i], b = line[i + 1], dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
      const t = l2 > 0 ? Math.max(0, Math.min(1, ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2)) : 0;
      best = Math.min(best, Math.hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
    }
  }
  return best;
}

function clamp(v) { return v < 0 ? 0 : v > 255 ? 255 : Math.round(v); }

// A separable gaussian, its kernel cut at three sigma.
function blur(channel, width, height, sigma) {
  if (!(sigma > 0)) return;
  const reach = Math.ceil(3 * sigma), kernel = [];
  let sum = 0;
  for (let k = -reach; k <= reach; k++) { const w = Math.exp(-k * k / (2 * sigma * sigma)); kernel.push(w); sum += w; }
  for (let k = 0; k < kernel.length; k++) kernel[k] /= sum;
  const tmp = new Float32Array(channel.length);
  for (let y = 0; y < height; y++) {
    const row = y * width;
    for (let x = 0; x < width; x++) {
      let v = 0;
      for (let k = -reach; k <= reach; k++) v += kernel[k + reach] * channel[row + Math.min(width - 1, Math.max(0, x + k))];
      tmp[row + x] = v;
    }
  }
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      let v = 0;
      for (let k = -reach; k <= reach; k++) v += kernel[k + reach] * tmp[Math.min(height - 1, Math.max(0, y + k)) * width + x];
      channel[y * width + x] = v;
    }
  }
}

module.exports = { makeSheet, random };
