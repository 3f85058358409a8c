#include "glattzugrun.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const Bgr B = frameBlue;

Bgr s(int k) { return shade(k); }

std::vector<Bgr> shades(int from, int count) {
    std::vector<Bgr> row;
    for (int k = from; k < from + count; ++k) row.push_back(s(k));
    return row;
}

std::string statusLine(const std::string& inName, const std::string& tail) {
    return inName + ": Entzerrung " + tail + " Strg+C bricht ab.";
}

struct RectifyRun {
    std::string input;
    RunResult run;
    std::string output;
};

RectifyRun rectify(const TempDir& dir, const std::string& bmp, const std::vector<std::string>& arguments,
                   const std::string& fileName = "karte.bmp") {
    RectifyRun result;
    result.input = bmp;
    writeFile(dir / fileName, bmp);
    result.run = runGlattzug(dir, arguments);
    fs::path written = dir / "KARTE.TMP";
    if (fs::exists(written)) result.output = readFile(written);
    return result;
}

void expectRectified(const RectifyRun& result, const PixelRows& expected) {
    EXPECT_EQ(result.run.exitCode, 0);
    ASSERT_EQ(result.output.size(), result.input.size());
    EXPECT_EQ(result.output.substr(0, 54), result.input.substr(0, 54));
    EXPECT_EQ(readPixels(result.output), expected);
}

const PixelRows widthEightRows = {
    {B, B, s(2), s(3), s(4), s(5), s(6), B},
    shades(10, 8),
    {B, s(21), s(22), s(23), s(24), s(25), B, B},
};

const PixelRows widthEightStretched = {
    {s(2), s(3), s(3), s(4), s(4), s(5), s(6), s(6)},
    shades(10, 8),
    {s(21), s(22), s(22), s(23), s(23), s(24), s(25), s(25)},
};

}

TEST(Run, WidthEightRowsInModeH) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(widthEightRows), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 126, 2));
    expectRectified(result, widthEightStretched);
}

TEST(Run, WidthSixRowInModeHResolvesTheTieToEven) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp({{B, s(1), s(2), s(3), B, B}}), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 74, 1));
    expectRectified(result, {{s(1), s(2), s(2), s(3), s(3), s(3)}});
}

TEST(Run, WidthEightColumnsInModeV) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(transposed(widthEightRows)), {"karte.bmp", "v"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "vertikal linear."), "KARTE.TMP", 150, 2));
    expectRectified(result, transposed(widthEightStretched));
}

TEST(Run, WidthSixColumnInModeV) {
    TempDir dir;
    RectifyRun result =
        rectify(dir, makeBmp(transposed({{B, s(1), s(2), s(3), B, B}})), {"karte.bmp", "v"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "vertikal linear."), "KARTE.TMP", 78, 1));
    expectRectified(result, transposed({{s(1), s(2), s(2), s(3), s(3), s(3)}}));
}

TEST(Run, AllBlueRowsAndSingleNonBlueRowsComeOutBlack) {
    PixelRows rows = {shades(0, 5), {B, B, B, B, B}, {B, B, s(20), B, B}, {s(30), B, B, B, B}, shades(40, 5)};
    PixelRows expected = {shades(0, 5), {black, black, black, black, black},
                          {black, black, black, black, black}, {black, black, black, black, black},
                          shades(40, 5)};
    TempDir dir;
    expectRectified(rectify(dir, makeBmp(rows), {"karte.bmp", "h"}), expected);
    TempDir columns;
    expectRectified(rectify(columns, makeBmp(transposed(rows)), {"karte.bmp", "v"}), transposed(expected));
}

TEST(Run, BlueInsideThePictureIsStretchedAsContent) {
    TempDir dir;
    expectRectified(rectify(dir, makeBmp({{B, B, s(1), B, s(2), B}}), {"karte.bmp", "h"}),
                    {{s(1), B, B, s(2), s(2), s(2)}});
}

TEST(Run, NearBlueIsNotTakenAsFrame) {
    const Bgr blue254{254, 0, 0};
    const Bgr redOne{255, 0, 1};
    PixelRows rows = {{blue254, blue254, s(1), s(2), B}, {blue254, s(3), s(4), s(5), redOne}};
    TempDir dir;
    expectRectified(rectify(dir, makeBmp(rows), {"karte.bmp", "h"}),
                    {{blue254, blue254, s(1), s(1), s(2)}, {blue254, s(3), s(4), s(5), redOne}});
}

TEST(Run, WanderingBarsAreFoundRowByRow) {
    PixelRows rows = {
        {B, s(1), s(2), s(3), s(4), B},
        {B, B, s(11), s(12), s(13), s(14)},
        {s(21), s(22), s(23), s(24), B, B},
        {B, B, B, s(31), s(32), B},
        {B, s(41), s(42), B, B, B},
    };
    PixelRows expected = {
        {s(1), s(2), s(2), s(3), s(4), s(4)},
        {s(11), s(12), s(12), s(13), s(14), s(14)},
        {s(21), s(22), s(22), s(23), s(24), s(24)},
        {s(31), s(32), s(32), s(32), s(32), s(32)},
        {s(41), s(42), s(42), s(42), s(42), s(42)},
    };
    TempDir dir;
    expectRectified(rectify(dir, makeBmp(rows), {"karte.bmp", "h"}), expected);
    TempDir columns;
    expectRectified(rectify(columns, makeBmp(transposed(rows)), {"karte.bmp", "v"}), transposed(expected));
}

TEST(Run, PictureWithoutBlueIsCopiedUnchanged) {
    std::string bmp = makeBmp(patternPicture(5, 4));
    for (const char* mode : {"h", "v"}) {
        TempDir dir;
        RectifyRun result = rectify(dir, bmp, {"karte.bmp", mode});
        EXPECT_EQ(result.run.exitCode, 0) << mode;
        EXPECT_EQ(result.output, bmp) << mode;
    }
}

TEST(Run, PaddingAndTheGapBeforeThePixelsAreZero) {
    BmpOptions options;
    options.dataOffset = 60;
    options.paddingByte = 0xAB;
    std::string bmp = makeBmp(patternPicture(5, 3), options);
    for (std::size_t at = 54; at < 60; ++at) bmp[at] = '\xCD';
    for (const char* mode : {"h", "v"}) {
        TempDir dir;
        RectifyRun result = rectify(dir, bmp, {"karte.bmp", mode});
        expectRectified(result, patternPicture(5, 3));
        ASSERT_EQ(result.output.size(), 60u + 3 * 16);
        EXPECT_EQ(result.output.substr(54, 6), std::string(6, '\0')) << mode;
        for (std::size_t row = 0; row < 3; ++row) {
            EXPECT_EQ(result.output[60 + row * 16 + 15], '\0') << mode << row;
        }
    }
}

TEST(Run, ElevenLinesShowFourDots) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(patternPicture(2, 11)), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 54 + 88, 4, false));
    TempDir columns;
    RectifyRun byColumns = rectify(columns, makeBmp(patternPicture(11, 2)), {"karte.bmp", "v"});
    EXPECT_EQ(byColumns.run.output,
              successText(statusLine("KARTE.BMP", "vertikal linear."), "KARTE.TMP", 54 + 72, 4, false));
}

TEST(Run, EightyLinesShowOneDot) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(patternPicture(2, 80)), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 54 + 640, 1, false));
}

TEST(Run, ThousandLinesShowSeventyNineDots) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(patternPicture(2, 1000)), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 54 + 8000, 79, false));
    ASSERT_EQ(result.output.size(), 8054u);
    EXPECT_EQ(readPixels(result.output), patternPicture(2, 1000));
}

namespace {

PixelRows hyperbolicSource() {
    PixelRows rows;
    for (int y = 0; y < 101; ++y) rows.push_back({s(y), s(y)});
    return rows;
}

}

TEST(Run, HyperbolicTableFrom40To60) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(hyperbolicSource()), {"karte.bmp", "v", "40", "60"});
    // No frame, yet the rows are respaced: the run says that much, not that nothing changes.
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "vertikal hyperbolisch."), "KARTE.TMP", 862, 1, false, true));
    ASSERT_EQ(result.output.size(), 862u);
    PixelRows out = readPixels(result.output);
    EXPECT_EQ(out[0][0], s(0));
    EXPECT_EQ(out[4][0], s(4));
    EXPECT_EQ(out[5][0], s(4));
    EXPECT_EQ(out[53][0], s(50));
    EXPECT_EQ(out[72][0], s(69));
    EXPECT_EQ(out[100][0], s(100));
    for (const std::vector<Bgr>& row : out) {
        EXPECT_NE(row[0], black);
        EXPECT_NE(row[0], s(70));
        EXPECT_EQ(row[1], row[0]);
    }
}

TEST(Run, HyperbolicWithLowerAboveUpperWarnsAndPutsRowFiftyOn47) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(hyperbolicSource()), {"karte.bmp", "v", "60", "40"});
    const std::string warned = statusLine("KARTE.BMP", "vertikal hyperbolisch.") +
                               "\r\nAchtung: BG_unten ist groesser als BG_oben - sind die Breiten vertauscht?";
    EXPECT_EQ(result.run.output, successText(warned, "KARTE.TMP", 862, 1, false, true));
    EXPECT_EQ(result.run.exitCode, 0);
    ASSERT_EQ(result.output.size(), 862u);
    PixelRows out = readPixels(result.output);
    EXPECT_EQ(out[0][0], s(0));
    EXPECT_EQ(out[47][0], s(50));
    EXPECT_EQ(out[100][0], s(100));
}

TEST(Run, HyperbolicRunStillRemovesTheFrame) {
    PixelRows rows = hyperbolicSource();
    for (int y = 0; y < 10; ++y) rows[static_cast<std::size_t>(y)] = {B, B};
    for (int y = 96; y < 101; ++y) rows[static_cast<std::size_t>(y)] = {B, B};
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(rows), {"karte.bmp", "v", "40", "60"});
    EXPECT_EQ(result.run.exitCode, 0);
    ASSERT_EQ(result.output.size(), 862u);
    PixelRows out = readPixels(result.output);
    EXPECT_EQ(out[0][0], s(10));
    EXPECT_EQ(out[100][0], s(95));
    for (const std::vector<Bgr>& row : out) EXPECT_NE(row[0], black);
}

// Only a hyperbolic run with the lower latitude above the upper one warns.
TEST(Run, SwappedLatitudeWarningOnlyWhereTheRowsAreRespaced) {
    const std::string warning = "Achtung: BG_unten ist groesser als BG_oben - sind die Breiten vertauscht?";
    struct Case {
        std::vector<std::string> arguments;
        bool warns;
    };
    for (const Case& c : std::vector<Case>{{{"karte.bmp", "v", "-30", "-40"}, true},
                                           {{"karte.bmp", "v", "-40", "-30"}, false},
                                           {{"karte.bmp", "v", "90.5", "-90"}, true},
                                           {{"karte.bmp", "v", "91", "55"}, false},
                                           {{"karte.bmp", "v", "50", "50"}, false},
                                           {{"karte.bmp", "v"}, false}}) {
        TempDir dir;
        RectifyRun result = rectify(dir, makeBmp(hyperbolicSource()), c.arguments);
        EXPECT_EQ(result.run.output.find(" Strg+C bricht ab.\r\n" + warning + "\r\nAusgabe: ") != std::string::npos,
                  c.warns)
            << testing::PrintToString(c.arguments);
        EXPECT_EQ(result.run.output.find(warning) != std::string::npos, c.warns);
    }
}

TEST(Run, LowerLatitude91GivesTheLinearOutput) {
    PixelRows rows = hyperbolicSource();
    rows[0] = {B, B};
    rows[1] = {B, s(1)};
    TempDir linear;
    RectifyRun plain = rectify(linear, makeBmp(rows), {"karte.bmp", "v"});
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(rows), {"karte.bmp", "v", "91", "55"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "vertikal hyperbolisch."), "KARTE.TMP", 862, 1));
    EXPECT_EQ(result.output, plain.output);
    ASSERT_EQ(result.output.size(), 862u);
    EXPECT_NE(readPixels(result.output)[1][0], s(1));
}

TEST(Run, ModeWordsHorizontalAndHxActLikeH) {
    for (const char* mode : {"Horizontal", "hx"}) {
        TempDir dir;
        RectifyRun result = rectify(dir, makeBmp(widthEightRows), {"karte.bmp", mode});
        EXPECT_EQ(result.run.output,
                  successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 126, 2));
        expectRectified(result, widthEightStretched);
    }
}

TEST(Run, WrongArgumentsShowTheHelpTextAndEndWithOne) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"karte.bmp", "x"}, {"karte.bmp"}, {"karte.bmp", "h", "47", "55"}, {}}) {
        TempDir dir;
        RectifyRun result = rectify(dir, makeBmp(widthEightRows), arguments);
        EXPECT_EQ(result.run.exitCode, 1);
        EXPECT_EQ(result.run.output, bannerText() + helpText());
        EXPECT_FALSE(fs::exists(dir / "KARTE.TMP"));
    }
}

TEST(Run, DecimalCommaPutsTheHelpTextOnTheStatusLine) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(widthEightRows), {"karte.bmp", "v", "47,5", "55"});
    EXPECT_EQ(result.run.exitCode, 1);
    EXPECT_EQ(result.run.output, bannerText() + "KARTE.BMP: Entzerrung vertikal" + helpText());
    EXPECT_FALSE(fs::exists(dir / "KARTE.TMP"));
}

TEST(Run, NameWithoutExtensionGetsTmp) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(transposed(widthEightRows)), {"karte", "v"}, "karte");
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE", "vertikal linear."), "KARTE.TMP", 150, 2));
    expectRectified(result, transposed(widthEightStretched));
}

TEST(Run, DirectoriesKeepTheirCaseAndOnlyTheFileNameIsUpperCased) {
    TempDir dir;
    fs::create_directories(dir / "scans.v2");
    std::string bmp = makeBmp(widthEightRows);
    writeFile(dir / "scans.v2" / "karte.bmp", bmp);
    RunResult run = runGlattzug(dir, {"scans.v2/karte.bmp", "h"});
    EXPECT_EQ(run.output, successText(statusLine("scans.v2/KARTE.BMP", "horizontal linear."),
                                      "scans.v2/KARTE.TMP", 126, 2));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readPixels(readFile(dir / "scans.v2" / "KARTE.TMP")), widthEightStretched);
}

TEST(Run, MissingInputIsNamedBeforeTheHelpText) {
    TempDir dir;
    fs::create_directory(dir / "scans");
    RunResult run = runGlattzug(dir, {"scans/karte.bmp", "h"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, bannerText() + statusLine("scans/KARTE.BMP", "horizontal linear.") +
                              "\r\nAusgabe: scans/KARTE.TMP\r\n"
                              "scans/KARTE.BMP: Datei nicht gefunden oder nicht lesbar.\r\n" + helpText());
    EXPECT_FALSE(fs::exists(dir / "scans" / "KARTE.TMP"));
}

TEST(Run, ReadOnlyInputIsProcessedAndLeftUnchanged) {
    TempDir dir;
    std::string bmp = makeBmp(widthEightRows);
    writeFile(dir / "karte.bmp", bmp);
    fs::permissions(dir / "karte.bmp", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    RunResult run = runGlattzug(dir, {"karte.bmp", "h"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, successText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP", 126, 2));
    EXPECT_EQ(readFile(dir / "karte.bmp"), bmp);
    EXPECT_EQ(readPixels(readFile(dir / "KARTE.TMP")), widthEightStretched);
}

namespace {

std::string refusalText(const std::string& statusLine, const std::string& outName, const std::string& message) {
    return bannerText() + statusLine + "\r\nAusgabe: " + outName + "\r\n" + message + "\a\r\n" + pauseText();
}

}

TEST(Run, InputWithTmpExtensionIsRefused) {
    for (const char* name : {"karte.tmp", "Karte.Tmp", "KARTE.TMP"}) {
        TempDir dir;
        std::string bmp = makeBmp(widthEightRows);
        writeFile(dir / name, bmp);
        RunResult run = runGlattzug(dir, {name, "h"});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_EQ(run.output, refusalText(statusLine("KARTE.TMP", "horizontal linear."), "KARTE.TMP",
                                          "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch."))
            << name;
        EXPECT_EQ(readFile(dir / name), bmp) << name;
    }
}

TEST(Run, OutputThatIsTheInputOnDiskIsRefused) {
    TempDir dir;
    std::string bmp = makeBmp(widthEightRows);
    writeFile(dir / "karte.bmp", bmp);
    fs::create_symlink("karte.bmp", dir / "KARTE.TMP");
    RunResult run = runGlattzug(dir, {"karte.bmp", "h"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, refusalText(statusLine("KARTE.BMP", "horizontal linear."), "KARTE.TMP",
                                      "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch."));
    EXPECT_EQ(readFile(dir / "karte.bmp"), bmp);
}

TEST(Run, ExistingOutputIsReplaced) {
    TempDir dir;
    writeFile(dir / "KARTE.TMP", std::string(5000, 'x'));
    RectifyRun result = rectify(dir, makeBmp(widthEightRows), {"karte.bmp", "h"});
    expectRectified(result, widthEightStretched);
}

TEST(Run, HeaderFailuresEndWithOneAndCreateNothing) {
    BmpOptions colours;
    colours.colourCount = 256;
    BmpOptions cut;
    cut.truncateTo = 54 + 24 + 2;
    struct Case {
        std::string bmp;
        std::string message;
    };
    for (const Case& failing : std::vector<Case>{
             {std::string(10, 'B'), "unbekanntes Format"},
             {makeBmp(widthEightRows, colours), "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)"},
             {makeBmp(widthEightRows, cut), "unbekanntes Format (nur 24 Bit erlaubt!)"},
         }) {
        TempDir dir;
        RectifyRun result = rectify(dir, failing.bmp, {"karte.bmp", "h"});
        EXPECT_EQ(result.run.exitCode, 1) << failing.message;
        EXPECT_EQ(result.run.output, refusalText(statusLine("KARTE.BMP", "horizontal linear."),
                                                 "KARTE.TMP", failing.message));
        EXPECT_FALSE(fs::exists(dir / "KARTE.TMP"));
    }
}

TEST(Run, CoefficientsThatCannotBeFormedStopBeforeTheOutput) {
    struct Case {
        PixelRows rows;
        std::string lower;
        std::string upper;
    };
    for (const Case& failing : std::vector<Case>{
             {hyperbolicSource(), "50", "50"},
             {hyperbolicSource(), "1.9900000000000004", "1.9900000000000007"},
             {hyperbolicSource(), "40", "50000"},
             {hyperbolicSource(), "-50000", "40"},
             {hyperbolicSource(), "0", "4.9406564584124654e-324"},
             {{shades(0, 4)}, "40", "60"},
         }) {
        TempDir dir;
        RectifyRun result = rectify(dir, makeBmp(failing.rows), {"karte.bmp", "v", failing.lower, failing.upper});
        EXPECT_EQ(result.run.exitCode, 1) << failing.lower << " " << failing.upper;
        EXPECT_EQ(result.run.output,
                  refusalText(statusLine("KARTE.BMP", "vertikal hyperbolisch."), "KARTE.TMP",
                              "Breitengrade ungeeignet: hyperbolische Entzerrung nicht berechenbar"))
            << failing.lower << " " << failing.upper;
        EXPECT_FALSE(fs::exists(dir / "KARTE.TMP"));
    }
}

TEST(Run, SingleRowWithoutLatitudesIsLeftBlack) {
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp({shades(0, 4)}), {"karte.bmp", "v"});
    EXPECT_EQ(result.run.output,
              successText(statusLine("KARTE.BMP", "vertikal linear."), "KARTE.TMP", 66, 3, false));
    expectRectified(result, {{black, black, black, black}});
}

TEST(Run, FileCutInsideItsTopRowStopsWithTheFailureReport) {
    BmpOptions cut;
    cut.truncateTo = 54 + 12 + 3;
    TempDir dir;
    RectifyRun result = rectify(dir, makeBmp(patternPicture(4, 2), cut), {"karte.bmp", "h"});
    EXPECT_EQ(result.run.exitCode, 1);
    std::string before = bannerText() + statusLine("KARTE.BMP", "horizontal linear.") +
                         "\r\nAusgabe: KARTE.TMP\r\n" + prefillText(69) + ".Exception EInOutError in module glattzug at ";
    ASSERT_GE(result.run.output.size(), before.size());
    EXPECT_EQ(result.run.output.substr(0, before.size()), before);
    std::string after = ".\nRead beyond end of file.\r\n";
    EXPECT_EQ(result.run.output.substr(before.size() + 8), after);
    // A failed run leaves no output behind, not even a partial one.
    EXPECT_FALSE(fs::exists(dir / "KARTE.TMP"));
}
