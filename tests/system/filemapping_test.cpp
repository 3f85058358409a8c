// Guarded views of files that another thread cuts short: the lost pages read
// as zeros and are counted on the view they belong to, and a bus error
// outside every view keeps its default meaning.
#include "filemapping.hpp"
#include "files.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::int64_t fileBytes = 64 * 4096;

ByteFile openFilled(const std::filesystem::path& path, char fill) {
    writeFile(path, std::string(static_cast<std::size_t>(fileBytes), fill));
    ByteFile file;
    file.openForUpdate(path.string());
    return file;
}

TEST(GuardedViews, LostPagesReadAsZerosAndCountOnTheirOwnView) {
    TempDir dir;
    ByteFile first = openFilled(dir / "first", 'a');
    ByteFile second = openFilled(dir / "second", 'b');
    FileMapping cut, kept;
    ASSERT_EQ(cut.map(first, fileBytes, true), 0);
    ASSERT_EQ(kept.map(second, fileBytes, false), 0);
    std::thread([&] { std::filesystem::resize_file(dir / "first", 3 * 4096 + 10); }).join();
    // The page that holds the new end stays; the ones after it are lost.
    EXPECT_EQ(cut.bytes()[3 * 4096 + 9], 'a');
    EXPECT_FALSE(cut.lostPages());
    EXPECT_EQ(cut.bytes()[5 * 4096 + 1], 0);
    cut.bytes()[60 * 4096] = 'z';  // goes nowhere, in a page of its own
    EXPECT_TRUE(cut.lostPages());
    EXPECT_FALSE(kept.lostPages());
    EXPECT_EQ(kept.bytes()[fileBytes - 1], 'b');
    EXPECT_EQ(readFile(dir / "first").size(), 3u * 4096 + 10);
    // A slot given back and taken again starts without losses.
    ASSERT_EQ(cut.unmap(), 0);
    ASSERT_EQ(cut.map(second, fileBytes, false), 0);
    EXPECT_FALSE(cut.lostPages());
}

// A view keeps the handler installed while a mapping of its own, which no
// view guards, loses its page: the process ends as it would without views.
void touchUnguardedLostPage(const std::filesystem::path& directory) {
    ByteFile guarded = openFilled(directory / "guarded", 'g');
    FileMapping view;
    if (view.map(guarded, fileBytes, false) != 0) std::_Exit(3);
    ByteFile plain = openFilled(directory / "plain", 'p');
    void* bytes = ::mmap(nullptr, fileBytes, PROT_READ, MAP_SHARED, plain.descriptor(), 0);
    if (bytes == MAP_FAILED) std::_Exit(4);
    std::filesystem::resize_file(directory / "plain", 0);
    const volatile char lost = static_cast<const char*>(bytes)[4096];
    std::_Exit(lost == 0 && !view.lostPages() ? 5 : 6);
}

bool endedByTheFault(int status) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's own handler was there before ours: it reports and exits.
    return !(WIFEXITED(status) && WEXITSTATUS(status) >= 3 && WEXITSTATUS(status) <= 6);
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS;
#endif
}

TEST(GuardedViewsDeathTest, AFaultOutsideEveryViewEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    EXPECT_EXIT(touchUnguardedLostPage(dir.path()), endedByTheFault, "");
}

// Views are given back: many more than the eight slots, one after another,
// each in a slot of its own only while it lives.
TEST(GuardedViews, SlotsAreGivenBackWhenTheViewEnds) {
    TempDir dir;
    ByteFile file = openFilled(dir / "file", 'v');
    for (int round = 0; round < 40; ++round) {
        FileMapping view;
        ASSERT_EQ(view.map(file, fileBytes, round % 2 == 0), 0) << round;
    }
    FileMapping views[8];
    for (FileMapping& view : views) ASSERT_EQ(view.map(file, fileBytes, false), 0);
    FileMapping ninth;
    EXPECT_EQ(ninth.map(file, fileBytes, false), ENOMEM);
    ASSERT_EQ(views[3].unmap(), 0);
    EXPECT_EQ(ninth.map(file, fileBytes, false), 0);
}

// An earlier handler of the process's own, called for a fault outside every
// view, may change errno: the code the fault interrupted finds it as it was.
void onEarlierBusError(int, siginfo_t* info, void*) {
    const long page = sysconf(_SC_PAGESIZE);
    void* start = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(info->si_addr) & ~(page - 1));
    mmap(start, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    errno = EIO;
}

void touchUnguardedPageAfterAnEarlierHandler(const std::filesystem::path& directory) {
    struct sigaction earlier {};
    earlier.sa_sigaction = onEarlierBusError;
    earlier.sa_flags = SA_SIGINFO;
    sigemptyset(&earlier.sa_mask);
    sigaction(SIGBUS, &earlier, nullptr);
    ByteFile guarded = openFilled(directory / "guarded", 'g');
    FileMapping view;
    if (view.map(guarded, fileBytes, false) != 0) std::_Exit(3);
    ByteFile plain = openFilled(directory / "plain", 'p');
    void* bytes = ::mmap(nullptr, fileBytes, PROT_READ, MAP_SHARED, plain.descriptor(), 0);
    if (bytes == MAP_FAILED) std::_Exit(4);
    std::filesystem::resize_file(directory / "plain", 0);
    // Through a volatile name: the compiler may not take the access for one that leaves errno alone.
    volatile int* const error = &errno;
    *error = ENOTTY;
    const volatile char lost = static_cast<const char*>(bytes)[4096];
    const int seen = *error;
    std::_Exit(lost == 0 && seen == ENOTTY ? 0 : seen == EIO ? 5 : 6);
}

TEST(GuardedViewsDeathTest, AHandledFaultLeavesErrnoAsItWas) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    EXPECT_EXIT(touchUnguardedPageAfterAnEarlierHandler(dir.path()), testing::ExitedWithCode(0), "");
}

} // namespace
