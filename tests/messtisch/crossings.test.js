// Graticule crossings on busy sheets made at test time (sheetmap.js): the
// sheets' own truth first, then the crossings found and read on, measured
// against it. Plain node, no browser.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, runTool, tempFolder, tools } = require('./support');
const { makeSheet } = require('./sheetmap');
const { turnedBack } = require('./synthmap');
const { AngleText, Bmp, Bars, Lines, Tilt, Frame, saveWithBars } = require('./desklib');
const { deskFit } = require('./pagetools/deskfit');

const pictureOf = (bytes) => Bmp.open(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
const sheets = {};
function sheetOf(options) {
  const name = JSON.stringify(options);
  if (!sheets[name]) {
    const sheet = makeSheet(options), picture = pictureOf(sheet.bmp);
    sheets[name] = { sheet, picture, ink: Lines.wholeInk(picture), levels: Lines.levelsOf(picture) };
  }
  return sheets[name];
}
const minutes = (m) => m / 60;
const CYLINDER = { kind: 'cylinder', turn: -2.1, seed: 1 };
const CONIC = { kind: 'conic', turn: 1.4, seed: 2 };

// The distance of p from the polyline.
function distanceTo(line, p) {
  let best = Infinity;
  for (let i = 0; i + 1 < line.length; i++) {
    const a = line[i], b = line[i + 1], dx = b.x - a.x, dy = b.y - a.y;
    const t = Math.max(0, Math.min(1, ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy)));
    best = Math.min(best, Math.hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
  }
  return best;
}

test('a sheet is the same for the same seed and another for another seed', () => {
  const a = makeSheet({ ...CYLINDER, width: 400, height: 300, lonSteps: 3 }), b = makeSheet({ ...CYLINDER, width: 400, height: 300, lonSteps: 3 });
  const c = makeSheet({ ...CYLINDER, width: 400, height: 300, lonSteps: 3, seed: 9 });
  assert.ok(a.bmp.equals(b.bmp));
  assert.ok(!a.bmp.equals(c.bmp));
  assert.deepStrictEqual(a.crossings, c.crossings); // the graticule does not depend on the seed
});

test('the truth of a sheet: crossings on dark lines, inside the neatline or on it, steps as asked', () => {
  const cases = [
    [CYLINDER, { longitude: 0.5, latitude: 0.5 }],
    [{ ...CYLINDER, step: { longitude: minutes(20), latitude: minutes(10) }, seed: 3 }, { longitude: minutes(20), latitude: minutes(10) }],
    [CONIC, { longitude: 0.5, latitude: 0.5 }],
  ];
  for (const [options, step] of cases) {
    const { sheet, ink, levels } = sheetOf(options);
    assert.deepStrictEqual(sheet.step, step);
    const inside = sheet.crossings.filter((c) => c.inside);
    assert.ok(inside.length >= 40, String(inside.length));
    for (const c of sheet.crossings) {
      // each on the grid of its steps, where the projection puts it, and drawn dark
      assert.ok(Math.abs(c.longitude / step.longitude - Math.round(c.longitude / step.longitude)) < 1e-9);
      assert.ok(Math.abs(c.latitude / step.latitude - Math.round(c.latitude / step.latitude)) < 1e-9);
      const p = sheet.project(c.longitude, c.latitude);
      assert.ok(Math.hypot(p.x - c.x, p.y - c.y) < 1e-9);
      assert.ok(Lines.darkAt(ink, Math.round(c.x), Math.round(c.y)) >= levels.cut, `${options.kind} ${c.longitude} ${c.latitude}`);
      const onFrame = Math.min(...Object.values(sheet.frame).map((line) => distanceTo(line, c)));
      assert.ok(c.inside ? onFrame > 0.5 : onFrame < 0.6, `${c.longitude} ${c.latitude}: ${onFrame}`);
    }
  }
});

test('the conic sheet: sides 6 to 7 degrees from the vertical, curved parallels, one 6 pixels above the bottom edge', () => {
  const { sheet } = sheetOf(CONIC);
  const slant = (line) => Math.atan2(line[line.length - 1].x - line[0].x, line[line.length - 1].y - line[0].y) * 180 / Math.PI;
  const left = slant(sheet.frame.left), right = slant(sheet.frame.right);
  console.log(`# conic sheet: sides ${left.toFixed(2)} and ${right.toFixed(2)} degrees from the vertical`);
  assert.ok((right - left) / 2 >= 6 && (right - left) / 2 <= 7, `${left} ${right}`);
  assert.ok(Math.abs((left + right) / 2 + 1.4) < 0.01); // turned 1.4 degrees clockwise
  // the lowest parallel: its middle 6 pixels from the bottom edge, its ends far more; its bend between
  const lowest = sheet.parallels.reduce((a, b) => (a.latitude < b.latitude ? a : b));
  const middle = lowest.line[Math.floor(lowest.line.length / 2)], ends = [lowest.line[0], lowest.line[lowest.line.length - 1]];
  const gap = distanceTo(sheet.frame.bottom, middle);
  const chord = Math.hypot(ends[1].x - ends[0].x, ends[1].y - ends[0].y);
  const sagitta = Math.abs((ends[1].x - ends[0].x) * (middle.y - ends[0].y) - (ends[1].y - ends[0].y) * (middle.x - ends[0].x)) / chord;
  console.log(`# conic sheet: parallel ${lowest.latitude} ${gap.toFixed(2)} px above the bottom edge at mid-sheet, bends ${sagitta.toFixed(1)} px over ${chord.toFixed(0)} px`);
  assert.ok(Math.abs(gap - 6) < 0.6, String(gap));
  assert.ok(sagitta > 40, String(sagitta));
  assert.ok(Math.min(...ends.map((p) => distanceTo(sheet.frame.bottom, p))) > 40);
});

// Three crossings as the user sets them, far apart (left above, right
// above, middle below): the ones nearest those places that show as
// crossings, snapped to them, at whole pixels, typed.
function typedOn(sheet, crossings, places = [[0.25, 0.3], [0.75, 0.35], [0.5, 0.75]]) {
  const seen = (truth) => crossings.find((c) => Math.hypot(c.x - truth.x, c.y - truth.y) <= 1.5);
  const inner = sheet.crossings.filter((c) => c.inside && seen(c));
  return places.map(([u, v]) => {
    const at = { x: u * sheet.width, y: v * sheet.height };
    const truth = inner.reduce((a, b) => (Math.hypot(b.x - at.x, b.y - at.y) < Math.hypot(a.x - at.x, a.y - at.y) ? b : a));
    const c = seen(truth);
    return { x: Tilt.roundHalfEven(c.x), y: Tilt.roundHalfEven(c.y), longitude: truth.longitude, latitude: truth.latitude };
  });
}

// The proposals against the sheet's truth: those with a coordinate whose
// crossing lies elsewhere, those where no crossing is printed, and the share
// of the printed inner crossings proposed (or typed) within 1.5 pixels.
function judged(sheet, typed, proposals) {
  const same = (a, b) => Math.abs(a.longitude - b.longitude) < 1e-9 && Math.abs(a.latitude - b.latitude) < 1e-9;
  let wrong = 0, invented = 0, worst = 0;
  for (const p of proposals) {
    if (!sheet.crossings.some((c) => Math.hypot(c.x - p.x, c.y - p.y) <= 3)) { invented++; continue; }
    const truth = sheet.crossings.find((c) => same(c, p));
    if (!truth || Math.hypot(truth.x - p.x, truth.y - p.y) > 3) wrong++;
    else worst = Math.max(worst, Math.hypot(truth.x - p.x, truth.y - p.y));
  }
  const inner = sheet.crossings.filter((c) => c.inside);
  const near = inner.filter((c) => typed.concat(proposals).some((p) => same(p, c) && Math.hypot(c.x - p.x, c.y - p.y) <= 1.5)).length;
  return { wrong, invented, worst, share: near / inner.length, inner: inner.length };
}

// messkart's fit through the typed points and every proposal, as the page writes them.
async function rmsOf(sheet, typed, proposals) {
  const points = typed.concat(proposals.map((p) => ({ x: Tilt.roundHalfEven(p.x), y: Tilt.roundHalfEven(p.y), longitude: p.longitude, latitude: p.latitude })));
  return (await deskFit(sheet.width, sheet.height, points.map((p) => (
    { x: p.x, longitude: Lines.angleText(p.longitude), y: p.y, latitude: Lines.angleText(p.latitude) })))).rms;
}

const SHEETS = [
  ['cylindrical, 30′', CYLINDER],
  ['cylindrical, 20′ x 10′', { ...CYLINDER, seed: 3, step: { longitude: minutes(20), latitude: minutes(10) } }],
  ['cylindrical, 10′, turned the other way', { kind: 'cylinder', turn: 1.4, seed: 4, step: { longitude: minutes(10), latitude: minutes(10) }, lonSteps: 18 }],
  ['conic, 30′', CONIC],
  ['conic, 1° x 30′, turned the other way', { kind: 'conic', turn: -2.1, seed: 5, step: { longitude: 1, latitude: 0.5 } }],
];

test('on busy sheets the steps are read from the lines, nothing is invented, 90 % of the inner crossings proposed within 1.5 px', () => {
  for (const [name, options] of SHEETS) {
    const { sheet, ink, levels } = sheetOf(options);
    const crossings = Lines.findCrossings(ink, levels), typed = typedOn(sheet, crossings);
    const read = Lines.readGraticule(typed, crossings);
    assert.ok(read.ok, name);
    assert.strictEqual(read.question, null, name);
    assert.deepStrictEqual(read.step, sheet.step, name);
    assert.deepStrictEqual(read.fromLines, sheet.step, name);
    const figures = judged(sheet, typed, read.proposals);
    console.log(`# ${name}: ${crossings.length} crossings of long lines, ${read.proposals.length} proposed + 3 typed, ` +
                `${(100 * figures.share).toFixed(1)} % of ${figures.inner} inner within 1.5 px, worst ${figures.worst.toFixed(2)} px, ` +
                `${figures.wrong} wrong, ${figures.invented} invented`);
    assert.strictEqual(figures.wrong, 0, name);
    assert.strictEqual(figures.invented, 0, name);
    assert.ok(figures.share >= 0.9, `${name}: ${figures.share}`);
  }
});

// messkart fits x to the longitude and y to the latitude alone: the sheet
// is first straightened by kippdreh with the command the tilt tab offers.
test('on the sheets straightened by kippdreh, messkart fits all the proposals', { skip: !fs.existsSync(tools.kippdreh) && 'tools not built' }, async () => {
  for (const [name, options] of [SHEETS[0], SHEETS[3]]) {
    const { sheet, ink, levels } = sheetOf(options), folder = tempFolder('bogen');
    fs.writeFileSync(path.join(folder, 'BOGEN.BMP'), sheet.bmp);
    const tilt = Frame.findTilt(ink, levels);
    const command = Tilt.commands(tilt.line.from, tilt.line.to, sheet.width, sheet.height, 'BOGEN.BMP').forms[0].command;
    assert.strictEqual(runTool('kippdreh', command.split(' ').slice(1), folder).status, 0);
    const picture = pictureOf(fs.readFileSync(path.join(folder, 'BOGEN.TMP'))), turned = turnedBack(sheet, picture, command);
    const straight = { ...sheet, width: picture.width, height: picture.height, crossings: sheet.crossings.map(turned) };
    const crossings = Lines.findCrossings(Lines.wholeInk(picture), Lines.levelsOf(picture)), typed = typedOn(straight, crossings);
    const read = Lines.readGraticule(typed, crossings);
    assert.deepStrictEqual([read.question, read.step], [null, sheet.step], name);
    const figures = judged(straight, typed, read.proposals), rms = await rmsOf(straight, typed, read.proposals);
    console.log(`# ${name} after ${command}: ${read.proposals.length} proposed + 3 typed, ${(100 * figures.share).toFixed(1)} % of ` +
                `${figures.inner} inner within 1.5 px, ${figures.wrong} wrong, ${figures.invented} invented; messkart RMS ${rms.toFixed(3)} px`);
    assert.deepStrictEqual([figures.wrong, figures.invented], [0, 0], name);
    assert.ok(figures.share >= 0.9, `${name}: ${figures.share}`);
    if (options.kind === 'cylinder') assert.ok(rms <= 1.5, `${name}: ${rms}`);
  }
});

test('typed points off the lines\' grid bring a question and no proposal; the confirmed steps bring the proposals', () => {
  const { sheet, ink, levels } = sheetOf(CYLINDER);
  const crossings = Lines.findCrossings(ink, levels), typed = typedOn(sheet, crossings);
  // the third point typed 10′ off its latitude: the points say 10′, the lines 30′
  const misTyped = typed.map((t, i) => (i === 2 ? { ...t, latitude: t.latitude + minutes(10) } : t));
  const asked = Lines.readGraticule(misTyped, crossings);
  assert.deepStrictEqual([asked.ok, asked.fromPoints.latitude, asked.proposals], [true, minutes(10), []]);
  // (the mistyped point bends the map the spacing is measured in, so the lines now look 20′ apart)
  assert.strictEqual(asked.question, `Die Linien im Bild liegen alle 30′ Länge und ${AngleText.stepText(asked.fromLines.latitude)} Breite, ` +
                     'die Passpunkte aber nicht auf diesem Netz: bitte die Schritte und die Koordinaten der Passpunkte prüfen.');
  // the user's steps: proposals again, as without a question
  const confirmed = Lines.readGraticule(typed, crossings, { longitude: 0.5, latitude: 0.5 });
  assert.strictEqual(confirmed.question, null);
  assert.deepStrictEqual(confirmed.proposals, Lines.readGraticule(typed, crossings).proposals);
  // a step the sheet does not have (10′ of latitude on a 30′ grid): still only crossings that are printed
  const finer = Lines.readGraticule(typed, crossings, { longitude: 0.5, latitude: minutes(10) });
  assert.ok(finer.proposals.length > 0);
  assert.strictEqual(judged(sheet, typed, finer.proposals).invented, 0);
});

test('three points typed close together on a conic sheet give a question, never a wrong coordinate', () => {
  const { sheet, ink, levels } = sheetOf(SHEETS[4][1]);
  const crossings = Lines.findCrossings(ink, levels);
  // the 9°, 10° and 15° meridians near the bottom: the map's latitude scale is barely seen
  const node = (lon, lat) => sheet.crossings.find((c) => c.longitude === lon && c.latitude === lat);
  const close = [node(9, 47.5), node(15, 46.5), node(10, 47.5)].map((c) => ({ x: c.x / sheet.width, y: c.y / sheet.height }));
  const typed = typedOn(sheet, crossings, close.map((p) => [p.x, p.y]));
  const read = Lines.readGraticule(typed, crossings);
  const figures = judged(sheet, typed, read.proposals);
  console.log(`# close points on the conic sheet: lines read as ${JSON.stringify(read.fromLines)}; ${read.proposals.length} proposed, ` +
              `${figures.wrong} wrong; question: ${read.question}`);
  assert.deepStrictEqual([figures.wrong, figures.invented], [0, 0]);
  assert.match(read.question, /^Die Passpunkte passen nicht zum Gradnetz im Bild \(alle 1° Länge, 20′ Breite\): /);
});

// A graticule of 6 x 5 crossings as findCrossings gives them, 60 pixels a
// 30′ step east and 50 north: each crossing's lines with the others they
// pass and the centres followed. The crossing at (3, 2) is hidden (a label on
// it); a road meets the 3rd meridian 4 pixels below it, at 10 degrees.
function latticeCrossings() {
  const column = (i) => { const p = []; for (let y = 180; y <= 420; y += 2) p.push(100 + 60 * i, y); return new Float32Array(p); };
  const row = (j) => { const p = []; for (let x = 60; x <= 440; x += 2) p.push(x, 400 - 50 * j); return new Float32Array(p); };
  const nodes = [];
  for (let i = 0; i < 6; i++) for (let j = 0; j < 5; j++) if (i !== 3 || j !== 2) nodes.push({ i, j, x: 100 + 60 * i, y: 400 - 50 * j });
  const road = { i: 3, j: 2, x: 280, y: 304, road: true };
  const all = nodes.concat([road]);
  const indices = (keep) => all.map((n, k) => (keep(n) ? k : -1)).filter((k) => k >= 0);
  return all.map((n) => ({ x: n.x, y: n.y, lines: [
    { dx: 0, dy: 1, reach: [200, 200], meets: indices((m) => m !== n && m.i === n.i), path: column(n.i) },
    n.road ? { dx: Math.cos(0.17), dy: Math.sin(0.17), reach: [40, 40], meets: [], path: new Float32Array([300, 307.5, 320, 311]) }
           : { dx: 1, dy: 0, reach: [200, 200], meets: indices((m) => m !== n && !m.road && m.j === n.j), path: row(n.j) },
  ] }));
}
const latticeNode = (i, j) => ({ x: 100 + 60 * i, y: 400 - 50 * j, longitude: 8 + 0.5 * i, latitude: 50 + 0.5 * j });

test('on a literal graticule: every node proposed, the hidden one from its lines, the road never', () => {
  const typed = [latticeNode(0, 0), latticeNode(5, 0), latticeNode(2, 4)];
  const read = Lines.readGraticule(typed, latticeCrossings());
  assert.deepStrictEqual([read.ok, read.question, read.step, read.fromLines, read.fromPoints],
                         [true, null, { longitude: 0.5, latitude: 0.5 }, { longitude: 0.5, latitude: 0.5 }, { longitude: 0.5, latitude: 2 }]);
  const expected = [];
  for (let i = 0; i < 6; i++) for (let j = 0; j < 5; j++) if (![[0, 0], [5, 0], [2, 4]].some(([a, b]) => a === i && b === j)) expected.push(latticeNode(i, j));
  const order = (a, b) => a.longitude - b.longitude || a.latitude - b.latitude;
  const got = read.proposals.slice().sort(order);
  assert.strictEqual(got.length, expected.length);
  got.forEach((p, k) => {
    assert.deepStrictEqual([p.longitude, p.latitude], [expected[k].longitude, expected[k].latitude]);
    assert.ok(Math.hypot(p.x - expected[k].x, p.y - expected[k].y) < 1e-3, `${p.longitude} ${p.latitude}: ${p.x} ${p.y}`);
  });
});

test('on a literal graticule: a crossing seen 3.5 pixels beside its node (a name across it) is placed where its lines cross', () => {
  const crossings = latticeCrossings();
  const pulled = crossings.find((c) => c.x === 160 && c.y === 350);
  pulled.y += 3.5;
  const read = Lines.readGraticule([latticeNode(0, 0), latticeNode(5, 0), latticeNode(2, 4)], crossings);
  const p = read.proposals.find((q) => q.longitude === 8.5 && q.latitude === 50.5);
  assert.ok(p && Math.hypot(p.x - 160, p.y - 350) < 1e-3, JSON.stringify(p));
  assert.strictEqual(read.proposals.length, 27);
});

test('on a literal graticule: a point typed a step off, or crossings without their lines, bring a question', () => {
  const typed = [latticeNode(0, 0), latticeNode(5, 0), { ...latticeNode(2, 4), latitude: 52.5 }];
  const offStep = Lines.readGraticule(typed, latticeCrossings());
  assert.deepStrictEqual([offStep.ok, offStep.proposals], [true, []]);
  assert.ok(offStep.question.startsWith('Die Passpunkte passen nicht zum Gradnetz im Bild') ||
            offStep.question.startsWith('Der Abstand der Gradnetz-Linien'), offStep.question);
  // crossings as a small patch gives them, with no lines followed: the spacing is not known
  const bare = latticeCrossings().map((c) => ({ x: c.x, y: c.y }));
  const read = Lines.readGraticule([latticeNode(0, 0), latticeNode(5, 0), latticeNode(2, 4)], bare);
  assert.deepStrictEqual([read.ok, read.fromLines, read.step, read.proposals], [true, null, { longitude: 0.5, latitude: 2 }, []]);
  assert.strictEqual(read.question, 'Der Abstand der Gradnetz-Linien war im Bild nicht zu messen: bitte die Schritte in Länge und Breite prüfen und bestätigen.');
});

test('on a literal graticule: points set beside the nodes bring a message saying where, not a silent nothing', () => {
  const beside = (p) => ({ ...p, y: p.y + 15 });
  const off = Lines.readGraticule([latticeNode(0, 0), latticeNode(5, 0), latticeNode(2, 4)].map(beside), latticeCrossings());
  assert.deepStrictEqual(off, { ok: false, message: 'An den Passpunkten bei (100, 415), (400, 415), (220, 215) kreuzt im Bild kein Meridian ' +
                                                    'einen Breitenkreis: bitte die Passpunkte auf Gradnetz-Kreuzungen setzen.' });
  // one of them beside its node: the grid is carried on from the others, each proposal on its own node
  const one = Lines.readGraticule([beside(latticeNode(0, 0)), latticeNode(5, 0), latticeNode(2, 4)], latticeCrossings());
  assert.deepStrictEqual([one.ok, one.question], [true, null]);
  assert.ok(one.proposals.length >= 20, String(one.proposals.length));
  for (const p of one.proposals) {
    const node = latticeNode((p.longitude - 8) / 0.5, (p.latitude - 50) / 0.5);
    assert.ok(Math.hypot(p.x - node.x, p.y - node.y) < 0.5, `${p.longitude} ${p.latitude}: ${p.x} ${p.y}`);
  }
});

test('crossings of lines that run on are found, a short stroke or a letter on a line is not', () => {
  // three meridians and three parallels 80 pixels apart, a 24-pixel stroke across the middle parallel, an x on a meridian
  const dark = (x, y) => [60, 140, 220].includes(x) || [50, 130, 210].includes(y) ||
    (x >= 168 && x <= 172 && y >= 118 && y <= 142) || (Math.abs(x - 140 - (y - 85)) <= 0.5 && Math.abs(y - 85) <= 5) ||
    (Math.abs(x - 140 + (y - 85)) <= 0.5 && Math.abs(y - 85) <= 5);
  const picture = pictureOf(makeBmp(280, 260, (x, y) => (dark(x, y) ? [25, 25, 25] : [236, 230, 210])));
  const found = Lines.findCrossings(Lines.wholeInk(picture), Lines.levelsOf(picture));
  const at = found.map((c) => [Math.round(c.x), Math.round(c.y)]).sort((a, b) => a[0] - b[0] || a[1] - b[1]);
  assert.deepStrictEqual(at, [[60, 50], [60, 130], [60, 210], [140, 50], [140, 130], [140, 210], [220, 50], [220, 130], [220, 210]]);
  // the middle one's meridian passes the two others on it
  const middle = found.find((c) => Math.round(c.x) === 140 && Math.round(c.y) === 130);
  const meridian = middle.lines.find((l) => Math.abs(l.dy) > 0.9);
  assert.deepStrictEqual(meridian.meets.map((k) => Math.round(found[k].y)).sort((a, b) => a - b), [50, 210]);
});

test('crossings on the picture\'s first and last row, where glattzug v puts two parallels, are found and read on', () => {
  // meridians every 60 pixels leaning a little, parallels on the first row, at 70 and on the last row
  const meridianX = (i, y) => 40 + 60 * i + 0.02 * y;
  const dark = (x, y) => y === 0 || y === 139 || y === 70 || [0, 1, 2, 3].some((i) => Math.abs(x - meridianX(i, y)) <= 0.75);
  const picture = pictureOf(makeBmp(260, 140, (x, y) => (dark(x, y) ? [25, 25, 25] : [236, 230, 210])));
  const found = Lines.findCrossings(Lines.wholeInk(picture), Lines.levelsOf(picture));
  const edge = found.filter((c) => c.edge).map((c) => [Math.round(10 * c.x) / 10, c.y]).sort((a, b) => a[1] - b[1] || a[0] - b[0]);
  assert.deepStrictEqual(edge.map((e) => e[1]), [0, 0, 0, 0, 139, 139, 139, 139]);
  edge.forEach(([x, y], k) => assert.ok(Math.abs(x - meridianX(k % 4, y)) <= 0.3, `${x} ${y}`));
  const node = (i, j) => ({ x: meridianX(i, [139, 70, 0][j]), y: [139, 70, 0][j], longitude: 8 + 0.5 * i, latitude: 50 + 0.5 * j });
  const read = Lines.readGraticule([node(0, 0), node(3, 0), node(1, 2)], found, { longitude: 0.5, latitude: 0.5 });
  const got = read.proposals.map((p) => [p.longitude, p.latitude]).sort((a, b) => a[0] - b[0] || a[1] - b[1]);
  assert.deepStrictEqual(got, [[8, 50.5], [8, 51], [8.5, 50], [8.5, 50.5], [9, 50], [9, 50.5], [9, 51], [9.5, 50.5], [9.5, 51]]);
});

// One click in the middle of a drawn line, traced as the Balken tab traces it.
function tracedFrom(picture, truth, along) {
  const middle = truth[Math.floor(truth.length / 2)];
  const click = { x: Math.round(middle.x), y: Math.round(middle.y) };
  return Frame.polylineOf(Frame.traceLine(Lines.wholeInk(picture), Lines.levelsOf(picture), click, along), along);
}

// The whole chain on the busy conic sheet with nothing but one click a line
// and three typed points: kippdreh, glattzug h along the traced sides,
// glattzug v along the outermost traced parallels, the proposals, messkart.
test('the conic sheet through kippdreh, glattzug h and v on traced lines and messkart on the proposals', { skip: !fs.existsSync(tools.kippdreh) && 'tools not built' }, async () => {
  const { sheet, ink, levels } = sheetOf(CONIC), folder = tempFolder('kegelbogen');
  fs.writeFileSync(path.join(folder, 'BOGEN.BMP'), sheet.bmp);
  const tilt = Frame.findTilt(ink, levels);
  const command = Tilt.commands(tilt.line.from, tilt.line.to, sheet.width, sheet.height, 'BOGEN.BMP').forms[0].command;
  assert.strictEqual(runTool('kippdreh', command.split(' ').slice(1), folder).status, 0);
  let picture = pictureOf(fs.readFileSync(path.join(folder, 'BOGEN.TMP')));
  const turned = turnedBack(sheet, picture, command);
  const sides = Bars.emptyLines();
  for (const key of ['left', 'right']) sides[key] = tracedFrom(picture, sheet.frame[key].map(turned), 'y');
  const rows = await saveWithBars(folder, 'BOGEN2.BMP', picture, sides, 'h');
  assert.strictEqual(runTool('glattzug', ['BOGEN2.BMP', 'h'], folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'BOGEN2.TMP')));
  const { width, height } = picture;
  const stretched = (p) => {
    const q = turned(p), r = Math.max(0, Math.min(height - 1, Math.round(q.y))), low = rows.low[r], high = rows.high[r];
    return { ...p, x: (q.x - low) * (width - 1) / (high - low), y: q.y };
  };
  const latitudes = sheet.parallels.map((p) => p.latitude), south = Math.min(...latitudes), north = Math.max(...latitudes);
  const bars = Bars.emptyLines();
  for (const [key, lat] of [['top', north], ['bottom', south]]) {
    const pieces = sheet.parallels.filter((p) => p.latitude === lat);
    bars[key] = tracedFrom(picture, pieces.reduce((a, b) => (b.line.length > a.line.length ? b : a)).line.map(stretched), 'x');
  }
  const columns = await saveWithBars(folder, 'BOGEN3.BMP', picture, bars, 'v');
  // decimal degrees, as the Balken tab writes them: glattzug would read a packed
  // 463000 as 463000 degrees and stretch linearly, 16 px off the sinh rows at mid-sheet
  const [low, high] = [south, north].map((d) => AngleText.angleIn('decimal', d));
  assert.strictEqual(runTool('glattzug', ['BOGEN3.BMP', 'v', low, high], folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'BOGEN3.TMP')));
  // each column's rows between the bars spread evenly in the latitude, then moved to even steps of its hyperbolic sine
  const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
  const final = (c) => {
    const q = stretched(c), column = Math.max(0, Math.min(width - 1, Math.round(q.x)));
    const latitude = north - (north - south) * (q.y - columns.low[column]) / (columns.high[column] - columns.low[column]);
    return { ...c, x: q.x, y: (height - 1) * (S(latitude) - S(north)) / (S(south) - S(north)) };
  };
  const straight = { ...sheet, width, height, crossings: sheet.crossings.filter((c) => c.latitude >= south && c.latitude <= north).map(final) };
  const crossings = Lines.findCrossings(Lines.wholeInk(picture), Lines.levelsOf(picture)), typed = typedOn(straight, crossings);
  const read = Lines.readGraticule(typed, crossings);
  assert.deepStrictEqual([read.question, read.step], [null, sheet.step]);
  const figures = judged(straight, typed, read.proposals), rms = await rmsOf(straight, typed, read.proposals);
  console.log(`# conic sheet through the chain (${command}, v ${low} ${high}): ${read.proposals.length} proposed + 3 typed, ` +
              `${(100 * figures.share).toFixed(1)} % of ${figures.inner} inner within 1.5 px, worst ${figures.worst.toFixed(2)} px, ` +
              `${figures.wrong} wrong, ${figures.invented} invented; messkart RMS ${rms.toFixed(3)} px`);
  assert.deepStrictEqual([figures.wrong, figures.invented], [0, 0]);
  assert.ok(figures.share >= 0.9, String(figures.share));
  assert.ok(rms <= 1.5, String(rms));
});
