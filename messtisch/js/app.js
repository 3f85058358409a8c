// The page's wiring: files in and out, the tabs, mouse and keyboard, the
// status line and what is drawn over the picture.
(function () {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };
  var canvas = $('leinwand'), stage = $('buehne');
  var view = View.create(canvas);
  var state = {
    picture: null, fileName: '', tab: 'ansehen',
    tiltClicks: [],
    lines: Bars.emptyLines(), run: 'h', activeLine: 'left', selectedBar: null,
    cursor: null, undo: [], showGrid: true, inf: null, savedBars: null
  };
  var points = Points.create(state, { changed: pointsChanged, pick: function () {} });

  // ---- status line --------------------------------------------------------

  function say(text, isError) {
    var line = $('status-meldung');
    line.textContent = text;
    line.className = isError ? 'fehler' : '';
  }

  function showPixel(point) {
    if (!point || !View.inside(view, point)) { $('status-pixel').textContent = '–'; return; }
    var c = Bmp.colourAt(state.picture, point.x, point.y);
    $('status-pixel').textContent = 'x=' + point.x + ' y=' + point.y + '  Farbe ' + c.join(',') +
      (c[0] === 0 && c[1] === 0 && c[2] === 255 ? ' (Balkenblau)' : '');
  }

  function showZoom() {
    $('status-zoom').textContent = state.picture ? 'Zoom ' + Math.round(view.scale * 1000) / 10 + ' %' : '';
  }

  function redraw() {
    view.bars = state.picture && state.tab === 'balken' ? currentBars() : null;
    showZoom();
    View.requestDraw(view);
  }

  // ---- undo ---------------------------------------------------------------

  function snapshot() {
    return JSON.stringify({ lines: state.lines, points: points.save() });
  }

  function remember() {
    state.undo.push(snapshot());
    if (state.undo.length > 200) state.undo.shift();
  }

  function undo() {
    var last = state.undo.pop();
    if (!last) { say('Nichts mehr rückgängig zu machen.'); return; }
    var saved = JSON.parse(last);
    state.lines = saved.lines;
    state.selectedBar = null;
    points.restore(saved.points);
    barsChanged();
    say('Rückgängig gemacht.');
  }

  // ---- opening files ------------------------------------------------------

  function openFile(file) {
    var name = file.name, lower = name.toLowerCase();
    if (/\.inf$/.test(lower)) return file.text().then(function (text) { openInf(name, text); });
    if (/\.txt$/.test(lower)) return file.text().then(function (text) { openMeasurement(name, text); });
    return openPicture(file);
  }

  function openPicture(file) {
    var started = performance.now();
    say(file.name + ' wird geladen …');
    return file.arrayBuffer().then(function (buffer) {
      var picture = Bmp.open(buffer);
      if (!picture.ok) { say(file.name + ': ' + picture.message, true); return; }
      state.picture = picture;
      state.fileName = file.name;
      state.tiltClicks = [];
      state.lines = Bars.emptyLines();
      state.selectedBar = null;
      state.savedBars = null;
      state.undo = [];
      state.cursor = null;
      View.setPicture(view, picture);
      $('ablage-hinweis').hidden = true;
      stage.focus();
      points.pictureChanged(picture, file.name);
      view.bars = null;
      View.draw(view);
      var took = Math.round(performance.now() - started);
      document.body.dataset.bild = picture.width + 'x' + picture.height;
      document.body.dataset.ladezeit = String(took);
      $('bild-angaben').textContent = file.name + ': ' + picture.width + ' x ' + picture.height + ' Pixel, ' +
        Math.round(picture.bytes.length / 1048576) + ' MB.';
      say(file.name + ' geöffnet: ' + picture.width + ' x ' + picture.height + ' Pixel (' + took + ' ms).');
      showTilt();
      barsChanged();
    }, function () { say(file.name + ' konnte nicht gelesen werden.', true); });
  }

  function openMeasurement(name, text) {
    var message = points.load(name, text);
    if (message) { say(message, true); return; }
    selectTab('punkte');
    say(name + ' geöffnet.');
  }

  function openInf(name, text) {
    var inf = Points.readInf(text);
    if (!inf.ok) { say(name + ': ' + inf.message, true); return; }
    state.inf = { name: name, mapping: inf.mapping, text: text };
    var box = $('inf-ergebnis');
    box.textContent = '';
    var p = document.createElement('p');
    var plus = function (text) { return text.charAt(0) === '-' ? ' − ' + text.slice(1) : ' + ' + text; };
    p.textContent = name + ': Länge x = ' + inf.lines[0] + ' · λ' + plus(inf.lines[1]) + ', Breite y = ' + inf.lines[2] +
      ' · sinh(φ)' + plus(inf.lines[3]) + (inf.gps ? ', WGS-Koordinaten (GPS).' : ', PD-Koordinaten.');
    box.appendChild(p);
    selectTab('inf');
    say(name + ' geöffnet; ihr Gradnetz ist violett eingezeichnet.');
    redraw();
  }

  function download(name, bytes, type) {
    var url = URL.createObjectURL(new Blob([bytes], { type: type }));
    var link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  }

  // ---- tabs ---------------------------------------------------------------

  function selectTab(name) {
    state.tab = name;
    document.querySelectorAll('#reiter button').forEach(function (b) {
      b.setAttribute('aria-selected', String(b.dataset.reiter === name));
    });
    document.querySelectorAll('[data-tafel]').forEach(function (s) { s.hidden = s.dataset.tafel !== name; });
    redraw();
  }

  // ---- tilt ---------------------------------------------------------------

  function showTilt() {
    TiltPanel.show($('kippung-ergebnis'), state.tiltClicks, state.picture, state.fileName);
  }

  // ---- frame bars ---------------------------------------------------------

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
      input.addEventListener('change', function () { state.activeLine = line.key; state.selectedBar = null; redraw(); });
      label.appendChild(input);
      label.appendChild(document.createTextNode(' ' + line.label + ' (' + state.lines[line.key].length + ' Punkte)'));
      box.appendChild(label);
      box.appendChild(document.createElement('br'));
    });
  }

  function barsChanged() {
    showLineChoice();
    $('breiten').hidden = state.run !== 'v';
    showBarCommand(null);
    redraw();
  }

  function selectRun(run) {
    state.run = run;
    state.activeLine = Bars.LINES[run][0].key;
    state.selectedBar = null;
    document.querySelectorAll('input[name=lauf]').forEach(function (r) { r.checked = r.value === run; });
    barsChanged();
  }

  function addBarPoint(point) {
    remember();
    var line = state.lines[state.activeLine];
    var entry = { x: point.x, y: point.y };
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

  function saveBars() {
    if (!state.picture) { say('Erst ein Bild öffnen.', true); return; }
    var range = currentBars(), p = state.picture;
    var bytes = Bmp.paintedCopy(p, Bars.rowSpans(range, p.width));
    var name = state.fileName.replace(/\.[^.]*$/, '') + '-balken-' + state.run + '.bmp';
    download(name, bytes, 'image/bmp');
    state.savedBars = { run: state.run, name: name };
    showBarCommand(name);
    say(name + ' gespeichert.');
  }

  // ---- control points -----------------------------------------------------

  function pointsChanged() { redraw(); }

  // ---- clicks and dragging -----------------------------------------------

  function clickAt(point) {
    if (!View.inside(view, point)) return;
    state.cursor = point;
    if (state.tab === 'kippung') {
      if (state.tiltClicks.length >= 2) state.tiltClicks = [];
      state.tiltClicks.push(point);
      showTilt();
    } else if (state.tab === 'balken') {
      addBarPoint(point);
    } else if (state.tab === 'punkte') {
      points.clicked(point);
    }
    redraw();
  }

  // The bar or control point within a few screen pixels of (sx, sy).
  function grabAt(sx, sy) {
    var nearest = null, best = 8;
    function consider(kind, key, index, p) {
      var s = View.toScreen(view, p.x + 0.5, p.y + 0.5), d = Math.max(Math.abs(s.x - sx), Math.abs(s.y - sy));
      if (d <= best) { best = d; nearest = { kind: kind, key: key, index: index }; }
    }
    if (state.tab === 'balken') {
      Bars.LINES[state.run].forEach(function (line) {
        state.lines[line.key].forEach(function (p, i) { consider('bar', line.key, i, p); });
      });
    } else if (state.tab === 'punkte') {
      points.positions().forEach(function (p, i) { consider('point', null, i, p); });
    }
    return nearest;
  }

  function moveGrabbed(grab, point) {
    if (grab.kind === 'bar') {
      var line = state.lines[grab.key], entry = line[grab.index];
      entry.x = point.x; entry.y = point.y;
      Bars.sortLine(line, grab.key);
      grab.index = line.indexOf(entry);
      state.selectedBar = { key: grab.key, index: grab.index };
      barsChanged();
    } else {
      points.move(grab.index, point);
    }
  }

  var press = null;
  canvas.addEventListener('mousedown', function (event) {
    if (event.button !== 0 && event.button !== 1) return;
    stage.focus();
    var grab = event.button === 0 ? grabAt(event.offsetX, event.offsetY) : null;
    if (grab) {
      remember();
      if (grab.kind === 'bar') { state.activeLine = grab.key; state.selectedBar = { key: grab.key, index: grab.index }; showLineChoice(); }
      else points.select(grab.index);
      redraw();
    }
    press = { x: event.offsetX, y: event.offsetY, lastX: event.offsetX, lastY: event.offsetY, moved: false,
              grab: grab, pan: event.button === 1 };
    event.preventDefault();
  });

  window.addEventListener('mousemove', function (event) {
    var rect = canvas.getBoundingClientRect(), sx = event.clientX - rect.left, sy = event.clientY - rect.top;
    if (state.picture && sx >= 0 && sy >= 0 && sx < rect.width && sy < rect.height) {
      var point = View.toImage(view, sx, sy);
      showPixel(point);
    }
    if (!press) return;
    if (Math.abs(sx - press.x) + Math.abs(sy - press.y) > 4) press.moved = true;
    if (!press.moved) return;
    if (press.grab) {
      var target = View.toImage(view, sx, sy);
      if (View.inside(view, target)) moveGrabbed(press.grab, target);
    } else {
      stage.classList.add('ziehen');
      View.panBy(view, sx - press.lastX, sy - press.lastY);
      redraw();
    }
    press.lastX = sx; press.lastY = sy;
  });

  window.addEventListener('mouseup', function (event) {
    if (!press) return;
    var wasClick = !press.moved && !press.pan;
    if (press.grab && !press.moved) state.undo.pop(); // selecting alone changes nothing
    stage.classList.remove('ziehen');
    var grabbed = press.grab;
    press = null;
    if (wasClick && !grabbed && event.target === canvas) clickAt(View.toImage(view, event.offsetX, event.offsetY));
  });

  canvas.addEventListener('wheel', function (event) {
    if (!state.picture) return;
    event.preventDefault();
    View.zoomAt(view, event.deltaY < 0 ? 1.25 : 0.8, event.offsetX, event.offsetY);
    redraw();
  }, { passive: false });

  // ---- drag and drop ------------------------------------------------------

  ['dragenter', 'dragover'].forEach(function (type) {
    document.addEventListener(type, function (event) { event.preventDefault(); stage.classList.add('ablage'); });
  });
  document.addEventListener('dragleave', function (event) {
    if (event.target === document.documentElement || event.target === stage) stage.classList.remove('ablage');
  });
  document.addEventListener('drop', function (event) {
    event.preventDefault();
    stage.classList.remove('ablage');
    Array.prototype.forEach.call(event.dataTransfer.files, openFile);
  });

  // ---- keyboard -----------------------------------------------------------

  function moveCursor(dx, dy) {
    if (!state.picture) return;
    var c = state.cursor || View.toImage(view, canvas.width / 2, canvas.height / 2);
    c = { x: Math.max(0, Math.min(state.picture.width - 1, c.x + dx)), y: Math.max(0, Math.min(state.picture.height - 1, c.y + dy)) };
    state.cursor = c;
    // keep the crosshair in sight
    var s = View.toScreen(view, c.x + 0.5, c.y + 0.5);
    if (s.x < 20 || s.y < 20 || s.x > canvas.width - 20 || s.y > canvas.height - 20) {
      View.panBy(view, canvas.width / 2 - s.x, canvas.height / 2 - s.y);
    }
    showPixel(c);
    redraw();
  }

  function deleteSelected() {
    if (state.tab === 'balken' && state.selectedBar) {
      remember();
      state.lines[state.selectedBar.key].splice(state.selectedBar.index, 1);
      state.selectedBar = null;
      barsChanged();
    } else if (state.tab === 'punkte') {
      points.deleteSelected();
    }
  }

  var TAB_KEYS = { a: 'ansehen', k: 'kippung', b: 'balken', p: 'punkte', i: 'inf' };

  document.addEventListener('keydown', function (event) {
    var typing = event.target.tagName === 'TEXTAREA' || event.target.tagName === 'INPUT' && /^(text|search|number)$/.test(event.target.type);
    if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'z' && !typing) { undo(); event.preventDefault(); return; }
    if (event.key === 'Escape') { $('tastenhilfe').hidden = true; if (typing) event.target.blur(); return; }
    if (typing || event.altKey || event.ctrlKey && !/^Arrow/.test(event.key)) return;
    if (/^Arrow/.test(event.key) && event.target.tagName === 'INPUT') return; // radio buttons step with them
    var key = event.key, step = 80, handled = true;
    if (event.shiftKey && /^Arrow/.test(key)) {
      var n = event.ctrlKey ? 10 : 1;
      moveCursor(key === 'ArrowLeft' ? -n : key === 'ArrowRight' ? n : 0, key === 'ArrowUp' ? -n : key === 'ArrowDown' ? n : 0);
    } else if (key === 'ArrowLeft') { View.panBy(view, step, 0); redraw(); }
    else if (key === 'ArrowRight') { View.panBy(view, -step, 0); redraw(); }
    else if (key === 'ArrowUp') { View.panBy(view, 0, step); redraw(); }
    else if (key === 'ArrowDown') { View.panBy(view, 0, -step); redraw(); }
    else if (key === '+' || key === '=') { zoomButton(1.25); }
    else if (key === '-') { zoomButton(0.8); }
    else if (key === '0') { View.fit(view); redraw(); }
    else if (key === '1') { View.zoomTo(view, 1); redraw(); }
    else if ((key === 'Enter' || key === ' ') && (event.target === stage || event.target === document.body)) {
      if (state.cursor) clickAt(state.cursor);
    }
    else if (key === 'Delete' || key === 'Backspace') { deleteSelected(); }
    else if (key === 'o' || key === 'O') { $('bild-datei').click(); }
    else if (key === 'n' || key === 'N') { state.showGrid = !state.showGrid; $('netz-an').checked = state.showGrid; redraw(); }
    else if (key === '?') { $('tastenhilfe').hidden = !$('tastenhilfe').hidden; }
    else if (TAB_KEYS[key.toLowerCase()] && event.target.tagName !== 'BUTTON') { selectTab(TAB_KEYS[key.toLowerCase()]); }
    else handled = false;
    if (handled) event.preventDefault();
  });

  function zoomButton(factor) {
    View.zoomAt(view, factor, canvas.width / 2, canvas.height / 2);
    redraw();
  }

  view.drawOverlays = function (context) { Overlays.draw(context, view, state, points); };

  // ---- controls -----------------------------------------------------------

  $('bild-datei').addEventListener('change', function (event) { if (event.target.files[0]) openPicture(event.target.files[0]); event.target.value = ''; });
  $('mess-datei').addEventListener('change', function (event) { if (event.target.files[0]) openFile(event.target.files[0]); event.target.value = ''; });
  $('inf-datei').addEventListener('change', function (event) { if (event.target.files[0]) openFile(event.target.files[0]); event.target.value = ''; });
  $('zoom-ein').addEventListener('click', function () { zoomButton(1.25); });
  $('zoom-aus').addEventListener('click', function () { zoomButton(0.8); });
  $('zoom-ganz').addEventListener('click', function () { View.fit(view); redraw(); });
  $('zoom-eins').addEventListener('click', function () { View.zoomTo(view, 1); redraw(); });
  $('rueckgaengig').addEventListener('click', undo);
  $('hilfe-knopf').addEventListener('click', function () { $('tastenhilfe').hidden = !$('tastenhilfe').hidden; });
  document.querySelectorAll('#reiter button').forEach(function (b) {
    b.addEventListener('click', function () { selectTab(b.dataset.reiter); });
  });
  document.querySelectorAll('input[name=lauf]').forEach(function (r) {
    r.addEventListener('change', function () { selectRun(r.value); });
  });
  $('bg-unten').addEventListener('input', function () { showBarCommand(null); });
  $('bg-oben').addEventListener('input', function () { showBarCommand(null); });
  $('balken-speichern').addEventListener('click', saveBars);
  $('netz-an').addEventListener('change', function () { state.showGrid = $('netz-an').checked; redraw(); });
  points.onSave = function (name, text) { download(name, text, 'text/plain'); say(name + ' gespeichert.'); };
  $('vrt-speichern').addEventListener('click', function () { GisExport.save('vrt', state, download, say); });
  $('points-speichern').addEventListener('click', function () { GisExport.save('points', state, download, say); });
  points.remember = remember;
  window.addEventListener('resize', function () { redraw(); });

  // for the browser tests, and for a look from the browser's developer tools
  window.Messtisch = { view: view, state: state };

  selectTab('ansehen');
  barsChanged();
  View.draw(view);
})();
