// Linked into each tool of the page's build (--post-js): the memory file
// system changes a file's length in place where its storage has room. The
// tools lengthen an output once for the picture and once more for the pass's
// one pixel beyond the top row, and give it back the length the writes left;
// every such change would otherwise copy the whole picture into a new array
// and hold both until the next collection. A file's storage gets a little
// room beyond the length asked for, and the bytes beyond a file's length are
// kept zero, as in a new array, so that a file lengthened in place reads
// zeros there.
(function () {
  var exactResize = MEMFS.resizeFileStorage;
  MEMFS.resizeFileStorage = function (node, newSize) {
    var contents = node.contents;
    if (newSize === 0 || (contents && !contents.subarray)) return exactResize(node, newSize);
    if (contents && newSize <= contents.length) {
      if (newSize < node.usedBytes) contents.fill(0, newSize, node.usedBytes);
      node.usedBytes = newSize;
      return;
    }
    var grown = new Uint8Array(newSize + Math.min(Math.floor(newSize / 64), 16777216));
    if (contents) grown.set(contents.subarray(0, node.usedBytes));
    node.contents = grown;
    node.usedBytes = newSize;
  };
})();
