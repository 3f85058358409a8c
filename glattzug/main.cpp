// glattzug: rectifies a scanned map framed in blue, one direction per run.
#include "rectifystate.hpp"

#include "failure.hpp"

int main(int argc, char** argv) { return runTool(argc, argv, "glattzug", runRectifier); }
