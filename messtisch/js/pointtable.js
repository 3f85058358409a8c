// The control-point table: one row a point, cells edited in place, a switch
// per point that keeps it out of the fit and the file without deleting it,
// the residuals, sorting by residual. A long file shows its first rows only,
// so that the page stays quick.
define('PointTable', [], function () {
  'use strict';

  var SHOWN = 2000;

  // handlers: select(i), edit(i, field, text), switchOff(i, off).
  function create(table, handlers) {
    var body = table.tBodies[0], byResidual = false, last = null;

    function cell(row, text, field) {
      var td = document.createElement('td');
      td.textContent = text;
      if (field) td.dataset.feld = field; // made editable when clicked: thousands of editable cells cost seconds
      row.appendChild(td);
      return td;
    }

    function order(points, residualOf) {
      var list = points.map(function (p, i) { return i; });
      if (byResidual) {
        var size = function (i) { var r = residualOf(i); return r ? r.distance : -1; };
        list.sort(function (a, b) { return size(b) - size(a) || a - b; });
      }
      return list;
    }

    function show(points, options) {
      last = { points: points, options: options };
      body.textContent = '';
      var list = order(points, options.residualOf);
      list.slice(0, SHOWN).forEach(function (i) {
        var p = points[i], r = options.residualOf(i), row = document.createElement('tr');
        row.dataset.punkt = String(i);
        row.tabIndex = 0; // Tab reaches the rows, Eingabe chooses one
        if (i === options.selected) row.classList.add('gewaehlt');
        if (options.outliers.indexOf(i) >= 0) row.classList.add('ausreisser');
        if (options.rows[i]) { row.classList.add('fehlerhaft'); row.title = options.rows[i]; }
        if (p.off) row.classList.add('aus');
        if (p.exact && !options.rows[i]) row.title = 'Kreuzung gefunden bei x=' + p.exact.x.toFixed(2) + ' y=' + p.exact.y.toFixed(2) + ', halb-gerade gerundet';
        var on = document.createElement('input');
        on.type = 'checkbox';
        on.checked = !p.off;
        on.title = 'Punkt im Ausgleich und in der Messdatei';
        on.setAttribute('aria-label', 'Punkt ' + (i + 1) + ' verwenden');
        on.addEventListener('change', function () { handlers.switchOff(i, !on.checked); });
        cell(row, '').appendChild(on);
        cell(row, String(i + 1));
        cell(row, String(p.x), 'x'); cell(row, String(p.y), 'y');
        cell(row, p.longitude, 'longitude'); cell(row, p.latitude, 'latitude'); cell(row, p.name, 'name');
        cell(row, r ? r.dx.toFixed(1) : ''); cell(row, r ? r.dy.toFixed(1) : ''); cell(row, r ? r.distance.toFixed(1) : '');
        body.appendChild(row);
      });
      if (points.length > SHOWN) {
        var note = document.createElement('tr'), td = document.createElement('td');
        td.colSpan = 10;
        td.className = 'hinweis';
        td.textContent = 'Die Tabelle zeigt die ersten ' + SHOWN + ' von ' + points.length + ' Punkten; gerechnet wird mit allen.';
        note.appendChild(td);
        body.appendChild(note);
      }
      var head = table.querySelector('th[data-sortieren]');
      head.setAttribute('aria-sort', byResidual ? 'descending' : 'none');
      head.textContent = byResidual ? 'Abst.▼' : 'Abst.';
    }

    function mark(selected) {
      body.querySelectorAll('tr[data-punkt]').forEach(function (row) {
        row.classList.toggle('gewaehlt', Number(row.dataset.punkt) === selected);
      });
    }

    function rowOf(node) {
      var row = node.closest && node.closest('tr[data-punkt]');
      return row ? Number(row.dataset.punkt) : -1;
    }

    function startEditing(td) {
      td.contentEditable = 'true';
      td.spellcheck = false;
      td.focus();
      var range = document.createRange();
      range.selectNodeContents(td);
      window.getSelection().removeAllRanges();
      window.getSelection().addRange(range);
    }

    body.addEventListener('click', function (event) {
      var i = rowOf(event.target), td = event.target;
      if (i < 0 || td.tagName === 'INPUT') return;
      if (td.dataset && td.dataset.feld && td.contentEditable !== 'true') startEditing(td);
      handlers.select(i);
    });
    body.addEventListener('focusout', function (event) {
      var td = event.target, i = rowOf(td);
      if (i < 0 || !td.dataset || !td.dataset.feld || td.contentEditable !== 'true') return;
      td.contentEditable = 'false';
      handlers.edit(i, td.dataset.feld, td.textContent);
    });
    body.addEventListener('keydown', function (event) {
      var td = event.target;
      if (td.tagName === 'TR' && event.key === 'Enter') { handlers.select(rowOf(td)); return; }
      if (!td.dataset || !td.dataset.feld) return;
      if (event.key === 'Enter') { event.preventDefault(); td.blur(); }
      if (event.key === 'Escape') { td.contentEditable = 'false'; show(last.points, last.options); event.stopPropagation(); }
    });
    table.querySelector('th[data-sortieren]').addEventListener('click', function () {
      byResidual = !byResidual;
      if (last) show(last.points, last.options);
    });

    return { show: show, mark: mark };
  }

  return { create: create, SHOWN: SHOWN };
});
