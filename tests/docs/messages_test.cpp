// Every text the tools can print is explained in the guide, and the pictures
// and manual pages that the guide and README point to are there.
#include "guideexamples.hpp"

#include "files.hpp"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;

namespace {

class GuideExplains : public ::testing::TestWithParam<const char*> {};

TEST_P(GuideExplains, Message) {
    EXPECT_NE(guideText().find(GetParam()), std::string::npos) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    ImageTools, GuideExplains,
    ::testing::Values("ReadFileError:Header", "unbekanntes Format`",
                      "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)", "unbekanntes Format (nur 24 Bit erlaubt!)",
                      "Winkel zu gross", "Bildbreite bzw. Bildhoehe 0: kein Drehwinkel berechenbar",
                      "Ausgabe-Bild zu gross (Datei ueber 2 GB)",
                      "Ausgabe-Bild zu gross (Breite oder Hoehe ueber 65535 Pixel)",
                      "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.", "Disk-Schreibfehler",
                      "WriteFileError:Header", "TMP-Datei erstellen...",
                      " geschrieben und kann auf *.BMP umbenannt werden.", "RETURN druecken.. ",
                      "Strg+C bricht ab.", "Rotation rechts xDelta=", "Rotation links yDelta=",
                      "oberen und unteren", "Breitengrade ungeeignet: hyperbolische Entzerrung nicht berechenbar",
                      "Ausgabe: ", ": Entzerrung horizontal linear.", ": Entzerrung vertikal hyperbolisch.",
                      "Entzerrung vertikalDas Bild muss", ": Datei nicht gefunden oder nicht lesbar.",
                      "Kein blauer Rahmen gefunden: das Bild bleibt unveraendert."));

INSTANTIATE_TEST_SUITE_P(
    Messkart, GuideExplains,
    ::testing::Values("mit Dateiname als Parameter aufrufen! [Return] druecken.", " : Lese-Fehler. [Return] druecken.",
                      " : Formatfehler. [Return] druecken.", " ungeeignet.",
                      "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten. [Return] druecken.",
                      ":Schreib-Fehler. [Return] druecken.",
                      " : Die Messdatei waere selbst die .INF-Datei, Abbruch. [Return] druecken.",
                      " geschrieben ohne WGS->PD-Korrektur. Format:PD", "mit WGS->PD-Korrektur. Format:WGS",
                      "ohne WGS->PD-Korrektur. Format:WGS", "mit WGS->PD-Korrektur. Format:PD"));

INSTANTIATE_TEST_SUITE_P(
    FailureReport, GuideExplains,
    ::testing::Values("Exception EInOutError in module kippdreh at ", "File not found.", "Invalid filename.",
                      "Too many open files.", "File access denied.", "Read beyond end of file.", "Disk full.",
                      "I/O error n.", "I/O error 5.", "Integer overflow.", "EIntOverflow", "Range check error.", "ERangeError",
                      "Floating point overflow.", "EOverflow", "Floating point division by zero.", "EZeroDivide",
                      "Invalid floating point operation.", "EInvalidOp"));

std::vector<std::string> picturesNamedIn(const std::string& markdown, const std::string& folder) {
    std::vector<std::string> names;
    std::regex link("\\]\\(" + folder + "([0-9a-z-]+\\.png)\\)");
    for (std::sregex_iterator it(markdown.begin(), markdown.end(), link), end; it != end; ++it) {
        names.push_back((*it)[1]);
    }
    return names;
}

bool isPng(const fs::path& path) {
    return fs::exists(path) && readFile(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

TEST(Pictures, OfTheGuideAndReadmeAreThere) {
    std::vector<std::string> inGuide = picturesNamedIn(guideText(), "pictures/");
    std::vector<std::string> inReadme =
        picturesNamedIn(readFile(repositoryRoot() / "README.md"), "docs/pictures/");
    EXPECT_EQ(inGuide.size(), 15u);
    EXPECT_EQ(inReadme.size(), 8u);
    for (const std::string& name : inGuide) EXPECT_TRUE(isPng(repositoryRoot() / "docs/pictures" / name)) << name;
    for (const std::string& name : inReadme) EXPECT_TRUE(isPng(repositoryRoot() / "docs/pictures" / name)) << name;
}

class ManualPage : public ::testing::TestWithParam<const char*> {};

TEST_P(ManualPage, NamesItsToolAndTheGuide) {
    std::string tool = GetParam();
    std::string page = readFile(repositoryRoot() / "docs" / "man" / (tool + ".1"));
    std::string upper;
    for (char c : tool) upper += static_cast<char>(c - 'a' + 'A');
    EXPECT_NE(page.find(".TH " + upper + " 1 "), std::string::npos);
    EXPECT_NE(page.find("\\fB" + tool + "\\fR"), std::string::npos);
    EXPECT_NE(page.find("ANLEITUNG.md"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Tools, ManualPage, ::testing::Values("kippdreh", "glattzug", "messkart"));

} // namespace
