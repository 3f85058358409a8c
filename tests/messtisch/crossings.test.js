// Graticule crossings on busy sheets made at test time (sheetmap.js): the
// sheets' own truth first, then the crossings found and read on, measured
// against it. Plain node, no browser.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { makeSheet } = require('./sheetmap');
const { Bmp, Lines } = require('./desklib');

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
