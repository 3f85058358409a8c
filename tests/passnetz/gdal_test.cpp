// passnetz's exports opened with the real GDAL: gdalinfo reads the control
// points and their system, gdaltransform's thin-plate spline reproduces the
// .INF lines inside the picture, gdalwarp makes a GeoTIFF in the right place.
#include "passnetzrun.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <random>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Inf {
    double a, b, c, d;
    bool gps;
};

std::string fixedFour(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

// The .INF text of the four numbers, rounded as messkart writes them; inf takes the rounded values.
std::string infText(Inf& inf, int width, int height) {
    std::string text;
    for (double* value : {&inf.a, &inf.b, &inf.c, &inf.d}) {
        text += fixedFour(*value) + "\r\n";
        *value = std::strtod(fixedFour(*value).c_str(), nullptr);
    }
    return text + std::to_string(width) + "\r\n" + std::to_string(height) + "\r\n" + (inf.gps ? "GPS\r\n" : "");
}

RunResult runGdal(const char* program, const std::vector<std::string>& arguments, const TempDir& dir,
                  const fs::path& input = {}) {
    RunSetting setting;
    if (!input.empty()) {
        setting.input = StandardInput::File;
        setting.inputFile = input;
    }
    return runProgram(program, arguments, dir.path(), setting);
}

// The largest distance, in pixels of the .INF model, between 1000 random
// positions inside the picture and where GDAL's thin-plate spline puts them.
double worstTpsDistance(const TempDir& dir, const std::string& vrt, const Inf& inf, int width, int height,
                        std::mt19937& random) {
    std::uniform_real_distribution<double> across(0.0, width), down(0.0, height);
    std::vector<std::pair<double, double>> positions;
    std::ostringstream input;
    input.precision(17);
    for (int i = 0; i < 1000; ++i) {
        positions.emplace_back(across(random), down(random));
        input << positions.back().first << ' ' << positions.back().second << '\n';
    }
    writeFile(dir / "positions.txt", input.str());
    RunResult run = runGdal(GDALTRANSFORM_PATH, {"-tps", vrt}, dir, dir / "positions.txt");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::istringstream output(run.output);
    double worst = 0.0;
    std::size_t count = 0;
    for (const auto& [pixel, line] : positions) {
        double longitude = 0, latitude = 0, height0 = 0;
        if (!(output >> longitude >> latitude >> height0)) break;
        ++count;
        const double x = inf.a * longitude + inf.b + 0.5;
        const double y = inf.c * std::sinh(latitude * std::numbers::pi / 180.0) + inf.d + 0.5;
        worst = std::max(worst, std::hypot(x - pixel, y - line));
    }
    EXPECT_EQ(count, positions.size());
    return worst;
}

// The sample map as the guide calibrates it.
const int sampleWidth = 320, sampleHeight = 240;
Inf sampleInf() { return {39.8646, -279.1269, -1272.5889, 1418.5663, false}; }

void writeSample(const TempDir& dir, Inf& inf) {
    fs::copy_file(fs::path(BMP_CORPUS_DIR) / "../../../samples/karte.bmp", dir / "KARTE.BMP");
    writeFile(dir / "KARTE.INF", infText(inf, sampleWidth, sampleHeight));
    ASSERT_EQ(runPassnetz(dir, {"KARTE.BMP"}).exitCode, 0);
}

TEST(Gdal, InfoListsTheControlPointsAndTheirSystem) {
    for (bool gps : {false, true}) {
        TempDir dir;
        Inf inf = sampleInf();
        inf.gps = gps;
        writeSample(dir, inf);
        RunResult info = runGdal(GDALINFO_PATH, {"-checksum", "KARTE.vrt"}, dir);
        EXPECT_EQ(info.exitCode, 0);
        EXPECT_NE(info.output.find("Size is 320, 240"), std::string::npos);
        EXPECT_NE(info.output.find(gps ? "GEOGCRS[\"WGS 84\"" : "GEOGCRS[\"DHDN\""), std::string::npos);
        EXPECT_NE(info.output.find(gps ? "ID[\"EPSG\",4326]]" : "ID[\"EPSG\",4314]]"), std::string::npos);
        EXPECT_NE(info.output.find("Data axis to CRS axis mapping: 2,1"), std::string::npos);
        EXPECT_TRUE(std::regex_search(info.output, std::regex("Band 3 Block=[0-9]+x[0-9]+ Type=Byte, ColorInterp=Blue")));
        // The bands are the BMP's pixels, read through the VRT.
        const std::regex checksums("Checksum=[0-9]+");
        RunResult bmpInfo = runGdal(GDALINFO_PATH, {"-checksum", "KARTE.BMP"}, dir);
        std::smatch ofVrt, ofBmp;
        ASSERT_TRUE(std::regex_search(info.output, ofVrt, checksums));
        ASSERT_TRUE(std::regex_search(bmpInfo.output, ofBmp, checksums));
        EXPECT_EQ(ofVrt.str(), ofBmp.str());
        // Every point as the points file has it: pixel, line (negative there), longitude, latitude.
        const std::string points = readFile(dir / "KARTE.BMP.points");
        const std::regex row("(-?[0-9.]+),(-?[0-9.]+),(-?[0-9]+),(-?[0-9]+),1\r\n");
        const std::regex listed(R"(\((-?[0-9.]+),(-?[0-9.]+)\) -> \((-?[0-9.e+-]+),(-?[0-9.e+-]+),0\))");
        auto fromPoints = std::sregex_iterator(points.begin(), points.end(), row);
        auto fromInfo = std::sregex_iterator(info.output.begin(), info.output.end(), listed);
        int compared = 0;
        for (; fromPoints != std::sregex_iterator() && fromInfo != std::sregex_iterator(); ++fromPoints, ++fromInfo) {
            EXPECT_EQ((*fromInfo)[1].str(), (*fromPoints)[3].str());
            EXPECT_EQ(-std::stoi((*fromInfo)[2].str()), std::stoi((*fromPoints)[4].str()));
            EXPECT_NEAR(std::stod((*fromInfo)[3].str()), std::stod((*fromPoints)[1].str()), 1e-12);
            EXPECT_NEAR(std::stod((*fromInfo)[4].str()), std::stod((*fromPoints)[2].str()), 1e-12);
            ++compared;
        }
        EXPECT_EQ(fromPoints, std::sregex_iterator());
        EXPECT_EQ(fromInfo, std::sregex_iterator());
        EXPECT_EQ(compared, 99);
    }
}

TEST(Gdal, PointsFileCarriesTheVrtsNumbers) {
    TempDir dir;
    Inf inf = sampleInf();
    writeSample(dir, inf);
    const std::string vrt = readFile(dir / "KARTE.vrt");
    const std::string points = readFile(dir / "KARTE.BMP.points");
    const std::regex gcp("Pixel=\"(-?[0-9]+)\" Line=\"(-?[0-9]+)\" X=\"([^\"]+)\" Y=\"([^\"]+)\"");
    std::string expected = "#CRS: EPSG:4314\r\nmapX,mapY,pixelX,pixelY,enable\r\n";
    for (auto m = std::sregex_iterator(vrt.begin(), vrt.end(), gcp); m != std::sregex_iterator(); ++m) {
        const std::string line = (*m)[2].str();
        expected += (*m)[3].str() + "," + (*m)[4].str() + "," + (*m)[1].str() + "," +
                    (line == "0" ? line : line[0] == '-' ? line.substr(1) : "-" + line) + ",1\r\n";
    }
    EXPECT_EQ(points, expected);
}

TEST(Gdal, ThinPlateSplineFollowsTheCalibration) {
    std::mt19937 random(25);
    double worst = 0.0;
    {
        TempDir dir;
        Inf inf = sampleInf();
        writeSample(dir, inf);
        const double sample = worstTpsDistance(dir, "KARTE.vrt", inf, sampleWidth, sampleHeight, random);
        std::cout << "sample map: worst distance " << sample << " pixel\n";
        EXPECT_LT(sample, 0.1);
        worst = sample;
    }
    // Random maps of both formats: up to 3000 pixels a side, up to 25 degrees
    // of latitude between 75 south and 75 north, any scale of longitude.
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 12; ++i) {
        const int width = 1 + static_cast<int>(unit(random) * 3000), height = 1 + static_cast<int>(unit(random) * 3000);
        const double middle = -75.0 + 150.0 * unit(random), span = 0.01 + 25.0 * unit(random);
        const double top = std::min(89.0, middle + span / 2), bottom = std::max(-89.0, middle - span / 2);
        const auto sinhDegrees = [](double degrees) { return std::sinh(degrees * std::numbers::pi / 180.0); };
        Inf inf;
        inf.c = -height / (sinhDegrees(top) - sinhDegrees(bottom));
        inf.d = -inf.c * sinhDegrees(top);
        inf.a = (unit(random) < 0.5 ? -1 : 1) * width / (0.001 + 50.0 * unit(random));
        inf.b = -5000.0 + 10000.0 * unit(random);
        inf.gps = i % 2 == 1;
        TempDir dir;
        writeFile(dir / "K.BMP", blankPicture(width, height));
        writeFile(dir / "K.INF", infText(inf, width, height));
        RunResult run = runPassnetz(dir, {"K.BMP"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const double distance = worstTpsDistance(dir, "K.vrt", inf, width, height, random);
        EXPECT_LT(distance, 0.1) << width << " x " << height << ", latitudes " << bottom << " to " << top;
        worst = std::max(worst, distance);
    }
    std::cout << "worst distance of all maps: " << worst << " pixel\n";
    RecordProperty("worst_distance_pixels", std::to_string(worst));
}

std::pair<double, double> cornerOf(const std::string& info, const std::string& name) {
    std::smatch m;
    const std::regex corner(name + R"(\s*\(\s*(-?[0-9.]+),\s*(-?[0-9.]+)\))");
    if (!std::regex_search(info, m, corner)) return {NAN, NAN};
    return {std::stod(m[1].str()), std::stod(m[2].str())};
}

TEST(Gdal, WarpedGeoTiffLiesOnTheCalibration) {
    TempDir dir;
    Inf inf = sampleInf();
    writeSample(dir, inf);
    RunResult warp = runGdal(GDALWARP_PATH, {"-q", "-tps", "-t_srs", "EPSG:4326", "KARTE.vrt", "KARTE.tif"}, dir);
    ASSERT_EQ(warp.exitCode, 0) << warp.output;
    RunResult info = runGdal(GDALINFO_PATH, {"KARTE.tif"}, dir);
    ASSERT_EQ(info.exitCode, 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info.output, m, std::regex(R"(Pixel Size = \((-?[0-9.]+),(-?[0-9.]+)\))")));
    const double pixelWidth = std::stod(m[1].str()), pixelHeight = std::fabs(std::stod(m[2].str()));
    const auto longitude = [&](double pixel) { return (pixel - 0.5 - inf.b) / inf.a; };
    const auto latitude = [&](double line) {
        return std::asinh((line - 0.5 - inf.d) / inf.c) * 180.0 / std::numbers::pi;
    };
    // The Potsdam datum lies a few seconds of arc from WGS 84, far less than a pixel here.
    const auto [left, top] = cornerOf(info.output, "Upper Left");
    const auto [right, bottom] = cornerOf(info.output, "Lower Right");
    EXPECT_NEAR(left, longitude(0), pixelWidth);
    EXPECT_NEAR(right, longitude(sampleWidth), pixelWidth);
    EXPECT_NEAR(top, latitude(0), pixelHeight);
    EXPECT_NEAR(bottom, latitude(sampleHeight), pixelHeight);
}

} // namespace
