// The rotation tool's command line: the file and one of x=n, y=n or g=x.
#pragma once

#include "rotationjob.hpp"

namespace kippdreh {

// Reads the command line into job; shows the help text (and ends the run) on any fault.
void parseArguments(RotationJob& job, int argc, char** argv);
[[noreturn]] void showUsage();

} // namespace kippdreh
