// messkart's report on the desk's points: messkartbericht is messkart's own
// reader, fits and .INF writer compiled for the page (messkart/deskreport.cpp),
// and this module makes its command line and files and reads its report
// back. Pure: the run itself is PageTools' (the page) or runpagetool.js (node).
define('MesskartReport', ['InfFile'], function (InfFile) {
  'use strict';

  var TOOL = 'messkartbericht';
  var NAME = 'PUNKTE.TXT';

  // The run that checks and fits the measurement file text: leftOut are the
  // numbers (from 1) of its data lines that stay out of the fit; checking
  // false reads the file as messkart reads it, stopping at its first fault.
  function job(text, checking, leftOut) {
    var files = {};
    files[NAME] = new TextEncoder().encode(text);
    var args = [NAME];
    if (checking) args = args.concat(['pruefen'], (leftOut || []).map(String));
    return { tool: TOOL, args: args, files: files };
  }

  // What the tool stopped with: its last line, without the pause's request.
  function stopMessage(consoleText) {
    var lines = consoleText.split('\r\n').filter(function (line) { return line !== ''; });
    return (lines.length ? lines[lines.length - 1] : 'messkart ist ohne Meldung gescheitert').replace(/ \[Return\] druecken\.$/, '');
  }

  function numbers(words) { return words.map(Number); }

  // result {code, console, files} of the run. Gives {ok, message, read, lines,
  // problems, points, fit, correction, rms, rmsX, rmsY, infText, gps, mapping, pixelOf}: read
  // once the whole file was read; lines the file's lines as the table takes
  // them (comment, wgs, gps, data); problems by data line number the fields
  // that do not read (x, laenge, y, breite, pol); points the fitted ones.
  function read(result) {
    var report = { ok: result.code === 0, message: null, read: false, lines: [], problems: {}, points: [],
                   fit: null, correction: null, rms: 0, rmsX: 0, rmsY: 0, infText: null, gps: false };
    if (!report.ok) report.message = stopMessage(result.console);
    var reportFile = result.files['PUNKTE.BER'], inf = result.files['PUNKTE.INF'];
    if (report.ok && inf) report.infText = new TextDecoder('latin1').decode(inf);
    if (!reportFile) return report;
    new TextDecoder('utf-8').decode(reportFile).split('\r\n').forEach(function (line) {
      var blank = line.indexOf(' '), word = blank < 0 ? line : line.slice(0, blank), rest = blank < 0 ? '' : line.slice(blank + 1);
      var words = rest.split(' ');
      if (word === 'kommentar') report.lines.push({ kind: 'comment', text: rest.trim() });
      else if (word === 'wgs') {
        var cut = rest.indexOf(' ');
        report.lines.push({ kind: 'wgs', longitude: cut < 0 ? rest : rest.slice(0, cut), latitude: cut < 0 ? '' : rest.slice(cut + 1).trim() });
      } else if (word === 'gps') { report.lines.push({ kind: 'gps' }); report.gps = true; }
      else if (word === 'daten') {
        report.lines.push({ kind: 'data', x: words[0], longitude: words[1], y: words[2], latitude: words[3], name: words.slice(4).join(' ') });
      } else if (word === 'zeile') report.problems[words[0]] = words.slice(1);
      else if (word === 'gelesen') report.read = { width: Number(words[0]), height: Number(words[1]) };
      else if (word === 'punkt') {
        var v = numbers(words);
        report.points.push({ number: v[0], longitude: v[1], latitude: v[2], scale: v[3], fittedX: v[4], fittedY: v[5],
                             dx: v[6], dy: v[7], distance: Math.hypot(v[6], v[7]) });
      } else if (word === 'fit') { var f = numbers(words); report.fit = { a: f[0], b: f[1], c: f[2], d: f[3] }; }
      else if (word === 'korrektur') { var k = numbers(words); report.correction = { longitude: k[0], latitude: k[1] }; }
      else if (word === 'rms') { var r = numbers(words); report.rms = r[0]; report.rmsX = r[1]; report.rmsY = r[2]; }
    });
    if (report.fit) {
      var f = report.fit, shift = report.correction;
      report.mapping = InfFile.mapping(f.a, f.b, f.c, f.d);
      // where the fit puts a coordinate pair typed before the correction (display only)
      report.pixelOf = function (longitude, latitude) {
        return { x: report.mapping.x(longitude + shift.longitude), y: report.mapping.y(latitude + shift.latitude) };
      };
    }
    return report;
  }

  return { TOOL: TOOL, NAME: NAME, job: job, read: read, stopMessage: stopMessage };
});
