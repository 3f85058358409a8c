// The page's start, after every part has hooked itself in.
define('Start', ['Desk', 'View', 'Overlays', 'Files', 'Keep', 'Input', 'TabView', 'TabTilt', 'TabBars', 'TabPoints', 'TabInf', 'MesskartStep'], function (Desk, View, Overlays, Files, Keep, Input, TabView, TabTilt, TabBars, TabPoints, TabInf, MesskartStep) {
  'use strict';

  // for the browser tests, and for a look from the browser's developer tools
  window.Messtisch = { view: Desk.view, state: Desk.state, modules: define.modules };

  Desk.selectTab('ansehen');
  View.draw(Desk.view);
});
