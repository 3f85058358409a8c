// What the page decides around a tool's run in it, in node alone: the names
// of the chain's pictures, whether a picture fits the page's memory, and what
// it reads from the tool's console.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { ChainNames, ToolMemory, ToolConsole } = require('./desklib');

test('the chain names its pictures as the console user renames them', () => {
  const cases = [
    // the call, its name
    [ChainNames.tmpName('scan.bmp'), 'SCAN.TMP'],
    [ChainNames.tmpName('Karte.v2.bmp'), 'KARTE.V2.TMP'],
    [ChainNames.tmpName('KARTE'), 'KARTE.TMP'],
    [ChainNames.turned('scan.bmp'), 'SCAN-GERADE.BMP'],
    [ChainNames.withBars('scan-gerade.bmp', 'h'), 'SCAN-GERADE-BALKEN-H.BMP'],
    [ChainNames.rectified('SCAN-GERADE-BALKEN-H.BMP', 'h'), 'SCAN-GERADE-H.BMP'],
    [ChainNames.rectified('SCAN-GERADE-H-BALKEN-V.BMP', 'v'), 'SCAN-GERADE-HV.BMP'],
    [ChainNames.rectified('karte-v-balken-h.bmp', 'h'), 'KARTE-VH.BMP'],
    // a picture not named by the page: its rectified one takes the letter after a dash
    [ChainNames.rectified('karte.bmp', 'v'), 'KARTE-V.BMP'],
    [ChainNames.rectified('HV.BMP', 'h'), 'HV-H.BMP'],
  ];
  for (const [got, expected] of cases) assert.strictEqual(got, expected);
});

test('a picture too large for the page\'s memory is refused before the tool starts, in German', () => {
  // a header alone: the size is all the check reads
  const picture = (width, height) => {
    const bytes = Buffer.alloc(54);
    bytes.write('BM', 0, 'latin1');
    bytes.writeUInt16LE(width, 18);
    bytes.writeUInt16LE(height, 22);
    return bytes;
  };
  // 3 * 65535 + 3 bytes a row: 65535 x 65535 is 12.0 GiB in, more out
  const huge = ToolMemory.refusal('glattzug', ['RIESE.BMP', 'h'], { 'RIESE.BMP': picture(65535, 65535) });
  assert.strictEqual(huge, 'Das Bild ist für den Speicher der Seite zu groß: glattzug bräuchte etwa 24640 MiB, ' +
    'die Seite hat höchstens 4096 MiB. Bitte das Konsolenprogramm glattzug verwenden.');
  // 12000 x 9000 turned by 45 degrees: 309 MiB in, 631 MiB out
  assert.strictEqual(ToolMemory.refusal('kippdreh', ['GROSS.BMP', 'g=45'], { 'GROSS.BMP': picture(12000, 9000) }), null);
  assert.strictEqual(ToolMemory.need('kippdreh', ['GROSS.BMP', 'g=45'], { 'GROSS.BMP': picture(12000, 9000) }),
    36000 * 9000 + (3 * 14852 + 0) * 14852);
  // the name is upper-cased as the tool upper-cases it
  assert.strictEqual(ToolMemory.need('glattzug', ['klein.bmp', 'v'], { 'KLEIN.BMP': picture(5, 2) }), 2 * 2 * 16);
  // 30000 x 30000 by 45 degrees: 2.5 GiB in and 5 GiB out
  assert.match(ToolMemory.refusal('kippdreh', ['A.BMP', 'g=45'], { 'A.BMP': picture(30000, 30000) }), /^Das Bild ist für den Speicher/);
  // the same picture a shift of one pixel: in and out about the same
  assert.match(ToolMemory.refusal('kippdreh', ['A.BMP', 'x=1'], { 'A.BMP': picture(30000, 30000) }), /^Das Bild ist für den Speicher/);
  assert.strictEqual(ToolMemory.refusal('kippdreh', ['A.BMP', 'x=1'], { 'A.BMP': picture(20000, 20000) }), null);
  // what the tool refuses itself is left to it: no picture, a bad angle, no image tool
  assert.strictEqual(ToolMemory.refusal('kippdreh', ['FEHLT.BMP', 'g=45'], {}), null);
  assert.strictEqual(ToolMemory.refusal('kippdreh', ['A.BMP', 'g=abc'], { 'A.BMP': picture(30000, 30000) }), null);
  assert.strictEqual(ToolMemory.refusal('passnetz', ['A.BMP'], { 'A.BMP': picture(65535, 65535) }), null);
});

test('a refusal is read from the line the tool rang the bell after, else the last before its pause', () => {
  const cases = [
    ['Bild-Rotation\r\nF.BMP Width=2 Height=1\r\nWinkel zu gross\x07\r\n\r\nRETURN druecken.. \r\n', 'Winkel zu gross'],
    ['Passpunkt-Netz\r\nK.INF: Zeile 2 ist keine Zahl; keine gueltige .INF-Datei.\x07\r\n\r\nRETURN druecken.. \r\n',
      'K.INF: Zeile 2 ist keine Zahl; keine gueltige .INF-Datei.'],
    ['Kalibrierung\r\nZu wenige Punkte.\r\n\r\nRETURN druecken.. \r\n', 'Zu wenige Punkte.'],
    ['Laufzeitfehler 2 an 0001:0002\r\n', 'Laufzeitfehler 2 an 0001:0002'],
    ['', 'keine Ausgabe'],
  ];
  for (const [text, message] of cases) assert.strictEqual(ToolConsole.refusal(text), message);
});

test('passnetz\'s console tells the count of points, the datum and a size that is not the picture\'s', () => {
  const pd = 'Passpunkt-Netz\r\nK.BMP: 150 x 110 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n' +
    'Warnung: die .INF-Datei nennt 150 x 111 Pixel (Zeilen 5 und 6), das Bild hat 150 x 110.\r\n' +
    'Passpunkte: 8 x 7 = 56, im Bild alle 50 x 55 Pixel mit Ecken und Raendern.\r\n' +
    'Warnung: die Karte liegt ausserhalb des Gebiets des Potsdam-Datums (EPSG:4314:\r\n';
  assert.deepStrictEqual(ToolConsole.passnetzSummary(pd), { count: 56, gps: false,
    warning: 'Warnung: die .INF-Datei nennt 150 x 111 Pixel (Zeilen 5 und 6), das Bild hat 150 x 110.' });
  const gps = 'Passpunkt-Netz\r\nK.BMP: 9 x 9 Pixel, K.INF: Format:GPS (WGS 84, EPSG:4326)\r\nPasspunkte: 3 x 2 = 6, im Bild\r\n';
  assert.deepStrictEqual(ToolConsole.passnetzSummary(gps), { count: 6, gps: true, warning: '' });
});
