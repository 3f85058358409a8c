// The Balken tab: frame lines clicked on the picture, the pure-blue bars
// painted from them to the edge (bars.js), the picture saved with its bars
// and the glattzug command for it, or glattzug run on it in the page, its
// result becoming the picture shown.
define('TabBars', ['Desk', 'View', 'Bmp', 'Bars', 'Lines', 'Frame', 'Overlays', 'Undo', 'Assist', 'ToolStep', 'ChainNames', 'WorkFiles', 'Files'],
function (Desk, View, Bmp, Bars, Lines, Frame, Overlays, Undo, Assist, ToolStep, ChainNames, WorkFiles, Files) {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  // this picture's frame lines, the line clicks go to, the point chosen, and
  // the picture last saved with bars
  var work = { lines: Bars.emptyLines(), run: 'h', activeLine: 'left', selectedBar: null, savedBars: null };
  // where a trace that covered too little of the frame stopped, by line: marked until the line changes
  var stops = {};

  function currentBars() {
    return Bars.paintedRange(work.lines, work.run, state.picture.width, state.picture.height);
  }

  function showLineChoice() {
    var box = $('linienwahl');
    box.textContent = '';
    Bars.LINES[work.run].forEach(function (line) {
      var label = document.createElement('label'), input = document.createElement('input');
      input.type = 'radio';
      input.name = 'linie';
      input.value = line.key;
      input.checked = work.activeLine === line.key;
      input.addEventListener('change', function () { work.activeLine = line.key; work.selectedBar = null; Desk.redraw(); });
      label.appendChild(input);
      label.appendChild(document.createTextNode(' ' + line.label + ' (' + work.lines[line.key].length + ' Punkte)'));
      box.appendChild(label);
      box.appendChild(document.createElement('br'));
    });
  }

  function barsChanged() {
    Desk.emit('work');
    showLineChoice();
    $('breiten').hidden = work.run !== 'v';
    showBarCommand(null);
    Desk.redraw();
  }

  function selectRun(run) {
    work.run = run;
    work.activeLine = Bars.LINES[run][0].key;
    work.selectedBar = null;
    document.querySelectorAll('input[name=lauf]').forEach(function (r) { r.checked = r.value === run; });
    barsChanged();
  }

  // The dark line under the click followed across the picture (in a band
  // 600 pixels wide): {line, coverage} (Frame.coverage), or null.
  function traced(point) {
    var p = state.picture, along = Bars.alongOf(work.activeLine), ink;
    if (along === 'y') ink = Lines.inkOf(p, point.x - 300, 0, 600, p.height);
    else ink = Lines.inkOf(p, 0, point.y - 300, p.width, 600);
    var line = Frame.polylineOf(Frame.traceLine(ink, Assist.levels(), point, along), along);
    return line.length >= 2 ? { line: line, coverage: Frame.coverage(ink, Assist.levels(), line, along) } : null;
  }

  // The status after a trace; one that covers less than 80 % of the frame
  // says so and marks where it stopped, for the points to add there.
  function sayTraced(line, coverage) {
    var along = Bars.alongOf(work.activeLine), span = along + '=' + line[0][along] + ' bis ' + line[line.length - 1][along];
    if (coverage.share >= 0.8) {
      Desk.say('Linie verfolgt: ' + line.length + ' Punkte von ' + span + '. Punkte lassen sich verschieben, löschen und ergänzen.');
      return;
    }
    stops[work.activeLine] = coverage.stops;
    Desk.say('Linie nur auf ' + Math.round(100 * coverage.share) + ' % des Rahmens verfolgt (' + span + ', Rahmen ' + along + '=' +
             coverage.from + ' bis ' + coverage.to + '): Wo sie abbricht, steht ein rotes Kreuz; dort weitere Punkte auf die Linie klicken.', true);
  }

  // The first click on a frame line traces it; later clicks add points to
  // adjust it, as does a click with Alt.
  function clicked(point) {
    if (work.lines[work.activeLine].length === 0 && !Assist.plainClick()) {
      var trace = traced(point);
      if (trace) {
        Undo.remember('balken');
        work.lines[work.activeLine] = trace.line;
        work.selectedBar = null;
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
    var line = work.lines[work.activeLine];
    var entry = { x: point.x, y: point.y };
    delete stops[work.activeLine];
    line.push(entry);
    Bars.sortLine(line, work.activeLine);
    work.selectedBar = { key: work.activeLine, index: line.indexOf(entry) };
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
    var lat = work.run === 'v' ? latitudes() : { ok: true, args: '' };
    $('breiten-fehler').textContent = lat.ok ? '' : lat.message;
    if (savedName === null) savedName = work.savedBars && work.savedBars.run === work.run ? work.savedBars.name : null;
    box.textContent = '';
    if (!savedName || !lat.ok) return;
    var p = document.createElement('p');
    p.appendChild(document.createTextNode('Gespeichert als ' + savedName + '. Dann entzerren mit '));
    var code = document.createElement('code');
    code.className = 'befehl';
    code.id = 'glattzug-befehl';
    code.textContent = 'glattzug ' + savedName + ' ' + work.run + lat.args;
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
    var range = currentBars(), p = state.picture, run = work.run, button = $('balken-speichern');
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
      work.savedBars = { run: run, name: name };
      Desk.emit('saved');
      showBarCommand(name);
      Desk.say(name + ' gespeichert.');
    });
  }

  // glattzug in the page on the picture with the bars of run: the picture
  // with bars and the rectified picture join the files, the latter is shown.
  function rectify(run) {
    if (!state.picture) { Desk.say('Erst ein Bild öffnen.', true); return; }
    var lat = run === 'v' ? latitudes() : { ok: true, args: '' };
    if (!lat.ok) { Desk.say(lat.message, true); return; }
    if (saving) return;
    var p = state.picture, name = ChainNames.withBars(state.fileName, run), result = ChainNames.rectified(name, run);
    var args = [name, run].concat(lat.args.split(' ').filter(Boolean));
    saving = true;
    Desk.say(name + ' wird gemalt … 0 %');
    Bmp.paintedBlob(p, Bars.rowSpans(Bars.paintedRange(work.lines, run, p.width, p.height), p.width), 'image/bmp', function (share) {
      Desk.say(name + ' wird gemalt … ' + Math.floor(share * 100) + ' %');
    }).then(function (blob) { return blob.arrayBuffer(); }).then(function (buffer) {
      saving = false;
      var files = {};
      files[name] = new Uint8Array(buffer);
      WorkFiles.add(name, files[name], 'Balken ' + run + ' im Messtisch gemalt');
      return ToolStep.run($('balken-lauf'), 'glattzug', args, files, ChainNames.tmpName(name), result);
    }).then(function (step) {
      if (!step.ok) return;
      Files.openPicture({ name: result, bytes: step.result.files[ChainNames.tmpName(name)] }).then(function () {
        Desk.say(result + ' (glattzug ' + args.slice(1).join(' ') + ', Exit-Code 0) ist jetzt das Bild.');
      });
    });
  }

  function drawLines(context, view) {
    Bars.LINES[work.run].forEach(function (line) {
      var pts = work.lines[line.key], active = line.key === work.activeLine;
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
        var selected = work.selectedBar && work.selectedBar.key === line.key && work.selectedBar.index === i;
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
      Bars.LINES[work.run].forEach(function (line) {
        work.lines[line.key].forEach(function (p, i) { list.push({ x: p.x, y: p.y, key: line.key, index: i }); });
      });
      return list;
    },
    grab: function (handle) {
      work.activeLine = handle.key;
      work.selectedBar = { key: handle.key, index: handle.index };
      showLineChoice();
    },
    drag: function (handle, point) {
      var line = work.lines[handle.key], entry = line[handle.index];
      entry.x = point.x; entry.y = point.y;
      delete stops[handle.key];
      Bars.sortLine(line, handle.key);
      handle.index = line.indexOf(entry);
      work.selectedBar = { key: handle.key, index: handle.index };
      barsChanged();
    },
    deleteSelected: function () {
      if (!work.selectedBar) return;
      Undo.remember('balken');
      work.lines[work.selectedBar.key].splice(work.selectedBar.index, 1);
      delete stops[work.selectedBar.key];
      work.selectedBar = null;
      barsChanged();
    },
    draw: drawLines,
    bars: currentBars,
    pictureOpened: function () {
      work.lines = Bars.emptyLines();
      stops = {};
      work.selectedBar = null;
      work.savedBars = null;
      $('bg-unten').value = '';
      $('bg-oben').value = '';
      selectRun('h');
    },
    save: function () {
      return { lines: JSON.parse(JSON.stringify(work.lines)), run: work.run, latitudes: [$('bg-unten').value, $('bg-oben').value] };
    },
    restore: function (saved) {
      work.lines = saved.lines;
      stops = {};
      work.selectedBar = null;
      if (saved.latitudes) { $('bg-unten').value = saved.latitudes[0]; $('bg-oben').value = saved.latitudes[1]; }
      if (saved.run !== work.run) selectRun(saved.run); else barsChanged();
    },
    describe: function (saved) {
      var l = saved.lines;
      return l.left.length + l.right.length + l.top.length + l.bottom.length + ' Balkenpunkte';
    },
    hasWork: function () { return ['left', 'right', 'top', 'bottom'].some(function (k) { return work.lines[k].length > 0; }); }
  });

  document.querySelectorAll('input[name=lauf]').forEach(function (r) {
    r.addEventListener('change', function () { selectRun(r.value); });
  });
  // the latitudes are this picture's work too
  $('bg-unten').addEventListener('input', function () { showBarCommand(null); Desk.emit('work'); });
  $('bg-oben').addEventListener('input', function () { showBarCommand(null); Desk.emit('work'); });
  $('balken-speichern').addEventListener('click', saveBars);
  $('glattzug-h').addEventListener('click', function () { rectify('h'); });
  $('glattzug-v').addEventListener('click', function () { rectify('v'); });
  barsChanged();
});
