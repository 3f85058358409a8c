// The page's reading of measurement files from Windows editors: the byte
// order mark at the very start is no text, and a format error's echo shows
// every byte outside printable ASCII as "?", as messkart does. The page has
// the file's text decoded from UTF-8, so "ü" was two bytes and shows "??".
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const MesskartModel = require('../../../messtisch/messkart/model.js');

const file = '1000 0800\r\n100 10.0 900 0.0\r\n300 12.0 100 30.0\r\n';
const calibration = '100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n1000\r\n800\r\n';

test('a byte order mark before the header or a comment is dropped', () => {
  for (const text of ['\uFEFF' + file, '\uFEFF* Karte Nord\r\n' + file, '\uFEFF\n' + file]) {
    assert.deepStrictEqual([MesskartModel.calibrate(text).ok, MesskartModel.calibrate(text).infText], [true, calibration]);
  }
  const read = MesskartModel.readMeasurementFile('\uFEFF* Karte Nord\r\n' + file);
  assert.strictEqual(read.ok, true);
  assert.deepStrictEqual(read.model.lines[0], { kind: 'comment', text: 'Karte Nord' });
  assert.deepStrictEqual([read.model.width, read.model.height], [1000, 800]);
});

test('a mark anywhere else is text, and its three bytes echo as "???"', () => {
  const cases = [
    ['\uFEFF\uFEFF' + file, '???1000 0800 : Formatfehler.'],
    ['1000 0800\r\n\uFEFF100 10.0 900 0.0\r\n', '???100 10.0 900 0.0 : Formatfehler.'],
    ['\uFEFF', ' : Formatfehler.']
  ];
  for (const [text, message] of cases) assert.deepStrictEqual(MesskartModel.calibrate(text), { ok: false, message });
  assert.deepStrictEqual(MesskartModel.readMeasurementFile(cases[1][0]), { ok: false, message: cases[1][1] });
});

test('the echo shows each byte outside printable ASCII as "?"', () => {
  const cases = [
    ['100 10.0 9\x07x \x1b[2J', '9?x ?[2J'],
    ['100 M\u00fcnster 900 0.0', 'M??nster 900 0.0'],
    ['100 10.0 900 3\u20ac0', '3???0'],
    ['100 10.0 900 \u{1F3F0}~\x7f', '????~?'],
    ['100\t10.0 900 0.0', '100?10.0 900 0.0']
  ];
  for (const [line, shown] of cases) {
    assert.deepStrictEqual(MesskartModel.calibrate('1000 0800\r\n' + line + '\r\n'),
                           { ok: false, message: shown + ' : Formatfehler.' });
  }
});
