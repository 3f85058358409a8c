// The Balken tab: frame lines clicked on the picture, the pure-blue bars
// painted from them to the edge (bars.js), the picture saved with its bars
// and the glattzug command for it.
(function () {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  // where a trace that covered too little of the frame stopped, by line: marked until the line changes
  var stops = {};

  function currentBars() {
    return Bars.paintedRange(state.lines, state.run, state.picture.width, state.picture.height);
  }

  function showLineChoice() {
    var box = $('linienwahl');
    box.textContent = '';
    Bars.LINES[state.run].forEach(function (line) {
      var label = document.createElement('label'), input = document.createElement('input');
      input.type = 'radio';
      input.name = 'linie';
      input.value = line.key;
      input.checked = state.activeLine === line.key;
      input.addEventListener('change', function () { state.activeLine = line.key; state.selectedBar = null; Desk.redraw(); });
      label.appendChild(input);
      label.appendChild(document.createTextNode(' ' + line.label + ' (' + state.lines[line.key].length + ' Punkte)'));
      box.appendChild(label);
      box.appendChild(document.createElement('br'));
    });
  }

  function barsChanged() {
    Desk.emit('work');
    showLineChoice();
    $('breiten').hidden = state.run !== 'v';
    showBarCommand(null);
    Desk.redraw();
  }

  function selectRun(run) {
    state.run = run;
    state.activeLine = Bars.LINES[run][0].key;
    state.selectedBar = null;
    document.querySelectorAll('input[name=lauf]').forEach(function (r) { r.checked = r.value === run; });
    barsChanged();
  }

  // The dark line under the click followed across the picture (in a band
  // 600 pixels wide): {line, coverage} (Frame.coverage), or null.
  function traced(point) {
    var p = state.picture, along = Bars.alongOf(state.activeLine), ink;
    if (along === 'y') ink = Lines.inkOf(p, point.x - 300, 0, 600, p.height);
    else ink = Lines.inkOf(p, 0, point.y - 300, p.width, 600);
    var line = Frame.polylineOf(Frame.traceLine(ink, Assist.levels(), point, along), along);
    return line.length >= 2 ? { line: line, coverage: Frame.coverage(ink, Assist.levels(), line, along) } : null;
  }

  // The status after a trace; one that covers less than 80 % of the frame
  // says so and marks where it stopped, for the points to add there.
  function sayTraced(line, coverage) {
    var along = Bars.alongOf(state.activeLine), span = along + '=' + line[0][along] + ' bis ' + line[line.length - 1][along];
    if (coverage.share >= 0.8) {
      Desk.say('Linie verfolgt: ' + line.length + ' Punkte von ' + span + '. Punkte lassen sich verschieben, löschen und ergänzen.');
      return;
    }
    stops[state.activeLine] = coverage.stops;
    Desk.say('Linie nur auf ' + Math.round(100 * coverage.share) + ' % des Rahmens verfolgt (' + span + ', Rahmen ' + along + '=' +
             coverage.from + ' bis ' + coverage.to + '): Wo sie abbricht, steht ein rotes Kreuz; dort weitere Punkte auf die Linie klicken.', true);
  }

  // The first click on a frame line traces it; later clicks add points to
  // adjust it, as does a click with Alt.
  function clicked(point) {
    if (state.lines[state.activeLine].length === 0 && !Assist.plainClick()) {
      var trace = traced(point);
      if (trace) {
        Undo.remember('balken');
        state.lines[state.activeLine] = trace.line;
        state.selectedBar = null;
        sayTraced(trace.line, trace.coverage);
        barsChanged();
        return;
      }
      Desk.say('keine Linien gefunden: Der Punkt ist so gesetzt, wie geklickt.', true);
    }
    addBarPoint(point);
  }

  function addBarPoint(point) {
    Undo.remember('balken');
    var line = state.lines[state.activeLine];
    var entry = { x: point.x, y: point.y };
    delete stops[state.activeLine];
    line.push(entry);
    Bars.sortLine(line, state.activeLine);
    state.selectedBar = { key: state.activeLine, index: line.indexOf(entry) };
    barsChanged();
  }

  // The latitudes typed for the v run: {ok, args} or {ok: false, message}.
  function latitudes() {
    var low = $('bg-unten').value.trim(), high = $('bg-oben').value.trim();
    if (low === '' && high === '') return { ok: true, args: '' };
    if (low === '' || high === '') return { ok: false, message: 'Bitte beide Breitengrade angeben oder beide leer lassen.' };
    var number = /^[+-]?\d+(\.\d*)?$/;
    for (var i = 0; i < 2; i++) {
      var value = [low, high][i];
      if (!number.test(value)) {
        return { ok: false, message: '„' + value + '“ ist kein Breitengrad für glattzug' +
          (value.indexOf(',') >= 0 ? ': Dezimalpunkt statt Komma schreiben.' : ' (dezimal mit Punkt, z. B. 47.5).') };
      }
    }
    if (Number(low) >= 91) return { ok: false, message: 'BG_unten ab 91 schaltet glattzug auf lineare Entzerrung zurück.' };
    if (Number(low) === Number(high)) return { ok: false, message: 'Die beiden Breitengrade müssen verschieden sein.' };
    return { ok: true, args: ' ' + low + ' ' + high };
  }

  function showBarCommand(savedName) {
    var box = $('balken-befehl');
    var lat = state.run === 'v' ? latitudes() : { ok: true, args: '' };
    $('breiten-fehler').textContent = lat.ok ? '' : lat.message;
    if (savedName === null) savedName = state.savedBars && state.savedBars.run === state.run ? state.savedBars.name : null;
    box.textContent = '';
    if (!savedName || !lat.ok) return;
    var p = document.createElement('p');
    p.appendChild(document.createTextNode('Gespeichert als ' + savedName + '. Dann entzerren mit '));
    var code = document.createElement('code');
    code.className = 'befehl';
    code.id = 'glattzug-befehl';
    code.textContent = 'glattzug ' + savedName + ' ' + state.run + lat.args;
    p.appendChild(code);
    p.appendChild(document.createTextNode(' (Ergebnis: ' + savedName.replace(/\.[^.]*$/, '').toUpperCase() +
      '.TMP, auf .BMP umbenennen).'));
    box.appendChild(p);
  }

  var saving = false;

  // The picture with its bars, made in bands with the progress shown; the
  // button waits meanwhile.
  function saveBars() {
    if (!state.picture) { Desk.say('Erst ein Bild öffnen.', true); return; }
    if (saving) return;
    var range = currentBars(), p = state.picture, run = state.run, button = $('balken-speichern');
    var name = state.fileName.replace(/\.[^.]*$/, '') + '-balken-' + run + '.bmp';
    saving = true;
    button.disabled = true;
    Desk.say(name + ' wird geschrieben … 0 %');
    Bmp.paintedBlob(p, Bars.rowSpans(range, p.width), 'image/bmp', function (share) {
      Desk.say(name + ' wird geschrieben … ' + Math.floor(share * 100) + ' %');
    }).then(function (blob) {
      saving = false;
      button.disabled = false;
      Desk.download(name, blob, 'image/bmp');
      state.savedBars = { run: run, name: name };
      Desk.emit('saved');
      showBarCommand(name);
      Desk.say(name + ' gespeichert.');
    });
  }

  function drawLines(context, view) {
    Bars.LINES[state.run].forEach(function (line) {
      var pts = state.lines[line.key], active = line.key === state.activeLine;
      if (!pts.length) return;
      context.strokeStyle = active ? '#ff8c00' : '#ffd27f';
      context.lineWidth = 1.5;
      context.setLineDash([6, 4]);
      context.beginPath();
      pts.forEach(function (p, i) {
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
        if (i === 0) context.moveTo(s.x, s.y); else context.lineTo(s.x, s.y);
      });
      context.stroke();
      context.setLineDash([]);
      (stops[line.key] || []).forEach(function (p) {
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
        context.strokeStyle = '#ff0000';
        context.lineWidth = 2.5;
        context.beginPath();
        context.moveTo(s.x - 9, s.y - 9); context.lineTo(s.x + 9, s.y + 9);
        context.moveTo(s.x + 9, s.y - 9); context.lineTo(s.x - 9, s.y + 9);
        context.stroke();
      });
      pts.forEach(function (p, i) {
        var selected = state.selectedBar && state.selectedBar.key === line.key && state.selectedBar.index === i;
        var s = Overlays.marker(context, view, p, selected ? '#ff0000' : '#ff8c00', 4);
        if (selected) { context.fillStyle = '#ff0000'; context.fillRect(s.x - 2, s.y - 2, 4, 4); }
      });
    });
  }

  Desk.addTab('balken', {
    click: clicked,
    snap: function () { return 'line'; },
    handles: function () {
      var list = [];
      Bars.LINES[state.run].forEach(function (line) {
        state.lines[line.key].forEach(function (p, i) { list.push({ x: p.x, y: p.y, key: line.key, index: i }); });
      });
      return list;
    },
    grab: function (handle) {
      state.activeLine = handle.key;
      state.selectedBar = { key: handle.key, index: handle.index };
      showLineChoice();
    },
    drag: function (handle, point) {
      var line = state.lines[handle.key], entry = line[handle.index];
      entry.x = point.x; entry.y = point.y;
      delete stops[handle.key];
      Bars.sortLine(line, handle.key);
      handle.index = line.indexOf(entry);
      state.selectedBar = { key: handle.key, index: handle.index };
      barsChanged();
    },
    deleteSelected: function () {
      if (!state.selectedBar) return;
      Undo.remember('balken');
      state.lines[state.selectedBar.key].splice(state.selectedBar.index, 1);
      delete stops[state.selectedBar.key];
      state.selectedBar = null;
      barsChanged();
    },
    draw: drawLines,
    bars: currentBars,
    pictureOpened: function () {
      state.lines = Bars.emptyLines();
      stops = {};
      state.selectedBar = null;
      state.savedBars = null;
      barsChanged();
    },
    save: function () { return { lines: JSON.parse(JSON.stringify(state.lines)), run: state.run }; },
    restore: function (saved) {
      state.lines = saved.lines;
      stops = {};
      state.selectedBar = null;
      if (saved.run !== state.run) selectRun(saved.run); else barsChanged();
    },
    hasWork: function () { return ['left', 'right', 'top', 'bottom'].some(function (k) { return state.lines[k].length > 0; }); }
  });

  document.querySelectorAll('input[name=lauf]').forEach(function (r) {
    r.addEventListener('change', function () { selectRun(r.value); });
  });
  $('bg-unten').addEventListener('input', function () { showBarCommand(null); });
  $('bg-oben').addEventListener('input', function () { showBarCommand(null); });
  $('balken-speichern').addEventListener('click', saveBars);
  barsChanged();
})();
