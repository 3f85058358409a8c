// Frame lines traced from one click as scanned sheets give them: every frame
// line of the busy sheets, before and after kippdreh and glattzug h, the
// slanted sides of a turned sheet, a small-scale sheet's curved parallel
// broken by its labels, a parallel a few pixels beside the neatline, a pale
// thin line across a hatched wood, and a trace that loses its line saying
// where it stopped. Each measured against the drawn line: the share of its
// length within 1.5 px, the worst and mean distance. Plain node, no browser; the tools for the h run.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, runTool, tempFolder, tools } = require('./support');
const { makeMap, centreAt, coverage, blurred, random } = require('./synthmap');
const { makeSheet } = require('./sheetmap');
const { Bars, Lines, Frame, Bmp, Tilt } = require('./desklib');

const pictureOf = (bytes) => Bmp.open(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));

// A grey picture of polylines on noisy paper, blurred as a scanner does:
// layers [{lines, width, grey}].
function drawn(width, height, layers, seed) {
  const next = random(seed), covers = layers.map((l) => coverage(width, height, l.lines, l.width));
  let rgb = new Float32Array(3 * width * height);
  for (let i = 0; i < width * height; i++) {
    let v = 236 + 10 * (next() + next() - 1);
    layers.forEach((l, k) => { v += (l.grey - v) * covers[k][i]; });
    rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = v;
  }
  rgb = blurred(rgb, width, height);
  return pictureOf(makeBmp(width, height, (x, y) => {
    const v = Math.max(0, Math.min(255, Math.round(rgb[3 * (y * width + x)])));
    return [v, v, v];
  }));
}

// One click traced as the Balken tab does it: in a band 600 pixels wide.
function traceFrom(picture, levels, click, along) {
  const ink = along === 'y' ? Lines.inkOf(picture, click.x - 300, 0, 600, picture.height) : Lines.inkOf(picture, 0, click.y - 300, picture.width, 600);
  const polyline = Frame.polylineOf(Frame.traceLine(ink, levels, click, along), along);
  return { polyline, coverage: Frame.coverage(ink, levels, polyline, along) };
}

// The polyline against the drawn line `truth` from `from` to `to` along:
// the share within 1.5 px, the worst and the mean distance where it is.
function measured(polyline, truth, along, from, to) {
  let near = 0, worst = 0, sum = 0, counted = 0;
  for (let t = Math.ceil(from); t <= Math.floor(to); t++) {
    const here = polyline.length >= 2 ? centreAt(polyline, along, t) : null, there = centreAt(truth, along, t);
    if (here === null || there === null) continue;
    const d = Math.abs(here - there);
    if (d <= 1.5) near++;
    worst = Math.max(worst, d); sum += d; counted++;
  }
  return { share: near / (Math.floor(to) - Math.ceil(from) + 1), worst, mean: counted ? sum / counted : 0 };
}

// A line clicked at a fifth, the half and four fifths of its length, each
// trace measured over the drawn line's length inside the picture; the
// polyline from the middle click.
function tracedThrice(picture, truth, along, name) {
  const levels = Lines.levelsOf(picture), size = along === 'x' ? picture.width : picture.height;
  const ends = [truth[0][along], truth[truth.length - 1][along]];
  let middle = null;
  for (const share of [0.2, 0.8, 0.5]) {
    const p = truth[Math.round(share * (truth.length - 1))];
    const { polyline, coverage } = traceFrom(picture, levels, { x: Math.round(p.x), y: Math.round(p.y) }, along);
    const m = measured(polyline, truth, along, Math.max(0, Math.min(...ends)), Math.min(size - 1, Math.max(...ends)));
    console.log(`# ${name} clicked at ${share}: ${figures(m)}, ${(100 * coverage.share).toFixed(1)} % of the frame`);
    assert.ok(m.share >= 0.95 && m.worst <= 1.5, `${name} ${share}: ${figures(m)}`);
    assert.ok(coverage.share >= 0.8, `${name} ${share}: ${JSON.stringify(coverage)}`);
    middle = polyline;
  }
  return middle;
}

const SHEETS = [{ kind: 'cylinder', turn: -2.1, seed: 1 }, { kind: 'conic', turn: 1.4, seed: 2 }];
const sheets = SHEETS.map((options) => ({ options, sheet: null }));
const sheetOf = (k) => sheets[k].sheet || (sheets[k].sheet = makeSheet(sheets[k].options));

test('every frame line of the busy sheets traced from one click, within 1.5 px over 95 % of its length', () => {
  for (let k = 0; k < SHEETS.length; k++) {
    const sheet = sheetOf(k), picture = pictureOf(sheet.bmp);
    for (const key of ['left', 'right', 'top', 'bottom']) tracedThrice(picture, sheet.frame[key], Bars.alongOf(key), `${sheet.kind} ${key}`);
  }
});

test('after kippdreh and glattzug h the sides and the parallels for the v run traced from one click', { skip: !fs.existsSync(tools.glattzug) && 'tools not built' }, async () => {
  for (let k = 0; k < SHEETS.length; k++) {
    const sheet = sheetOf(k), folder = tempFolder('verfolgt');
    fs.writeFileSync(path.join(folder, 'BLATT.BMP'), sheet.bmp);
    let picture = pictureOf(sheet.bmp);
    const tilt = Frame.findTilt(Lines.wholeInk(picture), Lines.levelsOf(picture));
    const command = Tilt.commands(tilt.line.from, tilt.line.to, sheet.width, sheet.height, 'BLATT.BMP').forms[0].command;
    assert.strictEqual(runTool('kippdreh', command.split(' ').slice(1), folder).status, 0);
    picture = pictureOf(fs.readFileSync(path.join(folder, 'BLATT.TMP')));
    // kippdreh turns about the old picture's middle into the larger picture
    const g = Number(command.split('=')[1]) * Math.PI / 180, mx = Math.floor(sheet.width / 2), my = Math.floor(sheet.height / 2);
    const shiftX = (picture.width - sheet.width) / 2, shiftY = (picture.height - sheet.height) / 2;
    const turned = (p) => ({ x: mx + shiftX + (p.x - mx) * Math.cos(g) - (p.y - my) * Math.sin(g), y: my + shiftY + (p.x - mx) * Math.sin(g) + (p.y - my) * Math.cos(g) });
    const lines = Bars.emptyLines();
    for (const key of ['left', 'right']) lines[key] = tracedThrice(picture, sheet.frame[key].map(turned), 'y', `${sheet.kind} after kippdreh, ${key}`);
    const range = Bars.paintedRange(lines, 'h', picture.width, picture.height);
    const painted = await Bmp.paintedBlob(picture, Bars.rowSpans(range, picture.width), 'image/bmp');
    fs.writeFileSync(path.join(folder, 'BLATT2.BMP'), Buffer.from(await painted.arrayBuffer()));
    assert.strictEqual(runTool('glattzug', ['BLATT2.BMP', 'h'], folder).status, 0);
    const stretched = pictureOf(fs.readFileSync(path.join(folder, 'BLATT2.TMP')));
    // each row's stretch between the bars to the picture's width
    const across = (p) => {
      const q = turned(p), row = Math.max(0, Math.min(picture.height - 1, Math.round(q.y)));
      return { x: (q.x - range.low[row]) * (stretched.width - 1) / (range.high[row] - range.low[row]), y: q.y };
    };
    // the cylindrical sheet's top and bottom are parallels; on the conic one the highest and the lowest parallel, 6 px above the bottom edge
    const latitudes = sheet.parallels.map((p) => p.latitude);
    const parallel = (lat) => sheet.parallels.find((p) => p.latitude === lat).line;
    const vLines = sheet.kind === 'cylinder' ? { top: sheet.frame.top, bottom: sheet.frame.bottom }
      : { top: parallel(Math.max(...latitudes)), bottom: parallel(Math.min(...latitudes)) };
    for (const key of ['top', 'bottom']) tracedThrice(stretched, vLines[key].map(across), 'x', `${sheet.kind} after glattzug h, ${key}`);
  }
});

const figures = (m) => `${(100 * m.share).toFixed(1)} % within 1.5 px, worst ${m.worst.toFixed(2)}, mean ${m.mean.toFixed(2)} px`;
const at = (line, share) => {
  const a = line[0], b = line[line.length - 1];
  return { x: Math.round(a.x + (b.x - a.x) * share), y: Math.round(a.y + (b.y - a.y) * share) };
};

test('the sides of a sheet turned by 6.7 degrees traced whole from a click anywhere on them', () => {
  // clicked near an end, the course from the click alone lost the slanted line within 24 pixels
  for (const [kind, turn] of [['conic', 6.7], ['cylinder', -6.7]]) {
    const map = makeMap({ kind, blur: true, turn, seed: 5, width: 1600, height: 1200 });
    const picture = pictureOf(map.bmp), levels = Lines.levelsOf(picture);
    for (const key of ['left', 'right', 'top', 'bottom']) {
      const line = map.sides[key], along = Bars.alongOf(key);
      for (const share of [0.2, 0.5, 0.8]) {
        const { polyline, coverage } = traceFrom(picture, levels, at(line, share), along);
        const m = measured(polyline, line, along, Math.min(line[0][along], line[1][along]), Math.max(line[0][along], line[1][along]));
        console.log(`# ${kind} turned ${turn}, ${key} clicked at ${share}: ${figures(m)}, ${(100 * coverage.share).toFixed(1)} % of the frame`);
        assert.ok(m.share >= 0.95 && m.worst <= 1.5, `${kind} ${key} ${share}: ${figures(m)}`);
        // the frame's extent holds the labels outside it: a whole side covers less than all, but not less than 80 %
        assert.ok(coverage.share >= 0.9, `${kind} ${key} ${share}: ${JSON.stringify(coverage)}`);
      }
    }
  }
});

// A small-scale conic sheet's parallel: an arc of radius 2500 px, broken every
// 200 px for 24 px where a label sits in it, meridians crossing it.
function brokenArc() {
  const width = 1400, height = 600, radius = 2500, y = (x) => 80 + radius - Math.sqrt(radius * radius - (x - 700) * (x - 700));
  const truth = [], pieces = [], labels = [];
  let piece = [];
  for (let x = 60; x <= 1340; x += 2) {
    truth.push({ x, y: y(x) });
    if ((x - 60) % 200 >= 176) {
      if (piece.length > 1) pieces.push(piece);
      piece = [];
      if ((x - 60) % 200 === 180) labels.push([{ x: x + 2, y: y(x) - 3 }, { x: x + 6, y: y(x) + 3 }], [{ x: x + 10, y: y(x) - 3 }, { x: x + 14, y: y(x) + 3 }]);
    } else piece.push({ x, y: y(x) });
  }
  if (piece.length > 1) pieces.push(piece);
  const meridians = [];
  for (let x = 130; x < 1340; x += 170) meridians.push([{ x: 700 + (x - 700) * 0.8, y: 10 }, { x, y: 590 }]);
  const neatline = [[{ x: 20, y: 580 }, { x: 1380, y: 580 }]];
  const picture = drawn(width, height, [{ lines: pieces.concat(meridians), width: 1.8, grey: 20 }, { lines: labels, width: 1.3, grey: 40 },
                                        { lines: neatline, width: 3, grey: 10 }], 3);
  return { picture, truth };
}

test('a parallel curved as on a small-scale sheet followed by its bend across the gaps of its labels', () => {
  // the chord through the last 100 centres points a pixel off the arc 25 pixels on: the bend carries it
  const { picture, truth } = brokenArc(), levels = Lines.levelsOf(picture);
  for (const x of [120, 200, 330, 700, 1000]) {
    const { polyline, coverage } = traceFrom(picture, levels, { x, y: Math.round(centreAt(truth, 'x', x)) }, 'x');
    const m = measured(polyline, truth, 'x', 60, 1340);
    console.log(`# arc of 2500 px with label gaps, clicked at x=${x}: ${figures(m)}, ${(100 * coverage.share).toFixed(1)} % of the frame`);
    assert.ok(m.share >= 0.95 && m.worst <= 1.5, `${x}: ${figures(m)}`);
  }
});

// A curved parallel whose middle runs 6 px above a straight neatline, the
// meridians ending on the neatline across both.
function parallelBesideNeatline(gap) {
  const width = 1600, height = 600, truth = [];
  for (let x = 100; x <= 1500; x += 4) truth.push({ x, y: 500 - gap - 120 * ((x - 800) / 700) ** 2 });
  const meridians = [];
  for (let x = 180; x < 1500; x += 160) meridians.push([{ x: 800 + (x - 800) * 0.9, y: 40 }, { x, y: 500 }]);
  const picture = drawn(width, height, [{ lines: [truth].concat(meridians), width: 1.8, grey: 20 },
                                        { lines: [[{ x: 100, y: 500 }, { x: 1500, y: 500 }]], width: 3, grey: 10 }], 9);
  return { picture, truth };
}

test('a parallel 6 px beside the neatline traced along its whole length, not onto the neatline', () => {
  const { picture, truth } = parallelBesideNeatline(6), levels = Lines.levelsOf(picture);
  for (const x of [300, 800, 1290]) {
    const { polyline } = traceFrom(picture, levels, { x, y: Math.round(centreAt(truth, 'x', x)) }, 'x');
    const m = measured(polyline, truth, 'x', 100, 1500);
    console.log(`# parallel 6 px beside the neatline, clicked at x=${x}: ${figures(m)}`);
    assert.ok(m.share >= 0.95 && m.worst <= 1.5, `${x}: ${figures(m)}`);
  }
});

test('a trace that loses its line says how much of the frame it covers and where it stopped', () => {
  // a neatline from y=50 to 950 with 70 pixels gone at y=600, a frame line across at each end
  const frame = [[{ x: 300, y: 50 }, { x: 300, y: 600 }], [{ x: 300, y: 670 }, { x: 300, y: 950 }],
                 [{ x: 100, y: 50 }, { x: 500, y: 50 }], [{ x: 100, y: 950 }, { x: 500, y: 950 }]];
  const picture = drawn(600, 1000, [{ lines: frame, width: 3, grey: 10 }], 4), levels = Lines.levelsOf(picture);
  const above = traceFrom(picture, levels, { x: 300, y: 300 }, 'y');
  // the frame from its top line to its bottom line, found in blocks of 32 pixels; the trace from the top to the gap
  const { from, to } = above.coverage, end = above.polyline[above.polyline.length - 1].y;
  assert.ok(from >= 50 && from <= 50 + 32 && to <= 950 && to >= 950 - 32, JSON.stringify(above.coverage));
  assert.ok(Math.abs(end - 600) <= 3, JSON.stringify(above.polyline));
  assert.ok(Math.abs(above.coverage.share - (end - from) / (to - from)) <= 0.01 && above.coverage.share < 0.7, String(above.coverage.share));
  assert.deepStrictEqual(above.coverage.stops, [above.polyline[above.polyline.length - 1]]);
  const below = traceFrom(picture, levels, { x: 300, y: 800 }, 'y');
  assert.ok(below.coverage.share < 0.35, String(below.coverage.share));
  assert.deepStrictEqual(below.coverage.stops, [below.polyline[0]]);
  // nothing traced: nothing covered, no stop to mark
  assert.deepStrictEqual(Frame.coverage(Lines.inkOf(picture, 0, 0, 600, 1000), levels, [], 'y').stops, []);
});

// A thin line of the graticule, paler than the neatline that sets the
// picture's levels, crossing a hatched wood of strokes 4 px apart from x=600
// to x=900: there the strokes darken the ground about it, elsewhere it falls
// half below the picture's cut. A meridian crosses it at x=1100.
function lineThroughWood(grey) {
  const width = 1400, height = 600, truth = [{ x: 60, y: 280 }, { x: 1340, y: 280 + 0.03 * 1280 }];
  const strokes = [], meridian = [{ x: 1100, y: 40 }, { x: 1100, y: 500 }];
  for (let x = 560; x <= 900; x += 4) strokes.push([{ x, y: 250 }, { x: x + 40, y: 340 }]);
  const picture = drawn(width, height, [{ lines: strokes, width: 1.2, grey: 150 }, { lines: [truth, meridian], width: 1.2, grey },
                                        { lines: [[{ x: 60, y: 500 }, { x: 1340, y: 500 }]], width: 3, grey: 10 }], 5);
  return { picture, truth };
}

test('a pale thin line traced across a hatched wood by its own contrast, not the neatline\'s', () => {
  // clicked on its crossing with the meridian too
  for (const grey of [60, 120]) {
    const { picture, truth } = lineThroughWood(grey), levels = Lines.levelsOf(picture);
    for (const x of [300, 1100, 1200]) {
      const { polyline } = traceFrom(picture, levels, { x, y: Math.round(centreAt(truth, 'x', x)) }, 'x');
      const m = measured(polyline, truth, 'x', 60, 1340);
      console.log(`# line of grey ${grey} through a wood, clicked at x=${x}: ${figures(m)}`);
      assert.ok(m.share >= 0.95 && m.worst <= 1.5, `${grey} ${x}: ${figures(m)}`);
    }
  }
});
