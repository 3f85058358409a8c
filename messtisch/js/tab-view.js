// The Ansehen tab: what the opened picture is.
define('TabView', ['Desk'], function (Desk) {
  'use strict';

  Desk.addTab('ansehen', {
    pictureOpened: function (picture, name) {
      Desk.$('bild-angaben').textContent = name + ': ' + picture.width + ' x ' + picture.height + ' Pixel, ' +
        Math.round(picture.bytes.length / 1048576) + ' MB.';
    }
  });
});
