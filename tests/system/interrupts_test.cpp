// Interrupts and the temporary: a signal while the temporary has its hidden
// name removes it and ends the process by that signal; threads started
// through startWithoutInterrupts hold the signals back for good, and the
// starting thread keeps the hold it had.
#include "bytefile.hpp"
#include "files.hpp"
#include "temporaryfile.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool interruptsHeldHere() {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGINT) == 1 && sigismember(&mask, SIGQUIT) == 1;
}

TEST(Interrupts, ThreadsStartedWithoutThemHoldThemAndTheStarterKeepsItsHold) {
    for (bool heldBefore : {false, true}) {
        SCOPED_TRACE(heldBefore);
        holdInterrupts(heldBefore);
        bool heldInThread = false;
        startWithoutInterrupts([&] { std::thread([&] { heldInThread = interruptsHeldHere(); }).join(); });
        EXPECT_TRUE(heldInThread);
        EXPECT_EQ(interruptsHeldHere(), heldBefore);
        holdInterrupts(false);
    }
}

TEST(Interrupts, AThreadThatCannotStartLeavesTheStartersHoldAsItWas) {
    EXPECT_THROW(startWithoutInterrupts([] { throw std::runtime_error("no thread"); }), std::runtime_error);
    EXPECT_FALSE(interruptsHeldHere());
}

// In a child of its own: the temporary gets its hidden name, the run stops at
// the test pause, and the signal comes.
void replaceAndStopBeforeTheRename(const fs::path& target, const fs::path& marker) {
    setenv("KARTEN_TEST_PAUSE", ("before-rename:" + marker.string()).c_str(), 1);
    ByteFile file;
    if (createTemporaryBeside(file, target.string()) != 0) std::_Exit(3);
    file.writeAt(0, "new", 3);
    putTemporaryInPlace(file, target.string());
    std::_Exit(4);
}

TEST(Interrupts, ASignalBeforeTheRenameRemovesTheNamedTemporaryAndEndsByIt) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        writeFile(dir / "A.INF", "old");
        const fs::path marker = dir.path().string() + "-marker";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) replaceAndStopBeforeTheRename(dir / "A.INF", marker);
        // The child writes the marker once the temporary has its name.
        while (!fs::exists(marker) || readFile(marker).empty()) std::this_thread::yield();
        EXPECT_TRUE(fs::exists(readFile(marker)));
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        fs::remove(marker);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(readFile(dir / "A.INF"), "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
}

} // namespace
