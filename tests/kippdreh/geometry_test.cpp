// Whole runs on pictures of the sizes users scan: the console report, the
// rotated size in the header and the length of the written file.
#include "kippdreh_runs.hpp"

#include <gtest/gtest.h>

namespace {

const std::string scan2000x1500 = makeBmp(patternPicture(2000, 1500));

TEST(RotationConsole, ShiftRightOnA2000x1500Scan) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "karte.bmp", scan2000x1500, {"karte.bmp", "x=7"}, "KARTE.TMP");
    EXPECT_EQ(run.result.exitCode, 0);
    EXPECT_EQ(run.result.output,
              kippdrehBanner +
                  "KARTE.BMP Width=2000 Height=1500\r\n"
                  "Rotation rechts xDelta=7 Pixel; Rot.Winkel Omega=0.53 Grad.\r\n"
                  "Die Rotation entspricht einer Kippung der linken und rechten \r\n"
                  "Bildseite um 14 Pixel. Strg+C bricht ab.\r\n"
                  "\r\n"
                  "TMP-Datei erstellen...\r\n" +
                  dots(79) + "\r\n" + dots(79) + "\r\n" +
                  "KARTE.TMP geschrieben und kann auf *.BMP umbenannt werden.\r\n"
                  "\r\nRETURN druecken.. \r\n");
    EXPECT_EQ(run.output.size(), 9193017u);
}

TEST(RotationConsole, ShiftDownAndDegreesOnA2000x1500Scan) {
    TempDir dir;
    RotationRun down = runKippdreh(dir, "KARTE.BMP", scan2000x1500, {"KARTE.BMP", "y=7"}, "KARTE.TMP");
    EXPECT_EQ(down.result.exitCode, 0);
    EXPECT_NE(down.result.output.find("KARTE.BMP Width=2000 Height=1500\r\n"
                                      "Rotation links yDelta=7 Pixel; Rot.Winkel Omega=-0.40 Grad.\r\n"
                                      "Die Rotation entspricht einer Kippung der oberen und unteren\r\n"
                                      "Bildseite um 14 Pixel. Strg+C bricht ab.\r\n\r\nTMP-Datei"),
              std::string::npos);
    RotationRun degrees = runKippdreh(dir, "KARTE.BMP", scan2000x1500, {"KARTE.BMP", "g=1.5"}, "KARTE.TMP");
    EXPECT_EQ(degrees.result.exitCode, 0);
    EXPECT_NE(degrees.result.output.find("KARTE.BMP Width=2000 Height=1500\r\n"
                                         "Rotation Omega=1.50 Grad. Strg+C bricht ab.\r\n\r\nTMP-Datei"),
              std::string::npos);
}

struct GeometryCase {
    int width, height;
    const char* argument;
    const char* omega;
    int newWidth, newHeight;
    long long preFill;
};

class RotationGeometryTable : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(RotationGeometryTable, ReportHeaderAndLength) {
    const GeometryCase& c = GetParam();
    std::string input = makeBmp(patternPicture(c.width, c.height));
    TempDir dir;
    RotationRun run = runKippdreh(dir, "IN.BMP", input, {"IN.BMP", c.argument}, "IN.TMP");
    ASSERT_EQ(run.result.exitCode, 0) << run.result.output;
    EXPECT_NE(run.result.output.find(std::string("Omega=") + c.omega + " Grad."), std::string::npos);
    EXPECT_EQ(littleEndian32(run.output, 18), static_cast<std::uint32_t>(c.newWidth));
    EXPECT_EQ(littleEndian32(run.output, 22), static_cast<std::uint32_t>(c.newHeight));
    // Everything but width and height is the input's header, sizes included.
    EXPECT_EQ(run.output.substr(0, 18), input.substr(0, 18));
    EXPECT_EQ(run.output.substr(26, 28), input.substr(26, 28));
    long long rowBytes = 3LL * c.newWidth + c.newWidth % 4;
    long long picture = 54 + rowBytes * c.newHeight + 3 - c.newWidth % 4;
    EXPECT_EQ(static_cast<long long>(run.output.size()), std::max(c.preFill, picture));
    EXPECT_EQ(c.preFill, 3LL * c.newWidth * c.newHeight + 54);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, RotationGeometryTable,
    ::testing::Values(GeometryCase{2000, 1500, "x=7", "0.53", 2016, 1520, 9193014},
                      GeometryCase{2000, 1500, "y=7", "-0.40", 2012, 1516, 9150630},
                      GeometryCase{2000, 1500, "g=1.5", "1.50", 2040, 1554, 9510534},
                      GeometryCase{2000, 1500, "g=-90", "-90.00", 1504, 2002, 9033078},
                      GeometryCase{640, 480, "g=45", "45.00", 794, 794, 1891362},
                      GeometryCase{1000, 10, "g=10", "10.00", 990, 186, 552474}));

TEST(RotationGeometry, FortyFiveDegreesGrowsThePreFilledFile) {
    TempDir dir;
    RotationRun run = runKippdreh(dir, "IN.BMP", makeBmp(patternPicture(640, 480)), {"IN.BMP", "g=45"}, "IN.TMP");
    EXPECT_EQ(run.output.size(), 1892951u);
}

} // namespace
