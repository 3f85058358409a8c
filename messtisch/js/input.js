// The mouse and the keyboard: clicks, drags and keys go to the tab in front
// through its handlers (desk.js); the status line shows the pixel under the
// mouse; the toolbar's buttons.
define('Input', ['Desk', 'View', 'Bmp', 'Undo', 'Assist'], function (Desk, View, Bmp, Undo, Assist) {
  'use strict';

  var $ = Desk.$, state = Desk.state, view = Desk.view;
  var canvas = view.canvas, stage = $('buehne');

  function showPixel(point) {
    if (!point || !View.inside(view, point)) { $('status-pixel').textContent = '–'; return; }
    var c = Bmp.colourAt(state.picture, point.x, point.y);
    $('status-pixel').textContent = 'x=' + point.x + ' y=' + point.y + '  Farbe ' + c.join(',') +
      (c[0] === 0 && c[1] === 0 && c[2] === 255 ? ' (Balkenblau)' : '');
  }

  // The one conversion from the mouse to the canvas: the canvas may sit at a
  // fractional page offset, which the event's rounded offsetX/offsetY hide.
  function onCanvas(event) {
    var rect = canvas.getBoundingClientRect();
    return { x: event.clientX - rect.left, y: event.clientY - rect.top, inside: event.clientX >= rect.left &&
             event.clientY >= rect.top && event.clientX < rect.right && event.clientY < rect.bottom };
  }

  function clickAt(point) {
    if (!View.inside(view, point)) {
      // nothing is set, and the user is told so instead of typing on into shortcuts
      if (state.picture && Desk.front().click) {
        Desk.say('Der Klick lag außerhalb des Bildes (x=' + point.x + ', y=' + point.y + '); nichts gesetzt.', true);
      }
      return;
    }
    if (point === state.cursor) Assist.snap(point, true); // the keyboard's click is taken as it is
    state.cursor = point;
    if (Desk.front().click) Desk.front().click(point);
    Desk.redraw();
  }

  // The handle of the tab in front within a few screen pixels of (sx, sy).
  function grabAt(sx, sy) {
    var nearest = null, best = 8, handles = Desk.front().handles;
    (handles ? handles() : []).forEach(function (h) {
      var s = View.toScreen(view, h.x + 0.5, h.y + 0.5), d = Math.max(Math.abs(s.x - sx), Math.abs(s.y - sy));
      if (d <= best) { best = d; nearest = h; }
    });
    return nearest;
  }

  // ---- mouse --------------------------------------------------------------

  // The mouse left the picture: the loupe goes with it.
  function leftPicture() {
    Assist.leave();
    $('status-pixel').textContent = '–';
    Desk.redraw();
  }
  canvas.addEventListener('mouseleave', function () { if (Assist.hovered() && !press) leftPicture(); });

  var press = null;
  canvas.addEventListener('mousedown', function (event) {
    if (event.button !== 0 && event.button !== 1) return;
    stage.focus();
    var at = onCanvas(event);
    var grab = event.button === 0 ? grabAt(at.x, at.y) : null;
    if (grab) {
      Undo.remember();
      Desk.front().grab(grab);
      Desk.redraw();
    }
    press = { x: at.x, y: at.y, lastX: at.x, lastY: at.y, moved: false,
              grab: grab, pan: event.button === 1 };
    event.preventDefault();
  });

  window.addEventListener('mousemove', function (event) {
    var at = onCanvas(event), sx = at.x, sy = at.y;
    if (state.picture && at.inside) {
      showPixel(View.toImage(view, sx, sy));
      if (!press) {
        var shown = Assist.hovered();
        Assist.hoverAt(View.toImage(view, sx, sy), event.altKey);
        if (shown || Assist.hovered()) Desk.redraw(); // the loupe follows the mouse
      }
    } else if (Assist.hovered()) {
      leftPicture();
    }
    if (!press) return;
    if (Math.abs(sx - press.x) + Math.abs(sy - press.y) > 4) press.moved = true;
    if (!press.moved) return;
    if (press.grab) {
      var target = View.toImage(view, sx, sy);
      if (View.inside(view, target)) Desk.front().drag(press.grab, target);
    } else {
      stage.classList.add('ziehen');
      View.panBy(view, sx - press.lastX, sy - press.lastY);
      Desk.redraw();
    }
    press.lastX = sx; press.lastY = sy;
  });

  window.addEventListener('mouseup', function (event) {
    if (!press) return;
    var wasClick = !press.moved && !press.pan;
    if (press.grab && !press.moved) Undo.forgetLast(); // selecting alone changes nothing
    stage.classList.remove('ziehen');
    var grabbed = press.grab;
    press = null;
    var at = onCanvas(event);
    if (wasClick && !grabbed && event.target === canvas) clickAt(Assist.snap(View.toImage(view, at.x, at.y), event.altKey));
  });

  canvas.addEventListener('wheel', function (event) {
    if (!state.picture) return;
    event.preventDefault();
    var at = onCanvas(event);
    View.zoomAt(view, event.deltaY < 0 ? 1.25 : 0.8, at.x, at.y);
    Desk.redraw();
  }, { passive: false });

  // ---- keyboard -----------------------------------------------------------

  function moveCursor(dx, dy) {
    if (!state.picture) return;
    var c = state.cursor || View.toImage(view, canvas.width / 2, canvas.height / 2);
    c = { x: Math.max(0, Math.min(state.picture.width - 1, c.x + dx)), y: Math.max(0, Math.min(state.picture.height - 1, c.y + dy)) };
    state.cursor = c;
    // keep the crosshair in sight
    var s = View.toScreen(view, c.x + 0.5, c.y + 0.5);
    if (s.x < 20 || s.y < 20 || s.x > canvas.width - 20 || s.y > canvas.height - 20) {
      View.panBy(view, canvas.width / 2 - s.x, canvas.height / 2 - s.y);
    }
    showPixel(c);
    Assist.hoverAt(c, true); // the keyboard places exactly: the loupe shows where
    Desk.redraw();
  }

  function deleteSelected() {
    if (Desk.front().deleteSelected) Desk.front().deleteSelected();
  }

  function zoomButton(factor) {
    View.zoomAt(view, factor, canvas.width / 2, canvas.height / 2);
    Desk.redraw();
  }

  function toggleHelp() { $('tastenhilfe').hidden = !$('tastenhilfe').hidden; }

  var TAB_KEYS = { a: 'ansehen', k: 'kippung', b: 'balken', p: 'punkte', i: 'inf' };

  // Text fields keep their keys; everywhere else (buttons, check boxes, the
  // picture, the page) the shortcuts work.
  function typingIn(target) {
    if (target.isContentEditable || target.tagName === 'TEXTAREA' || target.tagName === 'SELECT') return true;
    return target.tagName === 'INPUT' && !/^(button|checkbox|radio|file|submit|reset|range|color)$/.test(target.type);
  }

  // While the tab in front waits for typed coordinates (a point clicked, its
  // longitude not yet given), what would be typed into them goes to its field:
  // digits, signs and decimal marks, and Tab, never a shortcut or a move of
  // the focus to the tabs.
  var COORDINATE_KEY = /^([0-9.,+-]|Tab)$/;
  function coordinateKey(event) {
    var field = Desk.front().waitingField && Desk.front().waitingField();
    if (!field || !COORDINATE_KEY.test(event.key) || event.ctrlKey || event.altKey || event.metaKey) return false;
    field.focus();
    // the character itself then lands in the field that has the focus now
    if (event.key === 'Tab') event.preventDefault();
    return true;
  }

  document.addEventListener('keydown', function (event) {
    var typing = typingIn(event.target), letter = event.key.toLowerCase();
    if (!typing && coordinateKey(event)) return;
    if ((event.ctrlKey || event.metaKey) && !typing && (letter === 'y' || letter === 'z' && event.shiftKey)) {
      Undo.redo(); event.preventDefault(); return;
    }
    if ((event.ctrlKey || event.metaKey) && letter === 'z' && !typing) { Undo.undo(); event.preventDefault(); return; }
    if (event.key === 'Escape') { $('tastenhilfe').hidden = true; if (typing) event.target.blur(); return; }
    if (typing || event.altKey || event.metaKey || event.ctrlKey && !/^Arrow/.test(event.key)) return;
    if (/^Arrow/.test(event.key) && event.target.tagName === 'INPUT') return; // radio buttons step with them
    var key = event.key, step = 80, handled = true, onStage = event.target === stage || event.target === document.body;
    if ((event.shiftKey || event.ctrlKey) && /^Arrow/.test(key)) {
      var n = event.ctrlKey ? 10 : 1;
      moveCursor(key === 'ArrowLeft' ? -n : key === 'ArrowRight' ? n : 0, key === 'ArrowUp' ? -n : key === 'ArrowDown' ? n : 0);
    } else if ((key === 'PageUp' || key === 'PageDown') && onStage) {
      // a screen's height up or down; with Umschalt a screen's width left or right
      var sign = key === 'PageUp' ? -1 : 1;
      if (event.shiftKey) moveCursor(sign * Math.round(canvas.width / view.scale), 0);
      else moveCursor(0, sign * Math.round(canvas.height / view.scale));
    } else if (key === 'Tab' && onStage && Desk.front().nextProposal && Desk.front().nextProposal(event.shiftKey ? -1 : 1)) {
      // Tab steps through the tab's proposals while there are any
    } else if (Desk.front().key && onStage && Desk.front().key(key)) {
      // a key of the tab in front
    } else if (key === 'ArrowLeft') { View.panBy(view, step, 0); Desk.redraw(); }
    else if (key === 'ArrowRight') { View.panBy(view, -step, 0); Desk.redraw(); }
    else if (key === 'ArrowUp') { View.panBy(view, 0, step); Desk.redraw(); }
    else if (key === 'ArrowDown') { View.panBy(view, 0, -step); Desk.redraw(); }
    else if (key === '+' || key === '=') { zoomButton(1.25); }
    else if (key === '-') { zoomButton(0.8); }
    else if (key === '0') { View.fit(view); Desk.redraw(); }
    else if (key === '1') { View.zoomTo(view, 1); Desk.redraw(); }
    else if ((key === 'Enter' || key === ' ') && onStage) {
      if (state.cursor) clickAt(state.cursor);
    }
    else if (key === 'Delete' || key === 'Backspace') { deleteSelected(); }
    else if (key === 'o' || key === 'O') { $('bild-datei').click(); }
    else if (key === 'n' || key === 'N') { state.showGrid = !state.showGrid; $('netz-an').checked = state.showGrid; Desk.redraw(); }
    else if (key === '?') { toggleHelp(); }
    else if (TAB_KEYS[letter]) { Desk.selectTab(TAB_KEYS[letter]); }
    else handled = false;
    if (handled) event.preventDefault();
  });

  // ---- toolbar and tabs ---------------------------------------------------

  $('zoom-ein').addEventListener('click', function () { zoomButton(1.25); });
  $('zoom-aus').addEventListener('click', function () { zoomButton(0.8); });
  $('zoom-ganz').addEventListener('click', function () { View.fit(view); Desk.redraw(); });
  $('zoom-eins').addEventListener('click', function () { View.zoomTo(view, 1); Desk.redraw(); });
  $('rueckgaengig').addEventListener('click', Undo.undo);
  $('wiederholen').addEventListener('click', Undo.redo);
  $('hilfe-knopf').addEventListener('click', toggleHelp);
  document.querySelectorAll('#reiter button').forEach(function (b) {
    b.addEventListener('click', function () { Desk.selectTab(b.dataset.reiter); });
  });
  window.addEventListener('resize', function () { Desk.redraw(); });
});
