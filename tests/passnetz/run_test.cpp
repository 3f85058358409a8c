// Whole runs of passnetz: the console, the exit code and the files it leaves.
#include "passnetzrun.hpp"

#include "exportrun.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <regex>

namespace fs = std::filesystem;

namespace {

// A 4 x 3 picture calibrated so that a column's longitude is its GDAL pixel
// position (x = lon - 0.5) and row L's latitude is asinh((L - 1) / -4).
const std::string smallCalibration = "1.0000\r\n-0.5000\r\n-4.0000\r\n0.5000\r\n4\r\n3\r\n";

const std::string smallSuccess = passnetzBanner +
                                 "K.BMP: 4 x 3 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n"
                                 "Passpunkte: 9 x 8 = 72, im Bild alle 1 x 1 Pixel mit Ecken und Raendern.\r\n" +
                                 datumWarning +
                                 "K.tif: 4 x 4 Pixel, Zeilen in gleichen Schritten der Breite, keine Bildzeile "
                                 "ausgelassen.\r\n"
                                 "K.tif, K.vrt und K.BMP.points geschrieben.\r\n" +
                                 pauseText();
const std::vector<std::string> smallFolder = {"K.BMP", "K.BMP.points", "K.INF", "K.tif", "K.vrt"};

TEST(PassnetzRun, SmallPictureWritesBothFiles) {
    TempDir dir;
    writeFile(dir / "K.BMP", blankPicture(4, 3));
    writeFile(dir / "K.INF", smallCalibration);
    RunResult run = runPassnetz(dir, {"K.BMP"});
    EXPECT_EQ(run.output, smallSuccess);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(folderNames(dir), smallFolder);

    const std::string vrt = readFile(dir / "K.vrt");
    EXPECT_TRUE(vrt.starts_with("<VRTDataset rasterXSize=\"4\" rasterYSize=\"3\">\r\n"
              "  <GCPList Projection=\"EPSG:4314\" dataAxisToSRSAxisMapping=\"2,1\">\r\n"));
    // Rows from line -2 to 5, columns from pixel -2 to 6; asinh(0.75) = ln 2.
    EXPECT_NE(vrt.find("    <GCP Id=\"1\" Pixel=\"-2\" Line=\"-2\" X=\"-2\" Y=\"39.71440802747728\"/>\r\n"),
              std::string::npos);
    EXPECT_NE(vrt.find("    <GCP Id=\"31\" Pixel=\"1\" Line=\"1\" X=\"1\" Y=\"0\"/>\r\n"), std::string::npos);
    EXPECT_NE(vrt.find("    <GCP Id=\"72\" Pixel=\"6\" Line=\"5\" X=\"6\" Y=\"-50.49898671052621\"/>\r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(vrt.begin(), vrt.end(), '\n'), 72 + 4 + 3 * 7);
    EXPECT_NE(vrt.find("  <VRTRasterBand dataType=\"Byte\" band=\"3\">\r\n"
                       "    <ColorInterp>Blue</ColorInterp>\r\n"
                       "    <SimpleSource>\r\n"
                       "      <SourceFilename relativeToVRT=\"1\">K.BMP</SourceFilename>\r\n"
                       "      <SourceBand>3</SourceBand>\r\n"
                       "    </SimpleSource>\r\n"
                       "  </VRTRasterBand>\r\n"
                       "</VRTDataset>\r\n"),
              std::string::npos);

    const std::string points = readFile(dir / "K.BMP.points");
    EXPECT_TRUE(points.starts_with("#CRS: EPSG:4314\r\nmapX,mapY,pixelX,pixelY,enable\r\n-2,"));
    EXPECT_NE(points.find("\r\n-2,39.71440802747728,-2,2,1\r\n"), std::string::npos);
    EXPECT_NE(points.find("\r\n1,0,1,-1,1\r\n"), std::string::npos);
    EXPECT_EQ(points.substr(points.size() - 31), "\r\n6,-50.49898671052621,6,-5,1\r\n");
    EXPECT_EQ(std::count(points.begin(), points.end(), '\n'), 74);
}

TEST(PassnetzRun, GpsLineGivesWgs84) {
    TempDir dir;
    writeFile(dir / "K.BMP", blankPicture(4, 3));
    writeFile(dir / "K.INF", smallCalibration + "GPS\r\n");
    RunResult run = runPassnetz(dir, {"K.BMP"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("K.INF: Format:WGS (WGS 84, EPSG:4326)\r\n"), std::string::npos);
    EXPECT_NE(readFile(dir / "K.vrt").find("<GCPList Projection=\"EPSG:4326\""), std::string::npos);
    EXPECT_EQ(readFile(dir / "K.BMP.points").substr(0, 17), "#CRS: EPSG:4326\r\n");
}

TEST(PassnetzRun, SecondArgumentNamesTheCalibration) {
    TempDir dir;
    fs::create_directory(dir / "scans");
    writeFile(dir / "scans" / "karte-hv.bmp", blankPicture(4, 3));
    // LF line ends and blanks after a number, as an editor may leave them.
    writeFile(dir / "andere.inf", "1.0000 \n-0.5000\n-4.0000\n0.5000\n4\n3\n\n");
    RunResult run = runPassnetz(dir, {"scans/karte-hv.bmp", "andere.inf"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("scans/karte-hv.vrt und scans/karte-hv.bmp.points geschrieben.\r\n"),
              std::string::npos);
    const std::string vrt = readFile(dir / "scans" / "karte-hv.vrt");
    EXPECT_NE(vrt.find("<SourceFilename relativeToVRT=\"1\">karte-hv.bmp</SourceFilename>"), std::string::npos);
    EXPECT_NE(vrt.find("X=\"-2\" Y=\"39.71440802747728\""), std::string::npos);
}

TEST(PassnetzRun, NamesAreEscapedInTheVrt) {
    TempDir dir;
    writeFile(dir / "Karte & Co.bmp", blankPicture(4, 3));
    writeFile(dir / "Karte & Co.INF", smallCalibration);
    RunResult run = runPassnetz(dir, {"Karte & Co.bmp"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(readFile(dir / "Karte & Co.vrt").find(">Karte &amp; Co.bmp</SourceFilename>"), std::string::npos);
}

TEST(PassnetzRun, SizeOtherThanTheHeaderValuesWarnsAndWrites) {
    TempDir dir;
    writeFile(dir / "K.BMP", blankPicture(4, 3));
    writeFile(dir / "K.INF", "1.0000\r\n-0.5000\r\n-4.0000\r\n0.5000\r\n1000\r\n800\r\n");
    RunResult run = runPassnetz(dir, {"K.BMP"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("Format:PD (Potsdam-Datum, EPSG:4314)\r\n"
                              "Warnung: die .INF-Datei nennt 1000 x 800 Pixel (Zeilen 5 und 6), das Bild hat 4 x 3.\r\n"
                              "Gehoert sie zu diesem Bild? Die Passpunkte folgen ihren Zeilen 1 bis 4.\r\n"
                              "Passpunkte: "),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "K.vrt"));
}

void writeEarlierExports(const TempDir& dir) {
    writeFile(dir / "K.BMP", blankPicture(4, 3));
    writeFile(dir / "K.INF", smallCalibration);
    for (const char* name : {"K.tif", "K.vrt", "K.BMP.points"}) writeFile(dir / name, "alt");
}

TEST(PassnetzRun, EarlierExportsAreReplacedWhole) {
    TempDir dir;
    writeEarlierExports(dir);
    RunResult run = runPassnetz(dir, {"K.BMP"});
    EXPECT_EQ(run.output, smallSuccess);
    EXPECT_EQ(readFile(dir / "K.tif").substr(0, 4), std::string("II*\0", 4));
    EXPECT_EQ(readFile(dir / "K.vrt").substr(0, 11), "<VRTDataset");
    EXPECT_EQ(readFile(dir / "K.BMP.points").substr(0, 5), "#CRS:");
    EXPECT_EQ(folderNames(dir), smallFolder);
}

// A fault while the exports are being written leaves all of them as they
// were: the first rename comes only when all three are complete.
TEST(PassnetzRun, FaultBeforeTheRenamesKeepsEveryEarlierExport) {
    for (const char* fault : {"tmpfile:2", "tmpfile:3", "close:2", "close:3"}) {
        TempDir dir;
        writeEarlierExports(dir);
        RunSetting setting;
        setting.environment = {std::string("KARTEN_TEST_FAULT=") + fault};
        RunResult run = runProgram(PASSNETZ_PATH, {"K.BMP"}, dir.path(), setting);
        EXPECT_EQ(run.exitCode, 1) << fault;
        for (const char* name : {"K.tif", "K.vrt", "K.BMP.points"}) EXPECT_EQ(readFile(dir / name), "alt") << fault << name;
        EXPECT_EQ(folderNames(dir), smallFolder) << fault;
    }
}

// A failed rename among them: the console names the new and the earlier ones.
TEST(PassnetzRun, FailedRenameSaysWhichExportsAreNew) {
    const struct {
        const char* fault;
        const char* said;
        std::vector<bool> isNew;
    } cases[] = {
        {"rename:1", "Wie vor dem Lauf (die frueheren oder keine): K.tif, K.vrt, K.BMP.points.\r\n", {false, false, false}},
        {"rename:2", "Neu geschrieben: K.tif.\r\nWie vor dem Lauf (die frueheren oder keine): K.vrt, K.BMP.points.\r\n",
         {true, false, false}},
        {"rename:3", "Neu geschrieben: K.tif, K.vrt.\r\nWie vor dem Lauf (die frueheren oder keine): K.BMP.points.\r\n",
         {true, true, false}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeEarlierExports(dir);
        RunSetting setting;
        setting.environment = {std::string("KARTEN_TEST_FAULT=") + c.fault};
        RunResult run = runProgram(PASSNETZ_PATH, {"K.BMP"}, dir.path(), setting);
        EXPECT_EQ(run.exitCode, 1) << c.fault;
        EXPECT_NE(run.output.find("ausgelassen.\r\n" + std::string(c.said)), std::string::npos) << run.output;
        const char* names[] = {"K.tif", "K.vrt", "K.BMP.points"};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(readFile(dir / names[i]) != "alt", c.isNew[i]) << c.fault << names[i];
        EXPECT_EQ(folderNames(dir), smallFolder) << c.fault;
    }
}

// Ctrl+C or termination between the renames waits until all are done.
TEST(PassnetzRun, SignalBetweenTheRenamesComesAfterTheLast) {
    TempDir dir;
    writeEarlierExports(dir);
    RunSetting setting;
    setting.pauseAt = "between-renames";
    setting.atPause = [](const std::filesystem::path&, int processId) { ::kill(processId, SIGTERM); };
    RunResult run = runProgram(PASSNETZ_PATH, {"K.BMP"}, dir.path(), setting);
    EXPECT_EQ(run.signal, SIGTERM);
    for (const char* name : {"K.tif", "K.vrt", "K.BMP.points"}) EXPECT_NE(readFile(dir / name), "alt") << name;
    EXPECT_EQ(folderNames(dir), smallFolder);
}

TEST(PassnetzRun, MapOutsideThePotsdamAreaWarnsOnlyWithoutGps) {
    // Column x = 10 * lon - 90 and the rows from 52 to 50 degrees north.
    const double top = std::sinh(52.0 * M_PI / 180.0), bottom = std::sinh(50.0 * M_PI / 180.0);
    const double c = -3.0 / (top - bottom), d = -c * top - 0.5;
    char germany[200];
    std::snprintf(germany, sizeof germany, "10\r\n-90\r\n%.6f\r\n%.6f\r\n4\r\n3\r\n", c, d);
    const struct {
        std::string calibration;
        bool warned;
    } cases[] = {{germany, false}, {smallCalibration, true}, {smallCalibration + "GPS\r\n", false}};
    for (const auto& each : cases) {
        TempDir dir;
        writeFile(dir / "K.BMP", blankPicture(4, 3));
        writeFile(dir / "K.INF", each.calibration);
        RunResult run = runPassnetz(dir, {"K.BMP"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output.find(datumWarning) != std::string::npos, each.warned) << run.output;
    }
}

// Names: refused where the VRT cannot carry them, else found again by GDAL.
TEST(PassnetzRun, NameThatXmlCannotCarryIsRefused) {
    for (const char* name : {"K\x01.BMP", "K\x1f.BMP", "K\xe4.BMP", "K\xc3.BMP", "K\xed\xa0\x80.BMP", "K\xef\xbf\xbe.BMP"}) {
        TempDir dir;
        writeFile(dir / name, blankPicture(4, 3));
        writeFile(dir / "K.INF", smallCalibration);
        RunResult run = runPassnetz(dir, {name, "K.INF"});
        EXPECT_EQ(run.output, passnetzBanner + std::string(passnetz::unwritableNameMessage) + "\a\r\n" + pauseText());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(folderNames(dir).size(), 2u);
    }
}

const std::string helpText =
    "Das Programm schreibt zu einer kalibrierten Karte (unkomprimierte 24-Bit-BMP\r\n"
    "BitMap mit .INF-Datei) die Dateien fuer GIS-Programme: ein GeoTIFF (.tif),\r\n"
    "das jedes GIS an der richtigen Stelle oeffnet, eine GDAL-VRT-Datei (.vrt), die\r\n"
    "auf das Bild verweist und ein Netz von Passpunkten mit ihrem Koordinatensystem\r\n"
    "traegt (WGS 84 mit GPS-Zeile, sonst Potsdam-Datum), und Passpunkte fuer den\r\n"
    "QGIS-Georeferenzierer (.points): die gemessenen aus der Messdatei, aus der\r\n"
    "messkart die .INF-Datei schrieb, ohne sie dasselbe Netz.\r\n"
    "Ohne zweite Angabe wird die .INF-Datei gleichen Namens neben dem Bild gelesen,\r\n"
    "ohne dritte die Messdatei mit dem Namen der .INF-Datei auf .TXT oder .txt.\r\n"
    "\r\n"
    "Aufruf: PASSNETZ <Bilddatei> [<INF-Datei> [<Messdatei>]]\r\n"
    "Die Ausgabe-Dateien entstehen neben dem Bild: KARTE.BMP ergibt KARTE.tif,\r\n"
    "KARTE.vrt und KARTE.BMP.points. Die Eingaben bleiben unveraendert.\r\n";

struct RefusalCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string picture;      // written as K.BMP unless empty
    std::string calibration;  // written as K.INF unless empty
    std::string shown;        // what follows the banner, before the pause
};

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, MessagePauseAndNothingWritten) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    if (!c.picture.empty()) writeFile(dir / "K.BMP", c.picture);
    if (!c.calibration.empty()) writeFile(dir / "K.INF", c.calibration);
    const std::vector<std::string> before = folderNames(dir);
    RunResult run = runPassnetz(dir, c.arguments);
    EXPECT_EQ(run.output, passnetzBanner + c.shown + pauseText());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(folderNames(dir), before);
}

const std::string picture = blankPicture(4, 3);
const std::string headerLine = "K.BMP: 4 x 3 Pixel, K.INF: Format:PD (Potsdam-Datum, EPSG:4314)\r\n";
const std::string badLongitudes =
    "K.INF: Zeilen 1 und 2 ergeben Laengen ausserhalb von -360 bis 360 Grad; keine gueltige .INF-Datei.\a\r\n";
std::string badLine(const std::string& what) { return "K.INF: " + what + "; keine gueltige .INF-Datei.\a\r\n"; }

INSTANTIATE_TEST_SUITE_P(
    Inputs, Refusals,
    testing::Values(
        RefusalCase{"NoArgument", {}, picture, smallCalibration, helpText},
        RefusalCase{"FourArguments", {"K.BMP", "K.INF", "K.TXT", "x"}, picture, smallCalibration, helpText},
        RefusalCase{"NoPicture", {"K.BMP"}, "", smallCalibration,
                    "K.BMP: Datei nicht gefunden oder nicht lesbar.\a\r\n"},
        RefusalCase{"NoCalibration", {"K.BMP"}, picture, "",
                    "K.INF: Datei nicht gefunden oder nicht lesbar.\a\r\n"},
        RefusalCase{"EightBitPicture", {"K.BMP"}, picture.substr(0, 28) + '\x08' + picture.substr(29),
                    smallCalibration, "unbekanntes Format (nur 24 Bit erlaubt!)\a\r\n"},
        RefusalCase{"NoPixels", {"K.BMP"}, makeBmp(PixelRows(3)) + std::string(3, '\0'), smallCalibration,
                    "unbekanntes Format (Bild ohne Pixel)\a\r\n"},
        RefusalCase{"ShortPicture", {"K.BMP"}, "BM", smallCalibration, "unbekanntes Format\a\r\n"},
        RefusalCase{"LineNotANumber", {"K.BMP"}, picture, "1.0000\r\n-0.5000\r\n-4,0000\r\n0.5\r\n4\r\n3\r\n",
                    badLine("Zeile 3 ist keine Zahl")},
        RefusalCase{"FiveLines", {"K.BMP"}, picture, "1.0000\r\n-0.5000\r\n-4.0000\r\n0.5\r\n4\r\n",
                    badLine("Zeile 6 fehlt")},
        RefusalCase{"HeaderNotAnInteger", {"K.BMP"}, picture, "1\r\n-0.5\r\n-4\r\n0.5\r\n4.0\r\n3\r\n",
                    badLine("Zeile 5 ist keine ganze Zahl")},
        RefusalCase{"OtherMarker", {"K.BMP"}, picture, smallCalibration + "WGS\r\n",
                    badLine("Zeile 7 ist weder GPS noch leer")},
        RefusalCase{"MoreAfterMarker", {"K.BMP"}, picture, smallCalibration + "GPS\r\n\r\nx\r\n",
                    badLine("Zeile 9 ist nicht leer")},
        RefusalCase{"OneMeridian", {"K.BMP"}, picture, "0.0000\r\n0.0000\r\n-4.0000\r\n0.5\r\n4\r\n3\r\n",
                    "K.INF: Zeile 1 ist 0: alle Messpunkte liegen auf einem Meridian, die Laenge ist "
                    "unbestimmt.\a\r\n"},
        RefusalCase{"OneParallel", {"K.BMP"}, picture, "1.0000\r\n0.0000\r\n-0.0000\r\n0.0000\r\n4\r\n3\r\n",
                    "K.INF: Zeile 3 ist 0: alle Messpunkte liegen auf einem Breitenkreis, die Breite ist "
                    "unbestimmt.\a\r\n"},
        // sinh(latitude) = (row - 0.5) / -0.8 passes -2.3 in the picture's third row.
        RefusalCase{"BeyondThePole", {"K.BMP"}, picture, "1\r\n0\r\n-0.8\r\n0.5\r\n4\r\n3\r\n",
                    headerLine + "K.INF: nach dieser Kalibrierung reicht das Bild ueber einen Pol hinaus.\a\r\n"},
        RefusalCase{"WholePictureBeyondThePole", {"K.BMP"}, picture, "1\r\n0\r\n-1\r\n100\r\n4\r\n3\r\n",
                    headerLine + "K.INF: nach dieser Kalibrierung reicht das Bild ueber einen Pol hinaus.\a\r\n"},
        // The longitude of column 0 would be infinite, of any column beyond one turn of the earth.
        RefusalCase{"TinySlope", {"K.BMP"}, picture,
                    "0." + std::string(305, '0') + "1\r\n0\r\n-4.0000\r\n0.5000\r\n4\r\n3\r\n",
                    headerLine + badLongitudes},
        RefusalCase{"LongitudesPastOneTurn", {"K.BMP"}, picture, "1.0000\r\n-358.0000\r\n-4.0000\r\n0.5\r\n4\r\n3\r\n",
                    headerLine + badLongitudes},
        RefusalCase{"PictureNamedAsTheTiff", {"K.tif", "K.INF"}, "", smallCalibration,
                    "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n"},
        RefusalCase{"PictureNamedAsTheVrt", {"K.vrt", "K.INF"}, "", smallCalibration,
                    "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n"},
        RefusalCase{"CalibrationNamedAsThePoints", {"K.BMP", "k.bmp.points"}, picture, "",
                    "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n"},
        RefusalCase{"MeasurementNamedAsTheVrt", {"K.BMP", "K.INF", "K.vrt"}, picture, smallCalibration,
                    "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n"}),
    [](const testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

} // namespace
