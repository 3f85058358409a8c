// What the page reads from a tool's console text (7-bit ASCII, CR LF): the
// message of a refusal, and what passnetz says about the files it wrote.
define('ToolConsole', [], function () {
  'use strict';

  // The tool's message of a refusal: the line it rang the bell after, else
  // the last line it wrote before its pause.
  function refusal(text) {
    var lines = text.split('\r\n');
    for (var i = 0; i < lines.length; i++) if (lines[i].indexOf('\x07') >= 0) return lines[i].replace(/\x07/g, '');
    var pause = lines.indexOf('RETURN druecken.. ');
    var before = lines.slice(0, pause < 0 ? lines.length : pause).filter(function (l) { return l.trim() !== ''; });
    return before.length ? before[before.length - 1] : 'keine Ausgabe';
  }

  // passnetz's control points, their datum (its second line names it) and
  // its warning that the .INF file names another size than the picture's.
  function passnetzSummary(text) {
    var count = /Passpunkte: \d+ x \d+ = (\d+)/.exec(text), warning = /^Warnung: die \.INF-Datei nennt .*$/m.exec(text);
    return { count: count ? Number(count[1]) : 0, gps: /EPSG:4326/.test(text.split('\r\n')[1] || ''), warning: warning ? warning[0] : '' };
  }

  return { refusal: refusal, passnetzSummary: passnetzSummary };
});
