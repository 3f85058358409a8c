// What a test may switch in an image pass, carried as a value through the
// pass rather than held in globals. Every value gives the same bytes: the
// options choose only how the work is done.
#pragma once

#include <cstddef>

struct PassOptions {
    // How many threads may build bands at once.
    int threads = 1;
    // The AVX2 forms where the processor has them; off, the forms that every
    // x86-64 processor runs.
    bool vectorForms = true;
    // Views of the files where the address space allows; off, every pixel
    // travels through the files, as where no view can be had.
    bool views = true;
    // kippdreh: small turns read their source rows in a window that slides
    // down the picture; off, they view the input.
    bool sourceWindow = true;
    // glattzug: how many table entries the shared cache may keep.
    std::size_t tableCacheEntries = std::size_t{8} << 20;
};

// The options of a run: as many threads as the machine gives (at most four),
// and the vector forms unless the environment says KARTEN_VECTOR_FORMS=off,
// which the test suite uses to cover processors without AVX2. This is the one
// place where the passes read the environment.
PassOptions defaultPassOptions();

// Whether a pass with these options runs its AVX2 forms on this processor.
bool usesVectorForms(const PassOptions& options);
