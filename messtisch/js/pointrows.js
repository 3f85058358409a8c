// One control point's row on its own and the page's points as the
// measurement file: the file the desk writes of its rows, the rows of a file
// read by messkart's reader (MesskartReport), and the words messkart's report
// has for a row whose fields do not read, put into sentences. Whether a field
// reads is messkart's own rule, compiled for the page; here only a field
// left empty or with a blank inside is found, since the file cannot hold it.
define('PointRows', ['InfFile'], function (InfFile) {
  'use strict';

  // The page's points as the measurement file: the header with the picture's
  // width and height, comments, the correction, one line a point of `written`
  // (indexes into doc.points), the GPS mark last (a data line after a
  // correction would clear it). Coordinates stay as typed, so a packed angle
  // is written packed.
  function toText(doc, written) {
    var four = function (n) { return String(n).padStart(4, '0'); };
    var text = four(doc.width) + ' ' + four(doc.height) + '\r\n';
    doc.comments.forEach(function (comment) { text += '* ' + comment + '\r\n'; });
    if (doc.wgs) text += 'WGS ' + doc.wgs.longitude + ' ' + doc.wgs.latitude + '\r\n';
    written.forEach(function (i) {
      var p = doc.points[i];
      text += p.x + ' ' + p.longitude + ' ' + p.y + ' ' + p.latitude + (p.name ? ' ' + p.name : '') + '\r\n';
    });
    if (doc.gps) text += 'GPS\r\n';
    return text;
  }

  // The rows of a file as messkart's reader has read it (MesskartReport.read).
  function fromReport(report) {
    var doc = { width: report.read.width, height: report.read.height, comments: [], wgs: null, gps: false, points: [] };
    report.lines.forEach(function (line) {
      if (line.kind === 'comment') doc.comments.push(line.text);
      else if (line.kind === 'wgs') doc.wgs = { longitude: line.longitude, latitude: line.latitude };
      else if (line.kind === 'gps') doc.gps = true;
      else if (line.kind === 'data') {
        doc.points.push({ x: Number(line.x), y: Number(line.y), longitude: line.longitude, latitude: line.latitude,
                          name: line.name || '', off: false });
      }
    });
    return doc;
  }

  var blankInside = /[\x00-\x20]/;

  function notAngle(label, text) {
    return label + ' „' + text + '“ ist kein Winkel der Messdatei' +
      (text.indexOf(',') >= 0 ? ' (Dezimalpunkt statt Komma)' : ' (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)');
  }

  // What the file cannot hold at all in a row (an empty field, a blank in
  // one), or null: such a row is not written.
  function unwritable(p) {
    var angle = function (label, text) {
      if (text === '') return label + ' fehlt';
      return blankInside.test(text) ? notAngle(label, text) : null;
    };
    return angle('Länge', p.longitude) || angle('Breite', p.latitude) ||
      (blankInside.test(String(p.x)) || blankInside.test(String(p.y)) ? 'x und y müssen ganze Pixel sein' : null);
  }

  // The report's words for a row's fields (x, laenge, y, breite, pol) as a sentence, or null.
  function problemOf(p, words) {
    if (!words || !words.length) return null;
    var has = function (word) { return words.indexOf(word) >= 0; };
    if (has('laenge')) return notAngle('Länge', p.longitude);
    if (has('pol')) return 'Breite „' + p.latitude + '“ liegt jenseits des Pols';
    if (has('breite')) return notAngle('Breite', p.latitude);
    return 'x und y müssen ganze Pixel sein';
  }

  // A .INF file's graticule (InfFile).
  function readInf(text) { return InfFile.read(text); }

  return { toText: toText, fromReport: fromReport, unwritable: unwritable, problemOf: problemOf,
           readInf: readInf };
});
