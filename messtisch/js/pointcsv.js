// Control points as CSV, for spreadsheets and other georeferencing programs:
// UTF-8, comma-separated, a header naming the columns, decimal points. Read
// back are both that and what a German spreadsheet writes: semicolons between
// the fields and decimal commas, told apart by the header's separator.
define('PointCsv', [], function () {
  'use strict';

  var COLUMNS = ['x', 'y', 'laenge', 'breite', 'name', 'an', 'dx', 'dy', 'abstand'];

  function quoted(text) {
    text = String(text);
    return /[",\r\n]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
  }

  // points: [{x, y, longitude, latitude, name, off}]; residualOf(i): {dx, dy, distance} or null.
  function write(points, residualOf) {
    var lines = [COLUMNS.join(',')];
    points.forEach(function (p, i) {
      var r = residualOf(i), f = function (v) { return r ? v.toFixed(2) : ''; };
      lines.push([p.x, p.y, p.longitude, p.latitude, p.name, p.off ? 0 : 1,
                  f(r && r.dx), f(r && r.dy), f(r && r.distance)].map(quoted).join(','));
    });
    return lines.join('\r\n') + '\r\n';
  }

  // The separator of the header line: the more frequent of ';' and ',' outside quotes.
  function separatorOf(line) {
    var counts = { ',': 0, ';': 0 }, inQuotes = false;
    for (var i = 0; i < line.length; i++) {
      if (line[i] === '"') inQuotes = !inQuotes;
      else if (!inQuotes && line[i] in counts) counts[line[i]]++;
    }
    return counts[';'] > counts[','] ? ';' : ',';
  }

  function fields(line, separator) {
    var out = [], field = '', inQuotes = false;
    for (var i = 0; i < line.length; i++) {
      var c = line[i];
      if (inQuotes) {
        if (c === '"' && line[i + 1] === '"') { field += '"'; i++; }
        else if (c === '"') inQuotes = false;
        else field += c;
      } else if (c === '"') inQuotes = true;
      else if (c === separator) { out.push(field.trim()); field = ''; }
      else field += c;
    }
    out.push(field.trim());
    return out;
  }

  var NAMES = { x: 'x', y: 'y', laenge: 'longitude', 'länge': 'longitude', lon: 'longitude', longitude: 'longitude',
                breite: 'latitude', lat: 'latitude', latitude: 'latitude', name: 'name', an: 'on' };

  var MOST_NAMED = 10; // bad rows named one by one, the rest counted

  // {ok, points} or {ok: false, message}; columns found by their names. A
  // file with rows that cannot be read is refused, naming them and why.
  function read(text) {
    var lines = text.replace(/^\ufeff/, '').split(/\r\n|\r|\n/);
    var numbers = [], kept = [];
    lines.forEach(function (l, i) { if (l.trim() !== '') { kept.push(l); numbers.push(i + 1); } });
    if (!kept.length) return { ok: false, message: 'Die CSV-Datei ist leer.' };
    var separator = separatorOf(kept[0]), at = {};
    fields(kept[0], separator).forEach(function (name, i) { var key = NAMES[name.toLowerCase()]; if (key && !(key in at)) at[key] = i; });
    var missing = ['x', 'y', 'longitude', 'latitude'].filter(function (key) { return !(key in at); });
    if (missing.length) return { ok: false, message: 'In der Kopfzeile fehlen die Spalten x, y, laenge und breite.' };
    var needed = Math.max(at.x, at.y, at.longitude, at.latitude) + 1;
    // with semicolons between the fields a comma is the decimal sign
    var angle = function (text) { return separator === ';' ? (text || '').replace(/,/g, '.') : text || ''; };
    var points = [], bad = [];
    for (var n = 1; n < kept.length; n++) {
      var f = fields(kept[n], separator), why = rowProblem(f, at, needed);
      if (why) { bad.push('Zeile ' + numbers[n] + ' (' + why + ')'); continue; }
      points.push({ x: Number(f[at.x]), y: Number(f[at.y]), longitude: angle(f[at.longitude]), latitude: angle(f[at.latitude]),
                    name: 'name' in at ? (f[at.name] || '').replace(/\s+/g, '_') : '',
                    off: 'on' in at && f[at.on] === '0' });
    }
    if (bad.length) {
      var named = bad.slice(0, MOST_NAMED).join(', ') + (bad.length > MOST_NAMED ? ' und ' + (bad.length - MOST_NAMED) + ' weitere' : '');
      return { ok: false, message: (bad.length === 1 ? 'Diese Zeile lässt' : 'Diese Zeilen lassen') + ' sich nicht lesen: ' + named +
        '. Die Datei ist nicht geöffnet.' };
    }
    return { ok: true, points: points };
  }

  // Why one row cannot be read, or null.
  function rowProblem(f, at, needed) {
    if (f.length < needed) return (f.length === 1 ? 'nur 1 Feld' : 'nur ' + f.length + ' Felder') + ', gebraucht ' + needed;
    var bad = [f[at.x], f[at.y]].filter(function (v) { return !/^-?\d+$/.test(v); });
    if (bad.length) return 'x und y müssen ganze Pixel sein, nicht „' + bad[0] + '“';
    return null;
  }

  return { write: write, read: read };
});
