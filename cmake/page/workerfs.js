// Linked into each tool of the page's build (--post-js): WORKERFS's read, by
// which a worker reads a picture from the file the user chose, with two
// changes. Each piece read arrives in an array of its own; once copied into
// the tool's memory, the array is handed to a message channel closed at once,
// which frees its storage then and there. Left to the garbage collector, which
// a worker busy with the tool hardly runs, the pieces would add up to a
// second copy of the picture by the end of the run. A file that cannot be read
// any more, because it changed or went away since it was chosen, is a read
// error the tool reports as its own, not an exception that ends the run
// without a word.
(function () {
  WORKERFS.stream_ops.read = function (stream, buffer, offset, length, position) {
    if (position >= stream.node.size) return 0;
    var piece = stream.node.contents.slice(position, position + length), bytes;
    try {
      bytes = WORKERFS.reader.readAsArrayBuffer(piece);
    } catch (e) {
      throw new FS.ErrnoError(29); // EIO
    }
    buffer.set(new Uint8Array(bytes), offset);
    var drain = new MessageChannel();
    drain.port1.postMessage(null, [bytes]);
    drain.port1.close();
    drain.port2.close();
    return piece.size;
  };
})();
