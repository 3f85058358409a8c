// The guide's worked numbers on real pictures: the tilt example of section 4.1
// straightens its line, and the sample's measurement file lies on the
// graticule of the sample chain's final picture within a pixel.
#include "guideexamples.hpp"

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr Bgr paper{255, 255, 255};
constexpr Bgr ink{0, 0, 200};

// The guide's example: a line from x = 300 to x = 2700 falling 24 pixels to
// the right, on a picture 3000 pixels wide.
PixelRows fallingLine() {
    PixelRows rows = filledPicture(3000, 80, paper);
    for (int x = 300; x <= 2700; ++x) rows[static_cast<std::size_t>(28 + (24 * (x - 300) + 1200) / 2400)][static_cast<std::size_t>(x)] = ink;
    return rows;
}

// How many rows the line spans, over the columns it is seen in.
int rowsSpanned(const PixelRows& rows) {
    int top = static_cast<int>(rows.size());
    int bottom = -1;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        if (std::find(rows[y].begin(), rows[y].end(), ink) == rows[y].end()) continue;
        top = std::min(top, static_cast<int>(y));
        bottom = std::max(bottom, static_cast<int>(y));
    }
    return bottom - top + 1;
}

TEST(TiltExample, YFifteenAndTheMinusAngleStraightenALineFallingToTheRight) {
    struct Case {
        std::string argument;
        bool straightens;  // the line spans at most 3 rows after the turn; else it doubles its fall
    };
    for (const Case& c : std::vector<Case>{{"y=15", true}, {"g=-0.57", true}, {"g=0.57", false}}) {
        TempDir dir;
        writeFile(dir / "scan.bmp", makeBmp(fallingLine()));
        RunResult run = runProgram(KIPPDREH_PATH, {"scan.bmp", c.argument}, dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const int spanned = rowsSpanned(readPixels(readFile(dir / "SCAN.TMP")));
        if (c.straightens) {
            EXPECT_LE(spanned, 3) << c.argument;
        } else {
            EXPECT_GE(spanned, 48) << c.argument;
        }
        if (c.argument == "y=15") {
            EXPECT_NE(run.output.find("Rotation links yDelta=15 Pixel; Rot.Winkel Omega=-0.57 Grad."),
                      std::string::npos);
        }
    }
    EXPECT_EQ(rowsSpanned(fallingLine()), 25);
}

double packedOrDecimal(const std::string& field) {
    if (field.find('.') != std::string::npos) return std::stod(field);
    // The sample writes packed angles as GGGMMSS.
    return std::stoi(field.substr(0, 3)) + std::stoi(field.substr(3, 2)) / 60.0 + std::stoi(field.substr(5, 2)) / 3600.0;
}

TEST(SampleChain, MeasuredPointsLieOnTheFinalPictureWithinAPixel) {
    TempDir dir;
    fs::copy_file(repositoryRoot() / "samples" / "karte.bmp", dir / "karte.bmp");
    fs::copy_file(repositoryRoot() / "samples" / "KARTE-HV.TXT", dir / "KARTE-HV.TXT");
    ASSERT_EQ(runProgram(GLATTZUG_PATH, {"karte.bmp", "h"}, dir.path()).exitCode, 0);
    fs::rename(dir / "KARTE.TMP", dir / "KARTE-H.BMP");
    ASSERT_EQ(runProgram(GLATTZUG_PATH, {"KARTE-H.BMP", "v", "47.5", "55"}, dir.path()).exitCode, 0);
    fs::rename(dir / "KARTE-H.TMP", dir / "KARTE-HV.BMP");
    ASSERT_EQ(runProgram(MESSKART_PATH, {"KARTE-HV.TXT"}, dir.path()).exitCode, 0);

    std::istringstream inf(readFile(dir / "KARTE-HV.INF"));
    double a = 0, b = 0, c = 0, d = 0;
    inf >> a >> b >> c >> d;
    const PixelRows picture = readPixels(readFile(dir / "KARTE-HV.BMP"));
    const Bgr grid{150, 150, 150};
    const Bgr town{40, 40, 190};
    std::istringstream lines(readFile(dir / "KARTE-HV.TXT"));
    int points = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '*' || line.rfind("0320", 0) == 0) continue;
        std::istringstream fields(line);
        int x = 0, y = 0;
        std::string longitude, latitude, note;
        fields >> x >> longitude >> y >> latitude >> note;
        SCOPED_TRACE(line);
        EXPECT_LT(std::abs(a * packedOrDecimal(longitude) + b - x), 1.0);
        EXPECT_LT(std::abs(c * std::sinh(packedOrDecimal(latitude) * std::numbers::pi / 180) + d - y), 1.0);
        EXPECT_EQ(picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)], note == "Stadt" ? town : grid);
        ++points;
    }
    EXPECT_EQ(points, 5);
}

} // namespace
