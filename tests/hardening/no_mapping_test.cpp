// Without address space for a view of the files (a tight limit on virtual
// memory), the passes read and write through the files themselves and leave
// the same bytes as with views.
#include "bmpwriter.hpp"
#include "console.hpp"
#include "outputfile.hpp"
#include "passoptions.hpp"
#include "files.hpp"
#include "glattzug/arguments.hpp"
#include "glattzug/passes.hpp"
#include "glattzug/prepare.hpp"
#include "kippdreh/arguments.hpp"
#include "kippdreh/runrotation.hpp"
#include "runprogram.hpp"

#include <gtest/gtest.h>

namespace {

const Bgr B{255, 0, 0};

// Blue bars of wandering width on all four sides around a pattern.
std::string framedPicture(int width, int height) {
    PixelRows rows = patternPicture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool bar = x < 1 + y % 3 || x > width - 3 + y % 2 || y < 1 + x % 2 || y > height - 4 + x % 3;
            if (bar) rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = B;
        }
    }
    return makeBmp(rows);
}

struct ToolRun {
    const char* program;
    std::vector<std::string> arguments;  // after the file name
};

// The run's work step in this process, with every view refused.
void runWithoutViews(const ToolRun& run, const std::string& input) {
    std::vector<std::string> words{run.program, input};
    words.insert(words.end(), run.arguments.begin(), run.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    const int argc = static_cast<int>(argv.size());
    std::string console;
    captureConsole(&console);
    PassOptions options = defaultPassOptions();
    options.views = false;
    if (std::string(run.program) == "kippdreh") {
        kippdreh::RotationJob job;
        kippdreh::parseArguments(job, argc, argv.data());
        ASSERT_TRUE(kippdreh::runRotation(job, options));
    } else {
        glattzug::RectifyState state;
        glattzug::parseArguments(state, argc, argv.data());
        state.options = options;
        ASSERT_TRUE(glattzug::prepareFiles(state));
        state.mode == glattzug::LineKind::Row ? glattzug::rectifyRows(state) : glattzug::rectifyColumns(state);
        state.input.close();
        publishOutput(state.output, state.outName);
    }
    captureConsole(nullptr);
}

TEST(NoViews, ThePassesLeaveTheSameBytes) {
    const std::string picture = framedPicture(37, 23);
    const ToolRun runs[] = {{"kippdreh", {"g=30"}}, {"kippdreh", {"g=90"}}, {"kippdreh", {"x=-5"}},
                            {"glattzug", {"h"}},    {"glattzug", {"v"}},    {"glattzug", {"v", "47.5", "55"}}};
    for (const ToolRun& run : runs) {
        SCOPED_TRACE(std::string(run.program) + " " + run.arguments[0]);
        TempDir dir;
        writeFile(dir / "k.bmp", picture);
        std::vector<std::string> arguments{"k.bmp"};
        arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
        const char* path = std::string(run.program) == "kippdreh" ? KIPPDREH_PATH : GLATTZUG_PATH;
        ASSERT_EQ(runProgram(path, arguments, dir.path()).exitCode, 0);
        const std::string withViews = readFile(dir / "K.TMP");
        std::filesystem::remove(dir / "K.TMP");
        runWithoutViews(run, (dir / "k.bmp").string());
        EXPECT_TRUE(readFile(dir / "K.TMP") == withViews);
        EXPECT_EQ(readFile(dir / "k.bmp"), picture);
    }
}

} // namespace
