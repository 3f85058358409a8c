// The band engine's helper threads never take Ctrl+C, termination or
// hang-up: the calling thread holds those back around its steps that must
// not be cut, and removes the temporary when one arrives.
#include "parallelbands.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace {

bool interruptsHeldHere() {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGINT) == 1 && sigismember(&mask, SIGTERM) == 1 && sigismember(&mask, SIGHUP) == 1;
}

TEST(HelperThreads, HoldInterruptsBackAndLeaveTheCallersAsTheyWere) {
    ASSERT_FALSE(interruptsHeldHere());
    std::atomic<int> helpersSeen{0};
    std::atomic<int> helpersHolding{0};
    std::atomic<bool> callerHolding{true};
    forEachBand(
        64, 3,
        [&](std::int32_t band, int worker) {
            if (worker == 0) {
                callerHolding = callerHolding && !interruptsHeldHere();
                // The first band waits for a helper, so that one surely takes part.
                for (long turn = 0; band == 0 && helpersSeen == 0 && turn < 100000000; ++turn) std::this_thread::yield();
                return;
            }
            helpersHolding += interruptsHeldHere() ? 1 : 0;
            ++helpersSeen;
        },
        [](std::int32_t) {});
    ASSERT_GT(helpersSeen.load(), 0);
    EXPECT_EQ(helpersHolding.load(), helpersSeen.load());
    EXPECT_TRUE(callerHolding);
    EXPECT_FALSE(interruptsHeldHere());
}

} // namespace
