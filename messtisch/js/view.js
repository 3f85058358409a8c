// The picture on the canvas. Only the visible part is drawn, sampled straight
// from the file's bytes at the current zoom, so a 324 MB picture is drawn as
// fast as a small one. Image coordinates are pixels of the picture, screen
// coordinates canvas pixels.
define('View', ['Overview'], function (Overview) {
  'use strict';

  var BACKGROUND = 0xff777777;
  var BLUE = 0xffff0000; // pure blue as RGBA bytes on a little-endian machine

  function create(canvas) {
    return {
      canvas: canvas, context: canvas.getContext('2d'),
      picture: null, scale: 1, left: 0, top: 0,
      bars: null,        // {run: 'h'|'v', low: Int32Array, high: Int32Array} painted blue while shown
      drawOverlays: null, // function (context, view) called after every frame
      pending: false, frame: null,
      overview: null     // reduced copies for views below 1:1 (overview.js)
    };
  }

  function setPicture(view, picture) {
    if (view.overview) view.overview.cancel();
    view.picture = picture;
    view.bars = null;
    view.overview = Overview.build(picture, function () { requestDraw(view); });
    fit(view);
  }

  function resize(view) {
    var box = view.canvas.parentNode;
    var width = Math.max(1, box.clientWidth), height = Math.max(1, box.clientHeight);
    if (view.canvas.width !== width || view.canvas.height !== height) {
      view.canvas.width = width;
      view.canvas.height = height;
      view.frame = null;
    }
  }

  // Whole picture in the window, centred.
  function fit(view) {
    resize(view);
    if (!view.picture) return;
    var scale = Math.min(view.canvas.width / view.picture.width, view.canvas.height / view.picture.height);
    view.scale = scale;
    view.left = (view.picture.width - view.canvas.width / scale) / 2;
    view.top = (view.picture.height - view.canvas.height / scale) / 2;
  }

  function minimumScale(view) {
    if (!view.picture) return 1;
    return Math.min(1, 0.5 * Math.min(view.canvas.width / view.picture.width, view.canvas.height / view.picture.height));
  }

  // Zoom by factor, keeping the image point under the screen point (sx, sy) in place.
  function zoomAt(view, factor, sx, sy) {
    var scale = Math.min(64, Math.max(minimumScale(view), view.scale * factor));
    var ix = view.left + sx / view.scale, iy = view.top + sy / view.scale;
    view.scale = scale;
    view.left = ix - sx / scale;
    view.top = iy - sy / scale;
    alignToScreen(view);
  }

  // From 1:1 upwards, picture pixels start on whole screen pixels: no pixel
  // is drawn one screen pixel wider than its neighbours, and clicks are exact.
  function alignToScreen(view) {
    if (view.scale < 1) return;
    view.left = Math.round(view.left * view.scale) / view.scale;
    view.top = Math.round(view.top * view.scale) / view.scale;
  }

  function zoomTo(view, scale) {
    zoomAt(view, scale / view.scale, view.canvas.width / 2, view.canvas.height / 2);
  }

  // Pixel (x, y) in the middle of the window at the given scale.
  function centreOn(view, x, y, scale) {
    resize(view);
    view.scale = Math.min(64, Math.max(minimumScale(view), scale));
    view.left = x + 0.5 - view.canvas.width / 2 / view.scale;
    view.top = y + 0.5 - view.canvas.height / 2 / view.scale;
    alignToScreen(view);
  }

  function panBy(view, dx, dy) {
    view.left -= dx / view.scale;
    view.top -= dy / view.scale;
    alignToScreen(view);
  }

  // The pixel under a screen point; may lie outside the picture.
  function toImage(view, sx, sy) {
    return { x: Math.floor(view.left + sx / view.scale), y: Math.floor(view.top + sy / view.scale) };
  }

  // The screen point of an image position; pixel (x, y) covers x .. x + 1.
  function toScreen(view, x, y) {
    return { x: (x - view.left) * view.scale, y: (y - view.top) * view.scale };
  }

  function inside(view, point) {
    var p = view.picture;
    return p !== null && point.x >= 0 && point.y >= 0 && point.x < p.width && point.y < p.height;
  }

  function requestDraw(view) {
    if (view.pending) return;
    view.pending = true;
    window.requestAnimationFrame(function () { view.pending = false; draw(view); });
  }

  function draw(view) {
    resize(view);
    var width = view.canvas.width, height = view.canvas.height;
    if (!view.frame) view.frame = view.context.createImageData(width, height);
    var out = new Uint32Array(view.frame.data.buffer);
    var p = view.picture;
    if (!p) {
      out.fill(BACKGROUND);
    } else {
      drawPixels(view, out, width, height);
    }
    view.context.putImageData(view.frame, 0, 0);
    if (view.drawOverlays) view.drawOverlays(view.context, view);
  }

  function drawPixels(view, out, width, height) {
    var p = view.picture, bytes = p.bytes, bars = view.bars, level = Overview.levelFor(view.overview, view.scale);
    var columns = new Int32Array(width), levelColumns = new Int32Array(width);
    for (var sx = 0; sx < width; sx++) {
      var ix = Math.floor(view.left + (sx + 0.5) / view.scale);
      columns[sx] = ix >= 0 && ix < p.width ? ix : -1;
      if (level) levelColumns[sx] = Math.floor(ix / level.factor);
    }
    var rowsRun = bars && bars.run === 'h', columnsRun = bars && bars.run === 'v';
    for (var sy = 0; sy < height; sy++) {
      var iy = Math.floor(view.top + (sy + 0.5) / view.scale), line = sy * width;
      if (iy < 0 || iy >= p.height) {
        out.fill(BACKGROUND, line, line + width);
        continue;
      }
      var rowStart = p.dataOffset + p.rowBytes * (p.height - 1 - iy);
      var levelRow = level ? Math.floor(iy / level.factor) * level.width : 0;
      var low = rowsRun ? bars.low[iy] : 0, high = rowsRun ? bars.high[iy] : p.width - 1;
      for (sx = 0; sx < width; sx++) {
        var x = columns[sx];
        if (x < 0) { out[line + sx] = BACKGROUND; continue; }
        if (x < low || x > high || (columnsRun && (iy < bars.low[x] || iy > bars.high[x]))) {
          out[line + sx] = BLUE;
          continue;
        }
        if (level) { out[line + sx] = level.data[levelRow + levelColumns[sx]]; continue; }
        var at = rowStart + 3 * x;
        out[line + sx] = 0xff000000 | (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
      }
    }
  }

  return {
    create: create, setPicture: setPicture, fit: fit, zoomAt: zoomAt, zoomTo: zoomTo, panBy: panBy, centreOn: centreOn,
    toImage: toImage, toScreen: toScreen, inside: inside, requestDraw: requestDraw, draw: draw
  };
});
