// The report of a step failure: message, bell, files closed, pause.
#include "stepfailure.hpp"

#include "console.hpp"

#include <string>

void reportStepFailure(std::string_view message, ByteFile& input, ByteFile* output) {
    std::string line(message);
    line += bell;
    consoleLine(line);
    input.close();
    if (output != nullptr) output->close();
    waitForReturn();
}
