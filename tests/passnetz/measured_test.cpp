// The measured points in the points file: a measurement file that belongs to
// the .INF, one that does not, and the grid kept without one.
#include "passnetzrun.hpp"

#include "exportrun.hpp"

#include <gtest/gtest.h>

namespace {

// One point typed from the old map, then two from a GPS receiver after the
// correction line (+5.4" in longitude, -3.6" in latitude), one of them packed.
const std::string measurements = "0040 0030\r\n"
                                 "* Kirche aus der alten Karte, dann vom GPS-Geraet\r\n"
                                 "2 13.4 3 52.6\r\n"
                                 "WGS 5.4 -3.6\r\n"
                                 "37 13.9 27 52.2\r\n"
                                 "20 132436 15 522400\r\n";
// What messkart writes from them.
const std::string calibration = "53.0561\r\n-700.3573\r\n-2367.9234\r\n2495.3254\r\n40\r\n30\r\n";
const std::string gridLine = "Passpunkte: 8 x 7 = 56, im Bild alle 13 x 15 Pixel mit Ecken und Raendern.\r\n";
const std::string closing = "K.tif: 40 x 31 Pixel, Zeilen in gleichen Schritten der Breite, keine Bildzeile "
                            "ausgelassen.\r\n"
                            "K.tif, K.vrt und K.BMP.points geschrieben.\r\n";

void writeMap(const TempDir& dir, const std::string& inf) {
    writeFile(dir / "K.BMP", blankPicture(40, 30));
    writeFile(dir / "K.INF", inf);
}

// The grid from the .INF: 8 x 7 points from pixel -26, line -30 to pixel 66, line 60.
void expectGrid(const std::string& points) {
    EXPECT_TRUE(points.starts_with("#CRS: EPSG:4314\r\nmapX,mapY,pixelX,pixelY,enable\r\n"
                                   "12.700844954680047,53.156100720027595,-26,30,1\r\n"));
    EXPECT_TRUE(points.ends_with("\r\n14.43485857422615,51.652474627183395,66,-60,1\r\n"));
    EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 58);
}

std::string gridPoints(const std::string& inf) {
    TempDir dir;
    writeMap(dir, inf);
    EXPECT_EQ(runPassnetz(dir, {"K.BMP"}).exitCode, 0);
    return readFile(dir / "K.BMP.points");
}

TEST(MeasuredPoints, FileBesideTheInfGivesItsPointsCorrectedAsMesskartFitsThem) {
    for (const char* name : {"K.TXT", "K.txt"}) {
        TempDir dir;
        writeMap(dir, calibration);
        writeFile(dir / name, measurements);
        RunResult run = runPassnetz(dir, {"K.BMP"});
        EXPECT_EQ(run.output, passnetzBanner + "K.BMP: 40 x 30 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n" +
                                  gridLine + "K.BMP.points: die 3 Messpunkte aus " + name +
                                  " (mit WGS->PD-Korrektur).\r\n" + closing + pauseText());
        EXPECT_EQ(run.exitCode, 0);
        // Before the correction line as typed; after it 13.9 + 0.0015 and 52.2 - 0.001 as
        // doubles; pixel centres at index + 0.5, rows downwards negative.
        EXPECT_EQ(readFile(dir / "K.BMP.points"), "#CRS: EPSG:4314\r\nmapX,mapY,pixelX,pixelY,enable\r\n"
                                                  "13.4,52.6,2.5,-3.5,1\r\n"
                                                  "13.9015,52.199000000000005,37.5,-27.5,1\r\n"
                                                  "13.4115,52.399,20.5,-15.5,1\r\n");
        EXPECT_EQ(readFile(dir / name), measurements);
    }
}

TEST(MeasuredPoints, WithoutAMeasurementFileThePointsFileHoldsTheGrid) {
    expectGrid(gridPoints(calibration));
}

TEST(MeasuredPoints, NamedFileThatDoesNotBelongIsRefused) {
    struct Case {
        std::string file;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {measurements + "GPS\r\n",
         "Messung.txt gehoert nicht zu K.INF: ihre Punkte ergeben in Zeile 7 GPS, K.INF hat nichts."},
        {"0040 0030\r\n2 13.4 3 52.6\r\n37 13,9 27 52.2\r\n",
         "Messung.txt ist keine Messdatei fuer messkart (Formatfehler bei \"13,9 27 52.2\")."},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeMap(dir, calibration);
        writeFile(dir / "Messung.txt", c.file);
        RunResult run = runPassnetz(dir, {"K.BMP", "K.INF", "Messung.txt"});
        EXPECT_EQ(run.output, passnetzBanner + "K.BMP: 40 x 30 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n" +
                                  gridLine + c.shown + "\a\r\n" + pauseText());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(folderNames(dir), (std::vector<std::string>{"K.BMP", "K.INF", "Messung.txt"}));
    }
}

TEST(MeasuredPoints, FoundFileThatDoesNotBelongIsNamedAndTheGridKept) {
    TempDir dir;
    // A .INF edited by hand after messkart: line 4 moved by a pixel.
    const std::string edited = "53.0561\r\n-700.3573\r\n-2367.9234\r\n2496.3254\r\n40\r\n30\r\n";
    writeMap(dir, edited);
    writeFile(dir / "K.TXT", measurements);
    RunResult run = runPassnetz(dir, {"K.BMP"});
    EXPECT_EQ(run.output, passnetzBanner + "K.BMP: 40 x 30 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n" +
                              gridLine +
                              "Warnung: K.TXT gehoert nicht zu K.INF: ihre Punkte ergeben in Zeile 4 2495.3254, "
                              "K.INF hat 2496.3254.\r\n"
                              "K.BMP.points traegt deshalb das Netz der Passpunkte, nicht die gemessenen.\r\n" +
                              closing + pauseText());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "K.BMP.points"), gridPoints(edited));
}

struct MismatchCase {
    const char* name;
    passnetz::Calibration inf;
    std::string expected;
};

class Mismatches : public testing::TestWithParam<MismatchCase> {};

// The fit of the two points of 100.0000, -900.0000, -1460.2445, 900.0000, 1000, 800.
TEST_P(Mismatches, ComparedLineByLineAsMesskartWritesThem) {
    messkart::CalibrationRun measured;
    measured.lonFit.slope = 100.0;
    measured.lonFit.intercept = -900.0;
    measured.latFit.slope = -1460.24449;
    measured.latFit.intercept = -0.00004;
    measured.headerValue1 = 1000;
    measured.headerValue2 = 800;
    EXPECT_EQ(passnetz::calibrationMismatch(measured, "K.INF", GetParam().inf), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Mismatches,
    testing::Values(MismatchCase{"Same", {100.0, -900.0, -1460.2445, 0.0, 1000, 800, false}, ""},
                    MismatchCase{"Line3", {100.0, -900.0, -1460.2446, 0.0, 1000, 800, false},
                                 "gehoert nicht zu K.INF: ihre Punkte ergeben in Zeile 3 -1460.2445, K.INF hat "
                                 "-1460.2446"},
                    MismatchCase{"Header", {100.0, -900.0, -1460.2445, 0.0, 1000, 600, false},
                                 "gehoert nicht zu K.INF: ihre Punkte ergeben in Zeile 6 800, K.INF hat 600"},
                    MismatchCase{"GpsLine", {100.0, -900.0, -1460.2445, 0.0, 1000, 800, true},
                                 "gehoert nicht zu K.INF: ihre Punkte ergeben in Zeile 7 nichts, K.INF hat GPS"}),
    [](const testing::TestParamInfo<MismatchCase>& param) { return std::string(param.param.name); });

} // namespace
