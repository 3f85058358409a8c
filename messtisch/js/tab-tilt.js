// The Schräglage tab: two clicks on a line that should stand straight, and
// the kippdreh commands that straighten it (tilt.js, tiltpanel.js).
(function () {
  'use strict';

  var state = Desk.state;

  function show() {
    TiltPanel.show(Desk.$('kippung-ergebnis'), state.tiltClicks, state.picture, state.fileName);
  }

  Desk.addTab('kippung', {
    click: function (point) {
      if (state.tiltClicks.length >= 2) state.tiltClicks = [];
      state.tiltClicks.push(point);
      show();
    },
    draw: function (context, view) {
      if (!state.tiltClicks.length) return;
      var a = Overlays.marker(context, view, state.tiltClicks[0], '#ff00ff', 5);
      if (state.tiltClicks[1]) {
        var b = Overlays.marker(context, view, state.tiltClicks[1], '#ff00ff', 5);
        context.beginPath(); context.moveTo(a.x, a.y); context.lineTo(b.x, b.y); context.stroke();
      }
    },
    pictureOpened: function () { state.tiltClicks = []; show(); }
  });
})();
