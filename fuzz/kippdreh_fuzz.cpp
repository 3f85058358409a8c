// Whole rotation runs on mutated small pictures with mutated arguments.
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
    if (!runImageTool(kippdreh::run, "kippdreh", data, size, run)) return 0;
    checkCommonOutcome(run);
    const bool headerBeforePixels = run.input.size() >= 54 && static_cast<unsigned char>(run.input[11]) * 256 +
                                                                  static_cast<unsigned char>(run.input[10]) >= 54;
    if (run.console.find(" geschrieben und kann") != std::string::npos && headerBeforePixels) {
        // Every target lies inside the output's picture: the header is the
        // input's but for the new width and height.
        for (std::size_t at = 0; at < 54; ++at) {
            if (at == 18 || at == 19 || at == 22 || at == 23) continue;
            if (run.output[at] != run.input[at]) fuzzFault("the output header differs from the input's");
        }
    }
    return 0;
}
