// Control points as CSV, for spreadsheets and other georeferencing programs:
// UTF-8, comma-separated, a header naming the columns, decimal points.
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

  function fields(line) {
    var out = [], field = '', inQuotes = false;
    for (var i = 0; i < line.length; i++) {
      var c = line[i];
      if (inQuotes) {
        if (c === '"' && line[i + 1] === '"') { field += '"'; i++; }
        else if (c === '"') inQuotes = false;
        else field += c;
      } else if (c === '"') inQuotes = true;
      else if (c === ',' || c === ';') { out.push(field.trim()); field = ''; }
      else field += c;
    }
    out.push(field.trim());
    return out;
  }

  var NAMES = { x: 'x', y: 'y', laenge: 'longitude', 'länge': 'longitude', lon: 'longitude', longitude: 'longitude',
                breite: 'latitude', lat: 'latitude', latitude: 'latitude', name: 'name', an: 'on' };

  // {ok, points} or {ok: false, message}; columns found by their names.
  function read(text) {
    var lines = text.replace(/^\ufeff/, '').split(/\r\n|\r|\n/).filter(function (l) { return l.trim() !== ''; });
    if (!lines.length) return { ok: false, message: 'Die CSV-Datei ist leer.' };
    var at = {};
    fields(lines[0]).forEach(function (name, i) { var key = NAMES[name.toLowerCase()]; if (key && !(key in at)) at[key] = i; });
    var missing = ['x', 'y', 'longitude', 'latitude'].filter(function (key) { return !(key in at); });
    if (missing.length) return { ok: false, message: 'In der Kopfzeile fehlen die Spalten x, y, laenge und breite.' };
    var points = [];
    for (var n = 1; n < lines.length; n++) {
      var f = fields(lines[n]), x = Number(f[at.x]), y = Number(f[at.y]);
      if (!/^-?\d+$/.test(f[at.x] || '') || !/^-?\d+$/.test(f[at.y] || '')) {
        return { ok: false, message: 'Zeile ' + (n + 1) + ': x und y müssen ganze Pixel sein.' };
      }
      points.push({ x: x, y: y, longitude: f[at.longitude] || '', latitude: f[at.latitude] || '',
                    name: 'name' in at ? (f[at.name] || '').replace(/\s+/g, '_') : '',
                    off: 'on' in at && f[at.on] === '0' });
    }
    return { ok: true, points: points };
  }

  return { write: write, read: read };
});
