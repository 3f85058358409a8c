// The Punkte tab's side of messkart's report: the rows written as the
// measurement file, the report's words put into sentences, and the report
// read back (MesskartReport), on literal files as messkartbericht writes them.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { PointRows, MesskartReport } = require('./desklib');

const doc = {
  width: 900, height: 700, comments: ['Karte Nord'], wgs: { longitude: '3600', latitude: '-1800' }, gps: true,
  points: [
    { x: 10, y: 20, longitude: '5.0', latitude: '50.0', name: 'Turm' },
    { x: 30, y: 40, longitude: '', latitude: '52.0', name: '' },
    { x: 50, y: 60, longitude: '070000', latitude: '5 1.0', name: '' },
  ],
};

test('the rows written are the file, the GPS mark last, packed angles packed', () => {
  assert.strictEqual(PointRows.toText(doc, [0, 2]),
    '0900 0700\r\n* Karte Nord\r\nWGS 3600 -1800\r\n10 5.0 20 50.0 Turm\r\n50 070000 60 5 1.0\r\nGPS\r\n');
  assert.strictEqual(PointRows.toText({ ...doc, comments: [], wgs: null, gps: false }, []), '0900 0700\r\n');
});

test('a row the file cannot hold is found before messkart sees it', () => {
  assert.deepStrictEqual(doc.points.map(PointRows.unwritable), [null, 'Länge fehlt',
    'Breite „5 1.0“ ist kein Winkel der Messdatei (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)']);
  assert.strictEqual(PointRows.unwritable({ x: 1, y: 2, longitude: '1.0', latitude: '\t2.0' }).startsWith('Breite'), true);
});

test('the report\'s words as sentences, the longitude first', () => {
  const p = { x: 1, y: 2, longitude: '1,5', latitude: '1132436' };
  assert.deepStrictEqual([['laenge', 'pol'], ['pol'], ['breite'], ['x'], ['y', 'breite'], [], undefined].map((w) => PointRows.problemOf(p, w)), [
    'Länge „1,5“ ist kein Winkel der Messdatei (Dezimalpunkt statt Komma)', 'Breite „1132436“ liegt jenseits des Pols',
    'Breite „1132436“ ist kein Winkel der Messdatei (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)',
    'x und y müssen ganze Pixel sein', 'Breite „1132436“ ist kein Winkel der Messdatei (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)',
    null, null]);
});

const bytes = (text) => new TextEncoder().encode(text);

test('a report read back: lines, problems, points, the fit and where it puts a typed coordinate', () => {
  const report = MesskartReport.read({ code: 0, console: '\r\nPUNKTE.INF geschrieben mit WGS->PD-Korrektur. Format:PD\r\n[Return] druecken.\r\n', files: {
    'PUNKTE.TXT': bytes(''), 'PUNKTE.INF': bytes('100.0000\r\n'),
    'PUNKTE.BER': bytes('kommentar  Karte Nord\r\nwgs 3600 -1800\r\nzeile 2 laenge pol\r\ngelesen 900 700\r\n' +
      'punkt 1 6e+00 5e+01 1e+00 2.5e+01 2e+01 1.5e+01 0e+00\r\nfit 1e+01 -3.5e+01 5e+00 1e+00\r\nkorrektur 1e+00 -5e-01\r\nrms 3e+00 4e+00 0e+00\r\n'),
  } });
  assert.deepStrictEqual([report.ok, report.message, report.read, report.infText, report.gps], [true, null, { width: 900, height: 700 }, '100.0000\r\n', false]);
  assert.deepStrictEqual(report.lines, [{ kind: 'comment', text: 'Karte Nord' }, { kind: 'wgs', longitude: '3600', latitude: '-1800' }]);
  assert.deepStrictEqual(report.problems, { 2: ['laenge', 'pol'] });
  assert.deepStrictEqual(report.points, [{ number: 1, longitude: 6, latitude: 50, scale: 1, fittedX: 25, fittedY: 20, dx: 15, dy: 0, distance: 15 }]);
  assert.deepStrictEqual([report.rms, report.rmsX, report.rmsY], [3, 4, 0]);
  // 5 degrees typed, 6 after the correction: x = 10 * 6 - 35
  assert.strictEqual(report.pixelOf(5, 50.5).x, 25);
  assert.ok(Math.abs(report.pixelOf(5, 50.5).y - (5 * Math.sinh(50 * Math.PI / 180) + 1)) < 1e-12);
});

test('a run that stops says messkart\'s last line without the pause', () => {
  const report = MesskartReport.read({ code: 1, console: '\r\n0,0 Turm : Formatfehler. [Return] druecken.\r\n', files: {} });
  assert.deepStrictEqual([report.ok, report.read, report.message, report.fit], [false, false, '0,0 Turm : Formatfehler.', null]);
  assert.strictEqual(MesskartReport.stopMessage(''), 'messkart ist ohne Meldung gescheitert');
});

test('the command line: reading as messkart reads, or checking with rows left out', () => {
  assert.deepStrictEqual(MesskartReport.job('x', false).args, ['PUNKTE.TXT']);
  assert.deepStrictEqual(MesskartReport.job('x', true, [2, 5]).args, ['PUNKTE.TXT', 'pruefen', '2', '5']);
  assert.deepStrictEqual([...MesskartReport.job('M\u00fcnster', true).files['PUNKTE.TXT']], [77, 0xc3, 0xbc, 110, 115, 116, 101, 114]);
});
