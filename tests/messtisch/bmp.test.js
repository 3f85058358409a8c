// The desk's reading of a BMP handed to it as a view: a tool's output lies at
// the start of a longer buffer, and the picture is the view, uncopied, as
// long as the view and no longer. Plain node, no browser.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { makeBmp } = require('./support');
const { Bmp } = require('./desklib');

// 3 x 2 pixels, each colour its own; 78 bytes, rows of 12
const file = makeBmp(3, 2, (x, y) => [10 * x + y + 1, 100 + x, 200 + y]);

function atStartOfLonger(bytes, length) {
  const buffer = new ArrayBuffer(bytes.length + 16);
  const whole = new Uint8Array(buffer);
  whole.set(bytes);
  whole.fill(0xee, bytes.length);
  return new Uint8Array(buffer, 0, length);
}

test('a view at the start of a longer buffer is the picture itself, its pixels read through it', () => {
  const view = atStartOfLonger(file, file.length);
  const picture = Bmp.open(view);
  assert.ok(picture.ok, picture.message);
  assert.strictEqual(picture.bytes, view);
  assert.deepStrictEqual([picture.width, picture.height, picture.rowBytes, picture.bytes.length], [3, 2, 12, 78]);
  assert.deepStrictEqual([Bmp.colourAt(picture, 0, 0), Bmp.colourAt(picture, 2, 0), Bmp.colourAt(picture, 1, 1)],
                         [[1, 100, 200], [21, 102, 200], [12, 101, 201]]);
});

test('the view\'s length, not its buffer\'s, decides whether the pixels are all there', () => {
  // 54 + 12 + 9 = 75 bytes hold the last row without its padding; one fewer does not
  const cases = [[78, true], [75, true], [74, false]];
  for (const [length, ok] of cases) {
    const picture = Bmp.open(atStartOfLonger(file, length));
    assert.strictEqual(picture.ok, ok, `${length} bytes`);
    if (!ok) assert.strictEqual(picture.message, 'Die Datei ist kürzer, als ihr Kopf (3 x 2 Pixel) verlangt.');
  }
});

test('an ArrayBuffer is read whole, as before', () => {
  const picture = Bmp.open(file.buffer.slice(file.byteOffset, file.byteOffset + file.length));
  assert.ok(picture.ok, picture.message);
  assert.strictEqual(picture.bytes.length, 78);
  assert.deepStrictEqual(Bmp.colourAt(picture, 2, 1), [22, 102, 201]);
});
