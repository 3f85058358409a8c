// The band engine of the image tools. A pass cuts the output into bands of
// rows that touch disjoint bytes, builds each band in memory with the tool's
// own function, on up to options.threads threads, and writes it whole through
// the file. The bytes cannot depend on the threads.
//
// Its contract:
//  - Bands are begun in increasing order: every thread takes the next band
//    number from one counter. kippdreh's source window relies on it (the
//    rows of band k are asked for only after those of every band before
//    it), and so does its check of a shrunk output, which is not pre-filled
//    to its end: its bands run from the end of the file, so once the first
//    is written, a file cut by another process stays shorter than the
//    writes left it.
//  - After each band that the calling thread finishes, and once at the end,
//    the engine records how far the writes reached, checks that neither file
//    shrank under the pass (ending the run with the failure report if one
//    did), and advances the tool's progress dots by the share of bands done.
//  - The first failure of a band stops the taking of bands and is thrown
//    again once every thread has ended.
#pragma once

#include "passoptions.hpp"
#include "pixelio.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>

// A band built in memory: its rows, fill bytes included, bottom-up as in the
// file, to be written at offset; rows null where the band stays as the
// pre-fill left it. reach is the end of its furthest pixel in the file.
struct BuiltBand {
    const unsigned char* rows = nullptr;
    std::size_t bytes = 0;
    std::int32_t offset = 0;
    std::int64_t reach = 0;
};

// What the engine needs of a planned pass: how many bands, and over how many
// units (rows or lines of the tool's own count) its progress dots run.
struct BandPlan {
    std::int32_t bands = 0;
    std::int32_t dotUnits = 0;
};

// Builds every band with build(band, worker), worker 0 being the calling
// thread, and writes it; see the contract above.
void runBandPass(const BandPlan& plan, const PassOptions& options, const PixelInput& input, PixelOutput& output,
                 const std::function<BuiltBand(std::int32_t band, int worker)>& build);
