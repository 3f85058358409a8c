// The outlier check of the control points: with one typo among five, six or
// eight points, wherever it stands, exactly the typo is marked (leave-one-out),
// never a right point beside it; below four points nothing is checked.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const MesskartModel = require('../../../messtisch/messkart/model.js');

const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
// points of a sheet 10-13 degrees east, 52 down to 50 north, 900 x 700 pixels,
// each clicked up to a pixel off
function file(count, typo, degreesOff) {
  const lines = ['0900 0700'];
  for (let i = 0; i < count; i++) {
    const x = 40 + ((i * 347) % 820), y = 30 + ((i * 211) % 640);
    let lon = 10 + (x + ((i * 7) % 3) - 1) / 300;
    const lat = Math.asinh(S(52) + (S(50) - S(52)) * (y + ((i * 5) % 3) - 1) / 700) * 180 / Math.PI;
    if (i === typo) lon += degreesOff;
    lines.push(`${x} ${lon.toFixed(5)} ${y} ${lat.toFixed(5)}`);
  }
  return lines.join('\r\n') + '\r\n';
}

test('one typo is marked where it stands', () => {
  for (const count of [5, 6, 8]) {
    for (let typo = 0; typo < count; typo++) {
      for (const off of [0.1, -0.05, 1]) {
        const fit = MesskartModel.calibrate(file(count, typo, off));
        assert.ok(fit.ok);
        assert.deepStrictEqual(fit.outliers, [typo], `${count} points, typo of ${off} degrees in point ${typo + 1}`);
      }
    }
  }
});

test('no typo, no mark; below four points no check', () => {
  for (const count of [4, 5, 9]) assert.deepStrictEqual(MesskartModel.calibrate(file(count, -1, 0)).outliers, []);
  assert.deepStrictEqual(MesskartModel.calibrate(file(3, 1, 1)).outliers, []);
});

test('RMS in x and in y make up the RMS together', () => {
  const fit = MesskartModel.calibrate(file(6, 2, 0.1));
  assert.ok(Math.abs(fit.rms * fit.rms - fit.rmsX * fit.rmsX - fit.rmsY * fit.rmsY) < 1e-9);
  assert.ok(fit.rmsX > 5 * fit.rmsY);
});
