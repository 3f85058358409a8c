// The graticule a calibration implies: a round step giving at most eight
// lines, the meridians and parallels at the multiples of it inside the
// picture, labels in degrees and minutes, and a wild calibration refused.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { Graticule } = require('./desklib');

// longitude 10° at x=0, 100 pixels a degree; latitude 52° at y=0, 100 pixels a degree down
const linear = {
  x: (lon) => (lon - 10) * 100, y: (lat) => (52 - lat) * 100,
  longitude: (x) => 10 + x / 100, latitude: (y) => 52 - y / 100,
};

test('the step: the smallest round one with at most that many lines', () => {
  const cases = [[10, 14, 8, 0.5], [49, 52, 8, 0.5], [0, 1, 8, 10 / 60], [0, 1, 100, 1 / 60], [52, 47, 8, 1], [0, 5000, 8, 30]];
  for (const [from, to, most, step] of cases) assert.strictEqual(Graticule.stepFor(from, to, most), step, `${from}..${to}`);
});

test('lines every 30 minutes, both edges included, the parallels from south to north', () => {
  const grid = Graticule.lines(linear, 400, 300);
  assert.strictEqual(grid.refused, null);
  assert.deepStrictEqual(grid.meridians.map((m) => [m.degrees, m.x]),
    [[10, 0], [10.5, 50], [11, 100], [11.5, 150], [12, 200], [12.5, 250], [13, 300], [13.5, 350], [14, 400]]);
  assert.deepStrictEqual(grid.parallels.map((p) => [p.degrees, p.y]),
    [[49, 300], [49.5, 250], [50, 200], [50.5, 150], [51, 100], [51.5, 50], [52, 0]]);
});

test('steps of thirds of a degree stay whole minutes', () => {
  const fine = { x: (lon) => lon * 3000, y: (lat) => lat * 3000, longitude: (x) => x / 3000, latitude: (y) => y / 3000 };
  const grid = Graticule.lines(fine, 3000, 3000);
  assert.deepStrictEqual(grid.meridians.map((m) => Graticule.label(m.degrees)),
    ['0°', '0°10′', '0°20′', '0°30′', '0°40′', '0°50′', '1°']);
});

test('labels', () => {
  const cases = [[13.5, '13°30′'], [-5, '-5°'], [47 + 5 / 60, '47°05′'], [-0.5, '-0°30′'], [59.99999, '60°'], [0, '0°']];
  for (const [degrees, text] of cases) assert.strictEqual(Graticule.label(degrees), text);
});

test('a calibration far outside the earth is refused, a wild one drawn without lines', () => {
  const far = Object.assign({}, linear, { longitude: (x) => 1e20 + x });
  assert.match(Graticule.lines(far, 400, 300).refused, /^Dieses Gradnetz wird nicht gezeichnet: es bräuchte mehr als 2000 Linien/);
  const broken = Object.assign({}, linear, { latitude: () => NaN });
  assert.notStrictEqual(Graticule.lines(broken, 400, 300).refused, null);
  const wide = Object.assign({}, linear, { longitude: (x) => x * 2 }); // 800 degrees across
  assert.deepStrictEqual(Graticule.lines(wide, 400, 300), { meridians: [], parallels: [], refused: null });
});
