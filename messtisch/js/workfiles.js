// The files of this page session: every file a tool wrote in the page and
// every file the page saved, each kept under its name with where it came
// from, in the Dateien panel to save any or all of them, or to do with one
// what another part of the page offers for files of its name (open it, run
// the next tool on it: addAction). The list
// outlives a change of picture, so that a chain's files stay together; it
// lives in memory only and ends with the page.
define('WorkFiles', ['Desk'], function (Desk) {
  'use strict';

  var $ = Desk.$;
  var files = [];  // {name, bytes, origin}, in the order made
  var actions = [];  // {pattern, label, title, act(name, bytes)}

  function find(name) { return files.filter(function (f) { return f.name === name; })[0] || null; }

  // A file made anew replaces the one of the same name.
  function add(name, bytes, origin) {
    var old = find(name);
    if (old) files.splice(files.indexOf(old), 1);
    files.push({ name: name, bytes: bytes, origin: origin || '' });
    show();
  }

  function same(a, b) {
    if (a.length !== b.length) return false;
    for (var i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
    return true;
  }

  function get(name) { var f = find(name); return f ? f.bytes : null; }
  function names() { return files.map(function (f) { return f.name; }); }

  function typeOf(name) {
    return /\.bmp$/i.test(name) ? 'image/bmp' : /\.tif$/i.test(name) ? 'image/tiff' : /\.vrt$/i.test(name) ? 'application/xml' : 'text/plain';
  }

  var saving = false; // a file of the list is being saved: it is in the list already

  function save(name) {
    var f = find(name);
    if (!f) return;
    saving = true;
    try { Desk.download(f.name, f.bytes, typeOf(f.name)); } finally { saving = false; }
  }

  // What the page saves of its own (a measurement file, a picture with bars) joins the list.
  Desk.on('download', function (name, blob) {
    if (saving) return;
    blob.arrayBuffer().then(function (buffer) {
      var bytes = new Uint8Array(buffer), old = find(name);
      if (!old || !same(old.bytes, bytes)) add(name, bytes, 'im Messtisch gespeichert');
    });
  });

  function sizeText(bytes) {
    var n = bytes.length;
    return n < 10240 ? n + ' Byte' : n < 10485760 ? Math.round(n / 1024) + ' KiB' : Math.round(n / 1048576) + ' MiB';
  }

  function button(text, title, action) {
    var b = document.createElement('button');
    b.textContent = text;
    b.title = title;
    b.addEventListener('click', action);
    return b;
  }

  function show() {
    var body = $('dateien-liste').tBodies[0];
    body.textContent = '';
    $('dateien-leer').hidden = files.length > 0;
    $('dateien-alle').disabled = files.length === 0;
    files.forEach(function (f) {
      var row = body.insertRow();
      row.dataset.datei = f.name;
      row.insertCell().textContent = f.name;
      row.insertCell().textContent = sizeText(f.bytes);
      row.insertCell().textContent = f.origin;
      var cell = row.insertCell();
      cell.appendChild(button('Speichern…', f.name + ' speichern', function () { save(f.name); }));
      actions.forEach(function (a) {
        if (a.pattern.test(f.name)) cell.appendChild(button(a.label, a.title, function () { a.act(f.name, f.bytes); }));
      });
    });
  }

  // A button for every listed file whose name matches pattern.
  function addAction(pattern, label, title, act) {
    actions.push({ pattern: pattern, label: label, title: title, act: act });
    show();
  }

  $('dateien-alle').addEventListener('click', function () { files.forEach(function (f) { save(f.name); }); });

  return { add: add, get: get, names: names, save: save, addAction: addAction };
});
