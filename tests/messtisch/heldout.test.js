// The desk's seeing measured on busy sheets it was not built on
// (heldoutsheet.js): three crossings typed as a user types them, the
// crossings found and read on as the Punkte tab does, and every frame line
// traced from one click at its middle as the Balken tab does. Each sheet's
// figures are printed; the targets are those a new user's sheets must meet.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { makeSheet } = require('./heldoutsheet');
const { Bmp, Lines, Frame, AngleText } = require('./desklib');
const { deskFit } = require('./pagetools/deskfit');

const sheets = [
  { kind: 'cylinder', seed: 1, steps: { longitude: 30, latitude: 30 }, tilt: -2.1 },
  { kind: 'cylinder', seed: 2, steps: { longitude: 30, latitude: 10 }, tilt: 1.4, offGrid: true },
  { kind: 'cylinder', seed: 3, steps: { longitude: 20, latitude: 10 }, tilt: 0.6 },
  { kind: 'cylinder', seed: 4, steps: { longitude: 10, latitude: 10 }, tilt: -0.9, offGrid: true },
  { kind: 'conic', seed: 5, steps: { longitude: 30, latitude: 30 }, tilt: 2.3 },
  { kind: 'conic', seed: 6, steps: { longitude: 20, latitude: 20 }, tilt: -1.7, offGrid: true },
  { kind: 'conic', seed: 7, steps: { longitude: 30, latitude: 10 }, tilt: -2.4 },
];
// The targets the detection does not meet yet, each with what fails, so that
// the suite says so without failing; a target met is taken out of here.
const known = {
  // its graticule is 1 px of dark grey, blurred: darkness 105 to 109 at the line's centre against the
  // picture's cut of 108.6, so that only the line's own contrast over the ground beside it traces it
  6: { exact: 'nothing proposed: the 1 px graticule, blurred, barely reaches the ink cut; 12 of 104 inner crossings seen, none at the typed points',
       share: 'nothing proposed: 12 of 104 inner crossings seen as crossings, none at the typed points',
       graticule: 'the parallel 49°00\' stops at x=860, 64 %: from x=745 to 835 a cased road running along it has erased it, its casings 3 px either side, its label and a hatched wood on it beyond' },
};
const todo = (options, target) => (known[options.seed] || {})[target];
const nameOf = (s) => `${s.kind} ${s.steps.longitude}'/${s.steps.latitude}' seed ${s.seed}${s.offGrid ? ' off-grid frame' : ''}`;

const pictureOf = (bytes) => Bmp.open(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
const made = new Map();
function sheetOf(options) {
  if (!made.has(options)) {
    const sheet = makeSheet(options), picture = pictureOf(sheet.bmp);
    made.set(options, { sheet, picture, levels: Lines.levelsOf(picture) });
  }
  return made.get(options);
}

const same = (a, b) => Math.abs(a - b) < 1e-6;
const roundHalfEven = (v) => { const r = Math.round(v); return Math.abs(v - Math.trunc(v)) === 0.5 && r % 2 !== 0 ? r - 1 : r; };

// Three inner crossings a user would pick, spread over the sheet, typed at
// whole pixels with their coordinates as the measurement file writes them
// (decimal where exact, packed otherwise) and read back as the page reads them.
function typedPoints(sheet) {
  const inner = sheet.crossings.filter((c) => c.inside);
  const xs = inner.map((c) => c.x), ys = inner.map((c) => c.y);
  const spot = (fx, fy) => ({ x: Math.min(...xs) + fx * (Math.max(...xs) - Math.min(...xs)), y: Math.min(...ys) + fy * (Math.max(...ys) - Math.min(...ys)) });
  return [spot(0.2, 0.2), spot(0.8, 0.25), spot(0.5, 0.8)].map((aim) => {
    let best = inner[0];
    for (const c of inner) if (Math.hypot(c.x - aim.x, c.y - aim.y) < Math.hypot(best.x - aim.x, best.y - aim.y)) best = c;
    return { x: Math.round(best.x), y: Math.round(best.y), longitude: AngleText.degreesOf(Lines.angleText(best.lon)),
             latitude: AngleText.degreesOf(Lines.angleText(best.lat)), truth: best };
  });
}

// The Punkte tab's proposals on a sheet, judged against the printed crossings.
function proposalsJudged(options) {
  const { sheet, picture, levels } = sheetOf(options);
  const crossings = Lines.findCrossings(Lines.wholeInk(picture), levels);
  const typed = typedPoints(sheet);
  const input = typed.map(({ x, y, longitude, latitude }) => ({ x, y, longitude, latitude }));
  let read = Lines.readGraticule(input, crossings), asked = null;
  if (read.ok && read.question) {
    asked = { question: read.question, step: read.step, read };
    read = Lines.readGraticule(input, crossings, sheet.steps);
  }
  const first = asked ? asked.read : read;
  const result = { found: crossings.length, asked, read, typed, wrong: [], invented: [], worst: 0, fromLines: first.fromLines, fromPoints: first.fromPoints };
  if (!read.ok) return result;
  const printed = sheet.crossings, lons = new Set(), lats = new Set();
  printed.forEach((c) => { lons.add(c.lon); lats.add(c.lat); });
  const onGrid = (value, set) => [...set].some((v) => same(v, value));
  const covered = new Set(typed.map((t) => t.truth));
  for (const p of read.proposals) {
    let nearest = null, distance = Infinity;
    for (const c of printed) { const d = Math.hypot(c.x - p.x, c.y - p.y); if (d < distance) { distance = d; nearest = c; } }
    const own = sheet.at(p.longitude, p.latitude), ownDistance = Math.hypot(own.x - p.x, own.y - p.y);
    const stepPixels = Math.min(Math.hypot(sheet.at(p.longitude + sheet.steps.longitude, p.latitude).x - own.x, sheet.at(p.longitude + sheet.steps.longitude, p.latitude).y - own.y),
                                Math.hypot(sheet.at(p.longitude, p.latitude + sheet.steps.latitude).x - own.x, sheet.at(p.longitude, p.latitude + sheet.steps.latitude).y - own.y));
    const described = { x: p.x, y: p.y, longitude: p.longitude, latitude: p.latitude, nearest, distance, ownDistance };
    if (distance > 3) result.invented.push(described);
    if (!onGrid(p.longitude, lons) || !onGrid(p.latitude, lats) || ownDistance > stepPixels / 2) result.wrong.push(described);
    else result.worst = Math.max(result.worst, ownDistance);
    if (distance <= 1.5 && same(nearest.lon, p.longitude) && same(nearest.lat, p.latitude)) covered.add(nearest);
  }
  // a crossing under a cased road's fill, the railway or a town's symbol is not seen and not asked for
  const inner = printed.filter((c) => c.inside && !c.hidden);
  result.inner = inner.length;
  result.share = inner.filter((c) => covered.has(c)).length / inner.length;
  result.missed = inner.filter((c) => !covered.has(c));
  // messkart's fit of all points taken, on the sheet turned straight as kippdreh would
  const g = -sheet.tilt * Math.PI / 180, cx = sheet.width / 2, cy = sheet.height / 2;
  const straight = (p) => ({ x: cx + (p.x - cx) * Math.cos(g) - (p.y - cy) * Math.sin(g), y: cy + (p.x - cx) * Math.sin(g) + (p.y - cy) * Math.cos(g) });
  const points = input.concat(read.proposals).map((p) => ({ ...straight(p), longitude: p.longitude, latitude: p.latitude }));
  result.fitted = { width: sheet.width, height: sheet.height, points: points.map((p) => (
    { x: roundHalfEven(p.x), longitude: Lines.angleText(p.longitude), y: roundHalfEven(p.y), latitude: Lines.angleText(p.latitude) })) };
  return result;
}

// What the sheet has within 8 pixels of a point, nearest first.
const drawnAt = (sheet, p) => sheet.drawnNear(p, 8).map((d) => `${d.what} (${d.distance.toFixed(1)} px)`).join(', ') || 'nothing but the graticule';
const minutes = (step) => step ? `${+(60 * step.longitude).toFixed(2)}'/${+(60 * step.latitude).toFixed(2)}'` : 'none';
const describe = (sheet) => (p) => `(${p.x.toFixed(1)}, ${p.y.toFixed(1)}) as ${Lines.angleText(p.longitude)} ${Lines.angleText(p.latitude)}: ` +
  `${p.distance.toFixed(1)} px from the printed crossing ${Lines.angleText(p.nearest.lon)} ${Lines.angleText(p.nearest.lat)} at (${p.nearest.x.toFixed(1)}, ${p.nearest.y.toFixed(1)}), ` +
  `${p.ownDistance.toFixed(1)} px from where its coordinate lies; drawn there: ${drawnAt(sheet, p)}`;

const judged = new Map();
const judgedOf = (options) => { if (!judged.has(options)) judged.set(options, proposalsJudged(options)); return judged.get(options); };

function report(options) {
  const r = judgedOf(options), sheet = sheetOf(options).sheet;
  console.log(`# ${nameOf(options)} (tilt ${sheet.tilt}°, graticule ${sheet.lineWidth.toFixed(1)} px wide): ${r.found} crossings found, the lines' spacing ${minutes(r.fromLines)}, the points' ${minutes(r.fromPoints)}; ${r.asked ? 'asked (' + r.asked.question + '), then ' : ''}` +
    (r.read.ok ? `steps ${60 * r.read.step.longitude}'/${60 * r.read.step.latitude}', ${r.read.proposals.length} proposed, ${r.wrong.length} wrong, ` +
      `${r.invented.length} invented, ${(100 * r.share).toFixed(1)} % of ${r.inner} inner crossings within 1.5 px, worst ${r.worst.toFixed(2)} px`
      : 'no proposals: ' + r.read.message));
  for (const p of r.wrong) console.log(`#   wrong ${describe(sheet)(p)}`);
  for (const p of r.invented) console.log(`#   invented ${describe(sheet)(p)}`);
  for (const c of r.missed || []) console.log(`#   missed ${Lines.angleText(c.lon)} ${Lines.angleText(c.lat)} at (${c.x.toFixed(1)}, ${c.y.toFixed(1)}); drawn there: ${drawnAt(sheet, c)}`);
  return r;
}

test('the sheets are what their truth says: every printed crossing dark, the T-junctions of an off-grid frame too, and made in the same way from the same seed', () => {
  for (const options of sheets) {
    const { sheet, picture, levels } = sheetOf(options);
    const ink = Lines.wholeInk(picture);
    const darkAt = (p) => ink.dark[Math.round(p.y) * ink.width + Math.round(p.x)] > levels.cut;
    assert.ok(sheet.crossings.filter((c) => c.inside).length >= 20, nameOf(options));
    assert.ok(sheet.crossings.filter((c) => !c.hidden).every(darkAt), nameOf(options));
    assert.ok(sheet.crossings.filter((c) => c.hidden).length <= 0.1 * sheet.crossings.length, nameOf(options));
    assert.ok(sheet.junctions.every(darkAt), nameOf(options));
    assert.strictEqual(sheet.junctions.length > 0, Boolean(options.offGrid), nameOf(options));
    // the frame lines run through the crossings on the neatline, corner to corner
    assert.ok(Math.hypot(sheet.frameLines.top[0].x - sheet.frameLines.left[0].x, sheet.frameLines.top[0].y - sheet.frameLines.left[0].y) < 1e-6);
  }
  assert.ok(makeSheet(sheets[2]).bmp.equals(sheetOf(sheets[2]).sheet.bmp));
});

for (const options of sheets) {
  test(`crossings on the ${nameOf(options)}: none wrong, none invented`, { todo: todo(options, 'exact') }, () => {
    const r = report(options);
    assert.ok(r.read.ok, r.read.message);
    const sheet = sheetOf(options).sheet;
    assert.strictEqual(r.wrong.length, 0, r.wrong.map(describe(sheet)).join('\n'));
    assert.strictEqual(r.invented.length, 0, r.invented.map(describe(sheet)).join('\n'));
  });
  test(`crossings on the ${nameOf(options)}: 90 % of the inner ones within 1.5 px`, { todo: todo(options, 'share') }, () => {
    const r = judgedOf(options);
    assert.ok(r.read.ok && r.share >= 0.9, String(r.share));
  });
  if (options.kind === 'cylinder') {
    test(`crossings on the ${nameOf(options)}: all taken, messkart fits them within 1.5 px RMS`, { todo: todo(options, 'rms') }, async () => {
      const r = judgedOf(options);
      assert.ok(r.read.ok, r.read.message);
      const { rms } = await deskFit(r.fitted.width, r.fitted.height, r.fitted.points);
      console.log(`# ${nameOf(options)}: messkart RMS ${rms.toFixed(3)} px`);
      assert.ok(rms <= 1.5, String(rms));
    });
  }
}

// The polyline's centre across at t along, between its points; null outside it.
function centreOn(line, along, t) {
  const across = along === 'x' ? 'y' : 'x';
  for (let i = 0; i + 1 < line.length; i++) {
    const a = line[i], b = line[i + 1], lo = Math.min(a[along], b[along]), hi = Math.max(a[along], b[along]);
    if (t >= lo && t <= hi) return hi === lo ? a[across] : a[across] + (b[across] - a[across]) * (t - a[along]) / (b[along] - a[along]);
  }
  return null;
}

// One frame line traced from a click at its middle as the Balken tab does it:
// in a band of 600 pixels about the click, with the picture's levels.
// The click at the line's middle, or as near it as nothing else is drawn within 6 pixels.
function traceFrom(picture, levels, truth, along, sheet) {
  const middle = truth[Math.floor(truth.length / 2)];
  let click = middle;
  if (sheet) {
    const clean = (p) => sheet.drawnNear(p, 6).every((d) => /neatline|minute band|outer border/.test(d.what));
    const order = truth.map((p, i) => i).sort((a, b) => Math.abs(a - truth.length / 2) - Math.abs(b - truth.length / 2));
    click = truth[order.find((i) => clean(truth[i])) ?? Math.floor(truth.length / 2)];
  }
  const point = { x: Math.round(click.x), y: Math.round(click.y) };
  const ink = along === 'y' ? Lines.inkOf(picture, point.x - 300, 0, 600, picture.height) : Lines.inkOf(picture, 0, point.y - 300, picture.width, 600);
  const polyline = Frame.polylineOf(Frame.traceLine(ink, levels, point, along), along);
  const size = along === 'x' ? picture.width : picture.height;
  const ends = [truth[0][along], truth[truth.length - 1][along]];
  let covered = 0, counted = 0, worst = 0, firstMiss = null;
  for (let t = Math.max(0, Math.ceil(Math.min(...ends))); t <= Math.min(size - 1, Math.floor(Math.max(...ends))); t++) {
    const want = centreOn(truth, along, t), got = polyline.length >= 2 ? centreOn(polyline, along, t) : null;
    counted++;
    if (got !== null && Math.abs(got - want) <= 1.5) covered++;
    else if (!firstMiss || Math.abs(t - point[along]) < Math.abs(firstMiss.t - point[along])) firstMiss = { t, want, got };
    if (got !== null) worst = Math.max(worst, Math.abs(got - want));
  }
  // the drawn line just beyond each end of the trace, where it stopped
  const stops = polyline.length >= 2 ? [polyline[0], polyline[polyline.length - 1]].map((end, i) => {
    const t = end[along] + (i ? 3 : -3), c = centreOn(truth, along, t);
    return c === null ? null : along === 'x' ? { x: t, y: c } : { x: c, y: t };
  }).filter(Boolean) : [];
  // and what the page says of it: the share of the frame's extent it believes the trace spans
  const told = polyline.length >= 2 ? Frame.coverage(ink, levels, polyline, along).share : 0;
  return { point, polyline, share: covered / counted, worst, firstMiss, stops, told };
}

// The frame lines, or the outermost graticule lines that are not the
// neatline (those a v run traces, on an off-grid sheet a few pixels inside
// it), with the line along which each runs.
function linesOf(sheet, graticule) {
  if (!graticule) return [['top', 'x'], ['bottom', 'x'], ['left', 'y'], ['right', 'y']].map(([key, along]) => ({ key, along, line: sheet.frameLines[key] }));
  const f = sheet.frame, notFrame = (list, key, ends) => list.filter((l) => !ends.some((e) => same(l[key], e)));
  const ms = notFrame(sheet.meridians, 'lon', [f.west, f.east]), ps = notFrame(sheet.parallels, 'lat', [f.south, f.north]);
  return [{ key: 'parallel ' + Lines.angleText(ps[ps.length - 1].lat), along: 'x', line: ps[ps.length - 1].line },
          { key: 'parallel ' + Lines.angleText(ps[0].lat), along: 'x', line: ps[0].line },
          { key: 'meridian ' + Lines.angleText(ms[0].lon), along: 'y', line: ms[0].line },
          { key: 'meridian ' + Lines.angleText(ms[ms.length - 1].lon), along: 'y', line: ms[ms.length - 1].line }];
}

for (const [graticule, options] of sheets.flatMap((o) => [[false, o], [true, o]])) {
  const what = graticule ? 'outermost graticule line (v run)' : 'frame line';
  test(`every ${what} of the ${nameOf(options)} traced from one click within 1.5 px over 95 % of it`, { todo: todo(options, graticule ? 'graticule' : 'frame') }, () => {
    const { sheet, picture, levels } = sheetOf(options);
    const failures = [];
    for (const { key, along, line } of linesOf(sheet, graticule)) {
      const t = traceFrom(picture, levels, line, along, graticule ? sheet : null), across = along === 'x' ? 'y' : 'x';
      const span = t.polyline.length ? `${along}=${t.polyline[0][along]}..${t.polyline[t.polyline.length - 1][along]}` : 'nothing';
      const miss = t.firstMiss ? `, nearest miss to the click at ${along}=${t.firstMiss.t}: line at ${across}=${t.firstMiss.want.toFixed(1)}, traced ${t.firstMiss.got === null ? 'nothing' : t.firstMiss.got.toFixed(1)}` : '';
      console.log(`# ${graticule ? 'line' : 'frame'} ${key} of the ${nameOf(options)}: click (${t.point.x}, ${t.point.y}), ${t.polyline.length} points ${span}, ${(100 * t.share).toFixed(1)} % within 1.5 px (the page says ${(100 * t.told).toFixed(0)} %), worst ${t.worst.toFixed(2)} px${miss}`);
      if (t.share < 0.95) {
        const where = t.stops.map((p) => `stopped before (${p.x.toFixed(0)}, ${p.y.toFixed(0)}), where lies ${drawnAt(sheet, p)}`).join('; ');
        console.log(`#   ${where}`);
        failures.push(`${key}: ${(100 * t.share).toFixed(1)} %${miss}; ${where}`);
      }
    }
    assert.deepStrictEqual(failures, []);
  });
}
