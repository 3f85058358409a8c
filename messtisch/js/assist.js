// What the desk finds by itself under the mouse: the position a click snaps
// to (the nearest dark line, or in the Punkte tab the nearest crossing of two
// lines, within a few screen pixels) and the loupe beside the cursor that
// shows it before it is taken. A held Alt key takes the click as it is.
define('Assist', ['Desk', 'View', 'Bmp', 'Tilt', 'Lines'], function (Desk, View, Bmp, Tilt, Lines) {
  'use strict';

  var LOUPE_PIXELS = 31, LOUPE_ZOOM = 8, REACH_SCREEN = 8;
  var state = Desk.state, view = Desk.view;
  var levels = null, levelsOf = null; // the picture's paper and ink, found once
  var hover = null;                   // {at, snapped, alt} under the mouse or the keyboard cursor
  var plain = false;                  // the last click was taken as it is

  function picture() { return state.picture; }

  function pictureLevels() {
    if (!picture()) return null;
    if (levelsOf !== picture()) { levels = Lines.levelsOf(picture()); levelsOf = picture(); }
    return levels;
  }

  // What the tab in front snaps to: 'line', 'crossing' or nothing.
  function snapKind() {
    var snap = Desk.front().snap;
    return snap ? snap() : null;
  }

  // The position a click at picture pixel `point` takes: {x, y} whole pixels,
  // with `exact` where a crossing was found to a fraction of a pixel.
  function snap(point, alt) {
    plain = !!alt;
    var kind = snapKind();
    if (!kind || alt || !picture() || !View.inside(view, point)) return point;
    var reach = Math.max(1, Math.ceil(REACH_SCREEN / view.scale)), found;
    if (kind === 'crossing') {
      found = Lines.snapToCrossing(picture(), pictureLevels(), point.x, point.y, Math.max(reach, 3));
      if (found) return { x: Tilt.roundHalfEven(found.x), y: Tilt.roundHalfEven(found.y), exact: found };
    } else {
      found = Lines.snapToLine(picture(), pictureLevels(), point.x, point.y, reach);
      if (found) return { x: found.x, y: found.y };
    }
    return point;
  }

  // The mouse (or the keyboard cursor) is over pixel point.
  function hoverAt(point, alt) {
    if (!picture() || !point || !View.inside(view, point) || !Desk.front().click) { hover = null; return; }
    hover = { at: point, snapped: snap(point, alt), alt: alt };
  }

  function leave() { hover = null; }

  // The loupe: LOUPE_PIXELS square of pixels at LOUPE_ZOOM times, beside the
  // cursor on the side away from the canvas's nearer edges.
  var scratch = null;
  function drawLoupe(context) {
    if (!hover || !picture() || !Desk.front().click) return; // only where clicks set positions
    var p = picture(), half = (LOUPE_PIXELS - 1) / 2, size = LOUPE_PIXELS * LOUPE_ZOOM;
    if (!scratch) { scratch = document.createElement('canvas'); scratch.width = scratch.height = LOUPE_PIXELS; }
    var small = scratch.getContext('2d'), image = small.createImageData(LOUPE_PIXELS, LOUPE_PIXELS);
    for (var dy = 0; dy < LOUPE_PIXELS; dy++) {
      for (var dx = 0; dx < LOUPE_PIXELS; dx++) {
        var x = hover.at.x - half + dx, y = hover.at.y - half + dy, o = 4 * (dy * LOUPE_PIXELS + dx);
        var c = x >= 0 && y >= 0 && x < p.width && y < p.height ? Bmp.colourAt(p, x, y) : [119, 119, 119];
        image.data[o] = c[0]; image.data[o + 1] = c[1]; image.data[o + 2] = c[2]; image.data[o + 3] = 255;
      }
    }
    small.putImageData(image, 0, 0);
    var s = View.toScreen(view, hover.at.x + 0.5, hover.at.y + 0.5), canvas = view.canvas;
    var left = s.x + 24 + size <= canvas.width ? s.x + 24 : s.x - 24 - size;
    var top = s.y + 24 + size <= canvas.height ? s.y + 24 : s.y - 24 - size;
    left = Math.max(0, left); top = Math.max(0, top);
    context.save();
    context.imageSmoothingEnabled = false;
    context.drawImage(scratch, left, top, size, size);
    context.strokeStyle = '#222';
    context.lineWidth = 2;
    context.strokeRect(left - 1, top - 1, size + 2, size + 2);
    // the crosshair through the centre of the pixel under the cursor
    var cx = left + (half + 0.5) * LOUPE_ZOOM, cy = top + (half + 0.5) * LOUPE_ZOOM;
    context.strokeStyle = 'rgba(0, 200, 255, 0.9)';
    context.lineWidth = 1;
    context.beginPath();
    context.moveTo(left, cy); context.lineTo(cx - 6, cy); context.moveTo(cx + 6, cy); context.lineTo(left + size, cy);
    context.moveTo(cx, top); context.lineTo(cx, cy - 6); context.moveTo(cx, cy + 6); context.lineTo(cx, top + size);
    context.stroke();
    // where the click will go
    var target = hover.snapped.exact || hover.snapped;
    var sx = cx + (target.x - hover.at.x) * LOUPE_ZOOM, sy = cy + (target.y - hover.at.y) * LOUPE_ZOOM;
    if (target !== hover.at) {
      context.strokeStyle = '#ff2020';
      context.lineWidth = 2;
      context.beginPath(); context.arc(sx, sy, 7, 0, 2 * Math.PI); context.stroke();
    }
    context.fillStyle = 'rgba(255, 255, 255, 0.85)';
    context.fillRect(left, top + size - 18, size, 18);
    context.fillStyle = '#111';
    context.font = '12px sans-serif';
    var exact = hover.snapped.exact;
    context.fillText(hover.alt ? 'genau, ohne Einrasten' : exact ? 'Kreuzung ' + exact.x.toFixed(2) + ', ' + exact.y.toFixed(2)
                     : target !== hover.at ? 'rastet ein: ' + target.x + ', ' + target.y : 'x=' + hover.at.x + ' y=' + hover.at.y,
                     left + 4, top + size - 5);
    context.restore();
    // on the picture itself, the snapped position
    if (target !== hover.at) {
      var t = View.toScreen(view, target.x + 0.5, target.y + 0.5);
      context.strokeStyle = '#ff2020';
      context.lineWidth = 2;
      context.beginPath(); context.arc(t.x, t.y, 6, 0, 2 * Math.PI); context.stroke();
    }
  }

  return { snap: snap, hoverAt: hoverAt, plainClick: function () { return plain; }, leave: leave, drawLoupe: drawLoupe, levels: pictureLevels,
           hovered: function () { return hover; } };
});
