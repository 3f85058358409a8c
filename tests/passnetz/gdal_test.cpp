// passnetz's exports opened with the real GDAL: gdalinfo reads the control
// points and their system, gdaltransform's thin-plate spline reproduces the
// .INF lines inside the picture, gdalwarp makes a GeoTIFF in the right place;
// passnetz's own GeoTIFF shows at every place the pixel the .INF puts there,
// and the VRT finds its picture whatever plain characters its name holds.
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

// A map given by its edges, as the .INF model places them: column -0.5 at
// west, row -0.5 at north (with a < 0 east lies left, with c > 0 north lies below).
struct MapCase {
    const char* name;
    int width, height;
    double west, east, north, south;
    bool gps;
};

Inf infOfEdges(const MapCase& m) {
    const auto sinhDegrees = [](double degrees) { return std::sinh(degrees * std::numbers::pi / 180.0); };
    Inf inf;
    inf.a = m.width / (m.east - m.west);
    inf.b = -inf.a * m.west - 0.5;
    inf.c = -m.height / (sinhDegrees(m.north) - sinhDegrees(m.south));
    inf.d = -inf.c * sinhDegrees(m.north) - 0.5;
    inf.gps = m.gps;
    return inf;
}

// Every pixel tells where it stands: column and row in its three bytes, red never 0.
PixelRows positionPicture(int width, int height) {
    PixelRows rows(height, std::vector<Bgr>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rows[y][x] = {static_cast<unsigned char>(x & 255), static_cast<unsigned char>(y & 255),
                          static_cast<unsigned char>(128 | ((x >> 8) & 7) | (((y >> 8) & 7) << 3))};
        }
    }
    return rows;
}

const MapCase geoTiffMaps[] = {
    {"sample extent", 320, 240, 6.9893, 15.0165, 55.0307, 47.4662, false},
    {"Germany, GPS", 300, 260, 5.8, 15.1, 55.1, 47.2, true},
    {"65 to 70.5 north", 240, 300, 15.0, 30.0, 70.5, 65.0, false},
    {"across 0 degrees", 200, 150, -3.0, 4.0, 53.0, 49.0, true},
    {"western longitudes", 260, 280, -125.0, -114.0, 49.0, 32.0, true},
    {"10 west to 35 east, 35 to 70 north", 450, 350, -10.0, 35.0, 70.0, 35.0, false},
    {"mirrored and upside down, south", 210, 190, 20.0, 10.0, -50.0, -40.0, true},
};

TEST(Gdal, OwnGeoTiffShowsThePixelTheCalibrationPutsThere) {
    std::mt19937 random(30);
    double worst = 0.0;
    for (const MapCase& m : geoTiffMaps) {
        TempDir dir;
        Inf inf = infOfEdges(m);
        writeFile(dir / "K.BMP", makeBmp(positionPicture(m.width, m.height)));
        writeFile(dir / "K.INF", infText(inf, m.width, m.height));
        RunResult run = runPassnetz(dir, {"K.BMP"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        RunResult info = runGdal(GDALINFO_PATH, {"K.tif"}, dir);
        ASSERT_EQ(info.exitCode, 0) << info.output;
        EXPECT_NE(info.output.find(m.gps ? "ID[\"EPSG\",4326]]" : "ID[\"EPSG\",4314]]"), std::string::npos) << m.name;
        EXPECT_NE(info.output.find("Band 4 Block=" + std::to_string(m.width) + "x1 Type=Byte, ColorInterp=Alpha"),
                  std::string::npos) << m.name;
        // The corners are the picture's edges by the rounded .INF.
        const auto longitude = [&](double column) { return (column - inf.b) / inf.a; };
        const auto latitude = [&](double row) { return std::asinh((row - inf.d) / inf.c) * 180.0 / std::numbers::pi; };
        const double west = std::min(longitude(-0.5), longitude(m.width - 0.5));
        const double east = std::max(longitude(-0.5), longitude(m.width - 0.5));
        const double north = std::max(latitude(-0.5), latitude(m.height - 0.5));
        const double south = std::min(latitude(-0.5), latitude(m.height - 0.5));
        const auto [left, top] = cornerOf(info.output, "Upper Left");
        const auto [right, bottom] = cornerOf(info.output, "Lower Right");
        EXPECT_NEAR(left, west, 1e-6) << m.name;
        EXPECT_NEAR(right, east, 1e-6) << m.name;
        EXPECT_NEAR(top, north, 1e-6) << m.name;
        EXPECT_NEAR(bottom, south, 1e-6) << m.name;
        std::smatch size;
        ASSERT_TRUE(std::regex_search(info.output, size, std::regex("Size is ([0-9]+), ([0-9]+)")));
        EXPECT_EQ(std::stoi(size[1].str()), m.width);
        const int rows = std::stoi(size[2].str());
        EXPECT_GE(rows, m.height) << m.name;
        // 1000 random pixels' middles: their coordinates from the file's
        // geotransform, the pixel GDAL finds there, and where the .INF puts them.
        std::uniform_int_distribution<int> across(0, m.width - 1), down(0, rows - 1);
        std::ostringstream middles;
        for (int i = 0; i < 1000; ++i) middles << across(random) + 0.5 << ' ' << down(random) + 0.5 << '\n';
        writeFile(dir / "middles.txt", middles.str());
        RunResult placed = runGdal(GDALTRANSFORM_PATH, {"K.tif"}, dir, dir / "middles.txt");
        ASSERT_EQ(placed.exitCode, 0) << placed.output;
        std::vector<std::pair<double, double>> coordinates;
        std::istringstream placedText(placed.output);
        std::ostringstream geolocations;
        geolocations.precision(17);
        for (double lon, lat, h; placedText >> lon >> lat >> h;) {
            coordinates.emplace_back(lon, lat);
            geolocations << lon << ' ' << lat << '\n';
        }
        ASSERT_EQ(coordinates.size(), 1000u) << m.name;
        writeFile(dir / "geolocations.txt", geolocations.str());
        RunResult shown = runGdal(GDALLOCATIONINFO_PATH, {"-valonly", "-geoloc", "K.tif"}, dir, dir / "geolocations.txt");
        ASSERT_EQ(shown.exitCode, 0) << shown.output;
        std::istringstream values(shown.output);
        for (const auto& [lon, lat] : coordinates) {
            int red = 0, green = 0, blue = 0, alpha = 0;
            ASSERT_TRUE(values >> red >> green >> blue >> alpha) << m.name;
            EXPECT_EQ(alpha, 255);
            const int column = blue | ((red & 7) << 8), row = green | (((red >> 3) & 7) << 8);
            const double x = inf.a * lon + inf.b, y = inf.c * std::sinh(lat * std::numbers::pi / 180.0) + inf.d;
            const double distance = std::max(std::fabs(x - column), std::fabs(y - row));
            EXPECT_LE(distance, 0.5 + 1e-6) << m.name << " at " << lon << ", " << lat;
            worst = std::max(worst, distance);
        }
    }
    std::cout << "own GeoTIFF: worst distance " << worst << " pixel\n";
    RecordProperty("geotiff_worst_distance_pixels", std::to_string(worst));
}

TEST(Gdal, BlackReachingInFromTheEdgesIsTransparent) {
    TempDir dir;
    Inf inf = sampleInf();
    // A corner of black as a turned scan has it, and black inside the map.
    PixelRows rows = positionPicture(sampleWidth, sampleHeight);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40 - y; ++x) rows[y][x] = {0, 0, 0};
    }
    rows[100][100] = {0, 0, 0};
    writeFile(dir / "KARTE.BMP", makeBmp(rows));
    writeFile(dir / "KARTE.INF", infText(inf, sampleWidth, sampleHeight));
    ASSERT_EQ(runPassnetz(dir, {"KARTE.BMP"}).exitCode, 0);
    writeFile(dir / "where.txt", "0 0\n45 0\n");
    RunResult shown = runGdal(GDALLOCATIONINFO_PATH, {"-valonly", "-b", "4", "KARTE.tif"}, dir, dir / "where.txt");
    EXPECT_EQ(shown.output, "0\n255\n");
}

// Names with bytes that are plain here and in XML special: GDAL reads the
// VRT back and finds the very picture beside it.
TEST(Gdal, VrtFindsPicturesOfEveryPlainName) {
    TempDir dir;
    Inf inf = sampleInf();
    writeSample(dir, inf);
    const std::string checksum = "Checksum=" + [&] {
        std::smatch m;
        RunResult bmp = runGdal(GDALINFO_PATH, {"-checksum", "KARTE.BMP"}, dir);
        std::regex_search(bmp.output, m, std::regex("Checksum=([0-9]+)"));
        return m[1].str();
    }();
    for (const char* name : {"x:y.BMP", "c:\\b.BMP", "\\a.BMP", "a\\b.BMP", "r\rn.BMP", "t\tl\nf.BMP", "&<>\"'.BMP",
                             "Gr\xc3\xbc\xc3\x9f" "e.BMP"}) {
        fs::copy_file(dir / "KARTE.BMP", dir / name);
        RunResult run = runPassnetz(dir, {name, "KARTE.INF"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const std::string vrt = fs::path(name).replace_extension(".vrt").string();
        RunResult info = runGdal(GDALINFO_PATH, {"-checksum", vrt}, dir);
        EXPECT_EQ(info.exitCode, 0) << name << info.output;
        EXPECT_NE(info.output.find(checksum), std::string::npos) << name << info.output;
        EXPECT_EQ(info.output.find("ERROR"), std::string::npos) << name << info.output;
    }
}

} // namespace
