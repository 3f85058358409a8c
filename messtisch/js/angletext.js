// Angles and steps as the Punkte tab reads and writes them: an angle typed
// in the measurement file's way (decimal with a point, or packed degrees,
// minutes and seconds), the form a column of typed angles uses, a proposal's
// angle written in that form, and the step and limit fields of the
// proposals. Plain functions; nothing here touches the page.
define('AngleText', [], function () {
  'use strict';

  // An angle typed in the measurement file's way, in degrees; NaN if it is none.
  function degreesOf(text) {
    if (text.indexOf('.') >= 0) return /^[+-]?\d*\.?\d*([eE][+-]?\d+)?$/.test(text) ? Number(text) : NaN;
    if (!/^-?\d{1,7}$/.test(text)) return NaN;
    var negative = text[0] === '-', digits = (negative ? '' : '0') + text;
    var degreeLength = digits.length === 8 ? 4 : 3;
    var d = Number(digits.slice(0, degreeLength)), m = Number(digits.slice(degreeLength, degreeLength + 2) || 0),
        s = Number(digits.slice(degreeLength + 2, degreeLength + 4) || 0);
    return negative ? d - m / 60 - s / 3600 : d + m / 60 + s / 3600;
  }

  // The form of a column, 'packed' or 'decimal': the one most of its typed
  // texts use; packed on a tie, since it holds whole seconds exactly.
  function formatOf(texts) {
    var decimal = texts.filter(function (text) { return text.indexOf('.') >= 0; }).length;
    return decimal > texts.length - decimal ? 'decimal' : 'packed';
  }

  // An angle in its column's form. Packed holds a crossing's whole seconds
  // exactly; a decimal is the shortest text that reads back as the double
  // nearest to the angle (49°50′ as 49.833333333333336, not a rounded
  // 49.8333 that is 0.1″ off). An angle off whole seconds cannot be packed
  // and is written decimal.
  function angleIn(format, degrees) {
    var seconds = Math.round(degrees * 3600), whole = Math.abs(degrees * 3600 - seconds) < 1e-6;
    var two = function (n) { return (n < 10 ? '0' : '') + n; };
    if (format === 'packed' && whole) {
      var s = Math.abs(seconds);
      return (seconds < 0 ? '-' : '') + two(Math.floor(s / 3600)) + two(Math.floor(s / 60) % 60) + two(s % 60);
    }
    var value = whole ? seconds / 3600 : degrees, text = String(value);
    if (/e/.test(text)) text = value.toFixed(12);
    return text.indexOf('.') >= 0 ? text : text + '.0';
  }

  // A step as the page says it: whole degrees as 1°, else minutes as 30′.
  function stepText(degrees) {
    var minutes = Math.round(degrees * 60 * 1000) / 1000;
    return minutes % 60 === 0 ? minutes / 60 + '°' : minutes + '′';
  }

  // A step field, in degrees: minutes (30, 7,5, 30′) or degrees (1°); NaN if none.
  function stepOf(text) {
    var m = /^\s*(\d+(?:[.,]\d+)?)\s*(°|′|')?\s*$/.exec(text);
    var value = m ? Number(m[1].replace(',', '.')) / (m[2] === '°' ? 1 : 60) : NaN;
    return value > 0 ? value : NaN;
  }

  // The limit field, in pixels; NaN if it is none.
  function limitOf(text) {
    return /^\s*\d+(?:[.,]\d+)?\s*$/.test(text) ? Number(text.trim().replace(',', '.')) : NaN;
  }

  return { degreesOf: degreesOf, formatOf: formatOf, angleIn: angleIn, stepText: stepText, stepOf: stepOf, limitOf: limitOf };
});
