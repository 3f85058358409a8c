// For tests only: stops a run at a named point so that a test can act on its
// files at exactly that moment. KARTEN_TEST_PAUSE=before-rename:/tmp/marker
// makes the run write, at that point, a name under which its temporary output
// can be opened into the marker file, and wait until the marker is removed.
// Without the variable, or at other points, nothing happens.
#pragma once

#include <string>

// The points: "after-prefill", "before-check", "before-rename", and
// "after-first-block" of a file read in blocks.
void pauseForTest(const char* point, const std::string& reachableAs);
