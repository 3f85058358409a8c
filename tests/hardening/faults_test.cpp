// Faults around the runs: an output that cannot be created or cannot grow,
// standard input closed or at its end at every pause, standard output
// nobody reads. Every run ends by itself and leaves its input as it was.
#include "toolruns.hpp"

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const Bgr B{255, 0, 0};
const Bgr r{0, 0, 200};
const Bgr g{0, 180, 0};
const Bgr k{10, 20, 30};
// Forty columns, thirty rows, blue bars of different widths on the left and right.
PixelRows framedPicture() {
    PixelRows rows;
    for (int y = 0; y < 30; ++y) {
        std::vector<Bgr> row;
        for (int x = 0; x < 40; ++x) row.push_back(x < 1 + y % 3 || x > 37 - y % 2 ? B : (x + y) % 3 == 0 ? r : x % 2 ? g : k);
        rows.push_back(row);
    }
    return rows;
}
const std::string picture = makeBmp(framedPicture());

const std::string diskFull = "\nDisk full.\r\n";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<ToolCall> imageCalls() { return {rotationCall("g=12.5"), rectifierCall({"v"})}; }

// The .TMP name taken by a folder, or a folder that takes no new file: the
// creation fails with its own message and pause, and the run ends. (A link at
// the name is replaced: see temporary_output_test.)
struct BlockedOutput {
    const char* name;
    void (*block)(const fs::path& tmp);
    const char* report;
};

// The message names the fault; no second report sends the user looking for another.
TEST(OutputFaults, AnOutputThatCannotBeCreatedEndsTheRunAfterThePause) {
    void (*blocks[])(const fs::path& tmp) = {
        [](const fs::path& tmp) { fs::create_directory(tmp); },
        [](const fs::path& tmp) { fs::permissions(tmp.parent_path(), fs::perms::owner_read | fs::perms::owner_exec); },
    };
    for (auto block : blocks) {
        for (const ToolCall& call : imageCalls()) {
            SCOPED_TRACE(call.title);
            TempDir dir;
            writeFile(dir / "k.bmp", picture);
            block(dir / "K.TMP");
            RunResult result = runProgram(call.program, {"k.bmp", call.arguments[0]}, dir.path(), {});
            fs::permissions(dir.path(), fs::perms::owner_all);
            // Root writes into any folder: then the run succeeds.
            if (result.output.find("geschrieben") != std::string::npos && geteuid() == 0) continue;
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_TRUE(endsWith(result.output, "TMP-Datei erstellen...\r\nDisk-Schreibfehler\a\r\n" + pauseText()))
                << result.output;
            EXPECT_EQ(readFile(dir / "k.bmp"), picture);
        }
    }
}

// With a file-size limit and SIGXFSZ ignored, a write past the limit fails
// with EFBIG: the run ends with "Disk full", never by the signal.
TEST(OutputFaults, AnOutputThatCannotGrowEndsWithDiskFull) {
    // The rotation's pre-fill of 45 x 35 pixels is 4779 bytes; its pass writes beyond that.
    const rlim_t limits[] = {100, 2000, 4779};
    for (rlim_t limit : limits) {
        for (const ToolCall& call : imageCalls()) {
            SCOPED_TRACE(std::string(call.title) + " limit " + std::to_string(limit));
            RunSetting setting;
            setting.fileSizeLimit = limit;
            HostileFileRun run = runOnFile(call, picture, setting);
            if (std::string_view(call.moduleName) == "glattzug" && limit > picture.size()) continue;
            EXPECT_EQ(run.judgement.ending, Ending::Report);
            EXPECT_EQ(run.judgement.message, "Disk full");
            EXPECT_TRUE(endsWith(run.result.output, diskFull));
            EXPECT_LE(run.output.size(), limit);
        }
    }
}

// Every pause of every ending: standard input closed, or a pipe at its end,
// gives the same run as an empty file.
TEST(InputFaults, EveryPausePassesWithStandardInputClosedOrAtItsEnd) {
    struct Case {
        ToolCall call;
        std::string file;
        std::vector<std::string> arguments;
    };
    const std::vector<Case> cases = {
        {rotationCall("g=12.5"), picture, {"k.bmp", "g=12.5"}},                     // success
        {rotationCall("g=12.5"), picture, {"k.bmp"}},                               // help text
        {rotationCall("x=1"), picture.substr(0, 40), {"k.bmp", "x=1"}},             // step message
        {rotationCall("x=1"), picture.substr(0, 2000), {"k.bmp", "x=1"}},           // failure report
        {rectifierCall({"h"}), picture, {"k.bmp", "h"}},                            // success
        {rectifierCall({"h"}), picture, {"k.bmp", "q"}},                            // help text
        {rectifierCall({"h"}), withWord16(picture, 50, 1), {"k.bmp", "h"}},         // step message
        {rectifierCall({"h"}), picture.substr(0, 3000), {"k.bmp", "v", "47", "55"}}, // failure report
    };
    for (const Case& c : cases) {
        for (StandardInput input : {StandardInput::Closed, StandardInput::EmptyPipe}) {
            SCOPED_TRACE(std::string(c.call.title) + " " + c.arguments.back() + " stdin " +
                         (input == StandardInput::Closed ? "closed" : "empty pipe"));
            TempDir expectedDir;
            writeFile(expectedDir / "k.bmp", c.file);
            RunResult expected = runProgram(c.call.program, c.arguments, expectedDir.path());
            TempDir dir;
            writeFile(dir / "k.bmp", c.file);
            RunSetting setting;
            setting.input = input;
            RunResult result = runProgram(c.call.program, c.arguments, dir.path(), setting);
            EXPECT_FALSE(result.hung);
            EXPECT_EQ(result.output, expected.output);
            EXPECT_EQ(result.exitCode, expected.exitCode);
            EXPECT_EQ(readFile(dir / "k.bmp"), c.file);
        }
    }
}

TEST(ConsoleFaults, AClosedPipeOnStandardOutputEndsTheRunAtItsFirstLine) {
    for (const ToolCall& call : imageCalls()) {
        RunSetting setting;
        setting.output = StandardOutput::BrokenPipe;
        TempDir dir;
        writeFile(dir / "k.bmp", picture);
        RunResult result = runProgram(call.program, {"k.bmp", call.arguments[0]}, dir.path(), setting);
        EXPECT_FALSE(result.hung) << call.title;
        EXPECT_EQ(result.signal, 0) << call.title;
        EXPECT_EQ(result.exitCode, 1) << call.title;
        EXPECT_EQ(readFile(dir / "k.bmp"), picture);
        EXPECT_FALSE(fs::exists(dir / "K.TMP")) << call.title;
    }
}

TEST(ConsoleFaults, AClosedStandardOutputDoesNotLandInTheOutput) {
    for (const ToolCall& call : imageCalls()) {
        HostileFileRun expected = runOnFile(call, picture);
        TempDir dir;
        writeFile(dir / "k.bmp", picture);
        RunSetting setting;
        setting.output = StandardOutput::Closed;
        RunResult result = runProgram(call.program, {"k.bmp", call.arguments[0]}, dir.path(), setting);
        EXPECT_EQ(result.exitCode, 0) << call.title;
        EXPECT_TRUE(readFile(dir / "K.TMP") == expected.output) << call.title;
        EXPECT_EQ(readFile(dir / "k.bmp"), picture);
    }
}

// The calibration generator writes its .INF whole or not at all.
const std::string measurements = "0320 0240\r\n100 10.0 900 0.0\r\n300 12.0 100 30.0\r\n";
const std::string earlierCalibration = "1.0000\r\n2.0000\r\n3.0000\r\n4.0000\r\n1\r\n2\r\n";

TEST(CalibrationFaults, AnInfThatCannotBeWrittenLeavesTheEarlierOneIntact) {
    for (rlim_t limit : {rlim_t{0}, rlim_t{5}, rlim_t{30}}) {
        SCOPED_TRACE(limit);
        TempDir dir;
        writeFile(dir / "mess.txt", measurements);
        writeFile(dir / "mess.INF", earlierCalibration);
        RunSetting setting;
        setting.fileSizeLimit = limit;
        RunResult result = runProgram(MESSKART_PATH, {"mess.txt"}, dir.path(), setting);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.output.find("Exception EInOutError in module messkart at "), std::string::npos);
        EXPECT_TRUE(endsWith(result.output, diskFull)) << result.output;
        EXPECT_EQ(readFile(dir / "mess.INF"), earlierCalibration);
        EXPECT_EQ(readFile(dir / "mess.txt"), measurements);
        int files = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
        EXPECT_EQ(files, 2) << "a temporary file was left behind";
    }
}

TEST(CalibrationFaults, AReplacedInfKeepsItsPermissions) {
    for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write, fs::perms::all}) {
        TempDir dir;
        writeFile(dir / "mess.txt", measurements);
        writeFile(dir / "mess.INF", earlierCalibration);
        fs::permissions(dir / "mess.INF", mode);
        RunResult result = runProgram(MESSKART_PATH, {"mess.txt"}, dir.path());
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(readFile(dir / "mess.INF"), earlierCalibration);
        EXPECT_EQ(fs::status(dir / "mess.INF").permissions(), mode);
    }
}

TEST(CalibrationFaults, EveryPausePassesWithStandardInputClosedOrAtItsEnd) {
    const std::vector<std::vector<std::string>> runs = {{}, {"mess.txt"}, {"missing.txt"}, {"bad.txt"}};
    for (const auto& arguments : runs) {
        for (StandardInput input : {StandardInput::Closed, StandardInput::EmptyPipe}) {
            TempDir dir;
            writeFile(dir / "mess.txt", measurements);
            writeFile(dir / "bad.txt", "0320 0240\r\n100 x 900 0.0\r\n");
            RunResult expected = runProgram(MESSKART_PATH, arguments, dir.path());
            RunSetting setting;
            setting.input = input;
            RunResult result = runProgram(MESSKART_PATH, arguments, dir.path(), setting);
            EXPECT_FALSE(result.hung);
            EXPECT_EQ(result.output, expected.output);
            EXPECT_EQ(result.exitCode, expected.exitCode);
        }
    }
}

TEST(CalibrationFaults, AClosedPipeOnStandardOutputEndsTheRun) {
    TempDir dir;
    writeFile(dir / "mess.txt", measurements);
    RunSetting setting;
    setting.output = StandardOutput::BrokenPipe;
    RunResult result = runProgram(MESSKART_PATH, {"mess.txt"}, dir.path(), setting);
    EXPECT_FALSE(result.hung);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(readFile(dir / "mess.txt"), measurements);
    EXPECT_FALSE(fs::exists(dir / "mess.INF"));
}

} // namespace
