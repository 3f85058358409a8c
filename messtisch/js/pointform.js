// The Punkte tab's form: the pixel of the chosen or the clicked point, the
// longitude, latitude and name typed for it, and the reference system (the
// WGS shift and the GPS line) of the whole file.
define('PointForm', [], function () {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };

  // handlers: submit({longitude, latitude, name}), remove(), reference({wgs, gps}).
  function create(handlers) {
    // p: the chosen point (number index) or null; pending: a clicked pixel waiting for its coordinates
    function fill(p, index, pending) {
      $('punkt-pixel').textContent = p ? 'x=' + p.x + ' y=' + p.y + ' (Punkt ' + (index + 1) + ')'
                                       : pending ? 'x=' + pending.x + ' y=' + pending.y + (pending.exact ? ' (Kreuzung bei ' +
                                         pending.exact.x.toFixed(2) + ', ' + pending.exact.y.toFixed(2) + ', gerundet)' : '') + ' (neu)' : '–';
      $('punkt-laenge').value = p ? p.longitude : '';
      $('punkt-breite').value = p ? p.latitude : '';
      $('punkt-name').value = p ? p.name : '';
    }

    function typed() {
      return { longitude: $('punkt-laenge').value.trim(), latitude: $('punkt-breite').value.trim(),
               name: $('punkt-name').value.trim().replace(/\s+/g, '_') };
    }

    $('punkt-form').addEventListener('submit', function (event) {
      event.preventDefault();
      var given = typed();
      if (!given.longitude || !given.latitude) { $('punkt-laenge').focus(); return; }
      if (handlers.submit(given)) $('buehne').focus();
    });
    $('punkt-loeschen').addEventListener('click', function () { handlers.remove(); });

    ['wgs-an', 'wgs-laenge', 'wgs-breite', 'gps-an'].forEach(function (id) {
      $(id).addEventListener('change', function () {
        handlers.reference({ wgs: $('wgs-an').checked ? { longitude: $('wgs-laenge').value.trim(), latitude: $('wgs-breite').value.trim() } : null,
                             gps: $('gps-an').checked });
      });
    });

    // the file's reference system and name as the form shows them
    function showReference(doc, fileName) {
      $('wgs-an').checked = doc.wgs !== null;
      $('wgs-laenge').value = doc.wgs ? doc.wgs.longitude : '0';
      $('wgs-breite').value = doc.wgs ? doc.wgs.latitude : '0';
      $('gps-an').checked = doc.gps;
      $('messdatei-name').value = fileName;
    }

    return { fill: fill, showReference: showReference, coordinateField: function () { return $('punkt-laenge'); } };
  }

  return { create: create };
});
