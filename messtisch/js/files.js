// Files into the page: a picture, a measurement file or an .INF file, chosen
// with the toolbar's buttons or dropped on the page. The picture is the
// desk's; the other two go to the tab that opens them (its `opens` handler).
// A new picture starts every tab from nothing; its own kept work is offered.
// A picture a tool made in the page from the one shown replaces it without
// a question: the work that made it stays kept under the old picture.
define('Files', ['Desk', 'View', 'Bmp', 'Undo', 'Keep', 'WorkFiles'], function (Desk, View, Bmp, Undo, Keep, WorkFiles) {
  'use strict';

  var $ = Desk.$, state = Desk.state, view = Desk.view;

  // The status line shown before a long read starts: a frame is let through
  // so that it appears before the page is busy.
  function announced(text) {
    Desk.say(text);
    return new Promise(function (resolve) { requestAnimationFrame(function () { setTimeout(resolve, 0); }); });
  }

  function readText(file, open) {
    return announced(file.name + ' wird gelesen …').then(function () { return file.text(); }).then(open);
  }

  // A file goes to the tab that opens files of its name; any other is a picture.
  function openFile(file) {
    var name = file.name, taker = Desk.tabNames().map(Desk.tab).filter(function (t) { return t.opens && t.opens(name); })[0];
    if (taker) return readText(file, function (text) { taker.openText(name, text); });
    return openPicture(file);
  }

  // file: a File, or {name, bytes} of a picture a step on the one shown made
  // (its bytes then become the picture's, uncopied).
  function openPicture(file) {
    var made = !(file instanceof Blob); // a File has bytes() of its own
    if (!made && !Keep.mayReplace(file.name)) { Desk.say(file.name + ' nicht geöffnet; die Arbeit bleibt.'); return Promise.resolve(); }
    var started = performance.now();
    Desk.say(file.name + ' wird geladen …');
    return (made ? Promise.resolve(file.bytes) : file.arrayBuffer()).then(function (buffer) {
      var picture = Bmp.open(buffer);
      if (!picture.ok) { Desk.say(file.name + ': ' + picture.message, true); return; }
      Keep.pictureClosing();
      // a picture chosen from disk is read by the tools from its file there
      if (!made) picture.file = file;
      state.picture = picture;
      state.fileName = file.name;
      state.cursor = null;
      Undo.clear();
      View.setPicture(view, picture);
      $('ablage-hinweis').hidden = true;
      $('buehne').focus();
      Desk.each('pictureOpened', [picture, file.name]);
      Keep.pictureOpened(picture);
      view.bars = null;
      View.draw(view);
      var took = Math.round(performance.now() - started);
      document.body.dataset.bild = picture.width + 'x' + picture.height;
      document.body.dataset.ladezeit = String(took);
      Desk.say(file.name + ' geöffnet: ' + picture.width + ' x ' + picture.height + ' Pixel (' + took + ' ms).');
      Desk.redraw();
    }, function () { Desk.say(file.name + ' konnte nicht gelesen werden.', true); });
  }

  function chosen(open) {
    return function (event) { if (event.target.files[0]) open(event.target.files[0]); event.target.value = ''; };
  }
  $('bild-datei').addEventListener('change', chosen(openPicture));
  $('mess-datei').addEventListener('change', chosen(openFile));
  $('inf-datei').addEventListener('change', chosen(openFile));

  var stage = $('buehne');
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

  WorkFiles.addAction(/\.(bmp|inf|txt)$/i, 'Öffnen', 'im Messtisch öffnen (ein Bild als das gezeigte, eine Mess- oder .INF-Datei in ihrem Reiter)',
    function (name, bytes) { openFile(new File([bytes], name)); });

  return { openFile: openFile, openPicture: openPicture };
});
