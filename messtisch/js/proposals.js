// Graticule crossings proposed in the Punkte tab: found in the picture
// (lines.js), their longitude and latitude read on from the points already
// typed with the grid's steps, which the page shows and the user may correct
// first; where the detection doubts the steps it asks and proposes nothing
// until the user confirms them. Each proposal is listed with its distance
// from the fit of the points taken so far; the user takes them one by one
// (J, Tab to the next), all that lie within a limit of that fit at once, or
// none. A taken proposal is an ordinary control point whose coordinates are
// written in the form the typed points of their column use.
define('Proposals', ['Desk', 'View', 'Tilt', 'Lines', 'Assist', 'AngleText'], function (Desk, View, Tilt, Lines, Assist, AngleText) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  // points: the Punkte tab's points (points.js).
  function create(points) {
    var state = Desk.state, view = Desk.view;
    var list = [], distances = [], current = -1, crossings = null, confirmed = false;
    var formats = { longitude: 'packed', latitude: 'packed' };

    // a proposal as a point of the table: whole pixels inside the picture,
    // so that a crossing found on the first or last row or column stays there
    function entry(p) {
      var inside = function (v, size) { return Math.min(Math.max(Tilt.roundHalfEven(v), 0), size - 1); };
      return { x: inside(p.x, state.picture.width), y: inside(p.y, state.picture.height),
               longitude: AngleText.angleIn(formats.longitude, p.longitude), latitude: AngleText.angleIn(formats.latitude, p.latitude),
               name: '', exact: { x: p.x, y: p.y } };
    }

    // pixels between the proposal as it would be taken and where the fit of
    // the points puts its coordinates; null without a fit
    function distanceOf(p, fit) {
      if (!fit) return null;
      var e = entry(p), at = fit.pixelOf(p.longitude, p.latitude);
      return Math.hypot(at.x - e.x, at.y - e.y);
    }

    function limit() { return AngleText.limitOf($('vorschlag-grenze').value); }
    function far(i) { return distances[i] !== null && distances[i] > limit(); }

    function show() {
      var fit = points.fit(), bound = limit(), body = $('vorschlag-tabelle').tBodies[0];
      distances = list.map(function (p) { return distanceOf(p, fit); });
      $('vorschlaege').hidden = list.length === 0;
      $('vorschlaege-fern').textContent = 'Alle über ' + (isFinite(bound) ? bound : '?') + ' Pixel verwerfen';
      body.textContent = '';
      list.forEach(function (p, i) {
        var row = document.createElement('tr'), e = entry(p), d = distances[i];
        if (i === current) row.classList.add('gewaehlt');
        if (far(i)) row.classList.add('fern');
        [String(i + 1), p.x.toFixed(2), p.y.toFixed(2), e.longitude, e.latitude, d === null ? '–' : d.toFixed(2)].forEach(function (text) {
          var td = document.createElement('td');
          td.textContent = text;
          row.appendChild(td);
        });
        row.addEventListener('click', function () { current = i; showCurrent(); });
        body.appendChild(row);
      });
      var farCount = list.filter(function (p, i) { return far(i); }).length;
      $('vorschlaege-kopf').textContent = 'Gradnetz alle ' + $('vorschlaege-kopf').dataset.schritte + ': ' + list.length +
        ' Kreuzungen vorgeschlagen' + (fit ? ', ' + farCount + ' weiter als ' + bound + ' Pixel vom Ausgleich' : ', Abstand erst mit einem Ausgleich') +
        (current >= 0 ? ', Vorschlag ' + (current + 1) + ' gewählt' : '') + '. Mit Tab zum nächsten, J übernimmt, V verwirft.';
      Desk.redraw();
    }

    // the current proposal in sight, the keyboard's crosshair on it
    function showCurrent() {
      if (current < 0 || !list[current]) { show(); return; }
      var p = list[current], s = View.toScreen(view, p.x + 0.5, p.y + 0.5), canvas = view.canvas;
      if (s.x < 40 || s.y < 40 || s.x > canvas.width - 40 || s.y > canvas.height - 40) View.panBy(view, canvas.width / 2 - s.x, canvas.height / 2 - s.y);
      var e = entry(p);
      state.cursor = { x: e.x, y: e.y };
      Assist.hoverAt(state.cursor, true);
      show();
    }

    function clear() { list = []; current = -1; $('schritte-frage').hidden = true; show(); }

    function stepsSaid(from) {
      return from && from.longitude > 0 && from.latitude > 0 ? AngleText.stepText(from.longitude) + ' Länge, ' + AngleText.stepText(from.latitude) + ' Breite' : null;
    }

    function propose() {
      var picture = state.picture, step;
      if (!picture) { Desk.say('Erst ein Bild öffnen.', true); return; }
      if (confirmed) {
        step = { longitude: AngleText.stepOf($('schritt-laenge').value), latitude: AngleText.stepOf($('schritt-breite').value) };
        if (!(step.longitude > 0 && step.latitude > 0)) {
          Desk.say('Die Schritte des Gradnetzes in Minuten eintragen (etwa 30 oder 1°) oder beide Felder leeren.', true);
          return;
        }
      }
      var taken = points.positions().filter(function (p) { return !p.off; }).filter(function (p) {
        return isFinite(AngleText.degreesOf(p.longitude)) && isFinite(AngleText.degreesOf(p.latitude));
      });
      var typed = taken.map(function (p) {
        return { x: p.exact ? p.exact.x : p.x, y: p.exact ? p.exact.y : p.y, longitude: AngleText.degreesOf(p.longitude), latitude: AngleText.degreesOf(p.latitude) };
      });
      formats = { longitude: AngleText.formatOf(taken.map(function (p) { return p.longitude; })),
                  latitude: AngleText.formatOf(taken.map(function (p) { return p.latitude; })) };
      if (picture.width * picture.height > 60e6) { Desk.say('Das Bild ist für die Suche zu groß.', true); return; }
      if (!crossings) crossings = Lines.findCrossings(Lines.wholeInk(picture), Assist.levels());
      var read = crossings.length ? Lines.readGraticule(typed, crossings, step) : { ok: false, message: 'keine Linien gefunden' };
      if (!read.ok) { clear(); Desk.say(read.message, true); return; }
      if (!read.step) read.step = step || { longitude: NaN, latitude: NaN };
      if (!confirmed && read.step.longitude > 0 && read.step.latitude > 0) {
        $('schritt-laenge').value = String(Math.round(read.step.longitude * 60 * 1000) / 1000);
        $('schritt-breite').value = String(Math.round(read.step.latitude * 60 * 1000) / 1000);
      }
      var said = stepsSaid(read.step) || '? Länge, ? Breite';
      $('vorschlaege-kopf').dataset.schritte = said;
      if (read.question) {
        var sources = [['Aus den Punkten', read.fromPoints], ['aus den Linien', read.fromLines]].filter(function (s) { return stepsSaid(s[1]); });
        $('schritte-frage-text').textContent = read.question + ' ' + sources.map(function (s) { return s[0] + ': ' + stepsSaid(s[1]); }).join('; ') +
          (sources.length ? '. ' : '') + 'Bitte die Schritte oben prüfen oder berichtigen und bestätigen.';
        list = []; current = -1; show();
        $('schritte-frage').hidden = false;
        Desk.say('Gradnetz alle ' + said + '? ' + read.question, true);
        return;
      }
      $('schritte-frage').hidden = true;
      // a crossing that is a point already is not proposed again
      list = read.proposals.filter(function (p) {
        return !points.positions().some(function (q) { return Math.abs(q.x - p.x) <= 2 && Math.abs(q.y - p.y) <= 2; });
      });
      // the first is chosen, but the view stays as the user had it
      current = list.length ? 0 : -1;
      Desk.say(list.length + ' Gradnetz-Kreuzungen vorgeschlagen (Gradnetz alle ' + said + '; ' + crossings.length + ' Kreuzungen im Bild).');
      show();
    }

    function search() {
      Desk.say('Kreuzungen werden gesucht …');
      setTimeout(propose, 0);
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

    // The proposals within the limit of the fit and those beyond it; null
    // (and said why) when there is no limit or no fit to measure against.
    function byLimit() {
      var fit = points.fit(), bound = limit();
      if (!isFinite(bound)) { Desk.say('Die Grenze in Pixeln eintragen, etwa 3.', true); return null; }
      if (!fit) { Desk.say('Ohne Ausgleich der Passpunkte ist kein Abstand bekannt: die Vorschläge einzeln übernehmen (J).', true); return null; }
      var split = { near: [], far: [], bound: bound };
      list.forEach(function (p) { (distanceOf(p, fit) <= bound ? split.near : split.far).push(p); });
      return split;
    }

    function takeAll() {
      var split = byLimit();
      if (!split) return;
      points.add(split.near.map(entry));
      list = split.far; current = list.length ? 0 : -1;
      var n = split.far.length;
      Desk.say(split.near.length + ' Vorschläge als Passpunkte übernommen' + (n ? '; ' + n + (n === 1 ? ' liegt' : ' liegen') + ' weiter als ' +
               split.bound + ' Pixel vom Ausgleich und ' + (n === 1 ? 'bleibt' : 'bleiben') + ' in der Liste.' : '.'));
      show();
    }

    function dropFar() {
      var split = byLimit();
      if (!split) return;
      list = split.near; current = list.length ? 0 : -1;
      Desk.say(split.far.length + ' Vorschläge weiter als ' + split.bound + ' Pixel vom Ausgleich verworfen, ' + list.length + ' bleiben.');
      show();
    }

    function dropAll() { list = []; current = -1; show(); Desk.say('Vorschläge verworfen.'); }

    $('kreuzungen-vorschlagen').addEventListener('click', search);
    $('vorschlaege-alle').addEventListener('click', takeAll);
    $('vorschlaege-fern').addEventListener('click', dropFar);
    $('vorschlaege-verwerfen').addEventListener('click', dropAll);
    $('vorschlag-nehmen').addEventListener('click', function () { take(current); });
    $('vorschlag-weg').addEventListener('click', function () { drop(current); });
    $('vorschlag-grenze').addEventListener('input', show);
    // steps typed by the user hold for every search until both fields are emptied
    ['schritt-laenge', 'schritt-breite'].forEach(function (id) {
      $(id).addEventListener('change', function () {
        confirmed = $('schritt-laenge').value.trim() !== '' || $('schritt-breite').value.trim() !== '';
        if (crossings && (list.length || !$('schritte-frage').hidden)) search();
      });
    });
    $('schritte-bestaetigen').addEventListener('click', function () { confirmed = true; search(); });
    // the distances follow the fit as points change
    Desk.on('work', function () { if (list.length) show(); });

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
          context.strokeStyle = i === current ? '#ff00ff' : far(i) ? '#ff5000' : '#00b0ff';
          context.lineWidth = i === current ? 3 : 2;
          context.beginPath(); context.arc(s.x, s.y, i === current ? 9 : 6, 0, 2 * Math.PI); context.stroke();
        });
      },
      // the proposals and the steps, for the tab's own save and restore
      save: function () {
        return JSON.parse(JSON.stringify({ list: list, current: current, formats: formats, confirmed: confirmed,
          steps: [$('schritt-laenge').value, $('schritt-breite').value], said: $('vorschlaege-kopf').dataset.schritte || '' }));
      },
      // saved may be null (nothing kept) or kept before the steps were part of it
      restore: function (saved) {
        saved = saved || {};
        list = saved.list || []; current = list.length ? saved.current : -1;
        formats = saved.formats || { longitude: 'packed', latitude: 'packed' }; confirmed = !!saved.confirmed;
        var steps = saved.steps || ['', ''];
        $('schritt-laenge').value = steps[0]; $('schritt-breite').value = steps[1];
        $('vorschlaege-kopf').dataset.schritte = saved.said || '';
        $('schritte-frage').hidden = true;
        show();
      },
      pictureOpened: function () {
        crossings = null; confirmed = false;
        $('schritt-laenge').value = ''; $('schritt-breite').value = '';
        clear();
      }
    };
  }

  return { create: create };
});
