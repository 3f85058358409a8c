// The graticule that a calibration implies: meridians at x = f(longitude),
// parallels at y = g(latitude), both straight in the rectified picture. The
// two maps and their inverses come from the calibration model.
define('Graticule', ['View'], function (View) {
  'use strict';

  // Steps in degrees, from one minute to 30 degrees.
  var STEPS = [1 / 60, 2 / 60, 5 / 60, 10 / 60, 15 / 60, 20 / 60, 30 / 60, 1, 2, 5, 10, 15, 30];

  // The smallest step that puts at most `most` lines between from and to.
  function stepFor(from, to, most) {
    var span = Math.abs(to - from);
    for (var i = 0; i < STEPS.length; i++) if (span / STEPS[i] <= most) return STEPS[i];
    return STEPS[STEPS.length - 1];
  }

  var MOST_LINES = 2000;

  // The multiples of step between from and to, or null when they would be
  // more than MOST_LINES or too far out to count (a hostile .INF file).
  function multiplesBetween(from, to, step) {
    var low = Math.min(from, to), high = Math.max(from, to), values = [];
    // whole minutes avoid drifting sums of thirds of a degree
    var minutes = Math.round(step * 60);
    var first = Math.ceil(low * 60 / minutes), last = Math.floor((high * 60 + 1e-9) / minutes);
    if (!Number.isSafeInteger(first * minutes) || !Number.isSafeInteger(last * minutes) || last - first + 1 > MOST_LINES) return null;
    for (var k = first; k <= last; k++) values.push(k * minutes / 60);
    return values;
  }

  // 13°30′, -5°, 47°05′
  function label(degrees) {
    var sign = degrees < 0 ? '-' : '', totalMinutes = Math.round(Math.abs(degrees) * 60);
    var whole = Math.floor(totalMinutes / 60), minutes = totalMinutes % 60;
    return sign + whole + '°' + (minutes ? (minutes < 10 ? '0' : '') + minutes + '′' : '');
  }

  var REFUSED = 'Dieses Gradnetz wird nicht gezeichnet: es bräuchte mehr als ' + MOST_LINES + ' Linien oder liegt ' +
    'weit außerhalb der Erde (Länge oder Breite über 1000 Grad). Die Koeffizienten der Datei stimmen nicht.';

  // mapping: {x(longitude), y(latitude), longitude(x), latitude(y)}; size: the picture's.
  // Returns {meridians: [{degrees, x}], parallels: [{degrees, y}]} inside the
  // picture, with `refused` set to the reason when none can be drawn.
  function lines(mapping, width, height) {
    var lonA = mapping.longitude(0), lonB = mapping.longitude(width);
    var latA = mapping.latitude(0), latB = mapping.latitude(height);
    var result = { meridians: [], parallels: [], refused: null };
    if (![lonA, lonB, latA, latB].every(isFinite) || ![lonA, lonB, latA, latB].every(function (v) { return Math.abs(v) <= 1000; })) {
      result.refused = REFUSED;
      return result;
    }
    // a fit gone wild (a typo in the first points) would fill the map with lines
    if (Math.abs(lonB - lonA) > 60 * 8 || Math.abs(latB - latA) > 60 * 8) return result;
    var meridians = multiplesBetween(lonA, lonB, stepFor(lonA, lonB, 8));
    var parallels = multiplesBetween(latA, latB, stepFor(latA, latB, 8));
    if (!meridians || !parallels) { result.refused = REFUSED; return result; }
    meridians.forEach(function (lon) { result.meridians.push({ degrees: lon, x: mapping.x(lon) }); });
    parallels.forEach(function (lat) { result.parallels.push({ degrees: lat, y: mapping.y(lat) }); });
    return result;
  }

  function draw(context, view, grid, colour) {
    var p = view.picture, topLeft = View.toScreen(view, 0, 0), bottomRight = View.toScreen(view, p.width, p.height);
    context.save();
    context.strokeStyle = colour;
    context.fillStyle = colour;
    context.lineWidth = 1.5;
    context.font = '12px sans-serif';
    grid.meridians.forEach(function (m) {
      var s = View.toScreen(view, m.x + 0.5, 0);
      context.beginPath(); context.moveTo(s.x, topLeft.y); context.lineTo(s.x, bottomRight.y); context.stroke();
      context.fillText(label(m.degrees), s.x + 3, Math.max(topLeft.y, 0) + 14);
    });
    grid.parallels.forEach(function (q) {
      var s = View.toScreen(view, 0, q.y + 0.5);
      context.beginPath(); context.moveTo(topLeft.x, s.y); context.lineTo(bottomRight.x, s.y); context.stroke();
      context.fillText(label(q.degrees), Math.max(topLeft.x, 0) + 3, s.y - 3);
    });
    context.restore();
  }

  return { lines: lines, draw: draw, label: label, stepFor: stepFor };
});
