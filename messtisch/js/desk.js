// What every part of the page shares: the picture and the tab in front, the
// view of the picture, the status line, the tabs and how a change is shown.
// Each tab registers its handlers with addTab; the mouse and the keyboard
// (input.js) reach the tab in front through them.
//
// A tab's handlers, each optional:
//   click(point)             a click on picture pixel point
//   handles()                the points the mouse can grab: [{x, y, ...}]
//   grab(handle)             a handle pressed: select it
//   drag(handle, point)      a grabbed handle moved to point
//   deleteSelected()         Entf
//   draw(context, view)      drawn over the picture while the tab is in front
//   drawAlways(context, view) drawn whichever tab is in front
//   bars()                   the blue bars to paint while the tab is in front
//   pictureOpened(picture, name)
//   save(), restore(saved)   the tab's work, for undo and for keeping (keep.js)
//   hasWork()                whether there is work that a reload would lose
//   openText(name, text)     a file for the tab (files.js)
//   shown()                  the tab came to the front
//   opens(name)              whether a file of that name is the tab's (openText)
//   describe(saved)          the saved work in a few words, for the offer to restore it
//   waitingField()           the field that typed coordinates go to, while the tab waits for them
// A tab's save() holds everything of its work that belongs to the picture;
// pictureOpened starts it from nothing, and restore(saved) brings it back.
// Events (on/emit): 'work' after a change of a tab's work, 'saved' after
// work went into a file, 'tab' after another tab came to the front,
// 'download' (name, blob) for every file the page hands the browser to save.
define('Desk', ['View'], function (View) {
  'use strict';

  var $ = function (id) { return document.getElementById(id); };
  // what every tab shares; each tab keeps its own work itself
  var state = { picture: null, fileName: '', tab: 'ansehen', cursor: null, showGrid: true };
  var view = View.create($('leinwand'));
  var tabs = {}, listeners = {};
  // the tabs in the order the page shows them, whichever registers first
  var order = Array.prototype.map.call(document.querySelectorAll('#reiter button[data-reiter]'), function (b) { return b.dataset.reiter; });

  function addTab(name, handlers) {
    if (order.indexOf(name) < 0) throw new Error('Der Reiter ' + name + ' steht nicht in der Reiterleiste.');
    tabs[name] = handlers;
  }

  function tab(name) { return tabs[name] || {}; }
  function tabNames() { return order.filter(function (name) { return tabs[name]; }); }
  function front() { return tab(state.tab); }

  // Every tab's handler of that name, in the order the tabs were added.
  function each(handler, args) {
    tabNames().forEach(function (name) { if (tabs[name][handler]) tabs[name][handler].apply(null, args || []); });
  }

  function on(event, listener) { (listeners[event] = listeners[event] || []).push(listener); }
  function emit(event, args) { (listeners[event] || []).forEach(function (l) { l.apply(null, args || []); }); }

  function say(text, isError) {
    var line = $('status-meldung');
    line.textContent = text;
    line.className = isError ? 'fehler' : '';
  }

  function showZoom() {
    $('status-zoom').textContent = state.picture ? 'Zoom ' + Math.round(view.scale * 1000) / 10 + ' %' : '';
  }

  function redraw() {
    var bars = front().bars;
    view.bars = state.picture && bars ? bars() : null;
    showZoom();
    View.requestDraw(view);
  }

  function selectTab(name) {
    state.tab = name;
    document.querySelectorAll('#reiter button').forEach(function (b) {
      b.setAttribute('aria-selected', String(b.dataset.reiter === name));
    });
    document.querySelectorAll('[data-tafel]').forEach(function (s) { s.hidden = s.dataset.tafel !== name; });
    if (front().shown) front().shown();
    emit('tab');
    redraw();
  }

  // bytes: a Blob, or what a Blob is made of
  function download(name, bytes, type) {
    var blob = bytes instanceof Blob ? bytes : new Blob([bytes], { type: type });
    emit('download', [name, blob]);
    var url = URL.createObjectURL(blob);
    var link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  }

  return { $: $, state: state, view: view, addTab: addTab, tab: tab, tabNames: tabNames, front: front, each: each, on: on, emit: emit,
           say: say, redraw: redraw, selectTab: selectTab, download: download };
});
