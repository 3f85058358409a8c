// Control points: the pixels clicked on the map with the coordinates typed
// for them, as the user edits them, and what the page does with them. Each
// part has a file of its own: the rows as the measurement file and back
// (pointrows.js), the fit by messkart compiled for the page (pointfit.js), the table (pointtable.js), the
// form (pointform.js), the report below the table (pointreport.js), the marks
// on the picture (pointmarks.js) and CSV (pointcsv.js).
define('Points', ['PointRows', 'PointFit', 'PointTable', 'PointForm', 'PointReport', 'PointMarks', 'PointCsv', 'MesskartReport', 'PageTools'],
       function (PointRows, PointFit, PointTable, PointForm, PointReport, PointMarks, PointCsv, MesskartReport, PageTools) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  function emptyDoc(width, height) { return { width: width, height: height, comments: [], wgs: null, gps: false, points: [] }; }

  function create(state, callbacks) {
    var doc = emptyDoc(0, 0);
    var selected = -1, pending = null, fileName = 'KARTE.TXT';
    var api = { onSave: null, remember: function () {} };
    // #ausgleich is busy from a change until the fit of the newest rows is in
    var fit = PointFit.create(function () { $('ausgleich').removeAttribute('aria-busy'); show(); callbacks.changed(); });
    var table = PointTable.create($('punkt-tabelle'), {
      select: function (i) { select(i); if (callbacks.focus) callbacks.focus(doc.points[i]); },
      edit: edit, switchOff: function (i, off) { api.remember(); doc.points[i].off = off; evaluate(); }
    });
    var form = PointForm.create({ submit: submit, remove: function () { api.deleteSelected(); }, reference: referenceChanged });

    // the rows at once, and kept at once (a page closed before the fit is in
    // keeps them); the fit of them when its run is in
    function evaluate() {
      $('ausgleich').setAttribute('aria-busy', 'true');
      fit.evaluate(doc);
      show();
      callbacks.changed();
    }

    function show() {
      var evaluation = fit.current(), result = evaluation && evaluation.fit;
      if (!evaluation) return;
      table.show(doc.points, { selected: selected, rows: evaluation.rows, residualOf: fit.residualOf,
                               outliers: result && result.ok ? result.outliers : [] });
      PointReport.show(doc, evaluation);
    }

    function fillForm() { form.fill(selected >= 0 ? doc.points[selected] : null, selected, pending); }

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

    // The form's coordinates for the chosen point or the clicked one; false when there is neither.
    function submit(typed) {
      if (selected < 0 && !pending) return false;
      api.remember();
      if (selected >= 0) {
        Object.assign(doc.points[selected], typed);
      } else {
        var added = { x: pending.x, y: pending.y, longitude: typed.longitude, latitude: typed.latitude, name: typed.name, off: false };
        if (pending.exact) added.exact = { x: pending.exact.x, y: pending.exact.y };
        doc.points.push(added);
        pending = null;
      }
      selected = -1;
      fillForm();
      evaluate();
      return true;
    }

    function referenceChanged(reference) {
      api.remember();
      doc.wgs = reference.wgs;
      doc.gps = reference.gps;
      evaluate();
    }

    // Why the measurement file cannot be saved now, or null.
    function refusal(evaluation) {
      if (evaluation.unchecked) return evaluation.fit.message;
      if (evaluation.tooBig) return PointReport.sizeMessage(doc);
      var bad = [];
      evaluation.rows.forEach(function (problem, i) { if (problem) bad.push(i + 1); });
      if (bad.length) {
        return 'Messdatei nicht gespeichert: ' + (bad.length === 1 ? 'Punkt ' : 'die Punkte ') + bad.join(', ') +
          (bad.length === 1 ? ' ist' : ' sind') + ' fehlerhaft. Bitte berichtigen, ausschalten oder löschen.';
      }
      return null;
    }

    // the file of the newest evaluation, once its run is in
    $('messdatei-speichern').addEventListener('click', function () {
      fit.settled().then(function (evaluation) {
        var why = refusal(evaluation);
        if (why) { callbacks.say(why, true); return; }
        if (api.onSave) api.onSave($('messdatei-name').value.trim() || fileName, evaluation.text);
      });
    });

    $('csv-speichern').addEventListener('click', function () {
      if (api.onSave) api.onSave(fileName.replace(/\.[^.]*$/, '') + '.csv', '\ufeff' + PointCsv.write(doc.points, fit.residualOf));
    });

    // "Alle Punkte mit Abstand über N Pixel ausschalten"
    $('aus-ueber-knopf').addEventListener('click', function () {
      var typed = $('aus-ueber').value.trim(), text = typed.replace(',', '.');
      if (!/^\d+(\.\d*)?$/.test(text)) { callbacks.say('„' + typed + '“ ist keine Zahl von Pixeln.', true); return; }
      var n = api.switchOffAbove(Number(text));
      callbacks.say(n ? (n === 1 ? '1 Punkt' : n + ' Punkte') + ' mit Abstand über ' + typed + ' Pixel ausgeschaltet.'
                      : 'Kein eingeschalteter Punkt liegt weiter als ' + typed + ' Pixel ab.');
    });

    function replaced(newDoc, name) {
      doc = newDoc;
      if (state.picture) { doc.width = state.picture.width; doc.height = state.picture.height; }
      if (name) fileName = name;
      selected = -1;
      pending = null;
      form.showReference(doc, fileName);
      fillForm();
      evaluate();
    }

    api.save = function () { return JSON.parse(JSON.stringify({ doc: doc, fileName: fileName })); };
    api.restore = function (saved) { fileName = saved.fileName; replaced(saved.doc); };
    // Another picture: its points start from nothing, named as the picture,
    // letter for letter: messkart's .INF file then bears the picture's name,
    // under which the viewer looks for it.
    api.pictureChanged = function (picture, name) {
      replaced(emptyDoc(picture.width, picture.height), name.replace(/\.[^.]*$/, '') + '.TXT');
    };
    // A measurement file read by messkart's reader; a Promise of the message
    // why it could not be taken, or of null.
    api.load = function (name, text) {
      var job = MesskartReport.job(text, false);
      return PageTools.run(job.tool, job.args, job.files).then(function (result) {
        var read = MesskartReport.read(result);
        if (!read.read) return name + ': ' + read.message;
        api.remember();
        replaced(PointRows.fromReport(read), name);
        return null;
      }, function (error) { return String(error && error.message || error); });
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
      form.coordinateField().focus();
    };
    // the field the coordinates of a clicked point are typed into, while it waits for them
    api.waitingField = function () { return pending ? form.coordinateField() : null; };
    api.count = function () { return doc.points.length; };
    api.positions = function () { return doc.points; };
    // the fit of the points switched on, while there is one: {rms, pixelOf, ...} or null
    api.fit = function () { var e = fit.current(), result = e && e.fit; return result && result.ok ? result : null; };
    // points found by the desk, taken as one change: [{x, y, longitude, latitude, name, exact}]
    api.add = function (list) {
      if (!list.length) return;
      api.remember();
      list.forEach(function (p) { p.off = false; doc.points.push(p); });
      selected = -1;
      fillForm();
      evaluate();
    };
    // Every point switched on that lies more than limit pixels from the fit
    // switched off, as one change; how many.
    api.switchOffAbove = function (limit) {
      var far = [];
      doc.points.forEach(function (p, i) { var r = fit.residualOf(i); if (!p.off && r && r.distance > limit) far.push(i); });
      if (!far.length) return 0;
      api.remember();
      far.forEach(function (i) { doc.points[i].off = true; });
      evaluate();
      return far.length;
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
      PointMarks.draw(context, view, { points: doc.points, evaluation: fit.current(), selected: selected, pending: pending,
                                       residualOf: fit.residualOf, showGrid: showGrid });
    };
    return api;
  }

  return { create: create, readInf: PointRows.readInf };
});
