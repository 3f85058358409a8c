// One control point's row on its own and the page's points as the
// measurement file: each field checked as the file reads it (a row found
// good is not checked again until it changes), and the points turned into
// the model's file and back. The reading, writing and fitting themselves are
// MesskartModel's (messkart/), which computes them as messkart does; without
// that folder the page can still set points, but not check or save them.
define('PointRows', [], function () {
  'use strict';

  var MISSING = 'Der Rechenteil des Messtischs (Ordner messkart/) fehlt: Punkte lassen sich setzen, ' +
                'aber nicht prüfen und nicht als Messdatei speichern.';
  function modelThere() { return typeof MesskartModel !== 'undefined'; }

  // The page's points as the measurement file the model writes; coordinates
  // stay as typed, so a packed angle is written packed. Only the points in
  // `used` are written.
  function toModel(doc, used) {
    var lines = doc.comments.map(function (text) { return { kind: 'comment', text: text }; });
    if (doc.wgs) lines.push({ kind: 'wgs', longitude: doc.wgs.longitude, latitude: doc.wgs.latitude });
    if (doc.gps) lines.push({ kind: 'gps' });
    return { width: doc.width, height: doc.height, lines: lines, points: used.map(function (i) { return doc.points[i]; }) };
  }

  function fromModel(model) {
    var doc = { width: model.width, height: model.height, comments: [], wgs: null, gps: false, points: [] };
    model.lines.forEach(function (line) {
      if (line.kind === 'comment') doc.comments.push(line.text);
      else if (line.kind === 'wgs') doc.wgs = { longitude: line.longitude, latitude: line.latitude };
      else if (line.kind === 'gps') doc.gps = true;
      else if (line.kind === 'data') {
        var p = { x: Number(line.x), y: Number(line.y), longitude: line.longitude, latitude: line.latitude,
                  name: line.name || '', off: false };
        doc.points.push(p);
        line.x = p.x; line.y = p.y;
        checked.set(p, line); // the reader took the line: its fields are good as they stand

      }
    });
    return doc;
  }

  // A .INF file's graticule and the fit as the page shows them: both from the
  // model, which reads and writes .INF text as messkart does.
  function readInf(text) {
    if (!modelThere()) return { ok: false, message: MISSING };
    return MesskartModel.readInfFile(text);
  }

  // Rows already found good, with the fields they were found good with: a
  // long file is not checked again at every change.
  var checked = new WeakMap();

  function rememberGood(p) { checked.set(p, { x: p.x, y: p.y, longitude: p.longitude, latitude: p.latitude }); }

  function rowProblem(p) {
    var good = checked.get(p);
    if (good && good.x === p.x && good.y === p.y && good.longitude === p.longitude && good.latitude === p.latitude) return null;
    var problem = fieldProblem(p);
    if (!problem) rememberGood(p);
    return problem;
  }

  // What is wrong with one row, or null: each field as the measurement file
  // reads it.
  function fieldProblem(p) {
    var angle = function (label, kind, text) {
      if (MesskartModel.fieldReads(kind, text)) return null;
      if (text === '') return label + ' fehlt';
      if (MesskartModel.fieldReads('longitude', text)) return 'Breite „' + text + '“ liegt jenseits des Pols';
      return label + ' „' + text + '“ ist kein Winkel der Messdatei' +
        (text.indexOf(',') >= 0 ? ' (Dezimalpunkt statt Komma)' : ' (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)');
    };
    return angle('Länge', 'longitude', p.longitude) || angle('Breite', 'latitude', p.latitude) ||
      (MesskartModel.fieldReads('integer', String(p.x)) && MesskartModel.fieldReads('integer', String(p.y)) ? null
        : 'x und y müssen ganze Pixel sein');
  }


  return { MISSING: MISSING, modelThere: modelThere, toModel: toModel, fromModel: fromModel, readInf: readInf, rowProblem: rowProblem };
});
