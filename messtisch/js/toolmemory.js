// Whether a run of an image tool fits the page's memory, judged before it
// starts from the picture's header and the command line. The page's build may
// grow its memory to 4 GiB (-sMAXIMUM_MEMORY in cmake/page/toolchain.cmake);
// the tools hold rows of the input and of the output there, at most the two
// whole pictures, beside their own small tables.
define('ToolMemory', [], function () {
  'use strict';

  var LIMIT = 4 * 1024 * 1024 * 1024;
  var RESERVE = 64 * 1024 * 1024; // the tool's code, stack and tables

  function rowBytes(width) { return 3 * width + width % 4; }

  // Width and height as the tools read them (16-bit fields), or null.
  function size(bytes) {
    if (!bytes || bytes.length < 54 || bytes[0] !== 0x42 || bytes[1] !== 0x4d) return null;
    return { width: bytes[18] | bytes[19] << 8, height: bytes[22] | bytes[23] << 8 };
  }

  // The turned picture's size for kippdreh's second argument, a little generous.
  function turned(w, h, how) {
    var m = /^([gxy])=(.*)$/i.exec(how || ''), value = m ? Number(m[2]) : NaN;
    if (!isFinite(value) || value === 0) return null;
    var kind = m[1].toLowerCase();
    var angle = kind === 'g' ? value * Math.PI / 180 : Math.atan(2 * value / (kind === 'x' ? h : w));
    var c = Math.abs(Math.cos(angle)), s = Math.abs(Math.sin(angle));
    return { width: Math.ceil(w * c + h * s) + 2, height: Math.ceil(w * s + h * c) + 2 };
  }

  // Bytes the tool needs for its pictures, or 0 where it reads no picture.
  function need(tool, args, files) {
    if (tool !== 'kippdreh' && tool !== 'glattzug') return 0;
    var name = String(args[0] || '').toUpperCase();
    var picture = files && (files[name] || files[args[0]]), sz = size(picture);
    if (!sz) return 0; // the tool itself says what is wrong with it
    var out = tool === 'kippdreh' ? turned(sz.width, sz.height, args[1]) : sz;
    if (!out) return 0;
    return rowBytes(sz.width) * sz.height + rowBytes(out.width) * out.height;
  }

  // A German sentence when the run would not fit, else null.
  function refusal(tool, args, files) {
    var bytes = need(tool, args, files);
    if (bytes + RESERVE <= LIMIT) return null;
    var mib = function (n) { return Math.ceil(n / (1024 * 1024)); };
    return 'Das Bild ist für den Speicher der Seite zu groß: ' + tool + ' bräuchte etwa ' + mib(bytes + RESERVE) +
      ' MiB, die Seite hat höchstens ' + mib(LIMIT) + ' MiB. Bitte das Konsolenprogramm ' + tool + ' verwenden.';
  }

  return { refusal: refusal, need: need, turned: turned, LIMIT: LIMIT };
});
