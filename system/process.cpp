#include "process.hpp"

#include "platform.hpp"

int processNumber() { return platform::processId(); }
