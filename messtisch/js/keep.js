// Keeping an evening's work: after every change the work on the picture
// (bars, points, latitudes, the tab in front) is stored in the browser under
// a fingerprint of the picture's bytes, and offered back when the same
// picture is opened again. Work not yet saved to a file is not thrown away
// by a reload or by opening another picture without a question.
define('Keep', ['Desk'], function (Desk) {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  var PREFIX = 'messtisch-arbeit:';
  var key = null, unsaved = false, pendingStore = false, warned = false, offering = false;

  // FNV-1a over the size, the header and 4096 samples of 16 bytes spread
  // over the file: a few milliseconds even for several hundred megabytes.
  function fingerprint(bytes) {
    var hash = 0x811c9dc5, n = bytes.length;
    function mix(value) { hash = Math.imul(hash ^ (value & 0xff), 16777619) >>> 0; }
    for (var s = 0; s < 4; s++) mix(n >>> (8 * s));
    for (var i = 0; i < Math.min(n, 54); i++) mix(bytes[i]);
    var samples = 4096, stride = Math.max(16, Math.floor(n / samples));
    for (var at = 0; at < n; at += stride) for (var j = at; j < Math.min(n, at + 16); j++) mix(bytes[j]);
    return n.toString(16) + '-' + hash.toString(16);
  }

  function hasWork() {
    return Desk.tabNames().some(function (name) { return Desk.tab(name).hasWork && Desk.tab(name).hasWork(); });
  }

  function work() {
    return { name: state.fileName, width: state.picture.width, height: state.picture.height, tab: state.tab,
             bars: Desk.tab('balken').save(), points: Desk.tab('punkte').save(),
             latitudes: [$('bg-unten').value, $('bg-oben').value], stored: new Date().toISOString() };
  }

  var MOST_POINTS = 20000; // more would not fit the browser's few megabytes

  // The work of other pictures, oldest first.
  function othersByAge() {
    var others = [];
    for (var i = 0; i < localStorage.length; i++) {
      var name = localStorage.key(i);
      if (name.indexOf(PREFIX) !== 0 || name === key) continue;
      var stored = '';
      try { stored = JSON.parse(localStorage.getItem(name)).stored; } catch (e) { stored = ''; }
      others.push({ name: name, stored: stored });
    }
    return others.sort(function (a, b) { return a.stored < b.stored ? -1 : a.stored > b.stored ? 1 : 0; });
  }

  // An older state of the work is not offered later as if it were the last.
  function tooLarge() {
    localStorage.removeItem(key);
    if (!warned) Desk.say('Die Arbeit ist zu groß für den Speicher des Browsers; bitte als Datei speichern.', true);
    warned = true;
  }

  // Stores the work; when the storage is full, the work of other pictures
  // goes, oldest first.
  function store() {
    pendingStore = false;
    // while the kept work is offered, it is not overwritten
    if (!key || !state.picture || offering) return;
    if (!hasWork()) { localStorage.removeItem(key); return; }
    if (Desk.tab('punkte').count() > MOST_POINTS) { tooLarge(); return; }
    var text = JSON.stringify(work()), others = null;
    for (;;) {
      try {
        localStorage.setItem(key, text);
        return;
      } catch (e) {
        others = others || othersByAge();
        if (!others.length) { tooLarge(); return; }
        localStorage.removeItem(others.shift().name);
      }
    }
  }

  // Coalesces the changes of one event into one write.
  function later() {
    if (key && !pendingStore) { pendingStore = true; setTimeout(store, 0); }
  }

  function changed() {
    if (!key) return;
    unsaved = hasWork();
    later();
  }

  function describe(saved) {
    var lines = saved.bars.lines, bars = lines.left.length + lines.right.length + lines.top.length + lines.bottom.length;
    return bars + ' Balkenpunkte, ' + saved.points.doc.points.length + ' Passpunkte, zuletzt geändert ' +
      new Date(saved.stored).toLocaleString('de-DE');
  }

  function restore(saved) {
    Desk.tab('balken').restore(saved.bars);
    $('bg-unten').value = saved.latitudes[0];
    $('bg-oben').value = saved.latitudes[1];
    Desk.tab('punkte').restore(saved.points);
    Desk.selectTab(saved.tab);
    Desk.say('Die gespeicherte Arbeit an ' + saved.name + ' ist wiederhergestellt.');
    unsaved = false;
  }

  function offer(saved) {
    var box = $('wiederherstellen');
    $('wiederherstellen-text').textContent = 'Zu diesem Bild (' + saved.name + ') ist Arbeit im Browser gespeichert: ' +
      describe(saved) + '.';
    box.hidden = false;
    offering = true;
    $('wiederherstellen-ja').onclick = function () { box.hidden = true; offering = false; restore(saved); store(); };
    $('wiederherstellen-nein').onclick = function () { box.hidden = true; offering = false; localStorage.removeItem(key); store(); };
  }

  // A picture was opened: the work kept for it, if any, is offered.
  function pictureOpened(picture) {
    $('wiederherstellen').hidden = true;
    offering = false;
    key = PREFIX + fingerprint(picture.bytes);
    unsaved = false;
    var text = null;
    try { text = localStorage.getItem(key); } catch (e) { text = null; }
    if (text) offer(JSON.parse(text));
  }

  // Whether it is all right to replace the picture (and its work).
  function mayReplace(newName) {
    if (!unsaved) return true;
    return window.confirm('Die Arbeit an ' + state.fileName + ' ist noch nicht als Datei gespeichert. ' + newName +
      ' trotzdem öffnen? (Die Arbeit bleibt im Browser und wird angeboten, wenn ' + state.fileName + ' wieder geöffnet wird.)');
  }

  Desk.on('work', changed);
  Desk.on('tab', later);
  Desk.on('saved', function () { unsaved = false; });
  $('bg-unten').addEventListener('input', changed);
  $('bg-oben').addEventListener('input', changed);
  window.addEventListener('beforeunload', function (event) {
    if (pendingStore) store();
    if (!unsaved) return;
    event.preventDefault();
    event.returnValue = '';
  });

  return { pictureOpened: pictureOpened, mayReplace: mayReplace, fingerprint: fingerprint };
});
