// The .INF panel's export for GIS programs: passnetz's two files, made from
// the opened picture and .INF file by the program's model (passnetz/model.js).
define('GisExport', [], function () {
  'use strict';

  function filesFor(state) {
    if (!state.inf) return { ok: false, message: 'Zuerst eine .INF-Datei öffnen.' };
    if (!state.picture) return { ok: false, message: 'Zuerst das Bild öffnen, zu dem die .INF-Datei gehört.' };
    return PassnetzModel.exportFiles(state.fileName, state.picture.width, state.picture.height, state.inf.name, state.inf.text);
  }

  // kind 'vrt' or 'points'; download(name, text, type) and say(text, isError) are the page's.
  function save(kind, state, download, say) {
    var files = filesFor(state);
    if (!files.ok) { say(files.message, true); return; }
    var name = kind === 'vrt' ? files.vrtName : files.pointsName;
    download(name, kind === 'vrt' ? files.vrt : files.points, kind === 'vrt' ? 'application/xml' : 'text/plain');
    var system = files.gps ? 'WGS 84 (EPSG:4326)' : 'Potsdam-Datum (EPSG:4314)';
    say(name + ' gespeichert: ' + files.count + ' Passpunkte, ' + system + '.' + (files.warning ? ' ' + files.warning : ''),
        files.warning !== '');
  }

  return { filesFor: filesFor, save: save };
});
