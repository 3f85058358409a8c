// Graticule crossings proposed in the Punkte tab: found in the picture
// (lines.js), their longitude and latitude read on from the points already
// typed, listed for the user to take one by one (J, Tab to the next), all at
// once, or not at all. A taken proposal is an ordinary control point.
define('Proposals', ['Desk', 'View', 'Tilt', 'Lines', 'Assist'], function (Desk, View, Tilt, Lines, Assist) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

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

  // points: the Punkte tab's points (points.js).
  function create(points) {
    var state = Desk.state, view = Desk.view, list = [], current = -1;

    function entry(p) {
      return { x: Tilt.roundHalfEven(p.x), y: Tilt.roundHalfEven(p.y), longitude: Lines.angleText(p.longitude),
               latitude: Lines.angleText(p.latitude), name: '', exact: { x: p.x, y: p.y } };
    }

    function show() {
      $('vorschlaege').hidden = list.length === 0;
      var body = $('vorschlag-tabelle').tBodies[0];
      body.textContent = '';
      list.forEach(function (p, i) {
        var row = document.createElement('tr'), e = entry(p);
        if (i === current) row.classList.add('gewaehlt');
        [String(i + 1), p.x.toFixed(2), p.y.toFixed(2), e.longitude, e.latitude].forEach(function (text) {
          var td = document.createElement('td');
          td.textContent = text;
          row.appendChild(td);
        });
        row.addEventListener('click', function () { current = i; showCurrent(); });
        body.appendChild(row);
      });
      $('vorschlaege-kopf').textContent = list.length + ' Kreuzungen vorgeschlagen' + (current >= 0 ? ', Vorschlag ' + (current + 1) + ' gewählt' : '') +
        '. Mit Tab zum nächsten, J übernimmt, V verwirft.';
      Desk.redraw();
    }

    // the current proposal in sight, the keyboard's crosshair on it
    function showCurrent() {
      if (current < 0 || !list[current]) { show(); return; }
      var p = list[current], s = View.toScreen(view, p.x + 0.5, p.y + 0.5), canvas = view.canvas;
      if (s.x < 40 || s.y < 40 || s.x > canvas.width - 40 || s.y > canvas.height - 40) View.panBy(view, canvas.width / 2 - s.x, canvas.height / 2 - s.y);
      state.cursor = { x: Tilt.roundHalfEven(p.x), y: Tilt.roundHalfEven(p.y) };
      Assist.hoverAt(state.cursor, true);
      show();
    }

    function propose() {
      var picture = state.picture;
      if (!picture) { Desk.say('Erst ein Bild öffnen.', true); return; }
      var typed = points.positions().filter(function (p) { return !p.off; }).map(function (p) {
        return { x: p.exact ? p.exact.x : p.x, y: p.exact ? p.exact.y : p.y, longitude: degreesOf(p.longitude), latitude: degreesOf(p.latitude) };
      }).filter(function (p) { return isFinite(p.longitude) && isFinite(p.latitude); });
      if (picture.width * picture.height > 60e6) { Desk.say('Das Bild ist für die Suche zu groß.', true); return; }
      var crossings = Lines.findCrossings(Lines.wholeInk(picture), Assist.levels());
      var read = crossings.length ? Lines.readGraticule(typed, crossings) : { ok: false, message: 'keine Linien gefunden' };
      if (!read.ok) { list = []; current = -1; show(); Desk.say(read.message, true); return; }
      // a crossing that is a point already is not proposed again
      list = read.proposals.filter(function (p) {
        return !points.positions().some(function (q) { return Math.abs(q.x - p.x) <= 2 && Math.abs(q.y - p.y) <= 2; });
      });
      current = list.length ? 0 : -1;
      var step = function (s) { return s >= 1 ? s + '°' : Math.round(s * 60) + '′'; };
      Desk.say(list.length + ' Gradnetz-Kreuzungen vorgeschlagen (Gradnetz alle ' + step(read.step.longitude) + ' Länge, ' +
               step(read.step.latitude) + ' Breite; ' + crossings.length + ' Kreuzungen im Bild).');
      showCurrent();
    }

    function take(i) {
      if (i < 0 || !list[i]) return;
      points.add([entry(list[i])]);
      list.splice(i, 1);
      if (current >= list.length) current = list.length - 1;
      showCurrent();
    }

    function drop(i) {
      if (i < 0 || !list[i]) return;
      list.splice(i, 1);
      if (current >= list.length) current = list.length - 1;
      showCurrent();
    }

    function takeAll() {
      points.add(list.map(entry));
      Desk.say(list.length + ' Vorschläge als Passpunkte übernommen.');
      list = []; current = -1;
      show();
    }

    function dropAll() { list = []; current = -1; show(); Desk.say('Vorschläge verworfen.'); }

    $('kreuzungen-vorschlagen').addEventListener('click', function () {
      Desk.say('Kreuzungen werden gesucht …');
      setTimeout(propose, 0);
    });
    $('vorschlaege-alle').addEventListener('click', takeAll);
    $('vorschlaege-verwerfen').addEventListener('click', dropAll);
    $('vorschlag-nehmen').addEventListener('click', function () { take(current); });
    $('vorschlag-weg').addEventListener('click', function () { drop(current); });

    return {
      // Tab: the next (or previous) proposal; false when there is none
      next: function (direction) {
        if (!list.length) return false;
        current = ((current < 0 ? (direction > 0 ? -1 : 0) : current) + direction + list.length) % list.length;
        showCurrent();
        return true;
      },
      key: function (key) {
        if (!list.length) return false;
        if (key === 'j' || key === 'J') { take(current); return true; }
        if (key === 'v' || key === 'V') { drop(current); return true; }
        return false;
      },
      draw: function (context) {
        list.forEach(function (p, i) {
          var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
          context.strokeStyle = i === current ? '#ff00ff' : '#00b0ff';
          context.lineWidth = i === current ? 3 : 2;
          context.beginPath(); context.arc(s.x, s.y, i === current ? 9 : 6, 0, 2 * Math.PI); context.stroke();
        });
      },
      pictureOpened: function () { list = []; current = -1; show(); },
      // the proposals still open, kept with the picture's work (tab-points.js)
      save: function () { return { list: JSON.parse(JSON.stringify(list)), current: current }; },
      restore: function (saved) { list = saved ? saved.list : []; current = saved ? saved.current : -1; show(); }
    };
  }

  return { create: create, degreesOf: degreesOf };
});
