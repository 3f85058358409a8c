// Control points: the pixels clicked on the map with the coordinates typed
// for them. Reading and writing the measurement file, the fits and the .INF
// text all come from MesskartModel, which computes them as messkart does; this
// file keeps the points the user edits, checks each row on its own and
// shows what the model says. The table itself is pointtable.js.
define('Points', ['View', 'Graticule', 'PointCsv', 'PointTable', 'ResidualArrows'], function (View, Graticule, PointCsv, PointTable, ResidualArrows) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  // ---- the model's side ---------------------------------------------------

  var MISSING = 'Der Rechenteil des Messtischs (Ordner messkart/) fehlt: Punkte lassen sich setzen, ' +
                'aber nicht prüfen und nicht als Messdatei speichern.';
  var LARGEST = 9999;          // the header's four columns per size
  var AT_ONCE = 3000;          // more points are fitted in steps, with progress

  function modelThere() { return typeof MesskartModel !== 'undefined'; }

  // The page's points as the measurement file the model writes; coordinates
  // stay as typed, so a packed angle is written packed. Only the points in
  // `used` are written.
  function toModel(doc, used) {
    var lines = doc.comments.map(function (text) { return { kind: 'comment', text: text }; });
    if (doc.wgs) lines.push({ kind: 'wgs', longitude: doc.wgs.longitude, latitude: doc.wgs.latitude });
    if (doc.gps) lines.push({ kind: 'gps' });
    return { width: doc.width, height: doc.height, lines: lines, points: used.map(function (i) { return doc.points[i]; }) };
  }

  function fromModel(model) {
    var doc = { width: model.width, height: model.height, comments: [], wgs: null, gps: false, points: [] };
    model.lines.forEach(function (line) {
      if (line.kind === 'comment') doc.comments.push(line.text);
      else if (line.kind === 'wgs') doc.wgs = { longitude: line.longitude, latitude: line.latitude };
      else if (line.kind === 'gps') doc.gps = true;
      else if (line.kind === 'data') {
        var p = { x: Number(line.x), y: Number(line.y), longitude: line.longitude, latitude: line.latitude,
                  name: line.name || '', off: false };
        doc.points.push(p);
        line.x = p.x; line.y = p.y;
        checked.set(p, line); // the reader took the line: its fields are good as they stand

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

  // Rows already found good, with the fields they were found good with: a
  // long file is not checked again at every change.
  var checked = new WeakMap();

  function rememberGood(p) { checked.set(p, { x: p.x, y: p.y, longitude: p.longitude, latitude: p.latitude }); }

  function rowProblem(p) {
    var good = checked.get(p);
    if (good && good.x === p.x && good.y === p.y && good.longitude === p.longitude && good.latitude === p.latitude) return null;
    var problem = fieldProblem(p);
    if (!problem) rememberGood(p);
    return problem;
  }

  // What is wrong with one row, or null: each field as the measurement file
  // reads it.
  function fieldProblem(p) {
    var angle = function (label, kind, text) {
      if (MesskartModel.fieldReads(kind, text)) return null;
      if (text === '') return label + ' fehlt';
      if (MesskartModel.fieldReads('longitude', text)) return 'Breite „' + text + '“ liegt jenseits des Pols';
      return label + ' „' + text + '“ ist kein Winkel der Messdatei' +
        (text.indexOf(',') >= 0 ? ' (Dezimalpunkt statt Komma)' : ' (dezimal mit Punkt wie 13.0 oder gepackt wie 132436)');
    };
    return angle('Länge', 'longitude', p.longitude) || angle('Breite', 'latitude', p.latitude) ||
      (MesskartModel.fieldReads('integer', String(p.x)) && MesskartModel.fieldReads('integer', String(p.y)) ? null
        : 'x und y müssen ganze Pixel sein');
  }

  // ---- the panel ------------------------------------------------------------

  function create(state, callbacks) {
    var doc = { width: 0, height: 0, comments: [], wgs: null, gps: false, points: [] };
    var selected = -1, pending = null, evaluation = null, fileName = 'KARTE.TXT', round = 0;
    var api = { onSave: null, remember: function () {} };
    var table = PointTable.create($('punkt-tabelle'), {
      select: function (i) { select(i); if (callbacks.focus) callbacks.focus(doc.points[i]); },
      edit: edit, switchOff: switchOff
    });

    // Checks every row, writes the file of the good rows that are switched on
    // and fits it: at once for a few thousand points, in steps beyond.
    function evaluate() {
      round++;
      if (!modelThere()) {
        evaluation = { text: '', rows: [], used: [], fit: { ok: false, message: MISSING } };
        show();
        callbacks.changed();
        return;
      }
      var rows = doc.points.map(rowProblem), used = [];
      doc.points.forEach(function (p, i) { if (!p.off && !rows[i]) used.push(i); });
      var text = MesskartModel.writeMeasurementFile(toModel(doc, used));
      evaluation = { text: text, rows: rows, used: used, fit: null,
                     tooBig: doc.width > LARGEST || doc.height > LARGEST };
      if (used.length <= AT_ONCE) {
        evaluation.fit = fitted(MesskartModel.calibrate(text));
      } else {
        fitInSteps(MesskartModel.calibration(text), round);
      }
      show();
      callbacks.changed();
    }

    function fitInSteps(job, mine) {
      var result = job.step(2000);
      if (mine !== round) return;
      if (result) { evaluation.fit = fitted(result); show(); callbacks.changed(); return; }
      $('ausgleich').textContent = 'Ausgleich wird berechnet … ' + Math.floor(job.progress() * 100) + ' %';
      setTimeout(function () { fitInSteps(job, mine); }, 0);
    }

    // The fit with its residuals and outliers by the points' own numbers.
    function fitted(fit) {
      if (!fit.ok) return fit;
      var byPoint = {}, used = evaluation.used;
      fit.residuals.forEach(function (r, k) { byPoint[used[k]] = r; });
      return Object.assign({}, fit, { byPoint: byPoint, outliers: fit.outliers.map(function (k) { return used[k]; }) });
    }

    function residualOf(i) {
      var fit = evaluation && evaluation.fit;
      return fit && fit.ok ? fit.byPoint[i] || null : null;
    }

    function paragraph(box, text, className) {
      var p = document.createElement('p');
      p.textContent = text;
      if (className) p.className = className;
      box.appendChild(p);
      return p;
    }

    function sizeMessage() {
      return 'Das Bild ist ' + doc.width + ' x ' + doc.height + ' Pixel groß. Die Messdatei und das Format des ' +
        'Kartenbetrachters fassen höchstens 9999 Pixel in jeder Richtung; messkart läse hier falsche Werte. ' +
        'Verkleinern Sie den Scan oder zerschneiden Sie ihn in Blätter von höchstens 9999 x 9999 Pixeln. ' +
        'Bis dahin wird keine Messdatei gespeichert.';
    }

    function show() {
      var fit = evaluation.fit;
      table.show(doc.points, { selected: selected, rows: evaluation.rows, residualOf: residualOf,
                               outliers: fit && fit.ok ? fit.outliers : [] });
      var box = $('ausgleich');
      box.textContent = '';
      if (evaluation.tooBig) paragraph(box, sizeMessage(), 'fehler').id = 'zu-gross';
      evaluation.rows.forEach(function (problem, i) {
        if (problem) paragraph(box, 'Punkt ' + (i + 1) + ': ' + problem + '. Der Punkt bleibt beim Ausgleich außen vor.', 'fehler fehlerhaft-hinweis');
      });
      var off = doc.points.filter(function (p) { return p.off; }).length;
      if (off) paragraph(box, off + (off === 1 ? ' Punkt ist' : ' Punkte sind') + ' ausgeschaltet: nicht im Ausgleich und nicht in der Messdatei.');
      if (!fit) {
        paragraph(box, 'Ausgleich wird berechnet …');
      } else if (fit.ok) {
        paragraph(box, 'Streuung (RMS): x ' + fit.rmsX.toFixed(2) + ', y ' + fit.rmsY.toFixed(2) + ', zusammen ' +
          fit.rms.toFixed(2) + ' Pixel.').id = 'streuung';
        if (!evaluation.tooBig) {
          paragraph(box, 'So schreibt messkart die .INF-Datei:');
          var pre = document.createElement('pre');
          pre.id = 'inf-vorschau';
          pre.textContent = fit.infText.replace(/\r\n/g, '\n');
          box.appendChild(pre);
        }
        fit.outliers.forEach(function (i) {
          paragraph(box, 'Punkt ' + (i + 1) + (doc.points[i].name ? ' (' + doc.points[i].name + ')' : '') +
            ' weicht viel stärker ab als die anderen: Tippfehler in den Koordinaten oder falsch geklickt?', 'fehler ausreisser-hinweis');
        });
      } else {
        paragraph(box, fit.message, 'fehler');
      }
      paragraph(box, evaluation.used.length < 4
        ? 'Ab vier Punkten prüft der Messtisch auf Ausreißer; mit ' + evaluation.used.length + ' Punkten noch nicht.'
        : 'Ausreißerprüfung: Rot wird der Punkt markiert, ohne den die übrigen am besten passen, wenn er von deren ' +
          'Ausgleichsgeraden mehr als 5 Pixel und mehr als fünfmal so weit abliegt wie sie im Mittel (RMS).', 'regel').id = 'ausreisser-regel';
      $('messdatei-text').textContent = evaluation.tooBig ? '' : fileShown(evaluation.text);
    }

    // The measurement file as shown: a long one up to its first few thousand
    // lines, which is all a reader looks at and all the page can lay out quickly.
    function fileShown(text) {
      var end = -1;
      for (var n = 0; n < PointTable.SHOWN + 8; n++) {
        end = text.indexOf('\r\n', end + 1);
        if (end < 0) return text.replace(/\r\n/g, '\n');
      }
      return text.slice(0, end).replace(/\r\n/g, '\n') + '\n…';
    }

    function fillForm() {
      var p = selected >= 0 ? doc.points[selected] : null;
      $('punkt-pixel').textContent = p ? 'x=' + p.x + ' y=' + p.y + ' (Punkt ' + (selected + 1) + ')'
                                       : pending ? 'x=' + pending.x + ' y=' + pending.y + (pending.exact ? ' (Kreuzung bei ' +
                                         pending.exact.x.toFixed(2) + ', ' + pending.exact.y.toFixed(2) + ', gerundet)' : '') + ' (neu)' : '–';
      $('punkt-laenge').value = p ? p.longitude : '';
      $('punkt-breite').value = p ? p.latitude : '';
      $('punkt-name').value = p ? p.name : '';
    }

    function select(i) {
      selected = i;
      pending = null;
      fillForm();
      table.mark(selected);
      callbacks.changed();
    }

    // A cell edited in place: field is x, y, longitude, latitude or name.
    function edit(i, field, text) {
      var p = doc.points[i], value = text.trim();
      if (field === 'name') value = value.replace(/\s+/g, '_');
      if (field === 'x' || field === 'y') {
        if (!/^-?\d+$/.test(value)) { show(); callbacks.say('x und y müssen ganze Pixel sein.', true); return; }
        value = Number(value);
      }
      if (p[field] === value) return;
      api.remember();
      p[field] = value;
      if (field === 'x' || field === 'y') delete p.exact; // typed over: the found position no longer holds
      fillForm();
      evaluate();
    }

    function switchOff(i, off) {
      api.remember();
      doc.points[i].off = off;
      evaluate();
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
        var added = { x: pending.x, y: pending.y, longitude: typed.longitude, latitude: typed.latitude, name: typed.name, off: false };
        if (pending.exact) added.exact = { x: pending.exact.x, y: pending.exact.y };
        doc.points.push(added);
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

    // Why the measurement file cannot be saved now, or null.
    function refusal() {
      if (!evaluation || !modelThere()) return MISSING;
      if (evaluation.tooBig) return sizeMessage();
      var bad = [];
      evaluation.rows.forEach(function (problem, i) { if (problem) bad.push(i + 1); });
      if (bad.length) {
        return 'Messdatei nicht gespeichert: ' + (bad.length === 1 ? 'Punkt ' : 'die Punkte ') + bad.join(', ') +
          (bad.length === 1 ? ' ist' : ' sind') + ' fehlerhaft. Bitte berichtigen, ausschalten oder löschen.';
      }
      return null;
    }

    $('messdatei-speichern').addEventListener('click', function () {
      var why = refusal();
      if (why) { callbacks.say(why, true); return; }
      if (api.onSave) api.onSave($('messdatei-name').value.trim() || fileName, evaluation.text);
    });

    $('csv-speichern').addEventListener('click', function () {
      if (api.onSave) api.onSave(fileName.replace(/\.[^.]*$/, '') + '.csv', '\ufeff' + PointCsv.write(doc.points, residualOf));
    });

    function showReference() {
      $('wgs-an').checked = doc.wgs !== null;
      $('wgs-laenge').value = doc.wgs ? doc.wgs.longitude : '0';
      $('wgs-breite').value = doc.wgs ? doc.wgs.latitude : '0';
      $('gps-an').checked = doc.gps;
      $('messdatei-name').value = fileName;
    }

    function replaced(newDoc, name) {
      doc = newDoc;
      if (state.picture) { doc.width = state.picture.width; doc.height = state.picture.height; }
      if (name) fileName = name;
      selected = -1;
      pending = null;
      showReference();
      fillForm();
      evaluate();
    }

    api.save = function () { return JSON.parse(JSON.stringify({ doc: doc, fileName: fileName })); };
    api.restore = function (saved) { fileName = saved.fileName; replaced(saved.doc); };
    api.pictureChanged = function (picture, name) {
      doc.width = picture.width;
      doc.height = picture.height;
      // named as the picture, letter for letter: messkart's .INF file then
      // bears the picture's name, under which the viewer looks for it
      fileName = name.replace(/\.[^.]*$/, '') + '.TXT';
      showReference();
      evaluate();
    };
    api.load = function (name, text) {
      if (!modelThere()) return MISSING;
      var read = MesskartModel.readMeasurementFile(text);
      if (!read.ok) return name + ': ' + read.message;
      api.remember();
      replaced(fromModel(read.model), name);
      return null;
    };
    api.loadCsv = function (name, text) {
      var read = PointCsv.read(text);
      if (!read.ok) return name + ': ' + read.message;
      api.remember();
      var next = JSON.parse(JSON.stringify(doc));
      next.points = read.points;
      replaced(next);
      return null;
    };
    api.clicked = function (point) {
      selected = -1;
      pending = point;
      fillForm();
      table.mark(-1);
      $('punkt-laenge').focus();
    };
    api.count = function () { return doc.points.length; };
    api.positions = function () { return doc.points; };
    // points found by the desk, taken as one change: [{x, y, longitude, latitude, name, exact}]
    api.add = function (list) {
      if (!list.length) return;
      api.remember();
      list.forEach(function (p) { p.off = false; doc.points.push(p); });
      selected = -1;
      fillForm();
      evaluate();
    };
    api.move = function (i, point) { doc.points[i].x = point.x; doc.points[i].y = point.y; delete doc.points[i].exact; fillForm(); evaluate(); };
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
        if (!fit.grid) fit.grid = Graticule.lines(fit.mapping, view.picture.width, view.picture.height);
        Graticule.draw(context, view, fit.grid, '#00a000');
      }
      if (fit && fit.ok) ResidualArrows.draw(context, view, doc.points, residualOf);
      var width = view.canvas.width, height = view.canvas.height;
      context.font = 'bold 13px sans-serif';
      doc.points.forEach(function (p, i) {
        var s = View.toScreen(view, p.x + 0.5, p.y + 0.5);
        if (s.x < -20 || s.y < -20 || s.x > width + 20 || s.y > height + 20) return;
        var outlier = fit && fit.ok && fit.outliers.indexOf(i) >= 0, bad = evaluation.rows[i];
        context.strokeStyle = outlier ? '#ff0000' : i === selected ? '#ffff00' : p.off ? '#a0a0a0' : bad ? '#ffa000' : '#00ff00';
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
});
