// Files that another process changes while a tool runs: an input or an output
// cut short in the middle of the pass ends the run with a report, never with
// a signal. The big picture is a sparse file, so the tests stay quick.
#include "files.hpp"
#include "runprogram.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int bigWidth = 12000;
constexpr int bigHeight = 9000;

// A black 12000 x 9000 picture whose top and bottom rows are frame blue; or,
// with pixel data that begins within the header (at 30), which sends both
// tools to their passes that view the files, all black.
void writeBigPicture(const fs::path& path, int dataOffset = 54) {
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    header[10] = static_cast<char>(dataOffset);
    header[18] = static_cast<char>(bigWidth % 256);
    header[19] = static_cast<char>(bigWidth / 256);
    header[22] = static_cast<char>(bigHeight % 256);
    header[23] = static_cast<char>(bigHeight / 256);
    header[28] = 24;
    const std::size_t rowBytes = 3 * bigWidth;
    std::string blueRow;
    for (int x = 0; x < bigWidth; ++x) blueRow += std::string("\xFF\0\0", 3);
    if (dataOffset < 54) {
        writeFile(path, header);
        fs::resize_file(path, dataOffset + rowBytes * bigHeight);
        return;
    }
    writeFile(path, header + blueRow);
    fs::resize_file(path, 54 + rowBytes * (bigHeight - 1));
    std::FILE* file = std::fopen(path.c_str(), "ab");
    std::fwrite(blueRow.data(), 1, blueRow.size(), file);
    std::fclose(file);
}

// The first dot of the pass: the pre-fill's line of dots has ended.
bool passHasBegun(const std::string& output) {
    const std::string prefillLine = "TMP-Datei erstellen...\r\n";
    std::size_t dots = output.find(prefillLine);
    return dots != std::string::npos && output.find(".\r\n.", dots + prefillLine.size()) != std::string::npos;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct ChangeCase {
    const char* title;
    const char* program;
    std::vector<std::string> arguments;
    const char* cutFile;
    const char* report;
    int dataOffset = 54;
};

TEST(ChangingFiles, AFileCutShortDuringThePassEndsTheRunWithAReport) {
    const ChangeCase cases[] = {
        {"input under a turn", KIPPDREH_PATH, {"big.bmp", "g=1"}, "big.bmp", "\nRead beyond end of file.\r\n"},
        {"input under a rectification", GLATTZUG_PATH, {"big.bmp", "v", "40", "50"}, "big.bmp",
         "\nRead beyond end of file.\r\n"},
        {"output of a turn", KIPPDREH_PATH, {"big.bmp", "g=1"}, "BIG.TMP", "\nI/O error 5.\r\n"},
        {"output of a rectification", GLATTZUG_PATH, {"big.bmp", "v", "40", "50"}, "BIG.TMP", "\nI/O error 5.\r\n"},
        // Under views: a lost page reads as zeros until the pass's next check.
        {"viewed input of a turn", KIPPDREH_PATH, {"big.bmp", "g=1"}, "big.bmp", "\nRead beyond end of file.\r\n", 30},
        {"viewed output of a turn", KIPPDREH_PATH, {"big.bmp", "g=1"}, "BIG.TMP", "\nI/O error 5.\r\n", 30},
        {"viewed input of a rectification", GLATTZUG_PATH, {"big.bmp", "h"}, "big.bmp",
         "\nRead beyond end of file.\r\n", 30},
        {"viewed output of a rectification", GLATTZUG_PATH, {"big.bmp", "h"}, "BIG.TMP", "\nI/O error 5.\r\n", 30},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.title);
        TempDir dir;
        writeBigPicture(dir / "big.bmp", c.dataOffset);
        RunSetting setting;
        setting.when = passHasBegun;
        // The output is a temporary file until the run ends: it is cut where the tool holds it.
        const bool outputCut = std::string_view(c.cutFile) == "BIG.TMP";
        setting.then = [&] { fs::resize_file(outputCut ? pendingOutputIn(dir.path()) : dir / c.cutFile, 1000); };
        RunResult result = runProgram(c.program, c.arguments, dir.path(), setting);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(endsWith(result.output, c.report)) << result.output.substr(result.output.size() - std::min<std::size_t>(result.output.size(), 200));
        EXPECT_EQ(result.output.find("geschrieben"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "BIG.TMP"));
    }
}

} // namespace
