// The Schräglage tab: two clicks on a line that should stand straight, or
// the sheet's longest straight line found by the desk, and the kippdreh
// commands that straighten it (tilt.js, tiltpanel.js, frame.js). A steep
// line (a meridian) is checked against the frame or an earlier level line.
// The picture turned by kippdreh in the page becomes the picture shown.
define('TabTilt', ['Desk', 'Tilt', 'TiltPanel', 'Lines', 'Frame', 'Overlays', 'Assist', 'ToolStep', 'ChainNames', 'Files'],
function (Desk, Tilt, TiltPanel, Lines, Frame, Overlays, Assist, ToolStep, ChainNames, Files) {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  var clicks = [];       // the two pixels of the line measured (or found)
  var found = null;      // the frame's tilt found in this picture: {line, degrees} or {message}
  var level = null;      // the last line across measured by clicks: its degrees
  var proposed = false;  // the clicks shown are the found line

  function show() {
    TiltPanel.show($('kippung-ergebnis'), clicks, state.picture, state.fileName, proposed);
    var warning = $('meridian-warnung'), text = null;
    if (clicks.length === 2 && !proposed) {
      var t = Tilt.commands(clicks[0], clicks[1], state.picture.width, state.picture.height, state.fileName);
      if (t && !t.horizontal) {
        var frame = frameTilt();
        text = frame ? Tilt.disagreement(t, frame.degrees, 'der Rahmen') : Tilt.disagreement(t, level, 'die waagerechte Messung');
      } else if (t) {
        level = t.degrees;
      }
    }
    warning.hidden = !text;
    warning.textContent = text || '';
    $('kippung-drehen').disabled = !angleArgument();
  }

  // kippdreh's g= for the line shown, or null.
  function angleArgument() {
    if (clicks.length !== 2 || !state.picture) return null;
    var t = Tilt.commands(clicks[0], clicks[1], state.picture.width, state.picture.height, state.fileName);
    return t && t.forms[0].ok ? 'g=' + t.forms[0].omega : null;
  }

  function turn() {
    var angle = angleArgument();
    if (!angle) { Desk.say('Erst die Schräglage finden oder zwei Punkte anklicken.', true); return; }
    var input = state.fileName.toUpperCase(), output = ChainNames.tmpName(input), name = ChainNames.turned(input);
    var files = {};
    files[input] = state.picture.bytes;
    ToolStep.run($('kippung-lauf'), 'kippdreh', [input, angle], files, output, name).then(function (step) {
      if (!step.ok) return;
      Files.openPicture({ name: name, bytes: step.result.files[output] }).then(function () {
        Desk.say(name + ' (kippdreh ' + input + ' ' + angle + ', Exit-Code 0) ist jetzt das Bild und steht unter „Dateien“; ' + input + ' bleibt, wie es war.');
      });
    });
  }

  // The frame's tilt, looked for once per picture.
  function frameTilt() {
    if (!found) found = look();
    return found.ok ? found : null;
  }

  function look() {
    var p = state.picture;
    if (p.width * p.height > 60e6) return { ok: false, message: 'Das Bild ist für die Suche zu groß; bitte zwei Punkte anklicken.' };
    return Frame.findTilt(Lines.wholeInk(p), Assist.levels());
  }

  function find() {
    if (!state.picture) { Desk.say('Erst ein Bild öffnen.', true); return; }
    Desk.say('Die Schräglage wird gesucht …');
    // let the status line show before the search holds the page
    setTimeout(function () {
      var result = frameTilt() || found;
      if (!result.ok) { Desk.say(result.message, true); return; }
      clicks = [result.line.from, result.line.to];
      proposed = true;
      show();
      Desk.emit('work');
      Desk.say('Schräglage gefunden: g=' + Tilt.twoDecimals(result.degrees) + ' an der Linie von (' + Math.round(result.line.from.x) + ', ' +
               Math.round(result.line.from.y) + ') nach (' + Math.round(result.line.to.x) + ', ' + Math.round(result.line.to.y) + ').');
      Desk.redraw();
    }, 0);
  }

  Desk.addTab('kippung', {
    click: function (point) {
      if (clicks.length >= 2 || proposed) clicks = [];
      proposed = false;
      clicks.push(point);
      show();
      Desk.emit('work');
    },
    snap: function () { return 'line'; },
    draw: function (context, view) {
      if (!clicks.length) return;
      var colour = proposed ? '#00c000' : '#ff00ff';
      var a = Overlays.marker(context, view, clicks[0], colour, 5);
      if (clicks[1]) {
        var b = Overlays.marker(context, view, clicks[1], colour, 5);
        context.lineWidth = proposed ? 3 : 2;
        context.beginPath(); context.moveTo(a.x, a.y); context.lineTo(b.x, b.y); context.stroke();
      }
    },
    pictureOpened: function () { clicks = []; found = null; level = null; proposed = false; show(); },
    save: function () { return { clicks: clicks.map(function (p) { return { x: p.x, y: p.y }; }), proposed: proposed, level: level }; },
    restore: function (saved) {
      clicks = saved.clicks.slice(0, 2);
      proposed = saved.proposed;
      level = saved.level;
      show();
      Desk.redraw();
    }
  });

  $('kippung-finden').addEventListener('click', find);
  $('kippung-drehen').addEventListener('click', turn);
});
