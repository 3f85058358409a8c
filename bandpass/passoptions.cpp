// The options of a pass as a run starts them: the one place where the passes
// read the environment.
#include "passoptions.hpp"

#include "parallelbands.hpp"

#include <cstdlib>
#include <cstring>

PassOptions defaultPassOptions() {
    static const bool vectorFormsOff = [] {
        const char* setting = std::getenv("KARTEN_VECTOR_FORMS");
        return setting != nullptr && std::strcmp(setting, "off") == 0;
    }();
    PassOptions options;
    options.threads = defaultThreadCount();
    options.vectorForms = !vectorFormsOff;
    return options;
}

bool usesVectorForms(const PassOptions& options) {
    static const bool processorHasAvx2 = __builtin_cpu_supports("avx2");
    return options.vectorForms && processorHasAvx2;
}
