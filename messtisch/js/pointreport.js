// What the Punkte tab says below the table: rows that the file cannot take,
// points switched off, the spread of the fit and messkart's .INF text, the
// outliers and the rule that finds them, and the measurement file itself.
define('PointReport', ['PointTable'], function (PointTable) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  function paragraph(box, text, className) {
    var p = document.createElement('p');
    p.textContent = text;
    if (className) p.className = className;
    box.appendChild(p);
    return p;
  }

  function sizeMessage(doc) {
    return 'Das Bild ist ' + doc.width + ' x ' + doc.height + ' Pixel groß. Die Messdatei und das Format des ' +
      'Kartenbetrachters fassen höchstens 9999 Pixel in jeder Richtung; messkart läse hier falsche Werte. ' +
      'Verkleinern Sie den Scan oder zerschneiden Sie ihn in Blätter von höchstens 9999 x 9999 Pixeln. ' +
      'Bis dahin wird keine Messdatei gespeichert.';
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

  // doc: the points (points.js); evaluation: the fit's (pointfit.js).
  function show(doc, evaluation) {
    var fit = evaluation.fit, box = $('ausgleich');
    box.textContent = '';
    if (evaluation.tooBig) paragraph(box, sizeMessage(doc), 'fehler').id = 'zu-gross';
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

  return { show: show, sizeMessage: sizeMessage };
});
