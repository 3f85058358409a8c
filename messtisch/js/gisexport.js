// The .INF panel's export for GIS programs: passnetz itself, run in the page
// on the opened picture and .INF file, writes the GeoTIFF, the GDAL-VRT and
// the QGIS control points; one run serves all three buttons until the
// picture or the .INF file changes.
define('GisExport', ['ToolStep', 'ToolConsole'], function (ToolStep, ToolConsole) {
  'use strict';

  var made = null; // {picture, inf, files} of the last run that wrote its files

  function replaceExtension(name, extension) {
    var dot = name.lastIndexOf('.'), slash = Math.max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
    return (dot > slash ? name.slice(0, dot) : name) + extension;
  }

  function namesFor(pictureName) {
    return { tif: replaceExtension(pictureName, '.tif'), vrt: replaceExtension(pictureName, '.vrt'), points: pictureName + '.points' };
  }

  // state {picture, fileName, inf}; box: where the run is shown. Resolves to
  // {ok, names, files, count, gps, warning} or {ok: false, message}.
  function filesFor(state, box) {
    if (!state.inf) return Promise.resolve({ ok: false, message: 'Zuerst eine .INF-Datei öffnen.' });
    if (!state.picture) return Promise.resolve({ ok: false, message: 'Zuerst das Bild öffnen, zu dem die .INF-Datei gehört.' });
    if (made && made.picture === state.picture && made.inf === state.inf) return Promise.resolve(made.outcome);
    var names = namesFor(state.fileName), files = {};
    files[state.fileName] = state.picture.bytes;
    files[state.inf.name] = new TextEncoder().encode(state.inf.text);
    return ToolStep.run(box, 'passnetz', [state.fileName, state.inf.name], files, names.vrt).then(function (step) {
      if (!step.ok) return { ok: false, message: step.message, shown: true };
      var outcome = Object.assign({ ok: true, names: names, files: step.result.files }, ToolConsole.passnetzSummary(step.result.console));
      made = { picture: state.picture, inf: state.inf, outcome: outcome };
      return outcome;
    });
  }

  // kind 'tif', 'vrt' or 'points'; download(name, bytes, type) and say(text, isError) are the page's.
  function save(kind, state, box, download, say) {
    return filesFor(state, box).then(function (files) {
      if (!files.ok) { if (!files.shown) say(files.message, true); return; }
      var name = files.names[kind];
      download(name, files.files[name], { tif: 'image/tiff', vrt: 'application/xml', points: 'text/plain' }[kind]);
      var system = files.gps ? 'WGS 84 (EPSG:4326)' : 'Potsdam-Datum (EPSG:4314)';
      say(name + ' gespeichert: ' + files.count + ' Passpunkte, ' + system + '.' + (files.warning ? ' ' + files.warning : ''),
          files.warning !== '');
    });
  }

  return { filesFor: filesFor, save: save };
});
