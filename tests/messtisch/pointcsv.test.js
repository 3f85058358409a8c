// Points as CSV: what the desk writes reads back, a German spreadsheet's
// semicolons and decimal commas read as meant, and a file with rows that
// cannot be read is refused naming each row and why.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { PointCsv } = require('./desklib');

const point = (x, y, longitude, latitude, name = '', off = false) => ({ x, y, longitude, latitude, name, off });

const good = [
  { name: 'comma, decimal points', text: 'x,y,laenge,breite,name\r\n750,486,6.0,49.5,P\r\n', points: [point(750, 486, '6.0', '49.5', 'P')] },
  { name: 'semicolons, decimal commas', text: 'x;y;laenge;breite;name\r\n750;486;6,0;49,5;P\r\n', points: [point(750, 486, '6.0', '49.5', 'P')] },
  { name: 'semicolons, columns in another order, byte order mark, blank line', text: '\ufeffName;Breite;Länge;y;x\n\nTurm Süd;-12,25;132436;7;-3\n',
    points: [point(-3, 7, '132436', '-12.25', 'Turm_Süd')] },
  { name: 'a quoted semicolon stays in its field', text: 'x;y;laenge;breite;name\n1;2;6,5;49;"Nord; alt"\n', points: [point(1, 2, '6.5', '49', 'Nord;_alt')] },
  { name: 'a quoted decimal comma in a comma file is left for the row check', text: 'x,y,lon,lat\n1,2,"6,5",49.0\n', points: [point(1, 2, '6,5', '49.0')] },
  { name: 'the switch column', text: 'x,y,laenge,breite,an\n1,2,3.0,4.0,0\n5,6,7.0,8.0,1\n', points: [point(1, 2, '3.0', '4.0', '', true), point(5, 6, '7.0', '8.0')] },
  { name: 'an empty angle stays empty for the row check', text: 'x;y;laenge;breite\n1;2;;4\n', points: [point(1, 2, '', '4')] },
];
for (const c of good) {
  test('read: ' + c.name, () => {
    assert.deepStrictEqual(PointCsv.read(c.text), { ok: true, points: c.points });
  });
}

const bad = [
  { name: 'empty', text: '\r\n \r\n', message: 'Die CSV-Datei ist leer.' },
  { name: 'no latitude column', text: 'x;y;laenge;name\n1;2;3;P\n', message: 'In der Kopfzeile fehlen die Spalten x, y, laenge und breite.' },
  // read as semicolons, "6,0" is no pixel; read as commas it was shifted columns
  { name: 'rows of another dialect and short rows', text: 'x;y;laenge;breite\n1;2;3,0;4,0\n\n750,486,6.0,49.5\n1;2;3\n1,5;2;3;4\n',
    message: 'Diese Zeilen lassen sich nicht lesen: Zeile 4 (nur 1 Feld, gebraucht 4), Zeile 5 (nur 3 Felder, gebraucht 4), ' +
      'Zeile 6 (x und y müssen ganze Pixel sein, nicht „1,5“). Die Datei ist nicht geöffnet.' },
  { name: 'one bad row', text: 'x,y,laenge,breite\n1,zwei,3,4\n', message: 'Diese Zeile lässt sich nicht lesen: Zeile 2 (x und y müssen ganze Pixel sein, nicht „zwei“). Die Datei ist nicht geöffnet.' },
];
for (const c of bad) {
  test('refused: ' + c.name, () => {
    assert.deepStrictEqual(PointCsv.read(c.text), { ok: false, message: c.message });
  });
}

test('many bad rows: the first ten named, the rest counted', () => {
  const rows = Array.from({ length: 12 }, (_, i) => `${i}.5,1,2,3`);
  const read = PointCsv.read('x,y,laenge,breite\n' + rows.join('\n'));
  assert.strictEqual(read.ok, false);
  assert.match(read.message, /Zeile 2 \(x und y müssen ganze Pixel sein, nicht „0\.5“\), .*Zeile 11 \(.*„9\.5“\) und 2 weitere\. Die Datei ist nicht geöffnet\.$/);
});

test('write: a header, quoted fields where needed, residuals to two places, CR LF; read back the same points', () => {
  const points = [point(10, 20, '13.5', '52.25', 'Kirche,_alt'), point(30, 40, '132436', '-052436', 'Q"', true)];
  const residuals = [{ dx: 1.234, dy: -0.5, distance: 1.3333 }, null];
  const text = PointCsv.write(points, (i) => residuals[i]);
  assert.strictEqual(text, 'x,y,laenge,breite,name,an,dx,dy,abstand\r\n10,20,13.5,52.25,"Kirche,_alt",1,1.23,-0.50,1.33\r\n' +
    '30,40,132436,-052436,"Q""",0,,,\r\n');
  assert.deepStrictEqual(PointCsv.read(text), { ok: true, points });
});
