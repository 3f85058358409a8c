// The output appears whole or not at all. Every tool writes into a temporary
// file beside its output and renames it into place once it checked it; runs
// stopped at a chosen point (the tools' test pause) by a cut, a deletion, a
// second run or a signal, and runs whose file calls fail one at a time (the
// tools' fault seam), either report their failure and leave the earlier output
// as it was, or say "geschrieben" and leave the whole output.
#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// 45 columns and 35 rows, blue bars left and right, so that both modes of
// the rectifier and every turn change it.
PixelRows framedPicture() {
    PixelRows rows = patternPicture(45, 35);
    for (int y = 0; y < 35; ++y) {
        for (int x = 0; x < 1 + y % 3; ++x) rows[y][x] = Bgr{255, 0, 0};
        for (int x = 43 - y % 2; x < 45; ++x) rows[y][x] = Bgr{255, 0, 0};
    }
    return rows;
}
const std::string picture = makeBmp(framedPicture());
const std::string measurements = "1000 0800\r\n100 10.0 900 0.0\r\n300 12.0 100 30.0\r\n";
const std::string earlierOutput = "the output of an earlier run";

struct Tool {
    const char* title;
    const char* program;
    std::vector<std::string> arguments;
    const char* input;
    const char* output;
};

const Tool tools[] = {
    {"turn", KIPPDREH_PATH, {"k.bmp", "g=12.5"}, "k.bmp", "K.TMP"},
    {"rectification", GLATTZUG_PATH, {"k.bmp", "h"}, "k.bmp", "K.TMP"},
    {"calibration", MESSKART_PATH, {"k.txt"}, "k.txt", "k.INF"},
};
const Tool& messkart = tools[2];

void writeInput(const TempDir& dir, const Tool& tool) {
    writeFile(dir / tool.input, std::string(tool.input) == "k.txt" ? measurements : picture);
}

// The input, and at the output's name what an earlier run left there.
void writeInputAndEarlierOutput(const TempDir& dir, const Tool& tool) {
    writeInput(dir, tool);
    writeFile(dir / tool.output, earlierOutput);
}

// What an undisturbed run writes.
std::string undisturbedOutput(const Tool& tool, const std::vector<std::string>& arguments) {
    TempDir dir;
    writeInput(dir, tool);
    RunResult run = runProgram(tool.program, arguments, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    return readFile(dir / tool.output);
}

std::set<std::string> namesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool said(const RunResult& run, const std::string& text) { return run.output.find(text) != std::string::npos; }

// The one rule: a run that says "geschrieben" leaves the whole output and ends
// with 0; any other run ends by itself with 1 (or by the signal it was sent)
// and leaves the earlier output as it was. No temporary file is left either way.
void expectWholeOrEarlier(const TempDir& dir, const Tool& tool, const RunResult& run, const std::string& whole) {
    EXPECT_FALSE(run.hung);
    if (said(run, "geschrieben")) {
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(readFile(dir / tool.output), whole);
    } else {
        EXPECT_TRUE(run.exitCode == 1 || run.signal != 0) << run.output;
        EXPECT_EQ(readFile(dir / tool.output), earlierOutput);
    }
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{tool.input, tool.output}));
}

// messkart writes its few bytes in one go: there is no time between its writes to cut them.
TEST(TemporaryOutput, AnOutputCutWhileTheRunWaitsIsReportedNotTakenForFinished) {
    for (const Tool& tool : {tools[0], tools[1]}) {
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        for (const char* point : {"after-prefill", "before-check"}) {
            for (std::uintmax_t cutTo : {std::uintmax_t{54}, whole.size() / 2, std::uintmax_t{0}}) {
                SCOPED_TRACE(std::string(tool.title) + " " + point + " cut to " + std::to_string(cutTo));
                TempDir dir;
                writeInputAndEarlierOutput(dir, tool);
                RunSetting setting;
                setting.pauseAt = point;
                setting.atPause = [&](const fs::path& pending, int) { fs::resize_file(pending, cutTo); };
                RunResult run = runProgram(tool.program, tool.arguments, dir.path(), setting);
                EXPECT_TRUE(run.paused);
                expectWholeOrEarlier(dir, tool, run, whole);
                // Cut after the last write: the check must find it.
                if (std::string(point) == "before-check") {
                    EXPECT_TRUE(run.output.ends_with("\nI/O error 5.\r\n")) << run.output;
                }
            }
        }
    }
}

TEST(TemporaryOutput, ASignalAtAnyPointLeavesTheEarlierOutputAndEndsTheRunByIt) {
    for (const Tool& tool : tools) {
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        for (const char* point : {"after-prefill", "before-check", "before-rename"}) {
            for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
                SCOPED_TRACE(std::string(tool.title) + " " + point + " signal " + std::to_string(signal));
                const bool reached = std::string(tool.title) != "calibration" || std::string(point) == "before-rename";
                if (!reached) continue;
                TempDir dir;
                writeInputAndEarlierOutput(dir, tool);
                RunSetting setting;
                setting.pauseAt = point;
                setting.atPause = [&](const fs::path&, int processId) { kill(processId, signal); };
                RunResult run = runProgram(tool.program, tool.arguments, dir.path(), setting);
                EXPECT_TRUE(run.paused);
                EXPECT_EQ(run.signal, signal);
                expectWholeOrEarlier(dir, tool, run, whole);
            }
        }
    }
}

TEST(TemporaryOutput, ATemporaryDeletedBeforeTheRenameIsReported) {
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.title);
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        TempDir dir;
        writeInputAndEarlierOutput(dir, tool);
        RunSetting setting;
        setting.pauseAt = "before-rename";
        setting.atPause = [&](const fs::path& pending, int) { EXPECT_TRUE(fs::remove(pending)); };
        RunResult run = runProgram(tool.program, tool.arguments, dir.path(), setting);
        EXPECT_TRUE(run.output.ends_with("\nFile not found.\r\n")) << run.output;
        expectWholeOrEarlier(dir, tool, run, whole);
    }
}

// Deleting the earlier output while the run works does not keep the new one from appearing.
TEST(TemporaryOutput, AnEarlierOutputDeletedDuringTheRunIsReplacedAllTheSame) {
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.title);
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        TempDir dir;
        writeInputAndEarlierOutput(dir, tool);
        RunSetting setting;
        setting.pauseAt = "before-rename";
        setting.atPause = [&](const fs::path&, int) { EXPECT_TRUE(fs::remove(dir / tool.output)); };
        RunResult run = runProgram(tool.program, tool.arguments, dir.path(), setting);
        EXPECT_TRUE(said(run, "geschrieben"));
        EXPECT_EQ(readFile(dir / tool.output), whole);
    }
}

// Two runs on one output name: each that says "geschrieben" wrote a whole
// output, and the name holds the output of the run that finished last.
TEST(TemporaryOutput, TwoRunsOnOneOutputNameLeaveTheWholeOutputOfTheLastOne) {
    const Tool& rectifier = tools[1];
    const std::vector<std::string> byRows = {"k.bmp", "h"};
    const std::vector<std::string> byColumns = {"k.bmp", "v"};
    const std::string rowsOutput = undisturbedOutput(rectifier, byRows);
    const std::string columnsOutput = undisturbedOutput(rectifier, byColumns);
    ASSERT_NE(rowsOutput, columnsOutput);
    for (const char* point : {"after-prefill", "before-check", "before-rename"}) {
        SCOPED_TRACE(point);
        TempDir dir;
        writeInput(dir, rectifier);
        RunResult second;
        RunSetting setting;
        setting.pauseAt = point;
        setting.atPause = [&](const fs::path&, int) {
            second = runProgram(rectifier.program, byColumns, dir.path());
            EXPECT_EQ(readFile(dir / rectifier.output), columnsOutput);
        };
        RunResult first = runProgram(rectifier.program, byRows, dir.path(), setting);
        EXPECT_TRUE(said(first, "geschrieben"));
        EXPECT_TRUE(said(second, "geschrieben"));
        EXPECT_EQ(readFile(dir / rectifier.output), rowsOutput);
        EXPECT_EQ(namesIn(dir), (std::set<std::string>{"k.bmp", "K.TMP"}));
    }
}

// A link at the output name, planted by someone else in a shared folder, is
// replaced by the output; the file it led to is left alone.
TEST(TemporaryOutput, ALinkAtTheOutputNameIsReplacedAndItsTargetLeftAlone) {
    for (const Tool& tool : tools) {
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        for (bool symbolic : {true, false}) {
            SCOPED_TRACE(std::string(tool.title) + (symbolic ? " symbolic link" : " hard link"));
            TempDir dir;
            writeInput(dir, tool);
            writeFile(dir / "victim", "someone else's file");
            if (symbolic) {
                fs::create_symlink(dir / "victim", dir / tool.output);
            } else {
                fs::create_hard_link(dir / "victim", dir / tool.output);
            }
            RunResult run = runProgram(tool.program, tool.arguments, dir.path());
            EXPECT_TRUE(said(run, "geschrieben"));
            EXPECT_EQ(readFile(dir / "victim"), "someone else's file");
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / tool.output)));
            EXPECT_EQ(readFile(dir / tool.output), whole);
        }
    }
}

// Each call of the file layer that can fail during a run is made to fail in
// turn: every run ends with the report and 1 (never with a signal, as an
// exception from a destructor would end it), or, where a failure does not
// matter (closing the input), with the whole output.
TEST(TemporaryOutput, AFileCallFailingAtAnyPointEndsWithTheReportAndTheEarlierOutput) {
    for (const Tool& tool : tools) {
        const std::string whole = undisturbedOutput(tool, tool.arguments);
        for (const char* call : {"fstat", "ftruncate", "close", "rename"}) {
            int reports = 0;
            int lastReport = 0;
            // A run makes few calls of each kind: past six whole runs in a row there are no more.
            for (int occurrence = 1, wholeInARow = 0; occurrence <= 40 && wholeInARow < 6; ++occurrence) {
                SCOPED_TRACE(std::string(tool.title) + " " + call + ":" + std::to_string(occurrence));
                TempDir dir;
                writeInputAndEarlierOutput(dir, tool);
                RunSetting setting;
                setting.environment = {std::string("KARTEN_TEST_FAULT=") + call + ":" + std::to_string(occurrence)};
                RunResult run = runProgram(tool.program, tool.arguments, dir.path(), setting);
                EXPECT_EQ(run.signal, 0);
                expectWholeOrEarlier(dir, tool, run, whole);
                wholeInARow = said(run, "geschrieben") ? wholeInARow + 1 : 0;
                if (!said(run, "geschrieben")) {
                    EXPECT_TRUE(run.output.ends_with("\nI/O error 5.\r\n")) << run.output;
                    ++reports;
                    lastReport = occurrence;
                }
            }
            // Some point of every kind can fail, and the runs after the last such point finish.
            if (std::string(call) != "ftruncate" && (std::string(call) != "fstat" || &tool != &messkart)) {
                EXPECT_GT(reports, 0) << tool.title << " " << call;
            }
            EXPECT_LT(lastReport, 30) << tool.title << " " << call;
        }
    }
}

// Permission bits of a new file for the pictures; the earlier calibration's
// access, access list and owner for the calibration.
TEST(TemporaryOutput, AReplacedCalibrationKeepsItsOwnerAndAccessList) {
    TempDir dir;
    writeInputAndEarlierOutput(dir, messkart);
    fs::permissions(dir / messkart.output, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string inf = (dir / messkart.output).string();
    const bool listSet = std::system(("setfacl -m u:4321:rw '" + inf + "' 2>/dev/null").c_str()) == 0;
    const bool ownerSet = geteuid() == 0 && chown(inf.c_str(), 4321, 4322) == 0;
    RunResult run = runProgram(messkart.program, messkart.arguments, dir.path());
    EXPECT_TRUE(said(run, "geschrieben"));
    struct stat info {};
    ASSERT_EQ(stat(inf.c_str(), &info), 0);
    if (!listSet && !ownerSet) GTEST_SKIP() << "no access lists on this file system and not root";
    if (listSet) {
        const std::string listed = dir / "acl.txt";
        ASSERT_EQ(std::system(("getfacl -cn '" + inf + "' 2>/dev/null > '" + listed + "'").c_str()), 0);
        EXPECT_EQ(readFile(listed), "user::rw-\nuser:4321:rw-\ngroup::r--\nmask::rw-\nother::---\n\n");
    } else {
        EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
    if (ownerSet) {
        EXPECT_EQ(info.st_uid, 4321u);
        EXPECT_EQ(info.st_gid, 4322u);
    }
}

// An input that is not a file (a pipe with no writer, a device) is refused as
// a folder given as input is: at once, with the same words.
TEST(TemporaryOutput, AnInputThatIsNoFileIsRefusedAsAFolderIs) {
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.title);
        TempDir dir;
        fs::create_directory(dir / "d.bmp");
        RunResult folder = runProgram(tool.program, {"d.bmp", tool.arguments.size() > 1 ? tool.arguments[1] : ""},
                                      dir.path());
        ASSERT_EQ(mkfifo((dir / "f.bmp").c_str(), 0600), 0);
        fs::create_symlink("/dev/zero", dir / "z.bmp");
        for (const char* name : {"f.bmp", "z.bmp"}) {
            RunResult run = runProgram(tool.program, {name, tool.arguments.size() > 1 ? tool.arguments[1] : ""},
                                       dir.path());
            std::string expected = folder.output;
            const char shown[] = {name[0], static_cast<char>(name[0] - 'a' + 'A')};
            for (const char* folderName : {"d.bmp", "d.INF", "D.BMP", "D.TMP"}) {
                for (std::size_t at = 0; (at = expected.find(folderName, at)) != std::string::npos;) {
                    expected[at] = shown[folderName[0] == 'D'];
                }
            }
            EXPECT_FALSE(run.hung);
            EXPECT_EQ(run.output, expected);
            EXPECT_EQ(run.exitCode, folder.exitCode);
        }
        EXPECT_EQ(namesIn(dir), (std::set<std::string>{"d.bmp", "f.bmp", "z.bmp"}));
    }
}

} // namespace
