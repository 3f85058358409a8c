// Measurement files as other programs leave them: the byte order mark of
// Windows editors before the text, and bytes that are no printable ASCII in
// the text a format error echoes.
#include "messkartrun.hpp"

#include "bmpwriter.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string mark = "\xEF\xBB\xBF";

struct EditorFileCase {
    const char* name;
    std::string file;
    std::string shown;  // before " : Formatfehler."; empty for a file that calibrates
};

class EditorFiles : public testing::TestWithParam<EditorFileCase> {};

TEST_P(EditorFiles, ReadAsTheirText) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", GetParam().file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    if (GetParam().shown.empty()) {
        EXPECT_EQ(run.output, successOutput("KARTE.INF", "ohne", "PD"));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
    } else {
        EXPECT_EQ(run.output, formatErrorOutput(GetParam().shown));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_FALSE(std::filesystem::exists(dir / "KARTE.INF"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    ByteOrderMark, EditorFiles,
    testing::Values(
        EditorFileCase{"BeforeTheHeader", mark + exampleFile, ""},
        EditorFileCase{"BeforeAComment", mark + "* Karte Nord\r\n" + exampleFile, ""},
        EditorFileCase{"BeforeAnEmptyLine", mark + "\r\n" + exampleFile, ""},
        EditorFileCase{"WithLineFeedsAlone", mark + "1000 0800\n100 10.0 900 0.0\n300 12.0 100 30.0\n", ""},
        // Only the very start: a second mark, or one before a later line, is text.
        EditorFileCase{"Twice", mark + mark + exampleFile, "???1000 0800"},
        EditorFileCase{"BeforeADataLine", exampleHeader + mark + examplePoint1 + examplePoint2,
                       "???100 10.0 900 0.0"},
        EditorFileCase{"CutShort", "\xEF\xBB" + exampleFile, "??1000 0800"}),
    [](const testing::TestParamInfo<EditorFileCase>& testInfo) { return std::string(testInfo.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Echo, EditorFiles,
    testing::Values(
        EditorFileCase{"BellAndEscapeSequence", exampleHeader + "100 10.0 9\x07x \x1b[2J\r\n", "9?x ?[2J"},
        EditorFileCase{"Latin1Umlaut", exampleHeader + "100 M\xFCnster 900 0.0\r\n", "M?nster 900 0.0"},
        EditorFileCase{"Utf8Umlaut", exampleHeader + "100 M\xC3\xBCnster 900 0.0\r\n", "M??nster 900 0.0"},
        EditorFileCase{"TildeKeptDeleteMasked", "10~\x7F 0800\r\n" + examplePoint1, "10~? 0800"},
        EditorFileCase{"NulInsideAField", exampleHeader + std::string("100 10.0 900 3\0" "0.0\r\n", 20) + examplePoint2,
                       "3?0.0"},
        // "1000 0800" saved as UTF-16: its mark, then every character followed by a zero byte.
        EditorFileCase{"Utf16", std::string("\xFF\xFE" "1\0" "0\0" "0\0" "0\0" "\r\0\n\0", 14),
                       "??1?0?0?0?"}),
    [](const testing::TestParamInfo<EditorFileCase>& testInfo) { return std::string(testInfo.param.name); });

// The mark alone is an empty file: nothing is shown before the colon.
TEST(EditorFiles, MarkAloneIsAnEmptyFile) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", mark);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, formatErrorOutput(""));
    EXPECT_EQ(run.exitCode, 1);
}

// A picture given by mistake: its header's bytes reach the console only as
// printable ASCII.
TEST(EditorFiles, PictureGivenByMistakeEchoesPrintableText) {
    TempDir dir;
    writeFile(dir / "KARTE.BMP", makeBmp(patternPicture(5, 3)));
    RunResult run = runMesskart(dir, {"KARTE.BMP"});
    EXPECT_EQ(run.exitCode, 1);
    const std::string start = bannerText + "\r\nBM";
    ASSERT_EQ(run.output.compare(0, start.size(), start), 0) << run.output;
    const std::size_t end = run.output.find(" : Formatfehler. [Return] druecken.\r\n");
    ASSERT_NE(end, std::string::npos);
    for (std::size_t i = bannerText.size() + 2; i < end; ++i) {
        const auto c = static_cast<unsigned char>(run.output[i]);
        EXPECT_TRUE(c >= 32 && c <= 126) << "byte " << int(c) << " at " << i;
    }
    EXPECT_EQ(run.output.substr(end), " : Formatfehler. [Return] druecken.\r\n");
}

} // namespace
