// Pictures whose offsets reach just below and just above 2^31. Files of that
// size are sparse: only their header and a few pixels are written.
#include "toolruns.hpp"

#include "bmpwriter.hpp"
#include "files.hpp"

#include "bmpheader.hpp"
#include "failure.hpp"
#include "pixelio.hpp"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t widest = 65535;         // rowBytes 196608
constexpr std::int64_t widestRowBytes = 196608;

// A header for width x height at dataOffset, and a sparse file of length
// bytes that holds it.
void writeSparsePicture(const fs::path& name, std::int32_t width, std::int32_t height, std::int32_t dataOffset,
                        std::int64_t length) {
    std::string header = makeBmp(PixelRows{{Bgr{1, 2, 3}}}).substr(0, 54);
    header = withWord16(withWord16(withWord16(header, 10, static_cast<unsigned>(dataOffset)), 18,
                                   static_cast<unsigned>(width)),
                        22, static_cast<unsigned>(height));
    writeFile(name, header);
    ASSERT_EQ(truncate(name.c_str(), static_cast<off_t>(length)), 0);
}

TEST(TwoGigabytes, TheLayoutTestTakesTheLastRowBelowTheBoundaryAndStopsOneRowLater) {
    BmpHeader header24{};
    header24[28] = 24;
    BmpLayout below{65535, widest, 10923, 0, 0};
    EXPECT_FALSE(checkPixelLayout(header24, below, INT32_MAX).has_value());
    EXPECT_EQ(pixelOffset(below, 0, 0), 65535 + 196608LL * 10922);
    // The top row's last pixel would lie beyond 2^31: the offset is refused, not wrapped.
    try {
        pixelOffset(below, widest - 1, 0);
        ADD_FAILURE() << "no overflow";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::IntOverflow);
    }
    BmpLayout above{54, widest, 10924, 0, 0};
    try {
        checkPixelLayout(header24, above, INT32_MAX);
        ADD_FAILURE() << "no overflow";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::IntOverflow);
    }
}

// Three bytes as they stand in the file, read past the tool's pixel access.
Pixel onDisk(const ByteFile& file, std::int64_t offset) {
    Pixel pixel{};
    file.readAt(offset, pixel.data(), pixel.size());
    return pixel;
}

TEST(TwoGigabytes, AWriteJustBelowTheBoundaryLandsThereAndNowhereElse) {
    TempDir dir;
    ByteFile file;
    ASSERT_EQ(file.tryCreate((dir / "out.TMP").string()), 0);
    const Pixel pixel{7, 8, 9};
    {
        PixelOutput output(file, 64);
        writePixel(output, INT32_MAX - 2, pixel);
        writePixel(output, 10, pixel);
        EXPECT_EQ(readPixel(output, INT32_MAX - 2), pixel);
        output.finish();
    }
    EXPECT_EQ(fs::file_size(dir / "out.TMP"), std::uint64_t{INT32_MAX} + 1);
    EXPECT_EQ(onDisk(file, INT32_MAX - 2), pixel);
    EXPECT_EQ(onDisk(file, INT32_MAX - 5), (Pixel{0, 0, 0}));
    EXPECT_EQ(onDisk(file, 10), pixel);
    EXPECT_EQ(onDisk(file, 13), (Pixel{0, 0, 0}));
}

TEST(TwoGigabytes, AnInputOfTwoGigabytesIsOutOfRange) {
    for (const ToolCall& call : {rotationCall("g=12.5"), rectifierCall({"h"})}) {
        TempDir dir;
        writeSparsePicture(dir / "k.bmp", 100, 100, 54, std::int64_t{INT32_MAX} + 1);
        RunResult result = runProgram(call.program, {"k.bmp", call.arguments[0]}, dir.path(), {});
        EXPECT_EQ(result.exitCode, 1) << call.title;
        EXPECT_NE(result.output.find("\nRange check error.\r\n"), std::string::npos) << result.output;
        EXPECT_FALSE(fs::exists(dir / "K.TMP"));
    }
}

TEST(TwoGigabytes, OffsetsPastTheBoundaryStopWithAnOverflowBeforeTheOutput) {
    // The widest rows, one row more than 2^31 can hold; the file is short.
    for (const ToolCall& call : {rotationCall("g=12.5"), rectifierCall({"h"})}) {
        TempDir dir;
        writeSparsePicture(dir / "k.bmp", widest, 10924, 54, 4096);
        RunResult result = runProgram(call.program, {"k.bmp", call.arguments[0]}, dir.path(), {});
        EXPECT_EQ(result.exitCode, 1) << call.title;
        EXPECT_NE(result.output.find("Exception EIntOverflow in module "), std::string::npos) << result.output;
        EXPECT_FALSE(fs::exists(dir / "K.TMP"));
    }
}

TEST(TwoGigabytes, ARotationOfAPictureJustBelowTheBoundaryIsRefusedAsTooLarge) {
    TempDir dir;
    const std::int64_t length = 54 + widestRowBytes * 10922;  // the whole picture, below 2^31
    ASSERT_LT(length, INT32_MAX);
    writeSparsePicture(dir / "k.bmp", widest, 10922, 54, length);
    RunResult result = runProgram(KIPPDREH_PATH, {"k.bmp", "g=1"}, dir.path(), {});
    EXPECT_NE(result.output.find("Ausgabe-Bild zu gross (Datei ueber 2 GB)\a\r\n"), std::string::npos)
        << result.output;
    EXPECT_FALSE(fs::exists(dir / "K.TMP"));
    EXPECT_EQ(fs::file_size(dir / "k.bmp"), static_cast<std::uint64_t>(length));
}

TEST(TwoGigabytes, ARectifiedPictureJustBelowTheBoundaryReadsOnlyWhatIsThere) {
    // Only the first pixel of the top row, which starts just below 2^31, is in the file.
    TempDir dir;
    const std::int64_t topRowStart = 54 + widestRowBytes * 10921;
    writeSparsePicture(dir / "k.bmp", widest, 10922, 54, topRowStart + 3);
    RunResult result = runProgram(GLATTZUG_PATH, {"k.bmp", "h"}, dir.path(), {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("\nRead beyond end of file.\r\n"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir / "K.TMP"));
}

} // namespace
