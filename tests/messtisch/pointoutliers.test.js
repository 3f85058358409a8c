// The outlier check of the control points: with one typo among five, six or
// eight points, wherever it stands, exactly the typo is marked (leave-one-out),
// never a right point beside it; below four points nothing is checked.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { PointOutliers } = require('./desklib');

const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
// points of a sheet 10-13 degrees east, 52 down to 50 north, 900 x 700 pixels,
// each clicked up to a pixel off, as the fit takes them: x against the
// longitude, y against the sinh of the latitude
function points(count, typo, degreesOff) {
  const list = [];
  for (let i = 0; i < count; i++) {
    const x = 40 + ((i * 347) % 820), y = 30 + ((i * 211) % 640);
    let lon = 10 + (x + ((i * 7) % 3) - 1) / 300;
    const lat = Math.asinh(S(52) + (S(50) - S(52)) * (y + ((i * 5) % 3) - 1) / 700) * 180 / Math.PI;
    if (i === typo) lon += degreesOff;
    list.push({ x, y, longitude: Number(lon.toFixed(5)), scale: S(Number(lat.toFixed(5))) });
  }
  return list;
}

test('one typo is marked where it stands', () => {
  for (const count of [5, 6, 8]) {
    for (let typo = 0; typo < count; typo++) {
      for (const off of [0.1, -0.05, 1]) {
        assert.deepStrictEqual(PointOutliers.of(points(count, typo, off)), [typo], `${count} points, typo of ${off} degrees in point ${typo + 1}`);
      }
    }
  }
});

test('no typo, no mark; below four points no check', () => {
  for (const count of [4, 5, 9]) assert.deepStrictEqual(PointOutliers.of(points(count, -1, 0)), [], String(count));
  assert.deepStrictEqual(PointOutliers.of(points(3, 1, 1)), []);
});

test('a typo too small to stand out from the clicks is not marked', () => {
  assert.deepStrictEqual(PointOutliers.of(points(6, 2, 0.001)), []);
});
