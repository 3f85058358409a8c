// messkart's reading of a measurement file, its fits and its .INF text,
// computed as the tool computes them (extended precision, the same steps and
// the same exponential), so that the page shows the bytes the tool writes.
// The differential test (tests/messtisch/model/) holds this file to the
// built messkart on many random measurement files.
var MesskartModel = (function () {
  'use strict';

  var X = typeof Extended !== 'undefined' ? Extended : require('./extended.js');

  // ---- the exponential, operation for operation as the tools' own ----------

  var thirtyTwoOverLn2 = X.fromHex('0xB8AA3B295C17F0BCp-58');
  var ln2Over32High = X.fromHex('0xB17217F7D1D00000p-69');
  var ln2Over32Low = X.fromHex('-0x8654361C4C67FC0Dp-117');
  var powersOfTwo = [
    ['0x8000000000000000p-63', null],
    ['0x82CD8698AC2BA1D7p-63', '0xF8A91D6D19482FFDp-129'],
    ['0x85AAC367CC487B15p-63', '-0xE8DA91CF7AACF938p-129'],
    ['0x88980E8092DA8527p-63', '0xBBF1AED9318CEAC6p-128'],
    ['0x8B95C1E3EA8BD6E7p-63', '-0x8373AF14EB586DFDp-132'],
    ['0x8EA4398B45CD53C0p-63', '0xB70051321E0F5317p-129'],
    ['0x91C3D373AB11C336p-63', '0xFD6D8E0AE5AC9D82p-131'],
    ['0x94F4EFA8FEF70961p-63', '0xBA2BEB4495477951p-129'],
    ['0x9837F0518DB8A96Fp-63', '0x8D5A46305C85EDEDp-128'],
    ['0x9B8D39B9D54E5539p-63', '-0xBAAFD0BAB86781C2p-128'],
    ['0x9EF5326091A111AEp-63', '-0xBEDDC1EC288C045Dp-128'],
    ['0xA27043030C496819p-63', '-0xC90BF620FE6042B1p-128'],
    ['0xA5FED6A9B15138EAp-63', '0xE5EBFB10B88380D9p-130'],
    ['0xA9A15AB4EA7C0EF8p-63', '0xA83C49D86A63F4E6p-128'],
    ['0xAD583EEA42A14AC6p-63', '0x93015191EB345D89p-128'],
    ['0xB123F581D2AC2590p-63', '-0xF05F902D25BD44E3p-128'],
    ['0xB504F333F9DE6484p-63', '0xB2FB1366EA957D3Ep-128'],
    ['0xB8FBAF4762FB9EE9p-63', '0xDC3CBBC2B35B2D0Dp-130'],
    ['0xBD08A39F580C36BFp-63', '-0xAEFDC09325E0A10Cp-128'],
    ['0xC12C4CCA66709456p-63', '0xF88AFAB34A010F6Bp-128'],
    ['0xC5672A115506DADDp-63', '0xF8AB432593767CDEp-129'],
    ['0xC9B9BD866E2F27A3p-63', '-0xFE3C0DABF5DD2D04p-128'],
    ['0xCE248C151F8480E4p-63', '-0xEE53E3835069C895p-130'],
    ['0xD2A81D91F12AE45Ap-63', '0x912472BE1EF20143p-130'],
    ['0xD744FCCAD69D6AF4p-63', '0xE69A2EE640B4FF78p-129'],
    ['0xDBFBB797DAF23755p-63', '0xF610356A78A6A991p-129'],
    ['0xE0CCDEEC2A94E111p-63', '0xCB12A091BA667944p-132'],
    ['0xE5B906E77C8348A8p-63', '0xF2F47A5276DD8765p-130'],
    ['0xEAC0C6E7DD24392Fp-63', '-0xBF4A29323E46AC15p-129'],
    ['0xEFE4B99BDCDAF5CBp-63', '0x8CAC39ED291B7226p-128'],
    ['0xF5257D152486CC2Cp-63', '0xF73A18F5DB301F87p-128'],
    ['0xFA83B2DB722A033Ap-63', '0xF84B762862BAFF99p-128']
  ].map(function (pair) { return { high: X.fromHex(pair[0]), low: pair[1] ? X.fromHex(pair[1]) : X.zero(0) }; });
  var inverseFactorial = [null, X.fromInt(1)].concat(['0x8000000000000000p-64', '0xAAAAAAAAAAAAAAABp-66', '0xAAAAAAAAAAAAAAABp-68', '0x8888888888888889p-70', '0xB60B60B60B60B60Bp-73', '0xD00D00D00D00D00Dp-76', '0xD00D00D00D00D00Dp-79'].map(X.fromHex));
  var shift = X.fromHex('0xC000000000000000p0');
  var extendedPi = X.fromHex('0xC90FDAA22168C235p-62');

  function exponential(x) {
    if (X.isNaN(x)) return x;
    if (X.compare(x, X.fromInt(11357)) > 0) return X.inf(0);
    if (X.compare(x, X.fromInt(-11400)) < 0) return X.zero(0);
    var n = X.sub(X.add(X.mul(x, thirtyTwoOverLn2), shift), shift);
    var s = X.sub(X.sub(x, X.mul(n, ln2Over32High)), X.mul(n, ln2Over32Low));
    var whole = X.toBigInt(n), j = ((whole % 32n) + 32n) % 32n, k = Number((whole - j) / 32n);
    var t = powersOfTwo[Number(j)];
    var q = inverseFactorial[8];
    for (var i = 7; i >= 2; --i) q = X.add(inverseFactorial[i], X.mul(s, q));
    var minusOne = X.add(s, X.mul(X.mul(s, s), q));
    return X.ldexp(X.add(t.high, X.add(t.low, X.mul(t.high, minusOne))), k);
  }

  // ---- failures that end messkart with its report ----------------------------

  function Stop(message) { this.message = message; }

  function store(v) {
    if (X.isNaN(v)) throw new Stop('Invalid floating point operation');
    var d = X.toDouble(v);
    if (!Number.isFinite(d)) throw new Stop('Floating point overflow');
    return d;
  }

  // ---- number fields -----------------------------------------------------------

  function skipBlanks(text) { return text.replace(/^ +/, ''); }

  function parseHex(digits) {
    if (!/^[0-9A-Fa-f]+$/.test(digits)) return null;
    var value = 0n;
    for (var i = 0; i < digits.length; ++i) {
      value = value * 16n + BigInt(parseInt(digits[i], 16));
      if (value > 0xFFFFFFFFn) return null;
    }
    return Number(BigInt.asIntN(32, value));
  }

  function parseIntegerField(text) {
    text = skipBlanks(text);
    if (text === '') return null;
    if (text[0] === '$' || text[0] === 'x' || text[0] === 'X') return parseHex(text.slice(1));
    if (text.length >= 2 && text[0] === '0' && (text[1] === 'x' || text[1] === 'X')) return parseHex(text.slice(2));
    var negative = false;
    if (text[0] === '+' || text[0] === '-') { negative = text[0] === '-'; text = text.slice(1); }
    if (!/^[0-9]+$/.test(text)) return null;
    var magnitude = BigInt(text), value = negative ? -magnitude : magnitude;
    if (value > 2147483647n || value < -2147483648n) return null;
    return Number(value);
  }

  // Whether a valid decimal number lies below 1 in magnitude (a too small
  // one reads as zero, a too large one is no number).
  function belowOne(mantissa, exponent) {
    var integerDigits = 0, seenPoint = false, seenSignificant = false;
    for (var i = 0; i < mantissa.length; ++i) {
      var c = mantissa[i];
      if (c === '.') seenPoint = true;
      else if (!seenSignificant && c === '0') { if (seenPoint) --integerDigits; }
      else { seenSignificant = true; if (!seenPoint) ++integerDigits; }
    }
    var scale = exponent ? Number(exponent.slice(1)) : 0;
    return integerDigits + scale <= 0;
  }

  function parseDecimalField(text) {
    text = skipBlanks(text);
    var match = /^([+-]?)([0-9]*\.?[0-9]*)((?:[eE][+-]?[0-9]+)?)$/.exec(text);
    if (!match || !/[0-9.]/.test(match[2])) return null;
    var negative = match[1] === '-', mantissa = match[2], exponent = match[3];
    if (!/[0-9]/.test(mantissa)) return negative ? -0 : 0;
    var value = Number(mantissa + exponent);
    if (!Number.isFinite(value)) {
      if (!belowOne(mantissa, exponent)) return null;
      value = 0;
    } else if (value === 0 && /[1-9]/.test(mantissa)) {
      value = 0;
    }
    return negative ? -value : value;
  }

  function parsePackedAngle(field) {
    var negative = field !== '' && field[0] === '-';
    var text = (negative ? '' : '0') + field;
    var degreeLength = text.length === 8 ? 4 : 3;
    var degrees = parseDecimalField(text.slice(0, degreeLength));
    if (degrees === null) return null;
    var minutes = parseDecimalField(text.slice(degreeLength, degreeLength + 2));
    if (minutes === null) return null;
    var seconds = parseDecimalField(text.slice(degreeLength + 2, degreeLength + 4));
    if (seconds === null) return null;
    var sign = X.fromInt(negative ? -1 : 1);
    return store(X.add(X.add(X.fromDouble(degrees), X.div(X.mul(sign, X.fromDouble(minutes)), X.fromInt(60))),
                       X.div(X.mul(sign, X.fromDouble(seconds)), X.fromInt(3600))));
  }

  function parseAngle(field) {
    return field.indexOf('.') >= 0 ? parseDecimalField(field) : parsePackedAngle(field);
  }

  // ---- the fits ------------------------------------------------------------------

  function newFit() {
    return { count: 0, sumXY: 0, sumY: 0, sumX: 0, sumXX: 0, slope: 0, intercept: 0, firstX: 0, allXEqual: true };
  }

  function sameBits(a, b) { return Object.is(a, b) || (a === b && a !== 0); }

  function addPoint(fit, pixel, x) {
    fit.count += 1;
    if (fit.count === 1) fit.firstX = x;
    fit.allXEqual = fit.allXEqual && sameBits(x, fit.firstX);
    var y = X.fromInt(pixel), xe = X.fromDouble(x);
    fit.sumXY = store(X.add(X.fromDouble(fit.sumXY), X.mul(xe, y)));
    fit.sumY = store(X.add(X.fromDouble(fit.sumY), y));
    fit.sumX = store(X.add(X.fromDouble(fit.sumX), xe));
    fit.sumXX = store(X.add(X.fromDouble(fit.sumXX), X.mul(xe, xe)));
    if (fit.count < 2) return;
    var n = X.fromInt(fit.count), sumX = X.fromDouble(fit.sumX), sumY = X.fromDouble(fit.sumY);
    var sumXX = X.fromDouble(fit.sumXX), sumXY = X.fromDouble(fit.sumXY);
    var denominator = store(X.sub(X.mul(n, sumXX), X.mul(sumX, sumX)));
    if (denominator === 0 || fit.allXEqual) denominator = 1e9;
    var d = X.fromDouble(denominator);
    fit.slope = store(X.div(X.sub(X.mul(n, sumXY), X.mul(sumX, sumY)), d));
    fit.intercept = store(X.div(X.sub(X.mul(sumY, sumXX), X.mul(sumX, sumXY)), d));
  }

  function latitudeScale(latitudeDegrees) {
    var radians = X.fromDouble(store(X.mul(X.div(X.fromDouble(latitudeDegrees), X.fromInt(180)), extendedPi)));
    return store(X.div(X.sub(exponential(radians), exponential(X.negate(radians))), X.fromInt(2)));
  }

  // ---- reading the measurement file ------------------------------------------

  // Lines as messkart reads them: CR, LF and CR LF end a line; Ctrl-Z ends the file.
  function splitLines(text) {
    var end = text.indexOf('\x1a');
    if (end >= 0) text = text.slice(0, end);
    var lines = [], line = '', i = 0;
    while (i < text.length) {
      var c = text[i++];
      if (c === '\n') { lines.push(line); line = ''; }
      else if (c === '\r') { if (text[i] === '\n') ++i; lines.push(line); line = ''; }
      else line += c;
    }
    return { lines: lines, last: line };
  }

  function strip(text) { return text.replace(/^[\x00-\x20]+/, '').replace(/[\x00-\x20]+$/, ''); }
  function fieldBeforeBlank(text) { var blank = text.indexOf(' '); return blank < 0 ? '' : text.slice(0, blank); }
  function formatError(shown) { throw new Stop(shown + ' : Formatfehler.'); }
  function isSkipped(line) { return line === '' || line[0] === '*'; }

  // Reads the file as messkart does and returns its run: the header values,
  // the fits, the correction and GPS marks, and the points as read.
  function readRun(text) {
    var split = splitLines(text), all = split.lines.concat(split.last === '' ? [] : [split.last]);
    var atEnd = function (i) { return i >= all.length; };
    var lineAt = function (i) { return i < all.length ? all[i] : ''; };
    var run = { lonFit: newFit(), latFit: newFit(), headerValue1: 0, headerValue2: 0, correctionWord: 'ohne',
                gpsFormat: false, lonCorrection: 0, latCorrection: 0, points: [] };
    var i = 0;
    function usefulLine() {
      var line;
      do { line = lineAt(i); ++i; } while (isSkipped(line) && !atEnd(i));
      return line;
    }
    var header = usefulLine();
    var columns = function (first) { return first < header.length ? header.substr(first, 4) : ''; };
    var v1 = parseIntegerField(columns(0));
    if (v1 === null) formatError(header);
    var v2 = parseIntegerField(columns(5));
    if (v2 === null) formatError(header);
    run.headerValue1 = v1;
    run.headerValue2 = v2;
    while (!atEnd(i)) {
      var line = usefulLine();
      if (isSkipped(line)) break;
      var keyword = line.slice(0, 3);
      if (keyword === 'WGS') readCorrection(run, line);
      else if (keyword === 'GPS') run.gpsFormat = true;
      else readData(run, line);
    }
    return run;
  }

  function readCorrection(run, line) {
    var values = line.length > 4 ? line.slice(4) : '';
    var lonField = fieldBeforeBlank(values), lonSeconds = parseDecimalField(lonField);
    if (lonSeconds === null) formatError(values);
    var latField = lonField.length < values.length ? values.slice(lonField.length + 1) : '';
    var latSeconds = parseDecimalField(latField);
    if (latSeconds === null) formatError(values);
    run.lonCorrection = store(X.div(X.fromDouble(lonSeconds), X.fromInt(3600)));
    run.latCorrection = store(X.div(X.fromDouble(latSeconds), X.fromInt(3600)));
    run.correctionWord = 'mit';
  }

  function readData(run, line) {
    if (run.correctionWord === 'mit') run.gpsFormat = false;
    var rest = strip(line), field = fieldBeforeBlank(rest);
    var x = parseIntegerField(field);
    if (x === null) formatError(rest);
    rest = strip(rest.slice(field.length)); field = fieldBeforeBlank(rest);
    var longitude = parseAngle(field);
    if (longitude === null) formatError(rest);
    var lon = store(X.add(X.fromDouble(longitude), X.fromDouble(run.lonCorrection)));
    addPoint(run.lonFit, x, lon);
    rest = strip(rest.slice(field.length)); field = fieldBeforeBlank(rest);
    var y = parseIntegerField(field);
    if (y === null) formatError(rest);
    rest = strip(rest.slice(field.length));
    var blank = rest.indexOf(' ');
    field = blank < 0 ? rest : rest.slice(0, blank);
    var latitude = parseAngle(field);
    // A latitude beyond a pole stops like a field that cannot be read.
    if (latitude === null || latitude > 90 || latitude < -90) formatError(rest);
    var lat = store(X.add(X.fromDouble(latitude), X.fromDouble(run.latCorrection)));
    var scale = latitudeScale(lat);
    addPoint(run.latFit, y, scale);
    run.points.push({ x: x, y: y, longitude: lon, latitude: lat, scale: scale });
  }

  function infText(run) {
    var text = [run.lonFit.slope, run.lonFit.intercept, run.latFit.slope, run.latFit.intercept]
      .map(function (v) { return X.fixedFour(v) + '\r\n'; }).join('');
    text += run.headerValue1 + '\r\n' + run.headerValue2 + '\r\n';
    if (run.gpsFormat) text += 'GPS\r\n';
    return text;
  }

  // ---- what the page uses ------------------------------------------------------

  // The page's picture of a line fit, in ordinary doubles (display only).
  function mappingOf(a, b, c, d) {
    var rad = Math.PI / 180;
    return {
      x: function (lon) { return a * lon + b; },
      y: function (lat) { return c * Math.sinh(lat * rad) + d; },
      longitude: function (x) { return (x - b) / a; },
      latitude: function (y) { return Math.asinh((y - d) / c) / rad; }
    };
  }

  // The line through the other points, for judging one point on its own.
  function fitWithout(points, skip, key, pixel) {
    var n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    points.forEach(function (p, i) {
      if (i === skip) return;
      n += 1; sx += p[key]; sy += p[pixel]; sxx += p[key] * p[key]; sxy += p[key] * p[pixel];
    });
    var den = n * sxx - sx * sx;
    if (n < 2 || den === 0) return null;
    return { slope: (n * sxy - sx * sy) / den, intercept: (sy * sxx - sx * sxy) / den };
  }

  // A point stands out when its distance from the lines through all the other
  // points exceeds 3 pixels and five times the spread (RMS) of those other
  // points about their own lines: one typo cannot hide behind the others.
  function outliersOf(points) {
    if (points.length < 4) return [];
    var marked = [];
    points.forEach(function (p, i) {
      var lon = fitWithout(points, i, 'longitude', 'x'), lat = fitWithout(points, i, 'scale', 'y');
      if (!lon || !lat) return;
      var distance = function (q) {
        return Math.hypot(lon.slope * q.longitude + lon.intercept - q.x, lat.slope * q.scale + lat.intercept - q.y);
      };
      var spread = 0;
      points.forEach(function (q, k) { if (k !== i) spread += distance(q) * distance(q); });
      spread = Math.sqrt(spread / (points.length - 1));
      if (distance(p) > 3 && distance(p) > 5 * spread) marked.push(i);
    });
    return marked;
  }

  function calibrate(text) {
    var run;
    try {
      run = readRun(text);
    } catch (stop) {
      if (stop instanceof Stop) return { ok: false, message: stop.message };
      throw stop;
    }
    if (run.lonFit.count < 2 || run.latFit.count < 2) {
      return { ok: false, message: 'Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten.' };
    }
    var a = run.lonFit.slope, b = run.lonFit.intercept, c = run.latFit.slope, d = run.latFit.intercept;
    var residuals = run.points.map(function (p) {
      var dx = a * p.longitude + b - p.x, dy = c * p.scale + d - p.y;
      return { dx: dx, dy: dy, distance: Math.hypot(dx, dy) };
    });
    var rms = Math.sqrt(residuals.reduce(function (sum, r) { return sum + r.distance * r.distance; }, 0) / residuals.length);
    return { ok: true, infText: infText(run), coefficients: { a: a, b: b, c: c, d: d }, residuals: residuals, rms: rms,
             outliers: outliersOf(run.points), mapping: mappingOf(a, b, c, d), gpsFormat: run.gpsFormat,
             correctionWord: run.correctionWord };
  }

  // The file's lines for the page: comments, the correction, the GPS mark and
  // the data lines with their fields as written. Fails as messkart would.
  function readMeasurementFile(text) {
    try {
      readRun(text);
    } catch (stop) {
      if (stop instanceof Stop) return { ok: false, message: stop.message };
      throw stop;
    }
    var split = splitLines(text), all = split.lines.concat(split.last === '' ? [] : [split.last]);
    var model = { width: 0, height: 0, lines: [] }, headerSeen = false;
    all.forEach(function (line) {
      if (line === '') return;
      if (line[0] === '*') { model.lines.push({ kind: 'comment', text: line.slice(1).trim() }); return; }
      if (!headerSeen) {
        headerSeen = true;
        model.width = parseIntegerField(line.substr(0, 4));
        model.height = parseIntegerField(line.length > 5 ? line.substr(5, 4) : '');
        return;
      }
      var keyword = line.slice(0, 3);
      if (keyword === 'WGS') {
        var values = line.slice(4).split(' ');
        model.lines.push({ kind: 'wgs', longitude: values[0] || '0', latitude: values[1] || '0' });
      } else if (keyword === 'GPS') {
        model.lines.push({ kind: 'gps' });
      } else {
        var f = strip(line).split(/ +/);
        model.lines.push({ kind: 'data', x: f[0], longitude: f[1], y: f[2], latitude: f[3], name: f.slice(4).join(' ') });
      }
    });
    return { ok: true, model: model };
  }

  // Writes the page's points as a measurement file: the header with the
  // picture's width and height, comments, the correction, one line a point,
  // the GPS mark last (a data line after a correction would clear it).
  function writeMeasurementFile(model) {
    var four = function (n) { return String(n).padStart(4, '0'); };
    var out = [four(model.width) + ' ' + four(model.height)];
    var of = function (kind) { return model.lines.filter(function (l) { return l.kind === kind; }); };
    of('comment').forEach(function (l) { out.push('* ' + l.text); });
    of('wgs').forEach(function (l) { out.push('WGS ' + l.longitude + ' ' + l.latitude); });
    of('data').forEach(function (l) {
      out.push([l.x, l.longitude, l.y, l.latitude].join(' ') + (l.name ? ' ' + l.name : ''));
    });
    if (of('gps').length) out.push('GPS');
    return out.join('\r\n') + '\r\n';
  }

  // A .INF file: its four coefficients give the graticule it describes.
  function readInfFile(text) {
    var lines = text.split(/\r\n|\r|\n/), real = /^-?[0-9]+\.[0-9]+$/;
    if (lines.length < 6 || !lines.slice(0, 4).every(function (line) { return real.test(line); })) {
      return { ok: false, message: 'keine .INF-Datei: die ersten vier Zeilen müssen Zahlen wie 100.0000 sein.' };
    }
    var v = lines.slice(0, 4).map(Number);
    return { ok: true, lines: lines.slice(0, 4), mapping: mappingOf(v[0], v[1], v[2], v[3]), gps: lines[6] === 'GPS' };
  }

  return {
    readMeasurementFile: readMeasurementFile, writeMeasurementFile: writeMeasurementFile, calibrate: calibrate,
    readInfFile: readInfFile, exponential: exponential,
    // the number fields, which passnetz's model reads a .INF file with
    parseDecimalField: parseDecimalField, parseIntegerField: parseIntegerField
  };
})();
if (typeof module !== 'undefined') module.exports = MesskartModel;
