// A .INF file's four coefficients as the page draws them: the graticule they
// describe, in ordinary doubles (display only; the file itself is messkart's).
define('InfFile', [], function () {
  'use strict';

  // x = a * longitude + b, y = c * sinh(latitude) + d, and back.
  function mapping(a, b, c, d) {
    var rad = Math.PI / 180;
    return {
      x: function (lon) { return a * lon + b; },
      y: function (lat) { return c * Math.sinh(lat * rad) + d; },
      longitude: function (x) { return (x - b) / a; },
      latitude: function (y) { return Math.asinh((y - d) / c) / rad; }
    };
  }

  function read(text) {
    var lines = text.split(/\r\n|\r|\n/), real = /^-?[0-9]+\.[0-9]+$/;
    if (lines.length < 6 || !lines.slice(0, 4).every(function (line) { return real.test(line); })) {
      return { ok: false, message: 'keine .INF-Datei: die ersten vier Zeilen müssen Zahlen wie 100.0000 sein.' };
    }
    var v = lines.slice(0, 4).map(Number);
    return { ok: true, lines: lines.slice(0, 4), mapping: mapping(v[0], v[1], v[2], v[3]), gps: lines[6] === 'GPS' };
  }

  return { mapping: mapping, read: read };
});
