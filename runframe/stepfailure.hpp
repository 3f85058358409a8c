// The end of a run whose work step found a fault it reports itself: the
// message with the bell, the files closed, the pause. The run then ends with
// its own exit code, without the failure report.
#pragma once

#include "bytefile.hpp"

#include <string_view>

// Writes the message, the bell and a line end, closes the files, pauses.
void reportStepFailure(std::string_view message, ByteFile& input, ByteFile* output = nullptr);
