// What is drawn over the picture: what every tab draws whichever is in
// front (the .INF file's graticule), then what the tab in front draws, then
// the keyboard's crosshair.
define('Overlays', ['Desk', 'View', 'Assist'], function (Desk, View, Assist) {
  'use strict';

  // A square around pixel p; returns its centre on the screen.
  function marker(context, view, p, colour, size) {
    var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
    context.strokeStyle = colour;
    context.lineWidth = 2;
    context.strokeRect(s.x - size, s.y - size, 2 * size, 2 * size);
    return s;
  }

  function crosshair(context, view, point) {
    var c = View.toScreen(view, point.x + 0.5, point.y + 0.5);
    context.strokeStyle = '#00e0ff';
    context.lineWidth = 1;
    context.beginPath();
    context.moveTo(c.x - 12, c.y); context.lineTo(c.x - 3, c.y); context.moveTo(c.x + 3, c.y); context.lineTo(c.x + 12, c.y);
    context.moveTo(c.x, c.y - 12); context.lineTo(c.x, c.y - 3); context.moveTo(c.x, c.y + 3); context.lineTo(c.x, c.y + 12);
    context.stroke();
  }

  function draw(context, view, state) {
    if (!state.picture) return;
    Desk.each('drawAlways', [context, view]);
    if (Desk.front().draw) Desk.front().draw(context, view);
    if (state.cursor) crosshair(context, view, state.cursor);
    Assist.drawLoupe(context);
  }

  Desk.view.drawOverlays = function (context) { draw(context, Desk.view, Desk.state); };

  return { draw: draw, marker: marker };
});
