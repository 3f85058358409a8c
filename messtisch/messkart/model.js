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
    // nine digits always fit; only longer ones need the exact check
    if (text.length <= 9) { var small = Number(text); return negative ? 0 - small : small; }
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

  var PLAIN_DECIMAL = /^-?[0-9]+\.[0-9]+$/;

  function parseDecimalField(text) {
    // the common 13.41: short enough that Number reads it exactly as below
    if (text.length <= 30 && PLAIN_DECIMAL.test(text)) return Number(text);
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

  // exact false: only whether the field reads, and about which value (no
  // arithmetic in extended precision, which a million lines cannot afford).
  function parsePackedAngle(field, exact) {
    var negative = field !== '' && field[0] === '-';
    var text = (negative ? '' : '0') + field;
    var degreeLength = text.length === 8 ? 4 : 3;
    var degrees = parseDecimalField(text.slice(0, degreeLength));
    if (degrees === null) return null;
    var minutes = parseDecimalField(text.slice(degreeLength, degreeLength + 2));
    if (minutes === null) return null;
    var seconds = parseDecimalField(text.slice(degreeLength + 2, degreeLength + 4));
    if (seconds === null) return null;
    if (exact === false) {
      var near = degrees + (negative ? -1 : 1) * (minutes / 60 + seconds / 3600);
      // at a pole the last bit decides whether the latitude passes
      if (Math.abs(Math.abs(near) - 90) > 1e-6) return near;
    }
    var sign = X.fromInt(negative ? -1 : 1);
    return store(X.add(X.add(X.fromDouble(degrees), X.div(X.mul(sign, X.fromDouble(minutes)), X.fromInt(60))),
                       X.div(X.mul(sign, X.fromDouble(seconds)), X.fromInt(3600))));
  }

  function parseAngle(field, exact) {
    return field.indexOf('.') >= 0 ? parseDecimalField(field) : parsePackedAngle(field, exact);
  }

  // Whether a typed field is one that the measurement file can hold: an
  // angle field, or a pixel (integer field), with no blank inside.
  function beyondPole(latitude) { return latitude > 90 || latitude < -90; }

  // kind: 'longitude', 'latitude' or 'integer'.
  function fieldReads(kind, field) {
    if (field === '' || /[\x00-\x20]/.test(field)) return false;
    if (kind === 'integer') return parseIntegerField(field) !== null;
    var angle = parseAngle(field, false);
    return angle !== null && !(kind === 'latitude' && beyondPole(angle));
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

  // Lines as messkart reads them: CR, LF and CR LF end a line; Ctrl-Z ends the
  // file. The byte order mark of Windows editors at the very start is no text
  // (a decoder that keeps it gives it as U+FEFF).
  function splitLines(text) {
    if (text.charCodeAt(0) === 0xFEFF) text = text.slice(1);
    var end = text.indexOf('\x1a');
    if (end >= 0) text = text.slice(0, end);
    var lines = text.split(/\r\n?|\n/);
    return { lines: lines, last: lines.pop() };
  }

  // Without a regular expression at the end, which costs a line's length at
  // every run of blanks inside it.
  function strip(text) {
    var from = 0, to = text.length;
    while (from < to && text.charCodeAt(from) <= 32) ++from;
    while (to > from && text.charCodeAt(to - 1) <= 32) --to;
    return from === 0 && to === text.length ? text : text.slice(from, to);
  }
  function fieldBeforeBlank(text) { var blank = text.indexOf(' '); return blank < 0 ? '' : text.slice(0, blank); }
  // messkart echoes the line's bytes with every one outside printable ASCII
  // as "?": a character the page has decoded from UTF-8 was that many bytes.
  function echoed(text) {
    return text.replace(/[^\x20-\x7e]/g, function (c) {
      var code = c.charCodeAt(0);
      return code < 0x80 ? '?' : code < 0x800 ? '??' : code >= 0xD800 && code <= 0xDFFF ? '??' : '???';
    });
  }
  function formatError(shown) { throw new Stop(echoed(shown) + ' : Formatfehler.'); }
  function isSkipped(line) { return line === '' || line[0] === '*'; }

  // Reads the file as messkart does: the header values, the fits, the
  // correction and GPS marks, and the points as read. A reader goes through
  // the file in steps (readOn), so that the page can show its progress on a
  // long file; exact false only checks the fields, without the fits.
  // lines, when given, collects the file's lines for the page (see
  // readMeasurementFile) in the same pass.
  function startReading(text, exact, lines) {
    var split = splitLines(text), all = split.lines;
    if (split.last !== '') all.push(split.last);
    var reader = { all: all, i: 0, exact: exact !== false, done: false, lines: lines || null,
                   run: { lonFit: newFit(), latFit: newFit(), headerValue1: 0, headerValue2: 0, correctionWord: 'ohne',
                          gpsFormat: false, lonCorrection: 0, latCorrection: 0, points: [] } };
    var header = usefulLine(reader);
    var columns = function (first) { return first < header.length ? header.substr(first, 4) : ''; };
    var v1 = parseIntegerField(columns(0));
    if (v1 === null) formatError(header);
    var v2 = parseIntegerField(columns(5));
    if (v2 === null) formatError(header);
    reader.run.headerValue1 = v1;
    reader.run.headerValue2 = v2;
    return reader;
  }

  function usefulLine(reader) {
    var line, from = reader.i;
    if (reader.lines) {
      line = usefulLineOnly(reader);
      collectComments(reader, from, reader.i);
      return line;
    }
    return usefulLineOnly(reader);
  }

  function usefulLineOnly(reader) {
    var line;
    do { line = reader.i < reader.all.length ? reader.all[reader.i] : ''; ++reader.i; }
    while (isSkipped(line) && reader.i < reader.all.length);
    return line;
  }

  function collectComments(reader, from, to) {
    for (var k = from; k < to; k++) {
      var line = reader.all[k];
      if (line !== undefined && line[0] === '*') reader.lines.push({ kind: 'comment', text: line.slice(1).trim() });
    }
  }

  // Reads up to `count` more lines; reader.done once the file is read.
  function readOn(reader, count) {
    var stop = reader.i + count;
    while (reader.i < reader.all.length && reader.i < stop) {
      var line = usefulLine(reader);
      if (isSkipped(line)) break;
      var keyword = line.slice(0, 3);
      if (keyword === 'WGS') readCorrection(reader.run, line);
      else if (keyword === 'GPS') reader.run.gpsFormat = true;
      else readData(reader.run, line, reader.exact, reader.lines);
      if (reader.lines && keyword === 'WGS') {
        var values = line.slice(4).split(' ');
        reader.lines.push({ kind: 'wgs', longitude: values[0] || '0', latitude: values[1] || '0' });
      } else if (reader.lines && keyword === 'GPS') {
        reader.lines.push({ kind: 'gps' });
      }
    }
    reader.done = reader.i >= reader.all.length;
    return reader;
  }

  function readRun(text) {
    return readOn(startReading(text), Infinity).run;
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

  function readData(run, line, exact, lines) {
    if (run.correctionWord === 'mit') run.gpsFormat = false;
    var rest = strip(line), field = fieldBeforeBlank(rest);
    var x = parseIntegerField(field);
    if (x === null) formatError(rest);
    rest = strip(rest.slice(field.length)); field = fieldBeforeBlank(rest);
    var longitude = parseAngle(field, exact);
    if (longitude === null) formatError(rest);
    if (exact === false) {
      var xField = fieldBeforeBlank(strip(line)), lonField = field;
      rest = strip(rest.slice(field.length)); field = fieldBeforeBlank(rest);
      if (parseIntegerField(field) === null) formatError(rest);
      var yField = field;
      rest = strip(rest.slice(field.length));
      var end = rest.indexOf(' '), latField = end < 0 ? rest : rest.slice(0, end), latitude = parseAngle(latField, false);
      if (latitude === null || beyondPole(latitude)) formatError(rest);
      if (lines) {
        lines.push({ kind: 'data', x: xField, longitude: lonField, y: yField, latitude: latField,
                     name: end < 0 ? '' : strip(rest.slice(end)).replace(/ +/g, ' ') });
      }
      return;
    }
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
    if (latitude === null || beyondPole(latitude)) formatError(rest);
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

  // Sums of one fit (pixel against key) over all points, for fits that leave
  // one point out. Values are taken about their means, which keeps the
  // differences of large sums exact enough.
  function sumsOf(points, key, pixel) {
    var n = points.length, mk = 0, mp = 0;
    points.forEach(function (p) { mk += p[key] / n; mp += p[pixel] / n; });
    var t = { n: n, mk: mk, mp: mp, k: 0, p: 0, kk: 0, kp: 0, pp: 0 };
    points.forEach(function (q) {
      var k = q[key] - mk, p = q[pixel] - mp;
      t.k += k; t.p += p; t.kk += k * k; t.kp += k * p; t.pp += p * p;
    });
    return t;
  }

  // The line through all points but q, and the squares its points leave.
  function fitWithout(t, q, key, pixel) {
    var k = q[key] - t.mk, p = q[pixel] - t.mp, n = t.n - 1;
    var sk = t.k - k, sp = t.p - p, skk = t.kk - k * k, skp = t.kp - k * p, spp = t.pp - p * p;
    var den = n * skk - sk * sk;
    if (n < 2 || !(Math.abs(den) > 1e-9 * Math.max(1, n * skk))) return null;
    var slope = (n * skp - sk * sp) / den, intercept = (sp - slope * sk) / n;
    return { miss: slope * k + intercept - p, squares: Math.max(0, spp - slope * skp - intercept * sp) };
  }

  // Leave-one-out: the point whose removal explains the misfit is the one
  // without which the others fit best; it is marked when its distance from
  // the lines through all the other points exceeds 5 pixels and five times
  // the spread (RMS) of those points about their own lines. At most one point
  // is marked, and only from four points on.
  function outliersOf(points) {
    if (points.length < 4) return [];
    var lonSums = sumsOf(points, 'longitude', 'x'), latSums = sumsOf(points, 'scale', 'y');
    var best = -1, bestSpread = Infinity, bestDistance = 0;
    points.forEach(function (q, i) {
      var lon = fitWithout(lonSums, q, 'longitude', 'x'), lat = fitWithout(latSums, q, 'scale', 'y');
      if (!lon || !lat) return;
      var spread = Math.sqrt((lon.squares + lat.squares) / (points.length - 1));
      if (spread < bestSpread) { best = i; bestSpread = spread; bestDistance = Math.hypot(lon.miss, lat.miss); }
    });
    return best >= 0 && bestDistance > 5 && bestDistance > 5 * bestSpread ? [best] : [];
  }

  function calibrationOf(run) {
    if (run.lonFit.count < 2 || run.latFit.count < 2) {
      return { ok: false, message: 'Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten.' };
    }
    // All on one meridian or one parallel: messkart writes no file of zeros.
    if (run.lonFit.allXEqual) {
      return { ok: false, message: 'Alle Punkte liegen auf einem Meridian: die Textdatei braucht Punkte auf mindestens 2 Laengen.' };
    }
    if (run.latFit.allXEqual) {
      return { ok: false, message: 'Alle Punkte liegen auf einem Breitenkreis: die Textdatei braucht Punkte auf mindestens 2 Breiten.' };
    }
    var a = run.lonFit.slope, b = run.lonFit.intercept, c = run.latFit.slope, d = run.latFit.intercept;
    var residuals = run.points.map(function (p) {
      var dx = a * p.longitude + b - p.x, dy = c * p.scale + d - p.y;
      return { dx: dx, dy: dy, distance: Math.hypot(dx, dy) };
    });
    // where the fit puts a coordinate pair (degrees as typed, before the
    // correction), reckoned as the residuals are
    var pixelOf = function (longitude, latitude) {
      var lon = store(X.add(X.fromDouble(longitude), X.fromDouble(run.lonCorrection)));
      var lat = store(X.add(X.fromDouble(latitude), X.fromDouble(run.latCorrection)));
      return { x: a * lon + b, y: c * latitudeScale(lat) + d };
    };
    var mean = function (of) { return Math.sqrt(residuals.reduce(function (sum, r) { return sum + of(r); }, 0) / residuals.length); };
    return { ok: true, infText: infText(run), coefficients: { a: a, b: b, c: c, d: d }, residuals: residuals,
             rms: mean(function (r) { return r.distance * r.distance; }),
             rmsX: mean(function (r) { return r.dx * r.dx; }), rmsY: mean(function (r) { return r.dy * r.dy; }),
             outliers: outliersOf(run.points), mapping: mappingOf(a, b, c, d), pixelOf: pixelOf, gpsFormat: run.gpsFormat,
             correctionWord: run.correctionWord, headerValue1: run.headerValue1, headerValue2: run.headerValue2 };
  }

  function failed(stop) {
    if (stop instanceof Stop) return { ok: false, message: stop.message };
    throw stop;
  }

  // The fit as messkart computes it from the file's text.
  function calibrate(text) {
    try {
      return calibrationOf(readRun(text));
    } catch (stop) {
      return failed(stop);
    }
  }

  // The same in steps: step(count) reads up to count more lines and returns
  // null while lines are left, then the result; progress() is 0 .. 1.
  function calibration(text) {
    var reader = null, result = null;
    try { reader = startReading(text); } catch (stop) { result = failed(stop); }
    return {
      progress: function () { return result ? 1 : reader.i / Math.max(1, reader.all.length); },
      step: function (count) {
        if (result) return result;
        try {
          readOn(reader, count);
          if (reader.done) result = calibrationOf(reader.run);
        } catch (stop) {
          result = failed(stop);
        }
        return result;
      }
    };
  }

  // The file's lines for the page: comments, the correction, the GPS mark and
  // the data lines with their fields as written. Fails as messkart would.
  function readMeasurementFile(text) {
    var model = { width: 0, height: 0, lines: [] };
    try {
      var reader = startReading(text, false, model.lines);
      model.width = reader.run.headerValue1;
      model.height = reader.run.headerValue2;
      readOn(reader, Infinity);
    } catch (stop) {
      return failed(stop);
    }
    return { ok: true, model: model };
  }

  // Writes the page's points as a measurement file: the header with the
  // picture's width and height, comments, the correction, one line a point,
  // the GPS mark last (a data line after a correction would clear it).
  function writeMeasurementFile(model) {
    var four = function (n) { return String(n).padStart(4, '0'); };
    var head = four(model.width) + ' ' + four(model.height) + '\r\n', comments = '', corrections = '', data = '', gps = '';
    model.lines.forEach(function (l) {
      if (l.kind === 'comment') comments += '* ' + l.text + '\r\n';
      else if (l.kind === 'wgs') corrections += 'WGS ' + l.longitude + ' ' + l.latitude + '\r\n';
      else if (l.kind === 'data') data += l.x + ' ' + l.longitude + ' ' + l.y + ' ' + l.latitude + (l.name ? ' ' + l.name : '') + '\r\n';
      else if (l.kind === 'gps') gps = 'GPS\r\n';
    });
    // data given as points ({x, longitude, y, latitude, name}) besides the lines
    (model.points || []).forEach(function (p) {
      data += p.x + ' ' + p.longitude + ' ' + p.y + ' ' + p.latitude + (p.name ? ' ' + p.name : '') + '\r\n';
    });
    return head + comments + corrections + data + gps;
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
    calibration: calibration, fieldReads: fieldReads,
    readInfFile: readInfFile, exponential: exponential,
    // the number fields, which passnetz's model reads a .INF file with
    parseDecimalField: parseDecimalField, parseIntegerField: parseIntegerField
  };
})();
if (typeof module !== 'undefined') module.exports = MesskartModel;
