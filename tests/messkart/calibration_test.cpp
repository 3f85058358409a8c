// Whole runs that write a calibration file, and the file's text.
#include "calibrationfile.hpp"
#include "measurementfile.hpp"
#include "messkartrun.hpp"

#include <gtest/gtest.h>

#include <cctype>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace fs = std::filesystem;

using namespace messkart;

namespace {

TEST(Calibration, ExampleGivesTheSixLines) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, bannerText + "\r\nKARTE.INF geschrieben ohne WGS->PD-Korrektur. Format:PD\r\n"
                                       "[Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), "100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n1000\r\n800\r\n");
    EXPECT_EQ(readFile(dir / "KARTE.TXT"), exampleFile);
}

TEST(Calibration, WithoutArgumentShowsHowToCall) {
    TempDir dir;
    RunResult run = runMesskart(dir, {});
    EXPECT_EQ(run.output, bannerText + "\r\nmit Dateiname als Parameter aufrufen! [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Calibration, FurtherArgumentsAreIgnored) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    RunResult run = runMesskart(dir, {"KARTE.TXT", "ANDERE.TXT", "x=7"});
    EXPECT_EQ(run.output, successOutput("KARTE.INF", "ohne", "PD"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(fs::exists(dir / "ANDERE.INF"));
}

struct OutcomeCase {
    const char* name;
    std::string file;
    const char* word;
    const char* format;
};

class CorrectionOutcomes : public testing::TestWithParam<OutcomeCase> {};

TEST_P(CorrectionOutcomes, ReportAndGpsLine) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", GetParam().file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, successOutput("KARTE.INF", GetParam().word, GetParam().format));
    EXPECT_EQ(run.exitCode, 0);
    bool gps = std::string(GetParam().format) == "WGS";
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration + (gps ? "GPS\r\n" : ""));
}

const std::string h = exampleHeader;
const std::string p1 = examplePoint1;
const std::string p2 = examplePoint2;
const std::string noShift = "WGS 0 0\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, CorrectionOutcomes,
    testing::Values(
        OutcomeCase{"NeitherLine", h + p1 + p2, "ohne", "PD"},
        OutcomeCase{"GpsWithoutCorrection", h + "GPS\r\n" + p1 + p2, "ohne", "WGS"},
        OutcomeCase{"GpsXWithoutCorrection", h + p1 + "GPSX egal\r\n" + p2, "ohne", "WGS"},
        OutcomeCase{"GpsAfterLastDataLine", h + noShift + p1 + p2 + "GPS\r\n", "mit", "WGS"},
        OutcomeCase{"DataLineAfterCorrectionClearsGps", h + "GPS\r\n" + noShift + p1 + p2, "mit", "PD"},
        OutcomeCase{"DataLineAfterLastGps", h + noShift + p1 + "GPS\r\n" + p2, "mit", "PD"},
        OutcomeCase{"CorrectionAfterDataNoGps", h + p1 + p2 + "WGS 3600 -1800\r\n", "mit", "PD"},
        OutcomeCase{"CorrectionAfterDataWithGps", h + "GPS\r\n" + p1 + p2 + noShift, "mit", "WGS"}),
    [](const testing::TestParamInfo<OutcomeCase>& testInfo) { return std::string(testInfo.param.name); });

class ShiftedPoints : public testing::TestWithParam<OutcomeCase> {};

// Each file is the example shifted by one degree west and half a degree north
// where a correction of 3600 and -1800 seconds applies.
TEST_P(ShiftedPoints, GiveTheExampleCalibration) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", GetParam().file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, successOutput("KARTE.INF", GetParam().word, GetParam().format));
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
}

const std::string shifted1 = "100 9.0 900 0.5\r\n";
const std::string shifted2 = "300 11.0 100 30.5\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ShiftedPoints,
    testing::Values(
        OutcomeCase{"Correction", h + "WGS 3600 -1800\r\n" + shifted1 + shifted2, "mit", "PD"},
        OutcomeCase{"AnyCharacterAfterKeyword", h + "WGS:3600   -1800\r\n" + shifted1 + shifted2, "mit", "PD"},
        OutcomeCase{"DecimalSeconds", h + "WGS 3600.0 -18e2\r\n" + shifted1 + shifted2, "mit", "PD"},
        OutcomeCase{"SecondCorrectionReplacesFirst",
                    h + "WGS 7200 7200\r\n" + "WGS 3600 -1800\r\n" + shifted1 + shifted2, "mit", "PD"},
        OutcomeCase{"PointsBeforeCorrectionUnchanged", h + p1 + "WGS 3600 -1800\r\n" + shifted2, "mit", "PD"}),
    [](const testing::TestParamInfo<OutcomeCase>& testInfo) { return std::string(testInfo.param.name); });

struct PackedCase {
    const char* name;
    const char* longitude;
    const char* lonLines;  // lines 1 and 2 for the points at longitude 10 and the field
};

class PackedLongitudes : public testing::TestWithParam<PackedCase> {};

TEST_P(PackedLongitudes, FitThroughTheExampleFirstPoint) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", h + p1 + "300 " + GetParam().longitude + " 100 30.0\r\n");
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"),
              std::string(GetParam().lonLines) + "-1460.2445\r\n900.0000\r\n1000\r\n800\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PackedLongitudes,
    testing::Values(PackedCase{"FiveDigits", "52436", "4.6818\r\n53.1817\r\n"},
                    PackedCase{"SixDigits", "132436", "58.6510\r\n-486.5103\r\n"},
                    PackedCase{"Decimal", "13.41", "58.6510\r\n-486.5103\r\n"},
                    PackedCase{"LeadingZero", "0132436", "58.6510\r\n-486.5103\r\n"},
                    PackedCase{"SevenDigits", "1132436", "1.9340\r\n80.6595\r\n"},
                    PackedCase{"Negative", "-052436", "-12.9786\r\n229.7859\r\n"},
                    PackedCase{"NegativeSevenDigits", "-1132436", "-1.6206\r\n116.2061\r\n"},
                    PackedCase{"SmallNegative", "-002436", "-19.2123\r\n292.1230\r\n"},
                    PackedCase{"EightDigitsCutAfterSeconds", "13243650", "58.6510\r\n-486.5103\r\n"}),
    [](const testing::TestParamInfo<PackedCase>& testInfo) { return std::string(testInfo.param.name); });

const std::string oneMeridian =
    "Alle Punkte liegen auf einem Meridian: die Textdatei braucht Punkte auf mindestens 2 Laengen.";
const std::string oneParallel =
    "Alle Punkte liegen auf einem Breitenkreis: die Textdatei braucht Punkte auf mindestens 2 Breiten.";

struct UnsuitableCase {
    const char* name;
    std::string body;
    const std::string& reason;
};

class UnsuitablePoints : public testing::TestWithParam<UnsuitableCase> {};

// Points that cannot calibrate an axis stop like too few lines, after that
// test, and leave an earlier calibration as it was.
TEST_P(UnsuitablePoints, StopWithoutACalibration) {
    TempDir dir;
    writeFile(dir / "karte.txt", h + GetParam().body);
    writeFile(dir / "karte.INF", "earlier");
    RunResult run = runMesskart(dir, {"karte.txt"});
    EXPECT_EQ(run.output, unsuitableOutput("karte.txt", GetParam().reason));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(readFile(dir / "karte.INF"), "earlier");
}

const std::string tooFew = "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten.";

INSTANTIATE_TEST_SUITE_P(
    Fits, UnsuitablePoints,
    testing::Values(UnsuitableCase{"Meridian", p1 + "300 10.0 100 30.0\r\n", oneMeridian},
                    UnsuitableCase{"MeridianWrittenTwoWays", p1 + "300 0100000 100 30.0\r\n", oneMeridian},
                    UnsuitableCase{"Parallel", p1 + "300 12.0 100 0.0\r\n", oneParallel},
                    // The meridian is named first; the count is tested before both.
                    UnsuitableCase{"OnePoint", "100 0100000 100 0500000\r\n", tooFew},
                    UnsuitableCase{"SamePointTwice",
                                   "100 0100000 100 0500000\r\n200 0100000 200 0500000\r\n", oneMeridian},
                    // Equal once corrected: the fit's values are what counts.
                    UnsuitableCase{"ParallelAfterCorrection", p1 + "WGS 0 3600\r\n300 12.0 100 -1.0\r\n",
                                   oneParallel}),
    [](const testing::TestParamInfo<UnsuitableCase>& testInfo) { return std::string(testInfo.param.name); });

// Longitudes that differ only in their last bit still give two meridians.
TEST(Calibration, PointsOnTwoNearbyMeridiansAreCalibrated) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", h + p1 + "300 10.000000000000002 100 30.0\r\n");
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

TEST(Calibration, NegativeHeaderValuesAreCarried) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", "-999 $FFF\r\n" + p1 + p2);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(readFile(dir / "KARTE.INF"), "100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n-999\r\n4095\r\n");
}

class Overflows : public testing::TestWithParam<std::string> {};

TEST_P(Overflows, StopWithTheFailureReport) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", h + p1 + GetParam());
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_TRUE(std::regex_match(run.output, std::regex(bannerText + "Exception EOverflow in module messkart at "
                                                                     "[0-9A-F]{8}\\.\nFloating point overflow\\.\r\n")))
        << run.output;
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "KARTE.INF"));
}

INSTANTIATE_TEST_SUITE_P(Lines, Overflows,
                         // A latitude beyond a pole is a format error; a correction can still carry one far.
                         testing::Values("WGS 0 1.08e8\r\n300 12.0 100 30.0\r\n",
                                         "WGS 0 -7.56e7\r\n300 12.0 100 -30.0\r\n",
                                         "300 1.0e200 100 30.0\r\n"));

struct NameCase {
    const char* argument;
    const char* calibrationName;
};

class NameRule : public testing::TestWithParam<NameCase> {};

TEST_P(NameRule, CalibrationFileBesideTheMeasurements) {
    TempDir dir;
    fs::create_directory(dir / "mess.v2");
    writeFile(dir / GetParam().argument, exampleFile);
    RunResult run = runMesskart(dir, {GetParam().argument});
    EXPECT_EQ(run.output, successOutput(GetParam().calibrationName, "ohne", "PD"));
    EXPECT_EQ(readFile(dir / GetParam().calibrationName), exampleCalibration);
    EXPECT_EQ(readFile(dir / GetParam().argument), exampleFile);
}

INSTANTIATE_TEST_SUITE_P(Names, NameRule,
                         testing::Values(NameCase{"karte.txt", "karte.INF"}, NameCase{"karte", "karte.INF"},
                                         NameCase{"karte.", "karte.INF"},
                                         NameCase{"karte.messung.txt", "karte.messung.INF"},
                                         NameCase{"mess.v2/karte", "mess.v2/karte.INF"},
                                         NameCase{"mess.v2/Karte.Txt", "mess.v2/Karte.INF"},
                                         NameCase{"KARTE.INF.TXT", "KARTE.INF.INF"}),
                         [](const testing::TestParamInfo<NameCase>& name) {
                             std::string label = name.param.argument;
                             for (char& c : label) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return label;
                         });

// A folder that takes no new file (made so here by the fault seam, as a
// folder without write access or without free inodes would): the calibration
// is not rewritten in place, which a kill could leave half old, half new.
TEST(Calibration, AFolderThatTakesNoNewFileLeavesTheOldCalibrationAndSaysWhatToDo) {
    for (bool earlier : {true, false}) {
        SCOPED_TRACE(earlier);
        TempDir dir;
        writeFile(dir / "KARTE.TXT", exampleFile);
        if (earlier) writeFile(dir / "KARTE.INF", std::string(100, '-'));
        RunSetting setting;
        setting.environment = {"KARTEN_TEST_FAULT=tmpfile:1"};
        RunResult run = runProgram(MESSKART_PATH, {"KARTE.TXT"}, dir.path(), setting);
        EXPECT_EQ(run.output,
                  bannerText + (earlier ? "KARTE.INF:Schreib-Fehler. Der Ordner nimmt keine neue Datei auf; die alte "
                                          "Datei bleibt unveraendert.\r\nSchreibrecht oder Platz im Ordner schaffen "
                                          "oder die Textdatei in einen anderen Ordner kopieren. [Return] druecken.\r\n"
                                        : "KARTE.INF:Schreib-Fehler. [Return] druecken.\r\n"));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(fs::exists(dir / "KARTE.INF"), earlier);
        if (earlier) {
            EXPECT_EQ(readFile(dir / "KARTE.INF"), std::string(100, '-'));
        }
    }
}

TEST(Calibration, WithADirectoryNamedLikeTheCalibrationFileNothingIsWritten) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    fs::create_directory(dir / "KARTE.INF");
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.output, bannerText + "KARTE.INF:Schreib-Fehler. [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(Calibration, ExistingCalibrationIsReplacedWithoutLeftovers) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    writeFile(dir / "KARTE.INF", "1.0000\r\n2.0000\r\n3.0000\r\n4.0000\r\n5\r\n6\r\nGPS\r\n");
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(Calibration, NewFileGetsTheUsualMode) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    ASSERT_EQ(run.exitCode, 0);
    mode_t mask = umask(0);
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat((dir / "KARTE.INF").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(Calibration, StopBeforeWritingLeavesAnEarlierCalibration) {
    TempDir dir;
    const std::string earlier = "1.0000\r\n2.0000\r\n3.0000\r\n4.0000\r\n5\r\n6\r\n";
    writeFile(dir / "KARTE.TXT", h + p1 + "300 12,0 100 30.0\r\n");
    writeFile(dir / "KARTE.INF", earlier);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), earlier);
}

class MeasurementsAsCalibration : public testing::TestWithParam<const char*> {};

TEST_P(MeasurementsAsCalibration, AreRefusedAndKept) {
    TempDir dir;
    writeFile(dir / GetParam(), exampleFile);
    RunResult run = runMesskart(dir, {GetParam()});
    EXPECT_EQ(run.output, bannerText + "\r\n" + GetParam() +
                              " : Die Messdatei waere selbst die .INF-Datei, Abbruch. [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(readFile(dir / GetParam()), exampleFile);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, MeasurementsAsCalibration,
                         testing::Values("KARTE.INF", "karte.inf", "Karte.Inf"));

TEST(Calibration, MeasurementsLinkedAsTheCalibrationFileAreRefused) {
    TempDir dir;
    writeFile(dir / "KARTE", exampleFile);
    fs::create_hard_link(dir / "KARTE", dir / "KARTE.INF");
    RunResult run = runMesskart(dir, {"KARTE"});
    EXPECT_EQ(run.output, bannerText +
                              "\r\nKARTE : Die Messdatei waere selbst die .INF-Datei, Abbruch. [Return] druecken.\r\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(readFile(dir / "KARTE"), exampleFile);
}

TEST(Calibration, NumbersIgnoreTheLocale) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleFile);
    const char* before = std::getenv("LC_ALL");
    std::string saved = before != nullptr ? before : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    if (before != nullptr) setenv("LC_ALL", saved.c_str(), 1); else unsetenv("LC_ALL");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), exampleCalibration);
}

struct RealCase {
    double value;
    const char* text;
};

class RealNumbers : public testing::TestWithParam<RealCase> {};

TEST_P(RealNumbers, FourDecimals) { EXPECT_EQ(realNumberText(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Values, RealNumbers,
    testing::Values(RealCase{100.0, "100.0000"}, RealCase{-900.0, "-900.0000"}, RealCase{0.0, "0.0000"},
                    RealCase{-0.0, "0.0000"}, RealCase{-0.00001, "-0.0000"}, RealCase{0.00004, "0.0000"},
                    RealCase{0.00005, "0.0001"}, RealCase{0.15625, "0.1562"}, RealCase{0.46875, "0.4688"},
                    RealCase{-1460.2444597503627, "-1460.2445"}, RealCase{0.5, "0.5000"},
                    RealCase{1e20, "100000000000000000000.0000"}));

TEST(CalibrationText, SevenLinesWithGps) {
    CalibrationRun run;
    run.lonFit.slope = 2.5;
    run.lonFit.intercept = -0.00002;
    run.latFit.slope = 12345.67891;
    run.latFit.intercept = -3.0;
    run.headerValue1 = -5;
    run.headerValue2 = 32767;
    run.gpsFormat = true;
    EXPECT_EQ(calibrationText(run), "2.5000\r\n-0.0000\r\n12345.6789\r\n-3.0000\r\n-5\r\n32767\r\nGPS\r\n");
}

} // namespace
