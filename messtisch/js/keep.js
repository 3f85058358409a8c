// Keeping an evening's work: after every change the work on the picture
// (what each tab's save hands over, and the tab in front) is stored in the
// browser under a fingerprint of the picture's bytes, and offered back when
// the same picture is opened again. Work not yet saved to a file is not
// thrown away by a reload or by opening another picture without a question.
// The tabs are reached through their handlers alone (desk.js): save(),
// restore(saved), hasWork() and describe(saved), the last for the offer.
define('Keep', ['Desk', 'Fingerprint'], function (Desk, Fingerprint) {
  'use strict';

  var $ = Desk.$, state = Desk.state;
  var PREFIX = 'messtisch-arbeit:';
  var key = null, unsaved = false, pendingStore = false, warned = false, offering = false;

  function hasWork() {
    return Desk.tabNames().some(function (name) { return Desk.tab(name).hasWork && Desk.tab(name).hasWork(); });
  }

  // The tabs that keep work, each with its handlers.
  function keepers() {
    return Desk.tabNames().filter(function (name) { return Desk.tab(name).save; });
  }

  function work() {
    var tabs = {};
    keepers().forEach(function (name) { tabs[name] = Desk.tab(name).save(); });
    return { name: state.fileName, width: state.picture.width, height: state.picture.height, tab: state.tab,
             tabs: tabs, stored: new Date().toISOString() };
  }

  // Work kept before each tab handed over its own: bars, latitudes, points.
  function upgraded(saved) {
    if (saved.tabs) return saved;
    var bars = Object.assign({ latitudes: saved.latitudes || ['', ''] }, saved.bars);
    return Object.assign({}, saved, { tabs: { balken: bars, punkte: saved.points } });
  }

  var MOST_CHARACTERS = 2500000; // about 20,000 points; more would not fit the browser's few megabytes

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
    var text = JSON.stringify(work()), others = null;
    if (text.length > MOST_CHARACTERS) { tooLarge(); return; }
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
    var parts = [];
    keepers().forEach(function (name) {
      var tab = Desk.tab(name);
      if (tab.describe && saved.tabs[name]) parts.push(tab.describe(saved.tabs[name]));
    });
    return parts.concat('zuletzt geändert ' + new Date(saved.stored).toLocaleString('de-DE')).join(', ');
  }

  function restore(saved) {
    keepers().forEach(function (name) { if (saved.tabs[name]) Desk.tab(name).restore(saved.tabs[name]); });
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
    key = PREFIX + Fingerprint.of(picture.bytes);
    unsaved = false;
    var text = null;
    try { text = localStorage.getItem(key); } catch (e) { text = null; }
    if (text) offer(upgraded(JSON.parse(text)));
  }

  // The picture is about to be replaced: its last change is stored under its
  // own fingerprint, and nothing the tabs do while they start afresh is kept.
  function pictureClosing() {
    if (pendingStore) store();
    key = null;
    unsaved = false;
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
  window.addEventListener('beforeunload', function (event) {
    if (pendingStore) store();
    if (!unsaved) return;
    event.preventDefault();
    event.returnValue = '';
  });

  return { pictureOpened: pictureOpened, pictureClosing: pictureClosing, mayReplace: mayReplace };
});
