// Helper threads that stay for the whole run, and the sharing out of bands
// among them in increasing order.
#include "parallelbands.hpp"

#include "temporaryfile.hpp"
#include "x87control.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

int defaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

namespace {

// Helper threads that stay for the whole run: a pass may share out many short
// rounds of work, and starting a thread costs more than waking one. They wait
// for work until the process ends.
class Helpers {
public:
    // Runs work(worker) for worker = 1 ... wanted - 1 on helpers (as many as
    // can be had), and work(0) on the calling thread; returns when all are done.
    void run(int wanted, const std::function<void(int)>& work) {
        std::unique_lock<std::mutex> lock(mutex_);
        // Started with Ctrl+C and the like held back, which they inherit: the
        // calling thread holds them around the steps that must not be cut, and
        // the kernel would otherwise hand them to a helper meanwhile.
        startWithoutInterrupts([&] {
            while (static_cast<int>(threads_.size()) < wanted - 1) {
                try {
                    threads_.emplace_back([this, index = static_cast<int>(threads_.size()) + 1] { serve(index); });
                } catch (const std::system_error&) {
                    break;  // no more threads to be had: those there are share the work
                }
            }
        });
        job_ = &work;
        helpersWanted_ = std::min(wanted - 1, static_cast<int>(threads_.size()));
        busy_ = helpersWanted_;
        ++round_;
        lock.unlock();
        wake_.notify_all();
        work(0);
        lock.lock();
        finished_.wait(lock, [this] { return busy_ == 0; });
        job_ = nullptr;
    }

    static bool onHelper() { return helperThread; }

private:
    void serve(int index) {
        helperThread = true;
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return round_ != seen; });
            seen = round_;
            if (index > helpersWanted_) continue;
            const std::function<void(int)>* job = job_;
            lock.unlock();
            (*job)(index);
            lock.lock();
            if (--busy_ == 0) finished_.notify_all();
        }
    }

    static thread_local bool helperThread;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::vector<std::thread> threads_;
    const std::function<void(int)>* job_ = nullptr;
    std::uint64_t round_ = 0;
    int helpersWanted_ = 0;
    int busy_ = 0;
};

thread_local bool Helpers::helperThread = false;

// Never destroyed: the helpers may still wait on it while the process ends.
Helpers& helpers() {
    static Helpers& pool = *new Helpers;
    return pool;
}

} // namespace

void forEachBand(std::int32_t count, int threads, const std::function<void(std::int32_t band, int worker)>& build,
                 const std::function<void(std::int32_t done)>& afterBand) {
    threads = std::clamp(threads, 1, std::max(count, 1));
    // Work shared out from a helper runs there alone: the helpers may all be busy.
    if (Helpers::onHelper()) threads = 1;
    std::atomic<std::int32_t> nextBand{0};
    std::atomic<std::int32_t> bandsDone{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::exception_ptr failure;
    const std::uint16_t controlWord = x87ControlWord();
    const std::function<void(int)> work = [&](int worker) {
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
    if (threads == 1) {
        work(0);
    } else {
        helpers().run(threads, work);
    }
    if (failure) std::rethrow_exception(failure);
}
