// The GeoTIFF's parts: the rows chosen by latitude, one row's conversion and
// the bytes before the pixels.
#include "exportrun.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace passnetz;

namespace {

Calibration calibrationOf(double a, double b, double c, double d) {
    Calibration calibration;
    calibration.a = a, calibration.b = b, calibration.c = c, calibration.d = d;
    return calibration;
}

TEST(GeoRaster, EverySourceRowIsShownInOrder) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200; ++i) {
        const int height = 1 + static_cast<int>(unit(random) * 2000);
        const double middle = -80.0 + 160.0 * unit(random), span = 0.001 + 20.0 * unit(random);
        const double top = std::min(89.5, middle + span / 2), bottom = std::max(-89.5, middle - span / 2);
        const auto s = [](double degrees) { return std::sinh(degrees * std::numbers::pi / 180.0); };
        double c = -height / (s(top) - s(bottom));
        if (i % 5 == 0) c = -c;
        const Calibration calibration = calibrationOf(3.0, 10.0, c, -c * s(top) - 0.5);
        const std::optional<GeoRaster> raster = geoRasterFor(7, height, calibration);
        ASSERT_TRUE(raster);
        ASSERT_EQ(raster->sourceRows.size(), static_cast<std::size_t>(raster->height));
        // North to south: the source rows step by 0 or 1, from one end of the picture to the other.
        const int first = c < 0 ? 0 : height - 1, last = c < 0 ? height - 1 : 0, toward = c < 0 ? 1 : -1;
        EXPECT_EQ(raster->sourceRows.front(), first) << i;
        EXPECT_EQ(raster->sourceRows.back(), last) << i;
        for (std::size_t k = 1; k < raster->sourceRows.size(); ++k) {
            const int step = (raster->sourceRows[k] - raster->sourceRows[k - 1]) * toward;
            ASSERT_TRUE(step == 0 || step == 1) << i << " row " << k;
        }
        // Never far more rows than the picture has: at most cosh of the latitude more.
        EXPECT_LE(raster->height, 2.6 * height + 1) << i;
    }
}

TEST(GeoRaster, CornerAndStepsOfASmallMap) {
    // x = 2 lon: columns 0..3 cover longitudes -0.25 to 1.75; rows 0..3 latitudes 10 to 0.
    const double s = std::sinh(10.0 * std::numbers::pi / 180.0);
    const Calibration calibration = calibrationOf(2.0, 0.0, -4.0 / s, 3.5);
    const std::optional<GeoRaster> raster = geoRasterFor(4, 4, calibration);
    ASSERT_TRUE(raster);
    EXPECT_EQ(raster->width, 4);
    EXPECT_FALSE(raster->mirrored);
    EXPECT_DOUBLE_EQ(raster->west, -0.25);
    EXPECT_DOUBLE_EQ(raster->columnStep, 0.5);
    EXPECT_NEAR(raster->north, 10.0, 1e-12);
    // The bottom row is the narrowest in latitude; 4 source rows over 10 degrees take 5 rows here.
    EXPECT_EQ(raster->height, 5);
    EXPECT_NEAR(raster->rowStep, 2.0, 1e-12);
    EXPECT_EQ(raster->sourceRows, (std::vector<std::int32_t>{0, 1, 2, 2, 3}));
    const std::optional<GeoRaster> mirrored = geoRasterFor(4, 4, calibrationOf(-2.0, 0.0, -4.0 / s, 3.5));
    ASSERT_TRUE(mirrored);
    EXPECT_TRUE(mirrored->mirrored);
    EXPECT_DOUBLE_EQ(mirrored->west, -1.75);
}

bool processorHasAvx2() { return __builtin_cpu_supports("avx2"); }

// The forms this processor can run: the words everywhere, the AVX2 form where it has it.
std::vector<bool> formsHere() { return processorHasAvx2() ? std::vector<bool>{false, true} : std::vector<bool>{false}; }

std::vector<unsigned char> converted(const std::vector<unsigned char>& bgr, bool mirrored, bool vectorForms) {
    const std::size_t width = bgr.size() / 3;
    std::vector<unsigned char> rgba(4 * width, 0xAA);
    tiffRow(bgr.data(), static_cast<std::int32_t>(width), mirrored, rgba.data(), vectorForms);
    return rgba;
}

TEST(TiffRow, ColoursTurnedAndBlackFromTheEdgesTransparent) {
    // Blue, green, red: black, black, a pixel, black inside, a pixel, black at the end.
    const std::vector<unsigned char> bgr = {0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 4, 5, 6, 0, 0, 0};
    // Twelve pixels reach the eight-pixel steps: black inside, and at either end
    // a pixel of which one byte only is not zero (blue 9, red 7), then black.
    const std::vector<unsigned char> wide = {9, 0, 0, 0, 0, 0, 10, 20, 30, 11, 21, 31, 0, 0, 0, 12, 22, 32,
                                             13, 23, 33, 14, 24, 34, 15, 25, 35, 16, 26, 36, 0, 0, 7, 0, 0, 0};
    const struct {
        const std::vector<unsigned char>* bgr;
        bool mirrored;
        std::vector<unsigned char> rgba;
    } cases[] = {
        {&bgr, false, {0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 1, 255, 0, 0, 0, 255, 6, 5, 4, 255, 0, 0, 0, 0}},
        {&bgr, true, {0, 0, 0, 0, 6, 5, 4, 255, 0, 0, 0, 255, 3, 2, 1, 255, 0, 0, 0, 0, 0, 0, 0, 0}},
        {&wide, false, {0, 0, 9, 255,    0, 0, 0, 255,    30, 20, 10, 255, 31, 21, 11, 255, 0, 0, 0, 255,
                        32, 22, 12, 255, 33, 23, 13, 255, 34, 24, 14, 255, 35, 25, 15, 255, 36, 26, 16, 255,
                        7, 0, 0, 255,    0, 0, 0, 0}},
        {&wide, true, {0, 0, 0, 0,       7, 0, 0, 255,    36, 26, 16, 255, 35, 25, 15, 255, 34, 24, 14, 255,
                       33, 23, 13, 255,  32, 22, 12, 255, 0, 0, 0, 255,    31, 21, 11, 255, 30, 20, 10, 255,
                       0, 0, 0, 255,     0, 0, 9, 255}},
        {nullptr, false, std::vector<unsigned char>(8, 0)},  // all black: all transparent
        {nullptr, true, std::vector<unsigned char>(8, 0)},
    };
    const std::vector<unsigned char> allBlack(6, 0);
    for (bool vectorForms : formsHere()) {
        for (const auto& c : cases) {
            EXPECT_EQ(converted(c.bgr ? *c.bgr : allBlack, c.mirrored, vectorForms), c.rgba)
                << c.mirrored << vectorForms;
        }
    }
}

TEST(TiffRow, EightAtATimeAsPixelByPixel) {
    if (!processorHasAvx2()) GTEST_SKIP() << "no AVX2";
    std::mt19937 random(30);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t width = std::uniform_int_distribution<std::size_t>(1, 70)(random);
        std::vector<unsigned char> bgr(3 * width);
        for (unsigned char& byte : bgr) byte = static_cast<unsigned char>(random());
        // Black from either end, black inside, and bytes of zero within a pixel.
        const std::size_t left = random() % (width + 1), right = random() % (width + 1);
        std::fill(bgr.begin(), bgr.begin() + static_cast<std::ptrdiff_t>(3 * left), 0);
        std::fill(bgr.end() - static_cast<std::ptrdiff_t>(3 * right), bgr.end(), 0);
        for (int k = 0; k < 5; ++k) bgr[random() % bgr.size()] = 0;
        for (bool mirrored : {false, true}) {
            const std::vector<unsigned char> plain = converted(bgr, mirrored, false);
            ASSERT_EQ(converted(bgr, mirrored, true), plain) << round << mirrored;
            for (std::size_t x = 0; x < width; ++x) {
                // The pixel shown there, and its alpha: 0 exactly where black reaches it from an end.
                const std::size_t from = mirrored ? width - 1 - x : x;
                const auto at = [&](std::size_t pixel) { return bgr.begin() + static_cast<std::ptrdiff_t>(3 * pixel); };
                const auto zero = [](unsigned char b) { return b == 0; };
                const bool outside = std::all_of(at(from), at(from + 1), zero) &&
                                     (std::all_of(bgr.begin(), at(from), zero) || std::all_of(at(from), bgr.end(), zero));
                const std::vector<unsigned char> expected = {bgr[3 * from + 2], bgr[3 * from + 1], bgr[3 * from],
                                                             static_cast<unsigned char>(outside ? 0 : 255)};
                const auto shown = plain.begin() + static_cast<std::ptrdiff_t>(4 * x);
                ASSERT_EQ(std::vector<unsigned char>(shown, shown + 4), expected) << round << " " << x;
            }
        }
    }
}

std::uint32_t at32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(TiffHeader, DirectoryStripsAndGeoKeys) {
    GeoRaster raster;
    raster.width = 5;
    raster.height = 3;
    raster.west = -0.25;
    raster.north = 10.0;
    raster.columnStep = 0.5;
    raster.rowStep = 2.0;
    raster.sourceRows = {0, 1, 2};
    std::uint64_t pixelsStart = 0;
    const std::string bytes = tiffHeader(raster, false, pixelsStart);
    EXPECT_EQ(bytes.size(), pixelsStart);
    EXPECT_EQ(bytes.substr(0, 8), std::string("II*\0\x08\0\0\0", 8));
    EXPECT_EQ(bytes.substr(8, 2), std::string("\x0e\0", 2));  // fourteen entries
    // Entry 6 (tag 273): three strip offsets, each 20 bytes (5 RGBA pixels) after the last.
    const std::size_t strips = 10 + 5 * 12;
    EXPECT_EQ(bytes.substr(strips, 8), std::string("\x11\x01\x04\0\x03\0\0\0", 8));
    const std::uint32_t offsets = at32(bytes, strips + 8);
    EXPECT_EQ(at32(bytes, offsets), pixelsStart);
    EXPECT_EQ(at32(bytes, offsets + 8), pixelsStart + 40);
    // The geo keys end the header: geographic, pixel is area, EPSG 4314 (0x10da), degrees (0x238e).
    EXPECT_EQ(bytes.substr(bytes.size() - 40), std::string("\x01\0\x01\0\0\0\x04\0"
                                                           "\x00\x04\0\0\x01\0\x02\0"
                                                           "\x01\x04\0\0\x01\0\x01\0"
                                                           "\x00\x08\0\0\x01\0\xda\x10"
                                                           "\x06\x08\0\0\x01\0\x8e\x23", 40));
}

TEST(Names, XmlCarriesUtf8OfAllowedCharactersOnly) {
    const struct {
        std::string name;
        bool carried;
    } cases[] = {
        {"KARTE.BMP", true}, {"a\tb\nc\rd", true}, {"Gr\xc3\xbc\xc3\x9f" "e", true}, {"\xf0\x9f\x97\xba", true},
        {"\x7f", true}, {std::string("a\0b", 3), false}, {"\x01", false}, {"\x1f", false}, {"\xe4", false},
        {"\xc3", false}, {"\xc0\xaf", false}, {"\xe0\x80\xaf", false}, {"\xed\xa0\x80", false},
        {"\xef\xbf\xbe", false}, {"\xef\xbf\xbf", false}, {"\xf4\x90\x80\x80", false}, {"\xc3\x28", false},
    };
    for (const auto& c : cases) EXPECT_EQ(xmlCarriesExactly(c.name), c.carried) << c.name;
}

TEST(Names, EscapedSoThatAnXmlReaderGetsEveryByteBack) {
    EXPECT_EQ(xmlEscaped("a&b<c>d\"e'f\tg\nh\ri"), "a&amp;b&lt;c&gt;d&quot;e'f&#9;g&#10;h&#13;i");
#ifndef _WIN32
    EXPECT_EQ(pictureComponent("scans/x:y\\z.BMP"), "x:y\\z.BMP");
#endif
    EXPECT_EQ(vrtSourceOf("scans/K.BMP").name, "K.BMP");
    EXPECT_TRUE(vrtSourceOf("scans/K.BMP").relative);
}

TEST(NumberText, NeverReadsPastATextWithoutExponent) {
    EXPECT_EQ(numberText(INFINITY), "inf");
    EXPECT_EQ(numberText(-INFINITY), "-inf");
    EXPECT_EQ(numberText(NAN), "nan");
}

TEST(Longitudes, FiniteAndWithinOneTurn) {
    std::vector<ControlPoint> points = {{0, 0, -360.0, 0.0}, {1, 0, 360.0, 0.0}};
    EXPECT_TRUE(longitudesInRange(points));
    for (double bad : {360.5, -361.0, double(INFINITY), -double(INFINITY), double(NAN)}) {
        points[1].longitude = bad;
        EXPECT_FALSE(longitudesInRange(points)) << bad;
    }
}

TEST(Datum, PotsdamAreaIsEpsg4314sPublishedBox) {
    EXPECT_TRUE(withinPotsdamArea(13.4, 52.5));  // Berlin
    EXPECT_TRUE(withinPotsdamArea(5.86, 47.27));
    EXPECT_FALSE(withinPotsdamArea(14.99, 51.15));  // Goerlitz, east of the box
    EXPECT_FALSE(withinPotsdamArea(0.0, 51.5));
    EXPECT_FALSE(withinPotsdamArea(9.0, 55.2));
}

} // namespace
