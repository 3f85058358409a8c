// passnetz's exports, computed as the program computes them: the .INF read by
// the same rules, the same grid, the same doubles in the same order (only
// +, -, *, / and the square root, which JavaScript rounds exactly as C++
// does) and the same number text, so that the page writes the bytes the
// program writes. tests/messtisch/model/passnetz_differential.js holds this
// file to the built passnetz on many random .INF files.
var PassnetzModel = (function () {
  'use strict';

  var M = typeof MesskartModel !== 'undefined' ? MesskartModel : require('../messkart/model.js');

  // ---- the .INF file ------------------------------------------------------------

  function linesOf(text) {
    var lines = [], line = '';
    for (var i = 0; i < text.length; ++i) {
      var c = text[i];
      if (c === '\r' || c === '\n') {
        if (c === '\r' && text[i + 1] === '\n') ++i;
        lines.push(line);
        line = '';
      } else {
        line += c;
      }
    }
    if (line !== '') lines.push(line);
    return lines.map(function (each) { return each.replace(/[ \t]+$/, ''); });
  }

  function lineProblem(number, what) { return 'Zeile ' + number + ' ' + what + '; keine gueltige .INF-Datei.'; }

  // {ok, calibration} or {ok: false, problem}, as the program reads the file.
  function readCalibration(text) {
    var lines = linesOf(text), values = [];
    for (var number = 1; number <= 6; ++number) {
      if (lines.length < number) return { ok: false, problem: lineProblem(number, 'fehlt') };
      var value = number <= 4 ? M.parseDecimalField(lines[number - 1]) : M.parseIntegerField(lines[number - 1]);
      if (value === null) return { ok: false, problem: lineProblem(number, number <= 4 ? 'ist keine Zahl' : 'ist keine ganze Zahl') };
      values.push(value);
    }
    var gps = false;
    for (number = 7; number <= lines.length; ++number) {
      var line = lines[number - 1];
      if (number === 7 && line === 'GPS') gps = true;
      else if (line !== '') return { ok: false, problem: lineProblem(number, number === 7 ? 'ist weder GPS noch leer' : 'ist nicht leer') };
    }
    if (values[0] === 0) return { ok: false, problem: 'Zeile 1 ist 0: alle Messpunkte liegen auf einem Meridian, die Laenge ist unbestimmt.' };
    if (values[2] === 0) return { ok: false, problem: 'Zeile 3 ist 0: alle Messpunkte liegen auf einem Breitenkreis, die Breite ist unbestimmt.' };
    return { ok: true, calibration: { a: values[0], b: values[1], c: values[2], d: values[3], headerValue1: values[4],
                                      headerValue2: values[5], gps: gps } };
  }

  // ---- the numbers ----------------------------------------------------------------

  function logOnePlus(u) {
    var sqrtTwo = 1.4142135623730951, lnTwo = 0.6931471805599453, k = 0, t = u / (u + 2.0);
    if (u + 1.0 > sqrtTwo) {
      var m = u + 1.0;
      while (m > sqrtTwo) { m = m / 2.0; ++k; }
      t = (m - 1.0) / (m + 1.0);
    }
    var t2 = t * t, sum = 0.0;
    for (var j = 11; j >= 0; --j) sum = 1.0 / (2.0 * j + 1.0) + t2 * sum;
    return k * lnTwo + 2.0 * t * sum;
  }

  function asinh(s) {
    var magnitude = s < 0 ? -s : s, square = magnitude * magnitude;
    var value = logOnePlus(magnitude + square / (1.0 + Math.sqrt(square + 1.0)));
    return s < 0 ? -value : value;
  }

  function longitudeOfColumn(column, cal) { return (column - cal.b) / cal.a; }
  function latitudeOfRow(row, cal) { return asinh((row - cal.d) / cal.c) * 180.0 / Math.PI; }

  // The shortest digits that read back as the same double, without exponent.
  function numberText(value) {
    if (value === 0) return '0';
    var match = /^(-?)(\d)(?:\.(\d+))?e([+-]\d+)$/.exec(value.toExponential());
    var digits = match[2] + (match[3] || ''), exponent = Number(match[4]), text = match[1];
    if (exponent < 0) return text + '0.' + '0'.repeat(-exponent - 1) + digits;
    var whole = exponent + 1;
    if (digits.length <= whole) return text + digits + '0'.repeat(whole - digits.length);
    return text + digits.slice(0, whole) + '.' + digits.slice(whole);
  }

  // ---- the grid ----------------------------------------------------------------------

  var LARGEST_LONGITUDE = 360.0, LARGEST_LATITUDE_SCALE = 3.0, STEP_FACTOR = 0.01, WIDEST_STEP = 256, MOST_INTERVALS = 40, OUTER_RINGS = 2;

  function ceilDiv(a, b) { return Math.floor((a + b - 1) / b); }

  function gridSizeFor(width, height, cal) {
    var ac = cal.c < 0 ? -cal.c : cal.c, bound = STEP_FACTOR * ac * ac * ac;
    var mostDown = Math.min(MOST_INTERVALS, height);
    var down = Math.min(mostDown, Math.max(2, ceilDiv(height, WIDEST_STEP)));
    for (;;) {
      var step = height / down;
      if (down >= mostDown || step * step * step * step <= bound) break;
      ++down;
    }
    var across = Math.min(Math.min(MOST_INTERVALS, width), Math.max(ceilDiv(width, WIDEST_STEP), ceilDiv(width * down, height)));
    return { across: Math.max(across, Math.min(2, width)), down: down };
  }

  function withinPoles(row, cal) {
    var s = (row - cal.d) / cal.c;
    if (!(s <= LARGEST_LATITUDE_SCALE && s >= -LARGEST_LATITUDE_SCALE)) return false;
    var latitude = latitudeOfRow(row, cal);
    return latitude <= 90.0 && latitude >= -90.0;
  }

  function outerLine(line, edge, step, cal) {
    var toward = line < edge ? 1 : -1;
    while (line !== edge && !withinPoles(line - 0.5, cal)) line += toward;
    var distance = line < edge ? edge - line : line - edge;
    return distance * 4 < step ? null : line;
  }

  // The grid's points row by row from the top, or null when a row of the picture lies beyond a pole.
  function controlPointsFor(width, height, cal) {
    var size = gridSizeFor(width, height, cal), step = Math.max(1, Math.trunc(height / size.down));
    var points = [], previous = null;
    for (var j = -OUTER_RINGS; j <= size.down + OUTER_RINGS; ++j) {
      var line = Math.trunc(j * height / size.down);
      if (j < 0 || j > size.down) {
        line = outerLine(line, j < 0 ? 0 : height, step, cal);
        if (line === null || line === previous) continue;
      } else if (!withinPoles(line - 0.5, cal)) {
        return null;
      }
      previous = line;
      var latitude = latitudeOfRow(line - 0.5, cal);
      for (var i = -OUTER_RINGS; i <= size.across + OUTER_RINGS; ++i) {
        var pixel = Math.trunc(i * width / size.across);
        points.push({ pixel: pixel, line: line, longitude: longitudeOfColumn(pixel - 0.5, cal), latitude: latitude });
      }
    }
    return { points: points, size: size };
  }

  // ---- the files -----------------------------------------------------------------------

  // The browser gives a file's name without its folder; a "/" can only end one,
  // while ":" and a backslash are plain characters where the system allows them.
  function lastComponent(name) { return name.slice(name.lastIndexOf('/') + 1); }

  function replaceExtension(name, extension) {
    var last = Math.max(name.lastIndexOf('.'), name.lastIndexOf('\\'), name.lastIndexOf(':'), name.lastIndexOf('/'));
    return (last >= 0 && name[last] === '.' ? name.slice(0, last) : name) + extension;
  }

  function xmlEscaped(text) {
    return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;')
      .replace(/\t/g, '&#9;').replace(/\n/g, '&#10;').replace(/\r/g, '&#13;');
  }

  function crsOf(cal) { return cal.gps ? 'EPSG:4326' : 'EPSG:4314'; }

  function vrtText(pictureName, width, height, cal, points) {
    var end = '\r\n';
    var text = '<VRTDataset rasterXSize="' + width + '" rasterYSize="' + height + '">' + end;
    text += '  <GCPList Projection="' + crsOf(cal) + '" dataAxisToSRSAxisMapping="2,1">' + end;
    points.forEach(function (p, i) {
      text += '    <GCP Id="' + (i + 1) + '" Pixel="' + p.pixel + '" Line="' + p.line + '" X="' + numberText(p.longitude) +
              '" Y="' + numberText(p.latitude) + '"/>' + end;
    });
    text += '  </GCPList>' + end;
    ['Red', 'Green', 'Blue'].forEach(function (colour, i) {
      text += '  <VRTRasterBand dataType="Byte" band="' + (i + 1) + '">' + end +
              '    <ColorInterp>' + colour + '</ColorInterp>' + end +
              '    <SimpleSource>' + end +
              '      <SourceFilename relativeToVRT="1">' + xmlEscaped(lastComponent(pictureName)) + '</SourceFilename>' + end +
              '      <SourceBand>' + (i + 1) + '</SourceBand>' + end +
              '    </SimpleSource>' + end +
              '  </VRTRasterBand>' + end;
    });
    return text + '</VRTDataset>' + end;
  }

  function pointsText(cal, points) {
    var end = '\r\n', text = '#CRS: ' + crsOf(cal) + end + 'mapX,mapY,pixelX,pixelY,enable' + end;
    points.forEach(function (p) {
      text += numberText(p.longitude) + ',' + numberText(p.latitude) + ',' + p.pixel + ',' + (p.line === 0 ? 0 : -p.line) + ',1' + end;
    });
    return text;
  }

  // The program's run on a picture of width x height named pictureName and
  // the .INF text named calibrationName: {ok, vrtName, vrt, pointsName,
  // points, count, warning} or {ok: false, message} with the program's words.
  function exportFiles(pictureName, width, height, calibrationName, infText) {
    var reading = readCalibration(infText);
    if (!reading.ok) return { ok: false, message: calibrationName + ': ' + reading.problem };
    var cal = reading.calibration;
    var warning = cal.headerValue1 === width && cal.headerValue2 === height ? '' :
      'Warnung: die .INF-Datei nennt ' + cal.headerValue1 + ' x ' + cal.headerValue2 + ' Pixel (Zeilen 5 und 6), das Bild hat ' +
      width + ' x ' + height + '.';
    var grid = controlPointsFor(width, height, cal);
    if (!grid) return { ok: false, message: calibrationName + ': nach dieser Kalibrierung reicht das Bild ueber einen Pol hinaus.' };
    var inRange = grid.points.every(function (p) { return p.longitude >= -LARGEST_LONGITUDE && p.longitude <= LARGEST_LONGITUDE; });
    if (!inRange) return { ok: false, message: calibrationName + ': Zeilen 1 und 2 ergeben Laengen ausserhalb von -360 bis 360 Grad; keine gueltige .INF-Datei.' };
    return { ok: true, vrtName: replaceExtension(pictureName, '.vrt'), vrt: vrtText(pictureName, width, height, cal, grid.points),
             pointsName: pictureName + '.points', points: pointsText(cal, grid.points), count: grid.points.length,
             gps: cal.gps, warning: warning };
  }

  return { exportFiles: exportFiles, readCalibration: readCalibration, numberText: numberText, asinh: asinh,
           gridSizeFor: gridSizeFor };
})();
if (typeof module !== 'undefined') module.exports = PassnetzModel;
