// The guide's examples run through the built tools, in the guide's order and
// in one folder, as a reader following the guide would run them.
#include "guideexamples.hpp"

#include "files.hpp"
#include "runprogram.hpp"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, std::string> toolPaths = {
    {"kippdreh", KIPPDREH_PATH}, {"glattzug", GLATTZUG_PATH}, {"messkart", MESSKART_PATH},
    {"passnetz", PASSNETZ_PATH}, {"gdalwarp", GDALWARP_PATH}};

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// The console as the guide prints it: LF for CR LF, without the bell.
std::string consoleAsShown(const std::string& output) {
    std::string shown;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\a') continue;
        if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') continue;
        shown += output[i];
    }
    return shown;
}

bool everyLineEndIsCrLf(const std::string& output) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\n' && (i == 0 || output[i - 1] != '\r')) return false;
    }
    return true;
}

struct CommandsRun {
    std::string output;
    int exitCode = 0;
    int toolRuns = 0;
};

CommandsRun runCommands(const std::string& block, const fs::path& folder) {
    CommandsRun run;
    std::istringstream lines(block);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = wordsOf(line);
        if (words.empty()) continue;
        if (words[0] == "mv" && words.size() == 3) {
            EXPECT_TRUE(fs::exists(folder / words[1])) << line;
            fs::rename(folder / words[1], folder / words[2]);
            continue;
        }
        auto tool = toolPaths.find(words[0]);
        if (tool == toolPaths.end()) {
            ADD_FAILURE() << "not a command of the guide: " << line;
            continue;
        }
        RunResult result = runProgram(tool->second, {words.begin() + 1, words.end()}, folder);
        run.output += result.output;
        run.exitCode = result.exitCode;
        ++run.toolRuns;
    }
    return run;
}

TEST(Guide, ExamplesRunAsShown) {
    TempDir dir;
    for (const char* sample : {"scan.bmp", "karte.bmp"}) {
        fs::copy_file(repositoryRoot() / "samples" / sample, dir / sample);
    }
    std::vector<GuideExample> examples = guideExamples(guideText());
    ASSERT_GE(examples.size(), 30u);
    CommandsRun last;
    int outputsChecked = 0;
    for (const GuideExample& example : examples) {
        SCOPED_TRACE("docs/ANLEITUNG.md line " + std::to_string(example.line));
        switch (example.kind) {
        case ExampleKind::File:
            writeFile(dir / example.name, withCrLf(example.body));
            break;
        case ExampleKind::Command:
            last = runCommands(example.body, dir.path());
            break;
        case ExampleKind::Output:
            ASSERT_GT(last.toolRuns, 0) << "output without a command before it";
            EXPECT_EQ(consoleAsShown(last.output), example.body);
            EXPECT_TRUE(everyLineEndIsCrLf(last.output));
            if (example.exitCode) {
                EXPECT_EQ(last.exitCode, *example.exitCode);
            }
            ++outputsChecked;
            break;
        case ExampleKind::Result:
            ASSERT_TRUE(fs::exists(dir / example.name));
            EXPECT_EQ(readFile(dir / example.name), withCrLf(example.body));
            break;
        }
    }
    EXPECT_GE(outputsChecked, 12);
}

TEST(Guide, ChainLeavesEveryPictureOfTheSampleRun) {
    TempDir dir;
    for (const char* sample : {"scan.bmp", "karte.bmp"}) {
        fs::copy_file(repositoryRoot() / "samples" / sample, dir / sample);
    }
    for (const GuideExample& example : guideExamples(guideText())) {
        if (example.kind == ExampleKind::File) writeFile(dir / example.name, withCrLf(example.body));
        if (example.kind == ExampleKind::Command) runCommands(example.body, dir.path());
    }
    // The image tools keep the input's size in glattzug and grow it in kippdreh.
    EXPECT_EQ(fs::file_size(dir / "KARTE-HV.BMP"), fs::file_size(dir / "karte.bmp"));
    EXPECT_GT(fs::file_size(dir / "SCAN.TMP"), fs::file_size(dir / "scan.bmp"));
    EXPECT_EQ(readFile(dir / "karte.bmp"), readFile(repositoryRoot() / "samples" / "karte.bmp"));
    EXPECT_FALSE(fs::exists(dir / "komma.INF"));
    EXPECT_FALSE(fs::exists(dir / "wenig.INF"));
    EXPECT_FALSE(fs::exists(dir / "pol.INF"));
    // The chain ends in a pair the viewer finds: picture and calibration under one name.
    EXPECT_TRUE(fs::exists(dir / "KARTE-HV.INF"));
    // passnetz's exports, and GDAL's GeoTIFF made from them.
    EXPECT_TRUE(fs::exists(dir / "KARTE-HV.BMP.points"));
    EXPECT_GT(fs::file_size(dir / "KARTE-HV.tif"), fs::file_size(dir / "KARTE-HV.vrt"));
}

TEST(Guide, SampleMeasurementFileIsTheShippedOne) {
    bool found = false;
    for (const GuideExample& example : guideExamples(guideText())) {
        if (example.kind != ExampleKind::File || example.name != "KARTE-HV.TXT") continue;
        EXPECT_EQ(withCrLf(example.body), readFile(repositoryRoot() / "samples" / "KARTE-HV.TXT"));
        found = true;
    }
    EXPECT_TRUE(found);
}

// "Abschnitt 8.5", "Abschnitte 8.5 und 8.6": every section a reference names is a heading.
TEST(Guide, EverySectionReferenceNamesAHeading) {
    const std::string guide = guideText();
    std::set<std::string> headings;
    const std::regex heading("(^|\n)#{2,3} ([0-9]+(\\.[0-9]+)?)\\.? ");
    for (std::sregex_iterator it(guide.begin(), guide.end(), heading), end; it != end; ++it) {
        headings.insert((*it)[2]);
    }
    EXPECT_GE(headings.size(), 30u);
    const std::regex reference("Abschnitte? ([0-9]+(\\.[0-9]+)?)( und ([0-9]+(\\.[0-9]+)?))?");
    int references = 0;
    for (std::sregex_iterator it(guide.begin(), guide.end(), reference), end; it != end; ++it) {
        for (int group : {1, 4}) {
            if (!(*it)[group].matched) continue;
            EXPECT_TRUE(headings.count((*it)[group])) << "Abschnitt " << (*it)[group] << " has no heading";
            ++references;
        }
    }
    EXPECT_GE(references, 20);
}

TEST(Guide, EveryShellBlockIsATestedExample) {
    int shellBlocks = 0;
    for (const FencedBlock& block : fencedBlocks(guideText())) {
        if (block.info != "sh") continue;
        ++shellBlocks;
        EXPECT_TRUE(block.marked) << "docs/ANLEITUNG.md line " << block.line;
    }
    EXPECT_GE(shellBlocks, 10);
}

} // namespace
