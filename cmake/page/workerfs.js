// Linked into each tool of the page's build (--post-js): WORKERFS's read, by
// which a worker reads a picture from the file the user chose, with three
// changes. Each read of the file costs a round trip to the browser, so a
// read inside one of the file's blocks of 16 MiB takes the whole block, and
// the reads after it in the block (up or down the file) are served from it.
// Each piece read arrives in an array of its own; once done with, the array
// is handed to a message channel closed at once, which frees its storage
// then and there: left to the garbage collector, which a worker busy with the
// tool hardly runs, the pieces would add up to a second copy of the picture
// by the end of the run. A file that cannot be read any more, because it
// changed or went away since it was chosen, is a read error the tool reports
// as its own, not an exception that ends the run without a word.
(function () {
  var AHEAD = 16 * 1024 * 1024;

  function readPiece(node, from, to) {
    try {
      return new Uint8Array(WORKERFS.reader.readAsArrayBuffer(node.contents.slice(from, to)));
    } catch (e) {
      throw new FS.ErrnoError(29); // EIO
    }
  }

  function free(bytes) {
    var drain = new MessageChannel();
    drain.port1.postMessage(null, [bytes.buffer]);
    drain.port1.close();
    drain.port2.close();
  }

  WORKERFS.stream_ops.read = function (stream, buffer, offset, length, position) {
    var size = stream.node.size;
    if (position >= size) return 0;
    var end = Math.min(size, position + length), block = Math.floor(position / AHEAD) * AHEAD;
    if (end > block + AHEAD) { // across a block's end: read as asked
      var piece = readPiece(stream.node, position, end), read = piece.length;
      buffer.set(piece, offset);
      free(piece); // its length is 0 from here
      return read;
    }
    if (!stream.ahead || stream.ahead.from !== block) {
      if (stream.ahead) free(stream.ahead.bytes);
      stream.ahead = null; // not left freed where the read below fails
      stream.ahead = { from: block, bytes: readPiece(stream.node, block, Math.min(size, block + AHEAD)) };
    }
    buffer.set(stream.ahead.bytes.subarray(position - block, end - block), offset);
    return end - position;
  };

  WORKERFS.stream_ops.close = function (stream) {
    if (stream.ahead) free(stream.ahead.bytes);
    stream.ahead = null;
  };
})();
