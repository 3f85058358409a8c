// The page's start, after every part has hooked itself in.
(function () {
  'use strict';

  // for the browser tests, and for a look from the browser's developer tools
  window.Messtisch = { view: Desk.view, state: Desk.state };

  Desk.selectTab('ansehen');
  View.draw(Desk.view);
})();
