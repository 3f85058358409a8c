// Work split into bands that touch disjoint parts of the output, so that the
// bytes cannot depend on which thread takes which band, or when.
#pragma once

#include <cstdint>
#include <functional>

// How many threads a pass may use: the cores, at most four.
int defaultThreadCount();

// Runs build(band, worker) once for every band 0 ... count - 1, on up to
// threads threads (worker 0 is the calling thread). Bands are begun in
// increasing order, each thread taking the next number from one counter;
// they may end in any order. After each band that the calling thread
// finishes, afterBand(done) runs there with the number of bands finished so
// far. Each thread computes with the calling thread's x87 control word. The
// first failure stops the taking of bands and is thrown again here once
// every thread has ended.
void forEachBand(std::int32_t count, int threads, const std::function<void(std::int32_t band, int worker)>& build,
                 const std::function<void(std::int32_t done)>& afterBand);
