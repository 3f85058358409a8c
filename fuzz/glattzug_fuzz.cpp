// Whole rectifier runs on mutated small pictures with mutated arguments.
#include "imagerun.hpp"

#include "fuzzsupport.hpp"
#include "main.hpp"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImageRun run;
    if (!runImageTool(glattzug::run, "glattzug", data, size, run)) return 0;
    checkCommonOutcome(run);
    const bool linear = run.console.find(" linear.") != std::string::npos;
    if (linear && run.outputExists && run.output.size() != run.input.size()) {
        fuzzFault("a linear pass changed the output's length");
    }
    // Linear targets stay on their line; with a pixel offset below 54 the
    // header is part of the picture.
    const bool headerBeforePixels = run.input.size() >= 54 && static_cast<unsigned char>(run.input[11]) * 256 +
                                                                  static_cast<unsigned char>(run.input[10]) >= 54;
    if (linear && headerBeforePixels && run.console.find(" geschrieben und kann") != std::string::npos &&
        run.output.compare(0, 54, run.input, 0, 54) != 0) {
        fuzzFault("the output header differs from the input's");
    }
    return 0;
}
