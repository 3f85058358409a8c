#include "parallelbands.hpp"

#include "x87control.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

int defaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

void forEachBand(std::int32_t count, int threads, const std::function<void(std::int32_t band, int worker)>& build,
                 const std::function<void(std::int32_t done)>& afterBand) {
    threads = std::clamp(threads, 1, std::max(count, 1));
    std::atomic<std::int32_t> nextBand{0};
    std::atomic<std::int32_t> bandsDone{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::exception_ptr failure;
    const std::uint16_t controlWord = x87ControlWord();
    auto work = [&](int worker) {
        try {
            setX87ControlWord(controlWord);
            for (std::int32_t band = nextBand++; band < count && !stop; band = nextBand++) {
                build(band, worker);
                const std::int32_t done = ++bandsDone;
                if (worker == 0) afterBand(done);
            }
        } catch (...) {
            stop = true;
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (int worker = 1; worker < threads; ++worker) helpers.emplace_back(work, worker);
    } catch (const std::system_error&) {
        // No more threads to be had: those that started finish the work.
    }
    work(0);
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}
