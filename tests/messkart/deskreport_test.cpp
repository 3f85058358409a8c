// messkartbericht, the desk's report: its lines, the points it leaves out,
// and the .INF it writes, which must be messkart's own for the same points.
#include "messkartrun.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

namespace {

RunResult runReport(const TempDir& dir, const std::vector<std::string>& arguments) {
    return runProgram(MESSKARTBERICHT_PATH, arguments, dir.path());
}

std::vector<std::string> reportLines(const TempDir& dir) {
    std::vector<std::string> lines;
    std::string text = readFile(dir / "KARTE.BER");
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

std::vector<double> numbersAfter(const std::string& line, std::size_t skipped) {
    std::istringstream in(line);
    std::string word;
    for (std::size_t k = 0; k < skipped; ++k) in >> word;
    std::vector<double> numbers;
    double value;
    while (in >> value) numbers.push_back(value);
    return numbers;
}

// messkart's .INF of a file, for the report's to be held to.
std::string messkartCalibration(const std::string& file) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", file);
    RunResult run = runMesskart(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    return readFile(dir / "KARTE.INF");
}

// Three points on one parallel but the last: x 100, 200, 330 at longitudes
// 10, 11, 12 fit x = 115 * longitude - 1055, so their fitted x lie 5 pixels
// left, 10 right, 5 left of them.
const std::string threePoints = "1000 0800\r\n* Karte Nord\r\nWGS 0 0\r\n100 10.0 900 0.0 Turm  am  Markt\r\n"
                                "200 110000 900 0.0\r\n330 12.0 100 30.0\r\nGPS\r\n";

TEST(DeskReport, ListsTheLinesAndWhereTheFitPutsThePoints) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", threePoints);
    RunResult run = runReport(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "\r\nKARTE.INF geschrieben mit WGS->PD-Korrektur. Format:WGS\r\n[Return] druecken.\r\n");
    EXPECT_EQ(readFile(dir / "KARTE.INF"), messkartCalibration(threePoints));
    std::vector<std::string> lines = reportLines(dir);
    ASSERT_EQ(lines.size(), 13u);
    const std::vector<std::string> read = {"kommentar  Karte Nord",   "wgs 0 0",
                                           "daten 100 10.0 900 0.0 Turm am Markt", "daten 200 110000 900 0.0",
                                           "daten 330 12.0 100 30.0", "gps", "gelesen 1000 800"};
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7), read);
    const double dx[] = {-5, 10, -5};
    for (int k = 0; k < 3; ++k) {
        std::vector<double> p = numbersAfter(lines[7 + k], 2);
        ASSERT_EQ(p.size(), 7u) << lines[7 + k];
        EXPECT_EQ(lines[7 + k].substr(0, 8), "punkt " + std::to_string(k + 1) + ' ');
        EXPECT_EQ(p[0], 10.0 + k);
        EXPECT_EQ(p[5], dx[k]);
        EXPECT_EQ(p[3], p[5] + (k == 2 ? 330 : 100 * (k + 1)));
    }
    EXPECT_EQ(lines[7].find("punkt 1 1.0000000000000000e+01 0.0000000000000000e+00 0.0000000000000000e+00 "
                            "9.5000000000000000e+01 "), 0u);
    std::vector<double> fit = numbersAfter(lines[10], 1);
    ASSERT_EQ(fit.size(), 4u);
    EXPECT_EQ(fit[0], 115.0);
    EXPECT_EQ(fit[1], -1055.0);
    EXPECT_EQ(lines[11], "korrektur 0.0000000000000000e+00 0.0000000000000000e+00");
    std::vector<double> rms = numbersAfter(lines[12], 1);
    ASSERT_EQ(rms.size(), 3u);
    EXPECT_DOUBLE_EQ(rms[1], std::sqrt(50.0));
    EXPECT_NEAR(rms[0], std::hypot(rms[1], rms[2]), 1e-9);
}

struct CheckCase {
    const char* name;
    std::string lines;                    // data lines after the header and a first good point
    std::vector<std::string> leftOut;     // numbers of data lines left out
    std::vector<std::string> problems;    // the report's zeile lines
    std::string fitted;                   // the data lines messkart's own .INF is made from
};

class DeskChecks : public testing::TestWithParam<CheckCase> {};

TEST_P(DeskChecks, NameTheLinesThatDoNotReadAndFitTheOthers) {
    const std::string first = "100 10.0 900 0.0\r\n";
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleHeader + first + GetParam().lines);
    std::vector<std::string> arguments = {"KARTE.TXT", "pruefen"};
    arguments.insert(arguments.end(), GetParam().leftOut.begin(), GetParam().leftOut.end());
    RunResult run = runReport(dir, arguments);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> problems;
    for (const std::string& line : reportLines(dir)) {
        if (line.rfind("zeile ", 0) == 0) problems.push_back(line);
        EXPECT_NE(line.rfind("daten ", 0), 0u) << "checking lists no fields";
    }
    EXPECT_EQ(problems, GetParam().problems);
    EXPECT_EQ(readFile(dir / "KARTE.INF"), messkartCalibration(exampleHeader + first + GetParam().fitted));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeskChecks,
    testing::Values(
        CheckCase{"AllGood", "300 12.0 100 30.0\r\n", {}, {}, "300 12.0 100 30.0\r\n"},
        CheckCase{"BadLongitude", "300 1,5 100 30.0\r\n300 12.0 100 30.0\r\n", {}, {"zeile 2 laenge"},
                  "300 12.0 100 30.0\r\n"},
        CheckCase{"BeyondThePole", "300 12.0 100 1132436\r\n300 12.0 100 30.0\r\n", {}, {"zeile 2 pol"},
                  "300 12.0 100 30.0\r\n"},
        CheckCase{"EveryField", "3x 13 1o0 1,0\r\n300 12.0 100 30.0\r\n", {}, {"zeile 2 x laenge y breite"},
                  "300 12.0 100 30.0\r\n"},
        CheckCase{"SwitchedOff", "500 11.0 700 10.0\r\n300 12.0 100 30.0\r\n", {"2"}, {},
                  "300 12.0 100 30.0\r\n"},
        CheckCase{"OffAndBad", "500 11.0 700 10.0\r\n300 x 100 30.0\r\n300 12.0 100 30.0\r\n", {"2", "3"},
                  {"zeile 3 laenge"}, "300 12.0 100 30.0\r\n"}),
    [](const testing::TestParamInfo<CheckCase>& row) { return std::string(row.param.name); });

TEST(DeskReport, StopsAtAFieldAsMesskartDoesWithoutChecking) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleHeader + "* a\r\n100 10.0 900 0,0\r\n" + examplePoint2);
    RunResult run = runReport(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "\r\n0,0 : Formatfehler. [Return] druecken.\r\n");
    EXPECT_EQ(reportLines(dir), std::vector<std::string>{"kommentar  a"});
    EXPECT_FALSE(std::filesystem::exists(dir / "KARTE.INF"));
}

TEST(DeskReport, AFileTooSmallToFitIsReadButNotFitted) {
    TempDir dir;
    writeFile(dir / "KARTE.TXT", exampleHeader + examplePoint1);
    RunResult run = runReport(dir, {"KARTE.TXT"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "\r\nKARTE.TXT ungeeignet.\r\n"
                          "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten. [Return] druecken.\r\n");
    EXPECT_EQ(reportLines(dir), (std::vector<std::string>{"daten 100 10.0 900 0.0", "gelesen 1000 800"}));
}

} // namespace
