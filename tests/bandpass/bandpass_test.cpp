// The band engine: every band written at its place whatever the threads,
// the progress dots by the share of bands done, a failed band thrown again
// with the taking of bands stopped, and a file cut under the pass found.
#include "bandpass.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "files.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

namespace {

constexpr std::int32_t bands = 37;
constexpr std::size_t bandBytes = 5;

struct Files {
    TempDir dir;
    ByteFile input, output;
    Files() {
        writeFile(dir / "in", std::string(100, 'i'));
        writeFile(dir / "out", std::string(bands * bandBytes, '.'));
        input.openForReading((dir / "in").string());
        output.openForUpdate((dir / "out").string());
    }
};

// Band k writes "k" in letters at offset 5 k; every fourth band writes nothing.
BuiltBand letterBand(std::int32_t band, std::vector<std::string>& held) {
    if (band % 4 == 3) return {};
    std::string& bytes = held[static_cast<std::size_t>(band)];
    bytes.assign(bandBytes, static_cast<char>('A' + band % 26));
    const auto offset = static_cast<std::int32_t>(band * bandBytes);
    return {reinterpret_cast<const unsigned char*>(bytes.data()), bandBytes, offset, offset + 5};
}

TEST(BandPass, EveryThreadCountWritesTheSameBytesAndDots) {
    std::string expected, firstConsole;
    for (std::int32_t band = 0; band < bands; ++band) {
        expected += std::string(bandBytes, band % 4 == 3 ? '.' : static_cast<char>('A' + band % 26));
    }
    for (int threads = 1; threads <= 4; ++threads) {
        Files files;
        PixelInput input(files.input);
        PixelOutput output(files.output, 0);
        std::vector<std::string> held(bands);
        PassOptions options;
        options.threads = threads;
        std::string console;
        captureConsole(&console);
        runBandPass({bands, 200}, options, input, output,
                    [&](std::int32_t band, int) { return letterBand(band, held); });
        captureConsole(nullptr);
        output.finish();
        files.output.close();
        EXPECT_EQ(readFile(files.dir / "out"), expected) << threads;
        if (threads == 1) firstConsole = console;
        EXPECT_EQ(console, firstConsole) << threads;
    }
    EXPECT_EQ(firstConsole, std::string(79, '.'));
}

TEST(BandPass, AFailedBandIsThrownAgainAndStopsTheTaking) {
    for (int threads : {1, 3}) {
        Files files;
        PixelInput input(files.input);
        PixelOutput output(files.output, 0);
        std::vector<std::string> held(bands);
        std::atomic<int> built{0};
        PassOptions options;
        options.threads = threads;
        std::string console;
        captureConsole(&console);
        try {
            runBandPass({bands, bands}, options, input, output, [&](std::int32_t band, int) {
                ++built;
                if (band == 2) raiseFailure(FailureKind::RangeError);
                return letterBand(band, held);
            });
            ADD_FAILURE() << "no failure came out with " << threads << " threads";
        } catch (const RunFailure& failure) {
            EXPECT_EQ(failure.kind, FailureKind::RangeError);
        }
        captureConsole(nullptr);
        // With helpers the others may take every band before the failing
        // one's worker stops the taking; alone, nothing after it is taken.
        if (threads == 1) {
            EXPECT_LT(built, bands);
        }
    }
}

TEST(BandPass, AnOutputCutUnderThePassEndsItWithAnIoFailure) {
    Files files;
    PixelInput input(files.input);
    PixelOutput output(files.output, 0);
    std::vector<std::string> held(bands);
    PassOptions options;
    std::string console;
    captureConsole(&console);
    try {
        runBandPass({bands, bands}, options, input, output, [&](std::int32_t band, int) {
            if (band == 1) std::filesystem::resize_file(files.dir / "out", 3);
            return letterBand(band, held);
        });
        ADD_FAILURE() << "no failure came out";
    } catch (const RunFailure& failure) {
        EXPECT_EQ(failure.kind, FailureKind::OtherIo);
        EXPECT_EQ(failure.ioNumber, 5);
    }
    captureConsole(nullptr);
    // The dot of the first band; the second was found cut before its dot.
    EXPECT_EQ(console, ".");
}

} // namespace
