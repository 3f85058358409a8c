// What the guide says in words about names, samples and bars, checked on the
// built tools: the upper-casing of a name with an umlaut, names with blanks
// with and without quotes, the samples' folder, a bar that stops before the
// frame line.
#include "guideexamples.hpp"

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

void expectGuideSays(const std::string& text) {
    EXPECT_NE(guideText().find(text), std::string::npos) << "the guide does not say: " << text;
}

// There are four programs; "drei Programme" was left from before passnetz.
TEST(GuideStatements, CountsFourPrograms) {
    EXPECT_EQ(guideText().find("drei Programm"), std::string::npos);
    expectGuideSays("Alle vier Programme schreiben zuerst");
    expectGuideSays("### 11.4 Laufzeitfehler (alle vier Programme)");
}

TEST(GuideStatements, UpperCasingLeavesUmlautsAsTheyAre) {
    expectGuideSays("aus `Kärtchen.bmp` wird `KäRTCHEN.TMP`");
    TempDir dir;
    fs::copy_file(repositoryRoot() / "samples" / "scan.bmp", dir / "Kärtchen.bmp");
    RunResult run = runProgram(KIPPDREH_PATH, {"Kärtchen.bmp", "g=1.2"}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("\r\nKäRTCHEN.TMP geschrieben und kann auf *.BMP umbenannt werden.\r\n"),
              std::string::npos) << run.output;
    EXPECT_TRUE(fs::exists(dir / "KäRTCHEN.TMP"));
}

TEST(GuideStatements, NamesWithBlanksNeedQuotes) {
    TempDir dir;
    fs::create_directory(dir / "Meine Karten");
    fs::copy_file(repositoryRoot() / "samples" / "scan.bmp", dir / "Meine Karten" / "Blatt 7.bmp");
    fs::copy_file(repositoryRoot() / "samples" / "KARTE-HV.TXT", dir / "Meine Karten" / "Blatt 7.txt");

    // Unquoted, the console splits the name at its blanks.
    expectGuideSays("`kippdreh Meine Karten/Blatt 7.bmp g=0.8` nur den Hilfetext");
    RunResult split = runProgram(KIPPDREH_PATH, {"Meine", "Karten/Blatt", "7.bmp", "g=0.8"}, dir.path());
    EXPECT_NE(split.output.find("Gescannte Bilder stehen meist nicht genau senkrecht."), std::string::npos);
    EXPECT_EQ(split.exitCode, 1);
    expectGuideSays("`Meine : Lese-Fehler. [Return] druecken.`");
    split = runProgram(MESSKART_PATH, {"Meine", "Karten/Blatt", "7.txt"}, dir.path());
    EXPECT_NE(split.output.find("\r\n\r\nMeine : Lese-Fehler. [Return] druecken.\r\n"), std::string::npos)
        << split.output;

    // Quoted, each is one argument.
    expectGuideSays("  kippdreh \"Meine Karten/Blatt 7.bmp\" g=0.8\n  messkart \"Meine Karten/Blatt 7.txt\"\n");
    EXPECT_EQ(runProgram(KIPPDREH_PATH, {"Meine Karten/Blatt 7.bmp", "g=0.8"}, dir.path()).exitCode, 0);
    EXPECT_TRUE(fs::exists(dir / "Meine Karten" / "BLATT 7.TMP"));
    EXPECT_EQ(runProgram(MESSKART_PATH, {"Meine Karten/Blatt 7.txt"}, dir.path()).exitCode, 0);
    EXPECT_TRUE(fs::exists(dir / "Meine Karten" / "Blatt 7.INF"));
}

// The guide sends the reader to the folder the install rules fill.
TEST(GuideStatements, SamplesFolderIsTheInstalledOne) {
    const std::string rules = readFile(repositoryRoot() / "cmake" / "packaging.cmake");
    std::smatch destination;
    ASSERT_TRUE(std::regex_search(rules, destination,
                                  std::regex("samples/KARTE-HV\\.TXT\\s+DESTINATION \\$\\{KARTEN_DOC_DIR\\}/([a-z]+)\\)")));
    const std::string folder = destination[1];
    EXPECT_EQ(folder, "examples");
    const std::string guide = guideText();
    std::set<std::string> named;
    const std::regex path("share/doc/kartenwerkzeuge/([a-zA-Z.-]+)");
    for (std::sregex_iterator it(guide.begin(), guide.end(), path), end; it != end; ++it) named.insert((*it)[1]);
    EXPECT_EQ(named, (std::set<std::string>{folder}));
    for (const std::string prefix : {"/usr/share/doc/", "~/.local/share/doc/", "/usr/local/share/doc/"}) {
        expectGuideSays("`" + prefix + "kartenwerkzeuge/" + folder + "/`");
    }
    expectGuideSays("cp -r /usr/share/doc/kartenwerkzeuge/" + folder + " ~/karten-beispiel\n");
    expectGuideSays("`cp -r ~/.local/share/doc/kartenwerkzeuge/" + folder + " ~/karten-beispiel`");
}

// Section 11 says which two messages are notes after which the file is written.
TEST(GuideStatements, TwoNotesOfGlattzugStillWriteTheFile) {
    expectGuideSays("„Kein blauer Rahmen\ngefunden: …“ und „Achtung: BG_unten ist groesser als BG_oben …“ läuft das "
                    "Programm weiter\nund schreibt die `.TMP`-Datei");
    struct Note {
        std::vector<std::string> arguments;
        const char* message;
    };
    for (const Note& note : {Note{{"scan.bmp", "h"}, "Kein blauer Rahmen gefunden: das Bild bleibt unveraendert."},
                             Note{{"scan.bmp", "v", "55", "47.5"},
                                  "Achtung: BG_unten ist groesser als BG_oben - sind die Breiten vertauscht?"}}) {
        TempDir dir;
        fs::copy_file(repositoryRoot() / "samples" / "scan.bmp", dir / "scan.bmp");
        RunResult run = runProgram(GLATTZUG_PATH, note.arguments, dir.path());
        EXPECT_NE(run.output.find(note.message), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("SCAN.TMP geschrieben"), std::string::npos) << run.output;
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(fs::exists(dir / "SCAN.TMP"));
    }
}

// A bar stops right before the frame line; the line becomes the picture's edge.
TEST(GuideStatements, FrameLineBesideTheBarBecomesTheEdge) {
    expectGuideSays("selbst bleibt frei, der Balken endet unmittelbar vor ihr");
    constexpr Bgr blue{255, 0, 0}, line{0, 0, 200}, a{10, 20, 30}, b{40, 50, 60}, c{70, 80, 90};
    // one row: two blue, the left frame line, map, the right frame line, one blue
    const PixelRows picture = {{blue, blue, line, a, b, c, line, blue}};
    TempDir dir;
    writeFile(dir / "K.BMP", makeBmp(picture));
    ASSERT_EQ(runProgram(GLATTZUG_PATH, {"K.BMP", "h"}, dir.path()).exitCode, 0);
    const PixelRows out = readPixels(readFile(dir / "K.TMP"));
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].size(), 8u);
    EXPECT_EQ(out[0].front(), line);
    EXPECT_EQ(out[0].back(), line);
    // the map between the lines keeps its order, the bars are gone
    const std::vector<Bgr> inside(out[0].begin() + 1, out[0].end() - 1);
    EXPECT_EQ(std::count(inside.begin(), inside.end(), blue), 0);
    auto first = [&](Bgr colour) { return std::find(inside.begin(), inside.end(), colour) - inside.begin(); };
    EXPECT_LT(first(a), first(b));
    EXPECT_LT(first(b), first(c));
    EXPECT_LT(first(c), static_cast<long>(inside.size()));
}

} // namespace
