// For tests only: makes one chosen call of the file layer fail, so that a
// test can reach every point of a run where taking a file's length, cutting
// it, closing or renaming it can fail. KARTEN_TEST_FAULT=close:3 fails the
// third close of the run with EIO (fstat, ftruncate, close, rename, and
// tmpfile for the making of a temporary file); without the variable nothing fails.
#pragma once

enum class FaultCall { Size, Truncate, Close, Rename, Temporary };

// The error number the call is to fail with now, or 0.
int injectedFault(FaultCall call);
