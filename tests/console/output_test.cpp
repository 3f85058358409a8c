#include "checked.hpp"
#include "console.hpp"
#include "files.hpp"
#include "outputfile.hpp"
#include "realmath.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct NameCase {
    const char* input;
    const char* output;
};

class OutputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputName, ReplacesTheExtension) { EXPECT_EQ(outputNameFor(GetParam().input), GetParam().output); }

INSTANTIATE_TEST_SUITE_P(Cases, OutputName,
                         ::testing::Values(NameCase{"KARTE.BMP", "KARTE.TMP"}, NameCase{"KARTE", "KARTE.TMP"},
                                           NameCase{"KARTE.", "KARTE.TMP"}, NameCase{"KARTE.ALT.BMP", "KARTE.ALT.TMP"},
                                           NameCase{"C:\\SCANS.V2\\KARTE", "C:\\SCANS.V2\\KARTE.TMP"},
                                           NameCase{"A:KARTE", "A:KARTE.TMP"},
                                           NameCase{"scans.v2/KARTE", "scans.v2/KARTE.TMP"},
                                           NameCase{"scans/KARTE.BMP", "scans/KARTE.TMP"}));

TEST(ShownName, UpperCasesTheLastComponentOnly) {
    EXPECT_EQ(upperCaseLastComponent("scans/karte.bmp"), "scans/KARTE.BMP");
    EXPECT_EQ(upperCaseLastComponent("C:\\Scans\\karte.bmp"), "C:\\Scans\\KARTE.BMP");
    EXPECT_EQ(upperCaseLastComponent("a:karte"), "a:KARTE");
    EXPECT_EQ(upperCaseLastComponent("k\xe4rte.bmp"), "K\xe4RTE.BMP");
}

TEST(ShownName, OutputThatWouldReplaceTheInput) {
    EXPECT_TRUE(outputWouldReplaceInput("karte.tmp", ".TMP", "KARTE.TMP"));
    EXPECT_TRUE(outputWouldReplaceInput("dir/KARTE.Tmp", ".TMP", "dir/KARTE.TMP"));
    EXPECT_FALSE(outputWouldReplaceInput("karte.bmp", ".TMP", "/nonexistent/KARTE.TMP"));
    EXPECT_FALSE(outputWouldReplaceInput("tmp", ".TMP", "/nonexistent/TMP.TMP"));
}

TEST(PreFill, BlockSizesFollowTheRemainingCount) {
    auto blocks = [](std::int32_t length) {
        std::vector<std::int32_t> sizes;
        for (std::int32_t remaining = length; remaining > 0; remaining -= prefillBlockSize(remaining)) {
            sizes.push_back(prefillBlockSize(remaining));
        }
        return sizes;
    };
    EXPECT_EQ(blocks(1), std::vector<std::int32_t>{1});
    std::vector<std::int32_t> of1024(31, 32);
    of1024.insert(of1024.end(), 32, 1);
    EXPECT_EQ(blocks(1024), of1024);
    EXPECT_EQ(blocks(1025), (std::vector<std::int32_t>{1024, 1}));
    std::vector<std::int32_t> of1078{1024, 32};
    of1078.insert(of1078.end(), 22, 1);
    EXPECT_EQ(blocks(1078), of1078);
    EXPECT_TRUE(blocks(0).empty());
}

// The picture the output is made for, open as the tools hold it.
ByteFile openInput(const std::filesystem::path& path) {
    writeFile(path, "BM-input");
    ByteFile input;
    input.openForReading(path.string());
    return input;
}

TEST(PreFill, WritesZerosAndDots) {
    TempDir dir;
    ByteFile input = openInput(dir / "IN.BMP");
    std::string console;
    captureConsole(&console);
    for (auto [name, length] : {std::pair{"A.TMP", 1}, {"B.TMP", 20000000}, {"C.TMP", 0}}) {
        ByteFile output = createOutputFile((dir / name).string(), length, input);
        // Nothing shows under the output's name until the finished output is put there.
        EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
        publishOutput(output, (dir / name).string());
    }
    captureConsole(nullptr);
    // Only the input and the three outputs: no temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
    const std::string head = "\r\nTMP-Datei erstellen...\r\n";
    EXPECT_EQ(console, head + ".\r\n" + head + std::string(79, '.') + "\r\n" + head + "\r\n");
    EXPECT_EQ(readFile(dir / "A.TMP"), std::string(1, '\0'));
    EXPECT_EQ(readFile(dir / "B.TMP"), std::string(20000000, '\0'));
    EXPECT_EQ(readFile(dir / "C.TMP"), "");
}

TEST(PreFill, ReplacesAnExistingFile) {
    TempDir dir;
    ByteFile input = openInput(dir / "IN.BMP");
    writeFile(dir / "A.TMP", std::string(5000, 'x'));
    std::string console;
    captureConsole(&console);
    ByteFile output = createOutputFile((dir / "A.TMP").string(), 100, input);
    EXPECT_EQ(readFile(dir / "A.TMP"), std::string(5000, 'x'));
    output.writeAt(7, "new", 3);
    publishOutput(output, (dir / "A.TMP").string());
    captureConsole(nullptr);
    EXPECT_EQ(readFile(dir / "A.TMP"), std::string(7, '\0') + "new" + std::string(90, '\0'));
}

// The names were compared before; a link made since then must still not
// let the output replace the input.
TEST(PreFill, AnOutputThatIsTheOpenInputUnderAnyNameIsRefused) {
    TempDir dir;
    ByteFile input = openInput(dir / "IN.BMP");
    std::filesystem::create_symlink(dir / "IN.BMP", dir / "SYM.TMP");
    std::filesystem::create_hard_link(dir / "IN.BMP", dir / "HARD.TMP");
    for (const char* name : {"SYM.TMP", "HARD.TMP"}) {
        std::string console;
        captureConsole(&console);
        int code = 0;
        try {
            createOutputFile((dir / name).string(), 100, input);
        } catch (const ExitRequest& request) {
            code = request.code;
        }
        captureConsole(nullptr);
        EXPECT_EQ(code, 1) << name;
        EXPECT_EQ(console, "\r\nTMP-Datei erstellen...\r\n"
                           "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.\a\r\n\r\nRETURN druecken.. \r\n");
        EXPECT_EQ(readFile(dir / "IN.BMP"), "BM-input") << name;
    }
}

TEST(PreFill, AFileThatCannotBeCreatedEndsTheRun) {
    TempDir dir;
    ByteFile input = openInput(dir / "IN.BMP");
    std::string console;
    captureConsole(&console);
    int code = 0;
    try {
        createOutputFile("/nonexistent-dir/A.TMP", 100, input);
    } catch (const ExitRequest& request) {
        code = request.code;
    }
    captureConsole(nullptr);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(console, "\r\nTMP-Datei erstellen...\r\nDisk-Schreibfehler\a\r\n\r\nRETURN druecken.. \r\n");
}

struct DotsCase {
    std::int32_t units;
    std::string shown;
};

class Dots : public ::testing::TestWithParam<DotsCase> {};

TEST_P(Dots, OneForEachNewEvenStep) {
    std::string console;
    captureConsole(&console);
    ProgressDots dots;
    for (std::int32_t i = 0; i < GetParam().units; ++i) dots.advance(i, GetParam().units - 1);
    captureConsole(nullptr);
    EXPECT_EQ(console, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Lines, Dots,
                         ::testing::Values(DotsCase{1, "."}, DotsCase{2, "."}, DotsCase{11, "...."},
                                           DotsCase{80, "."}, DotsCase{1000, std::string(79, '.')}));

TEST(Dots, NoOverflowNearTheTopOfTheRange) {
    EXPECT_EQ(progressStep(2147483647, 2147483647), 157);
    EXPECT_EQ(progressStep(2147483646, 2147483647), 156);
}

TEST(CheckedArithmetic, StopsOnOverflowAndNarrowing) {
    EXPECT_EQ(checkedAdd(2147483646, 1), 2147483647);
    EXPECT_EQ(checkedMul(-65536, 32768), INT32_MIN);
    auto kindOf = [](auto operation) {
        try {
            operation();
        } catch (const RunFailure& failure) {
            return failure.kind;
        }
        return FailureKind::OtherIo;
    };
    EXPECT_EQ(kindOf([] { checkedAdd(2147483647, 1); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedSub(INT32_MIN, 1); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedMul(65536, 32768); }), FailureKind::IntOverflow);
    EXPECT_EQ(kindOf([] { checkedNarrow<std::uint16_t>(65536); }), FailureKind::RangeError);
    EXPECT_EQ(kindOf([] { roundToInt32(2147483647.5L); }), FailureKind::RangeError);
    EXPECT_EQ(kindOf([] { roundToInt32(1e30L); }), FailureKind::InvalidOp);
    EXPECT_EQ(kindOf([] { storeDouble(1e309L); }), FailureKind::FpOverflow);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundToInt32(2.5L), 2);
    EXPECT_EQ(roundToInt32(3.5L), 4);
    EXPECT_EQ(roundToInt32(-2.5L), -2);
    EXPECT_EQ(roundToInt32(-3.5L), -4);
    EXPECT_EQ(roundToInt32(2.5L + 0x1p-62L), 3);
    EXPECT_EQ(truncToInt32(-13.9L), -13);
}

TEST(FailureReport, NamesClassModuleAndMessage) {
    EXPECT_EQ(failureReportText({FailureKind::ReadBeyondEnd, 0, 0x0041A2F0u}, "kippdreh"),
              "Exception EInOutError in module kippdreh at 0041A2F0.\nRead beyond end of file.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::OtherIo, 5, 0x00400010u}, "glattzug"),
              "Exception EInOutError in module glattzug at 00400010.\nI/O error 5.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::FpOverflow, 0, 0x00400020u}, "messkart"),
              "Exception EOverflow in module messkart at 00400020.\nFloating point overflow.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::OutOfMemory, 0, 0x00400000u}, "messkart"),
              "Exception EOutOfMemory in module messkart at 00400000.\nOut of memory.\r\n");
}

} // namespace
