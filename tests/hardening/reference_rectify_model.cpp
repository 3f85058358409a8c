// The rectifier model that the tool's own tests keep, compiled here once
// more to judge the outputs of hostile files.
#include "../glattzug/reference_rectify.cpp"
