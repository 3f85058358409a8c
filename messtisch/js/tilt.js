// The kippdreh commands that straighten a line given by two of its pixels.
// kippdreh turns clockwise for a positive angle; x=n moves the top-left
// corner n pixels right, which is the angle arctan(2n / height); y=n moves it
// n pixels down, the angle -arctan(2n / width).
define('Tilt', [], function () {
  'use strict';

  function roundHalfEven(value) {
    var lower = Math.floor(value), rest = value - lower;
    if (rest > 0.5) return lower + 1;
    if (rest < 0.5) return lower;
    return lower % 2 === 0 ? lower : lower + 1;
  }

  function degrees(radians) { return radians * 180 / Math.PI; }

  // Two decimals, as kippdreh prints Omega.
  function twoDecimals(value) {
    var text = (roundHalfEven(Math.abs(value) * 100) / 100).toFixed(2);
    return (value < 0 && text !== '0.00' ? '-' : '') + text;
  }

  // first, second: {x, y}; width, height: the picture's size; name: the file's name.
  // Returns the line's kind, the clockwise angle that straightens it and the three commands.
  function commands(first, second, width, height, name) {
    var dx = second.x - first.x, dy = second.y - first.y;
    if (dx === 0 && dy === 0) return null;
    var horizontal = Math.abs(dx) >= Math.abs(dy), angle;
    if (horizontal) {
      if (dx < 0) { dx = -dx; dy = -dy; }
      angle = -Math.atan(dy / dx);   // right end lower: turn anticlockwise
    } else {
      if (dy < 0) { dx = -dx; dy = -dy; }
      angle = Math.atan(dx / dy);    // bottom end further right: turn clockwise
    }
    var result = { horizontal: horizontal, angle: angle, degrees: degrees(angle), forms: [] };
    var g = twoDecimals(result.degrees);
    result.forms.push(g === '0.00' || g === '-0.00'
      ? { form: 'g', ok: false, reason: 'Die Linie steht schon gerade (weniger als 0,005 Grad).' }
      : { form: 'g', ok: true, command: 'kippdreh ' + name + ' g=' + g, omega: g });
    result.forms.push(shiftForm('x', roundHalfEven(height * Math.tan(angle) / 2), width, height, name));
    result.forms.push(shiftForm('y', roundHalfEven(-width * Math.tan(angle) / 2), width, height, name));
    return result;
  }

  function shiftForm(letter, shift, width, height, name) {
    if (shift === 0) {
      return { form: letter, ok: false, reason: 'Die Drehung ist kleiner als eine Verschiebung um 1 Pixel.' };
    }
    if (shift > 0 && (shift >= Math.floor(width / 2) || shift >= Math.floor(height / 2))) {
      return { form: letter, ok: false, reason: 'kippdreh lehnt ' + letter + '=' + shift + ' ab („Winkel zu gross“).' };
    }
    var angle = letter === 'x' ? Math.atan(2 * shift / height) : -Math.atan(2 * shift / width);
    return { form: letter, ok: true, command: 'kippdreh ' + name + ' ' + letter + '=' + shift,
             omega: twoDecimals(degrees(angle)), tilt: 2 * shift };
  }

  // A steep line (a meridian, or a side of the sheet) against the tilt found
  // some other way: on a conic map the meridians converge and only the middle
  // one stands upright. measured: what commands() gave; reference: degrees;
  // against: what the reference is ("der Rahmen"). The warning, or null.
  function disagreement(measured, reference, against) {
    if (!measured || measured.horizontal || typeof reference !== 'number') return null;
    var off = Math.abs(measured.degrees - reference);
    if (off <= 0.2) return null;
    return 'Meridiane laufen auf Kegelkarten zusammen: Diese steile Linie ergäbe g=' + twoDecimals(measured.degrees) + ', ' +
      (against || 'der Rahmen') + ' aber g=' + twoDecimals(reference) + ' (' + twoDecimals(off).replace('.', ',') +
      ' Grad Unterschied). Messen Sie an einer waagerechten Linie, am Rahmen oder am Mittelmeridian.';
  }

  return { commands: commands, roundHalfEven: roundHalfEven, twoDecimals: twoDecimals, disagreement: disagreement };
});
