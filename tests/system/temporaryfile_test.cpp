// The temporary that replaces a file only when complete, in this process:
// every file call of the replacement failing in turn leaves the old file and
// no leftover; the access of the old file goes with the new one or narrows.
#include "faultseam.hpp"
#include "failure.hpp"
#include "files.hpp"
#include "temporaryfile.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The fault seam chooses for the test's own calls, and forgets when it ends.
struct ChosenFault {
    explicit ChosenFault(const char* setting) { chooseFault(setting); }
    ~ChosenFault() { chooseFault(nullptr); }
};

TEST(TemporaryFile, ReplacesTheFileWholeAndLeavesNothingBeside) {
    TempDir dir;
    writeFile(dir / "A.INF", "old text, longer than the new one");
    EXPECT_EQ(replaceWithText((dir / "A.INF").string(), "new\r\n"), 0);
    EXPECT_EQ(readFile(dir / "A.INF"), "new\r\n");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"A.INF"});
}

struct FaultCase {
    const char* setting;
    bool reported;  // a failure report; else the run reports the temporary it could not make
};

class TemporaryFileFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(TemporaryFileFaults, LeaveTheOldFileAndNoLeftover) {
    TempDir dir;
    writeFile(dir / "A.INF", "old");
    ChosenFault fault(GetParam().setting);
    bool raised = false;
    int result = 0;
    try {
        result = replaceWithText((dir / "A.INF").string(), "new\r\n");
    } catch (const RunFailure& failure) {
        raised = true;
        EXPECT_EQ(failure.ioNumber, EIO);
    }
    EXPECT_EQ(raised, GetParam().reported);
    EXPECT_EQ(result, GetParam().reported ? 0 : EIO);
    EXPECT_EQ(readFile(dir / "A.INF"), "old");
    EXPECT_EQ(namesIn(dir), std::set<std::string>{"A.INF"});
}

INSTANTIATE_TEST_SUITE_P(EachCall, TemporaryFileFaults,
                         testing::Values(FaultCase{"tmpfile:1", false}, FaultCase{"close:1", true},
                                         FaultCase{"rename:1", true}));

TEST(FaultSeam, FailsOnlyTheChosenOccurrenceOfTheChosenCall) {
    ChosenFault fault("close:3");
    std::string seen;
    for (int i = 0; i < 5; ++i) {
        seen += injectedFault(FaultCall::Rename) == 0 ? 'r' : 'R';
        seen += injectedFault(FaultCall::Close) == 0 ? 'c' : 'C';
    }
    EXPECT_EQ(seen, "rcrcrCrcrc");
    for (const char* none : {"close", "closed:1", "close:0", ":1"}) {
        chooseFault(none);
        EXPECT_EQ(injectedFault(FaultCall::Close), 0) << none;
    }
    chooseFault("fsetxattr:1");
    EXPECT_EQ(injectedFault(FaultCall::SetAccessList), EIO);
    EXPECT_EQ(injectedFault(FaultCall::SetAccessList), 0);
}

// Access lists, set and read with the system's own tools.
bool setAccessList(const fs::path& file, const std::string& entries) {
    return std::system(("setfacl -m '" + entries + "' '" + file.string() + "' 2>/dev/null").c_str()) == 0;
}

std::string accessListOf(const TempDir& dir, const fs::path& file) {
    const fs::path listed = dir / "acl.txt";
    if (std::system(("getfacl -cn '" + file.string() + "' 2>/dev/null > '" + listed.string() + "'").c_str()) != 0) {
        return "unreadable";
    }
    std::string list = readFile(listed);
    fs::remove(listed);
    return list;
}

unsigned modeOf(const fs::path& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 010000;
}

// A list that cannot be given to the new file: the bits that stand in for it
// give the owning group no more than its own entry did, whatever the mask.
TEST(TemporaryFile, AnAccessListThatCannotBeCopiedOnlyNarrowsTheAccess) {
    struct Case {
        const char* entries;
        unsigned mode;  // of the new file
    };
    for (const Case& c : {Case{"u:4321:rwx,g::---,o::---", 0600}, Case{"u:4321:rwx,g::r--,o::r--", 0644},
                          Case{"g:4322:r--,g::rw-,o::---", 0660},
                          Case{"g::rwx,m::r--,o::---", 0640}}) {
        SCOPED_TRACE(c.entries);
        TempDir dir;
        writeFile(dir / "A.INF", "old");
        fs::permissions(dir / "A.INF", fs::perms::owner_read | fs::perms::owner_write);
        if (!setAccessList(dir / "A.INF", c.entries)) GTEST_SKIP() << "no access lists here";
        ChosenFault fault("fsetxattr:1");
        EXPECT_EQ(replaceWithText((dir / "A.INF").string(), "new\r\n"), 0);
        EXPECT_EQ(readFile(dir / "A.INF"), "new\r\n");
        EXPECT_EQ(modeOf(dir / "A.INF"), c.mode);
    }
}

// A folder in memory, whose files take access lists of any length (a disk's
// file system may allow no more than a block).
struct MemoryFolder {
    MemoryFolder() {
        char name[] = "/dev/shm/kartentest-XXXXXX";
        if (mkdtemp(name) != nullptr) path = name;
    }
    ~MemoryFolder() {
        if (!path.empty()) fs::remove_all(path);
    }
    fs::path path;
};

// 600 named users: longer than any fixed buffer, and copied whole.
TEST(TemporaryFile, ALongAccessListIsCopiedWhole) {
    TempDir dir;
    MemoryFolder memory;
    if (memory.path.empty()) GTEST_SKIP() << "no folder in memory";
    const fs::path inf = memory.path / "A.INF";
    writeFile(inf, "old");
    std::string entries = "g::---,o::---";
    for (int user = 5000; user < 5600; ++user) entries += ",u:" + std::to_string(user) + ":r";
    if (!setAccessList(inf, entries)) GTEST_SKIP() << "no access lists here";
    const std::string before = accessListOf(dir, inf);
    ASSERT_GT(before.size(), 600u * 10);
    EXPECT_EQ(replaceWithText(inf.string(), "new\r\n"), 0);
    EXPECT_EQ(readFile(inf), "new\r\n");
    EXPECT_EQ(accessListOf(dir, inf), before);
}

} // namespace
