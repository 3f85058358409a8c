// Hostile files for both image tools: the real BMP files of the shared
// corpus and broken files made here. Every run ends by itself in a specified
// way, never by a signal, and leaves its input as it was.
#include "toolruns.hpp"

#include "bmpwriter.hpp"
#include "files.hpp"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::vector<ToolCall> everyCall() {
    return {rotationCall("g=12.5"), rotationCall("x=1"), rotationCall("y=-3"), rotationCall("g=-90"),
            rectifierCall({"h"}), rectifierCall({"v"}), rectifierCall({"v", "47.5", "55"})};
}

TEST(BadFileCorpus, EveryFileEndsInOneOfTheToolsOwnWaysForEveryCall) {
    const std::filesystem::path folder = BMP_CORPUS_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << "no corpus at " << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".bmp") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = readFile(entry.path());
        for (const ToolCall& call : everyCall()) runOnFile(call, bytes);
    }
    EXPECT_GT(files, 50);
}

// Six columns (two fill bytes per row), five rows; the blue bars differ
// from row to row, so a mirrored or shifted line shows.
const Bgr B{255, 0, 0};
const Bgr r{0, 0, 200};
const Bgr g{0, 180, 0};
const Bgr w{250, 250, 250};
const Bgr k{10, 20, 30};
const PixelRows framed = {
    {B, r, g, w, k, B},
    {B, B, r, g, w, k},
    {r, g, w, k, B, B},
    {B, k, w, g, r, B},
    {B, B, B, r, g, B},
};
// rowBytes 20, data at 54: the top row starts at 134, its last pixel at
// 149, its fill at 152, the file ends at 154.
std::string framedFile(std::int64_t truncateTo = -1) {
    BmpOptions options;
    options.truncateTo = truncateTo;
    return makeBmp(framed, options);
}

// A 4 x 3 picture stored with 4 bytes a pixel: longer than its 24-bit layout needs.
std::string thirtyTwoBitFile() {
    std::string bytes = makeBmp(PixelRows{{r, g, w, k}, {B, r, g, B}, {k, w, B, B}}).substr(0, 54);
    bytes[28] = 32;
    const unsigned char stored[3][16] = {
        {200, 0, 0, 0, 255, 0, 0, 9, 255, 0, 0, 9, 30, 20, 10, 0},
        {255, 0, 0, 0, 0, 0, 200, 0, 0, 180, 0, 0, 255, 0, 0, 0},
        {0, 0, 200, 0, 0, 180, 0, 0, 250, 250, 250, 0, 10, 20, 30, 0},
    };
    for (const auto& row : stored) bytes.append(reinterpret_cast<const char*>(row), 16);
    return bytes;
}

struct BrokenFile {
    const char* name;
    std::string bytes;
    Ending rotation;             // with g=12.5
    const char* rotationMessage;
    Ending rectifier;            // with h
    const char* rectifierMessage;
};

constexpr Ending step = Ending::StepMessage;
constexpr Ending report = Ending::Report;
constexpr Ending finished = Ending::Finished;
constexpr const char* layoutMessage = "unbekanntes Format (nur 24 Bit erlaubt!)";

std::vector<BrokenFile> brokenFiles() {
    const std::string good = framedFile();
    return {
        {"header of 53 bytes", good.substr(0, 53), step, "unbekanntes Format", step, "unbekanntes Format"},
        {"empty file", "", step, "unbekanntes Format", step, "unbekanntes Format"},
        {"colour count 7", withWord16(good, 50, 7), step, "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)", step,
         "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)"},
        {"colour count in the upper half only", withWord16(good, 52, 7), finished, "", finished, ""},
        {"height 0", withWord16(good, 22, 0), step, "Winkel zu gross", step, layoutMessage},
        {"width 1 with a shift of 0", withWord16(good, 18, 1), step, "Winkel zu gross", finished, ""},
        {"ends inside the first stored row", framedFile(60), step, layoutMessage, step, layoutMessage},
        {"ends before the top row's first pixel", framedFile(136), step, layoutMessage, step, layoutMessage},
        {"ends inside the top row", framedFile(140), report, "Read beyond end of file", report,
         "Read beyond end of file"},
        {"ends inside the last pixel", framedFile(151), report, "Read beyond end of file", report,
         "Read beyond end of file"},
        {"ends inside the top row's fill", framedFile(152), finished, "", finished, ""},
        {"data offset beyond the file", withWord16(good, 10, 5000), step, layoutMessage, step, layoutMessage},
        {"data offset 65535", withWord16(good, 10, 65535), step, layoutMessage, step, layoutMessage},
        {"width 65535, short file", withWord16(good, 18, 65535), step, layoutMessage, step, layoutMessage},
        {"height 65535, short file", withWord16(good, 22, 65535), step, layoutMessage, step, layoutMessage},
        {"width and height 65535", withWord16(withWord16(good, 18, 65535), 22, 65535), report, "Integer overflow",
         report, "Integer overflow"},
        {"pixel offsets past 2^31", withWord16(withWord16(good, 18, 40000), 22, 40000), report, "Integer overflow",
         report, "Integer overflow"},
        {"top-down picture", withWord16(withWord16(good, 22, 65536 - 5), 24, 65535), step, layoutMessage, step,
         layoutMessage},
        {"32-bit picture", thirtyTwoBitFile(), step, layoutMessage, step, layoutMessage},
        {"JPEG-compressed", withWord16(good, 30, 4), step, layoutMessage, step, layoutMessage},
        {"compression in the high word", withWord16(good, 32, 1), step, layoutMessage, step, layoutMessage},
        {"no BM signature", withWord16(good, 0, 0x5958), finished, "", finished, ""},
    };
}

TEST(BrokenFiles, EndAsTheHeaderTestsAndPassesSay) {
    for (const BrokenFile& file : brokenFiles()) {
        SCOPED_TRACE(file.name);
        HostileFileRun rotation = runOnFile(rotationCall("g=12.5"), file.bytes);
        EXPECT_EQ(rotation.judgement.ending, file.rotation);
        EXPECT_EQ(rotation.judgement.message, file.rotationMessage);
        HostileFileRun rectifier = runOnFile(rectifierCall({"h"}), file.bytes);
        EXPECT_EQ(rectifier.judgement.ending, file.rectifier);
        EXPECT_EQ(rectifier.judgement.message, file.rectifierMessage);
    }
}

TEST(BrokenFiles, EndInOneOfTheToolsOwnWaysForEveryCall) {
    for (const BrokenFile& file : brokenFiles()) {
        SCOPED_TRACE(file.name);
        for (const ToolCall& call : everyCall()) runOnFile(call, file.bytes);
    }
}

// Regression: the rectifier's table-driven pass wrote each row with its fill
// bytes, so a file ending inside the top row's fill came out longer than the
// input.
TEST(BrokenFiles, RectifiedOutputKeepsTheLengthOfAnInputEndingInTheFill) {
    const std::string input = framedFile(152);
    for (const char* mode : {"h", "v"}) {
        HostileFileRun run = runOnFile(rectifierCall({mode}), input);
        ASSERT_EQ(run.judgement.ending, Ending::Finished) << mode;
        EXPECT_EQ(run.output.size(), 152u) << mode;
    }
}

} // namespace
