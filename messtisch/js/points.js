// Control points: the pixels clicked on the map with the coordinates typed
// for them. Reading and writing the measurement file, the fits and the .INF
// text all come from MesskartModel, which computes them as messkart does; this
// file only keeps the points the user edits and shows what the model says.
var Points = (function () {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  // ---- the model's side ---------------------------------------------------

  var MISSING = 'Der Rechenteil des Messtischs (Ordner messkart/) fehlt: Punkte lassen sich setzen, ' +
                'aber nicht prüfen und nicht als Messdatei speichern.';

  function modelThere() { return typeof MesskartModel !== 'undefined'; }

  // The page's points as the measurement file the model writes; coordinates
  // stay as typed, so a packed angle is written packed.
  function toModel(doc) {
    var lines = doc.comments.map(function (text) { return { kind: 'comment', text: text }; });
    if (doc.wgs) lines.push({ kind: 'wgs', longitude: doc.wgs.longitude, latitude: doc.wgs.latitude });
    if (doc.gps) lines.push({ kind: 'gps' });
    doc.points.forEach(function (p) {
      lines.push({ kind: 'data', x: String(p.x), longitude: p.longitude, y: String(p.y), latitude: p.latitude, name: p.name });
    });
    return { width: doc.width, height: doc.height, lines: lines };
  }

  function fromModel(model) {
    var doc = { width: model.width, height: model.height, comments: [], wgs: null, gps: false, points: [] };
    model.lines.forEach(function (line) {
      if (line.kind === 'comment') doc.comments.push(line.text);
      else if (line.kind === 'wgs') doc.wgs = { longitude: line.longitude, latitude: line.latitude };
      else if (line.kind === 'gps') doc.gps = true;
      else if (line.kind === 'data') {
        doc.points.push({ x: Number(line.x), y: Number(line.y), longitude: line.longitude, latitude: line.latitude, name: line.name || '' });
      }
    });
    return doc;
  }

  // A .INF file's graticule and the fit as the page shows them: both from the
  // model, which reads and writes .INF text as messkart does.
  function readInf(text) {
    if (!modelThere()) return { ok: false, message: MISSING };
    return MesskartModel.readInfFile(text);
  }

  function calibrate(text) {
    var fit = MesskartModel.calibrate(text);
    if (!fit.ok) return fit;
    return { ok: true, infText: fit.infText, rms: fit.rms, outliers: fit.outliers, residuals: fit.residuals,
             mapping: fit.mapping };
  }

  // ---- the panel ------------------------------------------------------------

  function create(state, callbacks) {
    var doc = { width: 0, height: 0, comments: [], wgs: null, gps: false, points: [] };
    var selected = -1, pending = null, evaluation = null, fileName = 'KARTE.TXT';
    var api = { onSave: null, remember: function () {} };

    function evaluate() {
      if (!modelThere()) {
        evaluation = { text: '', fit: { ok: false, message: MISSING } };
      } else {
        var text = MesskartModel.writeMeasurementFile(toModel(doc));
        evaluation = { text: text, fit: calibrate(text) };
      }
      show();
      callbacks.changed();
    }

    function cell(row, text, className) {
      var td = document.createElement('td');
      td.textContent = text;
      if (className) td.className = className;
      row.appendChild(td);
    }

    function show() {
      var body = $('punkt-tabelle').tBodies[0], fit = evaluation.fit;
      body.textContent = '';
      doc.points.forEach(function (p, i) {
        var row = document.createElement('tr'), r = fit.ok ? fit.residuals[i] : null;
        if (i === selected) row.classList.add('gewaehlt');
        if (fit.ok && fit.outliers.indexOf(i) >= 0) row.classList.add('ausreisser');
        cell(row, String(i + 1)); cell(row, String(p.x)); cell(row, String(p.y));
        cell(row, p.longitude); cell(row, p.latitude); cell(row, p.name);
        cell(row, r ? r.dx.toFixed(1) : ''); cell(row, r ? r.dy.toFixed(1) : ''); cell(row, r ? r.distance.toFixed(1) : '');
        row.tabIndex = 0;
        row.addEventListener('click', function () { select(i); });
        row.addEventListener('keydown', function (event) { if (event.key === 'Enter') select(i); });
        body.appendChild(row);
      });
      var box = $('ausgleich');
      box.textContent = '';
      var head = document.createElement('p');
      if (fit.ok) {
        head.textContent = 'So schreibt messkart die .INF-Datei (Streuung RMS ' + fit.rms.toFixed(2) + ' Pixel):';
        var pre = document.createElement('pre');
        pre.id = 'inf-vorschau';
        pre.textContent = fit.infText.replace(/\r\n/g, '\n');
        box.appendChild(head);
        box.appendChild(pre);
        fit.outliers.forEach(function (i) {
          var warn = document.createElement('p');
          warn.className = 'fehler ausreisser-hinweis';
          warn.textContent = 'Punkt ' + (i + 1) + (doc.points[i].name ? ' (' + doc.points[i].name + ')' : '') +
            ' weicht viel stärker ab als die anderen: Tippfehler in den Koordinaten oder falsch geklickt?';
          box.appendChild(warn);
        });
      } else {
        head.className = 'fehler';
        head.textContent = fit.message;
        box.appendChild(head);
      }
      $('messdatei-text').textContent = evaluation.text.replace(/\r\n/g, '\n');
    }

    function fillForm() {
      var p = selected >= 0 ? doc.points[selected] : null;
      $('punkt-pixel').textContent = p ? 'x=' + p.x + ' y=' + p.y + ' (Punkt ' + (selected + 1) + ')'
                                       : pending ? 'x=' + pending.x + ' y=' + pending.y + ' (neu)' : '–';
      $('punkt-laenge').value = p ? p.longitude : '';
      $('punkt-breite').value = p ? p.latitude : '';
      $('punkt-name').value = p ? p.name : '';
    }

    function select(i) {
      selected = i;
      pending = null;
      fillForm();
      show();
      callbacks.changed();
    }

    function referenceFromForm() {
      return { longitude: $('punkt-laenge').value.trim(), latitude: $('punkt-breite').value.trim(),
               name: $('punkt-name').value.trim().replace(/\s+/g, '_') };
    }

    $('punkt-form').addEventListener('submit', function (event) {
      event.preventDefault();
      var typed = referenceFromForm();
      if (!typed.longitude || !typed.latitude) { $('punkt-laenge').focus(); return; }
      api.remember();
      if (selected >= 0) {
        Object.assign(doc.points[selected], typed);
      } else if (pending) {
        doc.points.push({ x: pending.x, y: pending.y, longitude: typed.longitude, latitude: typed.latitude, name: typed.name });
        selected = -1;
        pending = null;
      } else {
        return;
      }
      selected = -1;
      fillForm();
      evaluate();
      $('buehne').focus();
    });
    $('punkt-loeschen').addEventListener('click', function () { api.deleteSelected(); });

    function wgsChanged() {
      api.remember();
      doc.wgs = $('wgs-an').checked ? { longitude: $('wgs-laenge').value.trim(), latitude: $('wgs-breite').value.trim() } : null;
      doc.gps = $('gps-an').checked;
      evaluate();
    }
    ['wgs-an', 'wgs-laenge', 'wgs-breite', 'gps-an'].forEach(function (id) { $(id).addEventListener('change', wgsChanged); });

    $('messdatei-speichern').addEventListener('click', function () {
      if (api.onSave && evaluation && evaluation.text) api.onSave($('messdatei-name').value.trim() || fileName, evaluation.text);
    });

    function showReference() {
      $('wgs-an').checked = doc.wgs !== null;
      $('wgs-laenge').value = doc.wgs ? doc.wgs.longitude : '0';
      $('wgs-breite').value = doc.wgs ? doc.wgs.latitude : '0';
      $('gps-an').checked = doc.gps;
      $('messdatei-name').value = fileName;
    }

    api.save = function () { return JSON.parse(JSON.stringify(doc)); };
    api.restore = function (saved) { doc = saved; selected = -1; pending = null; showReference(); fillForm(); evaluate(); };
    api.pictureChanged = function (picture, name) {
      doc.width = picture.width;
      doc.height = picture.height;
      fileName = name.replace(/\.[^.]*$/, '').toUpperCase() + '.TXT';
      showReference();
      evaluate();
    };
    api.load = function (name, text) {
      if (!modelThere()) return MISSING;
      var read = MesskartModel.readMeasurementFile(text);
      if (!read.ok) return name + ': ' + read.message;
      api.remember();
      doc = fromModel(read.model);
      if (state.picture) { doc.width = state.picture.width; doc.height = state.picture.height; }
      fileName = name;
      selected = -1;
      pending = null;
      showReference();
      fillForm();
      evaluate();
      return null;
    };
    api.clicked = function (point) {
      selected = -1;
      pending = point;
      fillForm();
      show();
      $('punkt-laenge').focus();
    };
    api.positions = function () { return doc.points; };
    api.move = function (i, point) { doc.points[i].x = point.x; doc.points[i].y = point.y; fillForm(); evaluate(); };
    api.select = select;
    api.deleteSelected = function () {
      if (selected < 0) return;
      api.remember();
      doc.points.splice(selected, 1);
      selected = -1;
      fillForm();
      evaluate();
    };
    api.draw = function (context, view, showGrid) {
      var fit = evaluation && evaluation.fit;
      if (showGrid && fit && fit.ok && fit.mapping) {
        Graticule.draw(context, view, Graticule.lines(fit.mapping, view.picture.width, view.picture.height), '#00a000');
      }
      context.font = 'bold 13px sans-serif';
      doc.points.forEach(function (p, i) {
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5), outlier = fit && fit.ok && fit.outliers.indexOf(i) >= 0;
        context.strokeStyle = outlier ? '#ff0000' : i === selected ? '#ffff00' : '#00ff00';
        context.lineWidth = 2;
        context.beginPath();
        context.moveTo(s.x - 8, s.y); context.lineTo(s.x + 8, s.y); context.moveTo(s.x, s.y - 8); context.lineTo(s.x, s.y + 8);
        context.stroke();
        if (outlier) { context.beginPath(); context.arc(s.x, s.y, 12, 0, 2 * Math.PI); context.stroke(); }
        context.fillStyle = context.strokeStyle;
        context.fillText(String(i + 1), s.x + 6, s.y - 6);
      });
      if (pending) {
        var s = View.toScreen(view, pending.x + 0.5, pending.y + 0.5);
        context.strokeStyle = '#ffff00';
        context.strokeRect(s.x - 6, s.y - 6, 12, 12);
      }
    };
    return api;
  }

  return { create: create, readInf: readInf };
})();
