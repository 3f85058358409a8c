// Whole runs that stop while the measurement file is read, and the line rules.
#include "messkartrun.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct FormatErrorCase {
    const char* name;
    std::string file;
    std::string shown;  // the unconsumed text the message begins with
};

class FormatErrors : public testing::TestWithParam<FormatErrorCase> {};

TEST_P(FormatErrors, StopWithTheUnconsumedText) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", GetParam().file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, formatErrorOutput(GetParam().shown));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "KARTE.INF"));
}

const std::string header = exampleHeader;
const std::string point = examplePoint1;

INSTANTIATE_TEST_SUITE_P(
    Lines, FormatErrors,
    testing::Values(
        FormatErrorCase{"EmptyFile", "", ""},
        FormatErrorCase{"OnlySkippedLines", "\r\n*kopf\r\n\r\n", ""},
        FormatErrorCase{"EndsOnAComment", "\r\n*kopf", "*kopf"},
        FormatErrorCase{"HeaderWithoutPadding", "800 600\r\n" + point, "800 600"},
        FormatErrorCase{"SecondHeaderValue", "1000 08x0 Karte\r\n" + point, "1000 08x0 Karte"},
        FormatErrorCase{"HeaderTooShort", "1000\r\n" + point, "1000"},
        FormatErrorCase{"CorrectionEndsInBlank", header + "WGS 10 20 \r\n", "10 20 "},
        FormatErrorCase{"CorrectionTwoBlanksAfterKeyword", header + "WGS  10 20\r\n", " 10 20"},
        FormatErrorCase{"CorrectionAlone", header + "WGS\r\n", ""},
        FormatErrorCase{"CorrectionOneValue", header + "WGS 10\r\n", "10"},
        FormatErrorCase{"CorrectionBadLatitude", header + "WGS 10 2o\r\n", "10 2o"},
        FormatErrorCase{"CorrectionInLowerCase", header + "wgs 10 20\r\n", "wgs 10 20"},
        FormatErrorCase{"CorrectionAfterABlank", header + " WGS 10 20\r\n", "WGS 10 20"},
        FormatErrorCase{"BadX", header + "1x 10.0 900 0.0\r\n", "1x 10.0 900 0.0"},
        FormatErrorCase{"BadXStrippedOfControls", header + "\t 1x 10.0 900 0.0 \t\r\n",
                        "1x 10.0 900 0.0"},
        FormatErrorCase{"BadLongitude", header + "100 1o.0 900 0.0\r\n", "1o.0 900 0.0"},
        FormatErrorCase{"BadY", header + "100 10.0 9x0 0.0\r\n", "9x0 0.0"},
        FormatErrorCase{"BadLatitude", header + "100 10.0 900 0,0 Turm\r\n", "0,0 Turm"},
        FormatErrorCase{"OneField", header + "100\r\n", "100"},
        FormatErrorCase{"TwoFields", header + "100 10.0\r\n", "10.0"},
        FormatErrorCase{"ThreeFields", header + "100 10.0 900\r\n", "900"},
        FormatErrorCase{"BlanksOnly", header + point + "   \r\n", ""},
        FormatErrorCase{"TabInPlaceOfBlank", header + "100\t10.0 900 0.0\r\n", "100?10.0 900 0.0"},
        FormatErrorCase{"PlusBeforePackedAngle", header + point + "300 +132436 100 30.0\r\n",
                        "+132436 100 30.0"},
        FormatErrorCase{"WholeDegreesWithoutPoint", header + point + "300 13 100 30.0\r\n",
                        "13 100 30.0"},
        FormatErrorCase{"PixelBeyond32Bits", header + "2147483648 10.0 900 0.0\r\n",
                        "2147483648 10.0 900 0.0"},
        FormatErrorCase{"LineFeedEndsALine", header + point + "300 12.0 100\n30.0\r\n", "100"},
        // A latitude beyond a pole, as read and before any correction, stops like an unreadable one.
        FormatErrorCase{"LatitudeBeyondTheNorthPole", header + point + "300 12.0 100 480.0 Turm\r\n",
                        "480.0 Turm"},
        FormatErrorCase{"LatitudeFarBeyond", header + point + "300 12.0 100 20000.0\r\n", "20000.0"},
        FormatErrorCase{"LatitudeAHairBeyondTheSouthPole", header + point + "300 12.0 100 -90.000001\r\n",
                        "-90.000001"},
        FormatErrorCase{"PackedLatitudeOf113Degrees", header + point + "300 12.0 100 1132436\r\n", "1132436"},
        FormatErrorCase{"PackedLatitudeOneSecondBeyond", header + point + "300 12.0 100 -900001\r\n",
                        "-900001"},
        FormatErrorCase{"CorrectionDoesNotExcuseALatitude",
                        header + "WGS 0 -7200\r\n" + point + "300 12.0 100 91.0\r\n", "91.0"}),
    [](const testing::TestParamInfo<FormatErrorCase>& testInfo) { return std::string(testInfo.param.name); });

struct AcceptedCase {
    const char* name;
    std::string file;
};

class AcceptedFiles : public testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedFiles, GiveTheExampleCalibration) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", GetParam().file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, successOutput("KARTE.INF", "ohne", "PD"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AcceptedFiles,
    testing::Values(
        AcceptedCase{"Plain", exampleFile},
        AcceptedCase{"SkippedLinesAnywhere",
                     "\r\n*Karte Nord\r\n" + exampleHeader + "\r\n*erster Punkt\r\n" + examplePoint1 +
                         "*\r\n\r\n" + examplePoint2 + "\r\n*Ende\r\n\r\n"},
        AcceptedCase{"LastLineWithoutLineEnd", exampleHeader + examplePoint1 + "300 12.0 100 30.0"},
        AcceptedCase{"CarriageReturnsAlone", "1000 0800\r100 10.0 900 0.0\r300 12.0 100 30.0\r"},
        AcceptedCase{"CtrlZEndsTheFile", exampleFile + "\x1a" + "400 kaputt\r\n"},
        AcceptedCase{"CtrlZInsideALine", exampleHeader + examplePoint1 + "300 12.0 100 30.0\x1a" + "kaputt"},
        AcceptedCase{"HeaderPaddedWithBlanks", "1000  800 Massstab\r\n" + examplePoint1 + examplePoint2},
        AcceptedCase{"ColumnFiveNotExamined", "1000\t0800\r\n" + examplePoint1 + examplePoint2},
        AcceptedCase{"HexadecimalPixels", exampleHeader + "$64 10.0 0x384 0.0\r\n" + examplePoint2},
        AcceptedCase{"ControlsAroundTheFields",
                     exampleHeader + "\t 100 \t10.0  \x01 900 0.0\t\r\n" + examplePoint2},
        AcceptedCase{"TextAfterTheFourthField", exampleHeader + "100 10.0 900 0.0 Kirchturm\t!\r\n" + examplePoint2},
        AcceptedCase{"PackedAngles", exampleHeader + "100 100000 900 000000\r\n300 120000 100 300000\r\n"}),
    [](const testing::TestParamInfo<AcceptedCase>& testInfo) { return std::string(testInfo.param.name); });

// A file from any editor reads as its CR LF twin: CR, LF and CR LF each end
// one line, LF CR two (the empty line between is skipped).
TEST(Reader, EveryLineEndReadsAsCarriageReturnLineFeed) {
    const std::string lines[] = {"1000 0800", "* Rathaus", "100 10.0 900 0.0", "300 12.0 100 30.0"};
    const char* ends[][4] = {{"\r\n", "\r\n", "\r\n", "\r\n"}, {"\n", "\n", "\n", "\n"},
                             {"\r", "\n", "\r\n", ""}, {"\n\r", "\r", "\n\r", "\n"}};
    std::string expected;
    for (const auto& end : ends) {
        std::string text;
        for (int i = 0; i < 4; ++i) text += lines[i] + end[i];
        TempDir dir;
        writeFile(dir / "KARTE.TXT", text);
        RunResult run = runMesskart(dir, {"KARTE.TXT"});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::string inf = readFile(dir / "KARTE.INF");
        if (expected.empty()) expected = inf;
        EXPECT_EQ(inf, expected);
    }
    // x: 100 pixels a degree from 10 degrees at pixel 100; y: 800 pixels over sinh(pi / 6) = 0.5478535.
    EXPECT_EQ(expected, "100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n1000\r\n800\r\n");
}

// The poles themselves are latitudes; longitudes keep every value (0 to 360 is in use),
// and a correction may carry a latitude past a pole.
TEST(Reader, PolesAndWideLongitudesPass) {
    for (const std::string& points : {std::string("100 10.0 900 -90.0\r\n300 350.0 100 90.0\r\n"),
                                      std::string("100 100000 900 -900000\r\n300 3500000 100 900000\r\n"),
                                      std::string("WGS 0 3600\r\n100 10.0 900 89.5\r\n300 480.0 100 0.0\r\n")}) {
        TempDir dir;
        writeFile(dir / "KARTE.TXT", exampleHeader + points);
        RunResult run = runMesskart(dir, {"KARTE.TXT"});
        EXPECT_EQ(run.output, successOutput("KARTE.INF", points[0] == 'W' ? "mit" : "ohne", "PD")) << points;
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(std::filesystem::exists(dir / "KARTE.INF"));
    }
}

TEST(Reader, OneDataLineIsTooFew) {
    TempDir dir;
    writeFile(dir / "karte.txt", exampleHeader + "*nur ein Punkt\r\n" + examplePoint1 + "GPS\r\n");
    RunResult run = runMesskart(dir, {"karte.txt"});
    EXPECT_EQ(run.output, tooFewOutput("karte.txt"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "karte.INF"));
}

TEST(Reader, HeaderAloneIsTooFew) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleHeader);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, tooFewOutput("KARTE.TXT"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Reader, MissingFileIsAReadError) {
    TempDir dir;
    RunResult run = runMesskart(dir, {"fehlt.txt"});
    EXPECT_EQ(run.output, bannerText + "\r\nfehlt.txt : Lese-Fehler. [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Reader, DirectoryIsAReadError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "ordner.txt");
    RunResult run = runMesskart(dir, {"ordner.txt"});
    EXPECT_EQ(run.output, bannerText + "\r\nordner.txt : Lese-Fehler. [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Reader, LongLinesHaveNoLimit) {
    TempDir dir;
    std::string longTail(100000, 'x');
    writeFile(dir / "KARTE.TXT", "*" + longTail + "\r\n1000 0800 " + longTail + "\r\n" +
                                     "100 10.0 900 0.0 " + longTail + "\r\n" + examplePoint2);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
}

TEST(Reader, CarriageReturnAndLineFeedSplitAcrossBlocks) {
    // Line ends land on every position of the reader's blocks.
    TempDir dir;
    std::string file = exampleHeader;
    for (int i = 0; i < 1500; ++i) file += i % 2 == 0 ? examplePoint1 : examplePoint2;
    file += "*" + std::string(17, '-') + "\r\n";
    writeFile(dir / "KARTE.TXT", file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
}

// 2000 points on two meridians and two parallels, alternating: every prefix
// of two lines or more is a good measurement file of its own.
std::string longMeasurementFile() {
    std::string file = exampleHeader;
    for (int i = 0; i < 2000; ++i) file += i % 2 == 0 ? "100 10.0 900 0.0\r\n" : "300 12.0 100 30.25\r\n";
    return file;
}

// A file cut while it is read was not a whole measurement file: a fit of its
// first lines would be a wrong calibration.
TEST(Reader, AFileCutWhileItIsReadIsReportedAndWritesNothing) {
    const std::string file = longMeasurementFile();
    const std::size_t insideLatitude = file.rfind("30.25") + 3;
    const std::size_t atALineEnd = file.find("100 10.0", 6000);
    for (std::size_t cutTo : {atALineEnd, insideLatitude, std::size_t{5000}}) {
        SCOPED_TRACE(cutTo);
        TempDir dir;
        writeFile(dir / "KARTE.TXT", file);
        writeFile(dir / "KARTE.INF", "earlier");
        RunSetting setting;
        setting.pauseAt = "after-first-block";
        setting.atPause = [&](const std::filesystem::path& pending, int) {
            EXPECT_EQ(pending, dir / "KARTE.TXT");
            std::filesystem::resize_file(dir / "KARTE.TXT", cutTo);
        };
        RunResult run = runProgram(MESSKART_PATH, {"KARTE.TXT"}, dir.path(), setting);
        EXPECT_TRUE(run.paused);
        EXPECT_TRUE(run.output.ends_with("\nRead beyond end of file.\r\n")) << run.output;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(readFile(dir / "KARTE.INF"), "earlier");
    }
}

// What is added while the file is read is not read: the fit is that of the file as it was.
TEST(Reader, LinesAddedWhileTheFileIsReadAreLeftOut) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", longMeasurementFile());
    RunResult undisturbed = runMesskart(dir, {"KARTE.TXT"});
    const std::string whole = readFile(dir / "KARTE.INF");
    RunSetting setting;
    setting.pauseAt = "after-first-block";
    setting.atPause = [&](const std::filesystem::path&, int) {
        writeFile(dir / "KARTE.TXT", longMeasurementFile() + "500 20.0 500 10.0\r\n");
    };
    RunResult run = runProgram(MESSKART_PATH, {"KARTE.TXT"}, dir.path(), setting);
    EXPECT_TRUE(run.paused);
    EXPECT_EQ(run.output, undisturbed.output);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), whole);
}

} // namespace
