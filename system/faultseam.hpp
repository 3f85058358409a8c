// For tests only: makes one chosen call of the file layer fail, so that a
// test can reach every point of a run where taking a file's length, cutting
// it, closing or renaming it can fail. KARTEN_TEST_FAULT=close:3 fails the
// third close of the run with EIO (fstat, ftruncate, close, rename, tmpfile
// for the making of a temporary file, and fsetxattr for the giving of an
// access list to it); without the variable nothing fails.
#pragma once

enum class FaultCall { Size, Truncate, Close, Rename, Temporary, SetAccessList };

// The error number the call is to fail with now, or 0.
int injectedFault(FaultCall call);
// For unit tests in one process: chooses the fault as the variable would
// ("close:3"; nullptr or an unknown call: none) and counts from 0 again.
void chooseFault(const char* setting);
