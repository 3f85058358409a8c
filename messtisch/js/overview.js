// Reduced copies of the picture for the views below 1:1: each level halves
// the one before, keeping of every 2 x 2 block its darkest pixel, so that a
// line a few pixels wide stays a line in the whole-picture view instead of
// falling between the samples. Built in bands after the picture is shown;
// the view samples the picture itself until a level is ready.
define('Overview', [], function () {
  'use strict';

  var SMALLEST = 256; // no level narrower or lower than this

  function darkness(c) { return 2 * (c & 255) + 5 * ((c >>> 8) & 255) + ((c >>> 16) & 255); }

  // The darker of two colours (packed as the view draws them).
  function darker(a, b) { return darkness(b) < darkness(a) ? b : a; }

  // Level 1 rows from the file's bytes: colour of picture pixel (x, y).
  function firstLevelRows(picture, level, from, to) {
    var bytes = picture.bytes, w = picture.width, h = picture.height;
    for (var Y = from; Y < to; Y++) {
      var out = Y * level.width;
      for (var dy = 0; dy < 2; dy++) {
        var y = 2 * Y + dy;
        if (y >= h) break;
        var rowStart = picture.dataOffset + picture.rowBytes * (h - 1 - y);
        for (var x = 0; x < w; x++) {
          var at = rowStart + 3 * x;
          var c = 0xff000000 | (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
          var i = out + (x >> 1);
          level.data[i] = (dy === 0 && (x & 1) === 0) ? c >>> 0 : darker(level.data[i], c >>> 0);
        }
      }
    }
  }

  function nextLevelRows(source, level, from, to) {
    for (var Y = from; Y < to; Y++) {
      for (var X = 0; X < level.width; X++) {
        var best = source.data[2 * Y * source.width + 2 * X];
        for (var dy = 0; dy < 2; dy++) {
          var y = 2 * Y + dy;
          if (y >= source.height) break;
          for (var dx = 0; dx < 2; dx++) {
            var x = 2 * X + dx;
            if (x < source.width) best = darker(best, source.data[y * source.width + x]);
          }
        }
        level.data[Y * level.width + X] = best;
      }
    }
  }

  function newLevel(width, height, factor) {
    var w = Math.ceil(width / 2), h = Math.ceil(height / 2);
    return { factor: factor, width: w, height: h, data: new Uint32Array(w * h), ready: false };
  }

  // Starts building; ready() is called after each finished level. Returns
  // {levels, cancel()}.
  function build(picture, ready) {
    var handle = { levels: [], cancelled: false, cancel: function () { handle.cancelled = true; } };
    if (picture.width < 2 * SMALLEST && picture.height < 2 * SMALLEST) return handle;
    var source = null, level = newLevel(picture.width, picture.height, 2), row = 0;
    var rowsPerStep = Math.max(1, Math.floor(4000000 / Math.max(1, 2 * picture.width)));
    function step() {
      if (handle.cancelled) return;
      var to = Math.min(level.height, row + rowsPerStep);
      if (source) nextLevelRows(source, level, row, to); else firstLevelRows(picture, level, row, to);
      row = to;
      if (row < level.height) { setTimeout(step, 0); return; }
      level.ready = true;
      handle.levels.push(level);
      ready();
      if (level.width < 2 * SMALLEST && level.height < 2 * SMALLEST) return;
      source = level;
      level = newLevel(source.width, source.height, 2 * source.factor);
      row = 0;
      setTimeout(step, 0);
    }
    setTimeout(step, 0);
    return handle;
  }

  // The level for a scale below 1: the finest whose pixel covers at least one
  // screen pixel, so that no level pixel falls between two screen pixels; the
  // coarsest ready one while the others are still being built.
  function levelFor(handle, scale) {
    if (!handle || scale >= 1) return null;
    var chosen = null;
    for (var i = 0; i < handle.levels.length; i++) {
      chosen = handle.levels[i];
      if (chosen.factor * scale >= 1) break;
    }
    return chosen;
  }

  return { build: build, levelFor: levelFor };
});
