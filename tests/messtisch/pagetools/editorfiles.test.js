// Measurement files from Windows editors as the page hands them to messkart's
// reader: the page has the file's text decoded from UTF-8 and writes it back
// as UTF-8, so the byte order mark at the very start is dropped by the
// reader, a mark anywhere else is text, and "ü", two bytes, echoes as "??".
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { deskReport } = require('./deskfit');

const file = '1000 0800\r\n100 10.0 900 0.0\r\n300 12.0 100 30.0\r\n';
const calibration = '100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n1000\r\n800\r\n';

test('a byte order mark before the header or a comment is dropped', async () => {
  for (const text of ['\uFEFF' + file, '\uFEFF* Karte Nord\r\n' + file, '\uFEFF\n' + file]) {
    const read = await deskReport(text);
    assert.deepStrictEqual([read.ok, read.infText], [true, calibration], JSON.stringify(text));
  }
  const read = await deskReport('\uFEFF* Karte Nord\r\n' + file);
  assert.deepStrictEqual(read.lines[0], { kind: 'comment', text: 'Karte Nord' });
  assert.deepStrictEqual(read.read, { width: 1000, height: 800 });
});

test('a mark anywhere else is text, and each byte outside printable ASCII echoes as "?"', async () => {
  const cases = [
    ['\uFEFF\uFEFF' + file, '???1000 0800 : Formatfehler.'],
    ['1000 0800\r\n\uFEFF100 10.0 900 0.0\r\n', '???100 10.0 900 0.0 : Formatfehler.'],
    ['\uFEFF', ' : Formatfehler.'],
    ['1000 0800\r\n100 10.0 9\x07x \x1b[2J\r\n', '9?x ?[2J : Formatfehler.'],
    ['1000 0800\r\n100 M\u00fcnster 900 0.0\r\n', 'M??nster 900 0.0 : Formatfehler.'],
    ['1000 0800\r\n100 10.0 900 \u{1F3F0}~\x7f\r\n', '????~? : Formatfehler.'],
  ];
  for (const [text, message] of cases) {
    const read = await deskReport(text);
    assert.deepStrictEqual([read.ok, read.read, read.message], [false, false, message], JSON.stringify(text));
  }
});

test('a name after the latitude keeps its letters, its blanks made one', async () => {
  const read = await deskReport('1000 0800\r\n100 10.0 900 0.0 M\u00fcnster  am  Markt\r\n300 12.0 100 30.0\r\n');
  assert.deepStrictEqual(read.lines[0], { kind: 'data', x: '100', longitude: '10.0', y: '900', latitude: '0.0', name: 'M\u00fcnster am Markt' });
});
