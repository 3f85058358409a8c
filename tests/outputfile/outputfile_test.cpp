// The output file of the image tools: its name, the refusal of an output
// that is the input, its zero-filled creation with the line of dots.
#include "console.hpp"
#include "failure.hpp"
#include "files.hpp"
#include "outputfile.hpp"

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

} // namespace
