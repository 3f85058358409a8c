// The picture as the image tools see it: a 24-bit BMP whose header gives the
// pixel data's offset, width and height in 16-bit fields, rows stored
// bottom-up, each row padded to a multiple of 4 bytes. The page keeps the
// file's bytes as they are and reads pixels straight from them, so a
// picture of several hundred megabytes costs no second copy.
define('Bmp', [], function () {
  'use strict';

  // Decodes the header of an ArrayBuffer, or of a Uint8Array taken as it is
  // (a tool's output lies at the start of a longer buffer); returns
  // {ok, message} or the picture.
  function open(buffer) {
    var bytes = buffer instanceof Uint8Array ? buffer : new Uint8Array(buffer);
    if (bytes.length < 54) return { ok: false, message: 'Die Datei ist kein BMP-Bild (kürzer als 54 Byte).' };
    if (bytes[0] !== 0x42 || bytes[1] !== 0x4d) return { ok: false, message: 'Die Datei ist kein BMP-Bild (sie beginnt nicht mit „BM“).' };
    var word = function (at) { return bytes[at] | (bytes[at + 1] << 8); };
    if (word(28) !== 24) return { ok: false, message: 'Das Bild hat ' + word(28) + ' Bit je Pixel; die Werkzeuge brauchen ein 24-Bit-BMP.' };
    if (word(30) !== 0 || word(32) !== 0) return { ok: false, message: 'Das Bild ist komprimiert; die Werkzeuge brauchen ein unkomprimiertes 24-Bit-BMP.' };
    if (word(50) !== 0) return { ok: false, message: 'Das Bild hat eine Farbtabelle; die Werkzeuge brauchen ein 24-Bit-BMP ohne Farbtabelle.' };
    var width = word(18), height = word(22), dataOffset = word(10);
    var rowBytes = 3 * width + width % 4;
    if (width === 0 || height === 0 || word(24) !== 0 || word(20) !== 0) {
      return { ok: false, message: 'Breite oder Höhe des Bildes ist 0 oder größer als 65535 (oder das Bild ist von oben nach unten gespeichert).' };
    }
    // the last row's padding may be missing (kippdreh does not write it)
    if (dataOffset + rowBytes * (height - 1) + 3 * width > bytes.length) {
      return { ok: false, message: 'Die Datei ist kürzer, als ihr Kopf (' + width + ' x ' + height + ' Pixel) verlangt.' };
    }
    return { ok: true, bytes: bytes, width: width, height: height, dataOffset: dataOffset, rowBytes: rowBytes };
  }

  // Byte offset of the pixel in column x (from the left) and row y (from the top).
  function pixelOffset(picture, x, y) {
    return picture.dataOffset + 3 * x + picture.rowBytes * (picture.height - 1 - y);
  }

  // [red, green, blue] of one pixel.
  function colourAt(picture, x, y) {
    var at = pixelOffset(picture, x, y), b = picture.bytes;
    return [b[at + 2], b[at + 1], b[at]];
  }

  var BAND_BYTES = 8 << 20;

  // The file's bytes with pure blue written into the pixels that rowSpans(y)
  // names (the painted runs of row y as [from, to] pairs, inclusive);
  // everything else (header, gap, padding) is untouched. Made band by band
  // of about 8 MB, each band copied, painted and handed to a Blob of its own,
  // so that a picture of several hundred megabytes needs no second whole copy
  // in the page; progress(share) is told between bands. Resolves to the Blob.
  function paintedBlob(picture, rowSpans, type, progress) {
    var bytes = picture.bytes, height = picture.height, rowBytes = picture.rowBytes;
    var rowsPerBand = Math.max(1, Math.floor(BAND_BYTES / rowBytes)), parts = [bytes.slice(0, picture.dataOffset)];
    return new Promise(function (resolve) {
      var fileRow = 0;
      function band() {
        var last = Math.min(height, fileRow + rowsPerBand);
        var start = picture.dataOffset + rowBytes * fileRow;
        var end = last === height ? bytes.length : picture.dataOffset + rowBytes * last;
        var copy = bytes.slice(start, end);
        for (var r = fileRow; r < last; r++) {
          var spans = rowSpans(height - 1 - r), rowStart = rowBytes * (r - fileRow);
          for (var s = 0; s < spans.length; s++) {
            for (var at = rowStart + 3 * spans[s][0], stop = rowStart + 3 * spans[s][1]; at <= stop; at += 3) {
              copy[at] = 255; copy[at + 1] = 0; copy[at + 2] = 0;
            }
          }
        }
        parts.push(new Blob([copy]));
        fileRow = last;
        if (fileRow >= height) { resolve(new Blob(parts, { type: type })); return; }
        if (progress) progress(fileRow / height);
        setTimeout(band, 0);
      }
      band();
    });
  }

  return { open: open, pixelOffset: pixelOffset, colourAt: colourAt, paintedBlob: paintedBlob };
});
