#include "calibrationrun.hpp"

#include "console.hpp"

void pauseForReturn() { readInputLine(); }
