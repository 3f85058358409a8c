// What the tilt tab says about two clicks: which way the line leans and the
// three kippdreh commands, each with the Omega that kippdreh will report.
define('TiltPanel', ['Tilt'], function (Tilt) {
  'use strict';

  // found: the line was found by the desk, not clicked (a proposal).
  function show(box, clicks, picture, fileName, found) {
    box.textContent = '';
    if (clicks.length < 2 || !picture) {
      box.innerHTML = clicks.length === 1 ? '<p>Erster Punkt gewählt; nun den zweiten anklicken.</p>'
                                          : '<p>Noch keine zwei Punkte gewählt.</p>';
      return;
    }
    var t = Tilt.commands(clicks[0], clicks[1], picture.width, picture.height, fileName);
    if (!t) { box.innerHTML = '<p>Beide Punkte sind dasselbe Pixel.</p>'; return; }
    var intro = document.createElement('p');
    var at = function (p) { return '(' + Math.round(p.x) + ', ' + Math.round(p.y) + ')'; };
    intro.textContent = (found ? 'Vorschlag: die längste gerade Linie des Bildes, ' + Math.round(Math.hypot(clicks[1].x - clicks[0].x, clicks[1].y - clicks[0].y)) +
      ' Pixel lang (im Bild eingezeichnet). Sie übernehmen ihn mit einem der Befehle oder klicken selbst zwei Punkte an. ' : '') +
      'Die Linie von ' + at(clicks[0]) + ' nach ' + at(clicks[1]) + ' soll ' + (t.horizontal ? 'waagerecht' : 'senkrecht') + ' stehen. Sie ist um ' + Tilt.twoDecimals(Math.abs(t.degrees)) +
      ' Grad ' + (t.degrees > 0 ? 'gegen den Uhrzeigersinn gekippt; kippdreh dreht sie im Uhrzeigersinn zurück (positiver Winkel).'
                                : 'im Uhrzeigersinn gekippt; kippdreh dreht sie nach links zurück (negativer Winkel).');
    box.appendChild(intro);
    var list = document.createElement('dl');
    var texts = { g: 'Winkel in Grad (am genauesten)', x: 'linke obere Ecke nach rechts (Kippung der linken und rechten Bildseite)',
                  y: 'linke obere Ecke nach unten (Kippung der oberen und unteren Bildseite)' };
    t.forms.forEach(function (form) {
      var term = document.createElement('dt'), text = document.createElement('dd');
      term.textContent = form.form + '=: ' + texts[form.form];
      if (form.ok) {
        var code = document.createElement('code');
        code.className = 'befehl';
        code.dataset.form = form.form;
        code.textContent = form.command;
        text.appendChild(code);
        text.appendChild(document.createTextNode(form.form === 'g' ? '' : ' → Omega=' + form.omega + ' Grad, Kippung ' + form.tilt + ' Pixel'));
      } else {
        text.textContent = form.reason;
      }
      list.appendChild(term);
      list.appendChild(text);
    });
    box.appendChild(list);
  }

  return { show: show };
});
