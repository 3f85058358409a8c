// Runs that stop: the help text, the header tests in their order, and the
// refusals that keep the input safe and the output's header sound.
#include "kippdreh_runs.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class RotationHelp : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(RotationHelp, WrongArgumentsShowTheHelpText) {
    TempDir dir;
    writeFile(dir / "K.BMP", makeBmp(patternPicture(8, 8)));
    RunResult result = runProgram(KIPPDREH_PATH, GetParam(), dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, kippdrehBanner + kippdrehHelp);
    EXPECT_FALSE(std::filesystem::exists(dir / "K.TMP"));
}

std::vector<std::string> withPicture(const std::string& argument) { return {"K.BMP", argument}; }

INSTANTIATE_TEST_SUITE_P(
    Arguments, RotationHelp,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"K.BMP"},
                      std::vector<std::string>{"K.BMP", "x=5", "y=5"}, withPicture("x="), withPicture("g="),
                      withPicture("x5"), withPicture("xx=5"), withPicture("z=5"), withPicture("x=0"),
                      withPicture("g=0"), withPicture("g=0.0"), withPicture("g=90.5"), withPicture("g=-91"),
                      withPicture("g=1,5"), withPicture("x=5a"), withPicture("x=1.5"), withPicture("")));

struct AcceptedArgument {
    const char* argument;
    const char* report;
};

class RotationArguments : public ::testing::TestWithParam<AcceptedArgument> {};

TEST_P(RotationArguments, AreReadAsTheReportShows) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "K.BMP", makeBmp(patternPicture(40, 30)), {"K.BMP", GetParam().argument}, "K.TMP");
    EXPECT_EQ(run.result.exitCode, 0);
    EXPECT_NE(run.result.output.find(GetParam().report), std::string::npos) << run.result.output;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RotationArguments,
    ::testing::Values(AcceptedArgument{"g=90", "Rotation Omega=90.00 Grad."},
                      AcceptedArgument{"G=-90", "Rotation Omega=-90.00 Grad."},
                      AcceptedArgument{"g=-0.01", "Rotation Omega=-0.01 Grad."},
                      AcceptedArgument{"g=1.5e1", "Rotation Omega=15.00 Grad."},
                      AcceptedArgument{"X=-5", "xDelta=-5 Pixel"}, AcceptedArgument{"x=$A", "xDelta=10 Pixel"},
                      AcceptedArgument{"x=0xA", "xDelta=10 Pixel"}, AcceptedArgument{"x=-100000", "Bildseite um -200000 Pixel"},
                      AcceptedArgument{"x=14", "xDelta=14 Pixel"}));

struct HeaderFailure {
    const char* name;
    std::string bmp;
    const char* argument;
    const char* message;
    std::string reportBefore = {};  // what the run shows before the message
};

std::string withByte(std::string bytes, std::size_t at, unsigned char value) {
    bytes[at] = static_cast<char>(value);
    return bytes;
}

class RotationStops : public ::testing::TestWithParam<HeaderFailure> {};

TEST_P(RotationStops, WithTheMessageBellAndPause) {
    TempDir dir;
    const HeaderFailure& c = GetParam();
    RotationRun run = runKippdreh(dir, "K.BMP", c.bmp, {"K.BMP", c.argument}, "K.TMP");
    EXPECT_EQ(run.result.exitCode, 1);
    EXPECT_EQ(run.result.output, kippdrehBanner + c.reportBefore + c.message + "\a\r\n" + pauseText());
    EXPECT_FALSE(run.outputExists);
    EXPECT_EQ(readFile(dir / "K.BMP"), c.bmp);
}

const std::string good8x6 = makeBmp(patternPicture(8, 6));

INSTANTIATE_TEST_SUITE_P(
    Header, RotationStops,
    ::testing::Values(
        HeaderFailure{"short", good8x6.substr(0, 53), "x=1", "unbekanntes Format"},
        HeaderFailure{"empty", "", "g=1", "unbekanntes Format"},
        HeaderFailure{"colours", makeBmp(patternPicture(8, 6), {.colourCount = 0x00010001}), "x=1",
                      "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)"},
        // The colour count is tested before the shift limit, which comes before the layout.
        HeaderFailure{"coloursFirst", withByte(good8x6.substr(0, 60), 50, 1), "x=100",
                      "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)"},
        HeaderFailure{"shiftBeforeLayout", good8x6.substr(0, 60), "x=3", "Winkel zu gross"},
        HeaderFailure{"shiftHeight", good8x6, "x=3", "Winkel zu gross"},
        HeaderFailure{"oneColumn", makeBmp(patternPicture(1, 6)), "g=5", "Winkel zu gross"},
        HeaderFailure{"layout", good8x6.substr(0, 54 + 24 * 5 + 2), "x=-1",
                      "unbekanntes Format (nur 24 Bit erlaubt!)"},
        HeaderFailure{"heightZero", withByte(good8x6, 22, 0), "x=-1", "unbekanntes Format (nur 24 Bit erlaubt!)"},
        HeaderFailure{"topDown", withByte(withByte(good8x6, 22, 0xFA), 23, 0xFF), "g=1",
                      "unbekanntes Format (nur 24 Bit erlaubt!)"},
        HeaderFailure{"widthZeroShiftY", withByte(good8x6, 18, 0), "y=-1",
                      "Bildbreite bzw. Bildhoehe 0: kein Drehwinkel berechenbar"},
        HeaderFailure{"tooWide", makeBmp(filledPicture(65000, 1, {1, 2, 3})).substr(0, 54 + 195000), "x=-1",
                      "Ausgabe-Bild zu gross (Datei ueber 2 GB)",
                      "K.BMP Width=65000 Height=1\r\n"
                      "Rotation rechts xDelta=-1 Pixel; Rot.Winkel Omega=-63.43 Grad.\r\n"
                      "Die Rotation entspricht einer Kippung der linken und rechten \r\n"
                      "Bildseite um -2 Pixel. Strg+C bricht ab.\r\n"},
        HeaderFailure{"wideStrip", makeBmp(filledPicture(65535, 4, {1, 2, 3})), "g=0.01",
                      "Ausgabe-Bild zu gross (Breite oder Hoehe ueber 65535 Pixel)",
                      "K.BMP Width=65535 Height=4\r\nRotation Omega=0.01 Grad. Strg+C bricht ab.\r\n"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(RotationSafety, AnInputNamedLikeTheOutputIsRefused) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "karte.tmp", good8x6, {"karte.tmp", "x=1"}, "KARTE.TMP");
    EXPECT_EQ(run.result.exitCode, 1);
    EXPECT_EQ(run.result.output,
              kippdrehBanner + "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n" + pauseText());
    EXPECT_FALSE(run.outputExists);
    EXPECT_EQ(readFile(dir / "karte.tmp"), good8x6);
}

TEST(RotationSafety, AReadOnlyInputIsTurnedAndKept) {
    TempDir dir;
    writeFile(dir / "ro.bmp", good8x6);
    chmod((dir / "ro.bmp").c_str(), 0444);
    RunResult result = runProgram(KIPPDREH_PATH, {"ro.bmp", "x=1"}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(std::filesystem::exists(dir / "RO.TMP"));
    EXPECT_EQ(readFile(dir / "ro.bmp"), good8x6);
}

TEST(RotationSafety, DirectoriesKeepTheirCaseAndTheNameIsUpperCased) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Scans");
    writeFile(dir / "Scans/karte.bmp", good8x6);
    RunResult result = runProgram(KIPPDREH_PATH, {"Scans/karte.bmp", "x=1"}, dir.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.find("Scans/KARTE.BMP Width=8 Height=6\r\n"), kippdrehBanner.size());
    EXPECT_NE(result.output.find("Scans/KARTE.TMP geschrieben"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "Scans/KARTE.TMP"));
}

TEST(RotationSafety, AMissingInputEndsWithTheFailureReport) {
    TempDir dir;
    RunResult result = runProgram(KIPPDREH_PATH, {"fehlt.bmp", "x=1"}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    std::string expectedStart = kippdrehBanner + "Exception EInOutError in module kippdreh at ";
    ASSERT_EQ(result.output.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(result.output.substr(expectedStart.size() + 8), ".\nFile not found.\r\n");
}

TEST(RotationSafety, AFileEndingInsideThePictureStopsTheTurn) {
    TempDir dir;
    // The top row's first pixel is there, the rest of that row is not.
    RotationRun run = runKippdreh(dir, "K.BMP", good8x6.substr(0, 54 + 24 * 5 + 3), {"K.BMP", "x=1"}, "K.TMP");
    EXPECT_EQ(run.result.exitCode, 1);
    // The report follows the pass's first dot on the same line.
    std::size_t report = run.result.output.find("\r\n.Exception EInOutError in module kippdreh at ");
    ASSERT_NE(report, std::string::npos) << run.result.output;
    EXPECT_EQ(run.result.output.substr(report + 55), ".\nRead beyond end of file.\r\n");
}

TEST(RotationSafety, AnExistingOutputIsReplaced) {
    TempDir dir;
    writeFile(dir / "K.TMP", std::string(100000, 'x'));
    RotationRun run = runKippdreh(dir, "K.BMP", good8x6, {"K.BMP", "x=1"}, "K.TMP");
    EXPECT_EQ(run.result.exitCode, 0);
    EXPECT_LT(run.output.size(), 1000u);
}

} // namespace
