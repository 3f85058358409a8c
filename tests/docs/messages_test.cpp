// Every text the tools can print is explained in the guide, and the pictures
// and manual pages that the guide and README point to are there.
#include "guideexamples.hpp"

#include "files.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

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
                      "Kein blauer Rahmen gefunden: das Bild bleibt unveraendert.",
                      "Kein blauer Rahmen gefunden: die Zeilen werden nur nach den Breitengraden verteilt.",
                      "Achtung: BG_unten ist groesser als BG_oben - sind die Breiten vertauscht?"));

INSTANTIATE_TEST_SUITE_P(
    Messkart, GuideExplains,
    ::testing::Values("mit Dateiname als Parameter aufrufen! [Return] druecken.", " : Lese-Fehler. [Return] druecken.",
                      " : Formatfehler. [Return] druecken.", " ungeeignet.",
                      "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten. [Return] druecken.",
                      "Alle Punkte liegen auf einem Meridian: die Textdatei braucht Punkte auf mindestens 2 Laengen. "
                      "[Return] druecken.",
                      "Alle Punkte liegen auf einem Breitenkreis: die Textdatei braucht Punkte auf mindestens 2 "
                      "Breiten. [Return] druecken.",
                      ":Schreib-Fehler. [Return] druecken.",
                      ":Schreib-Fehler. Der Ordner nimmt keine neue Datei auf; die alte Datei bleibt unveraendert.",
                      "Schreibrecht oder Platz im Ordner schaffen oder die Textdatei in einen anderen Ordner kopieren. "
                      "[Return] druecken.",
                      " : Die Messdatei waere selbst die .INF-Datei, Abbruch. [Return] druecken.",
                      " geschrieben ohne WGS->PD-Korrektur. Format:PD", "mit WGS->PD-Korrektur. Format:WGS",
                      "ohne WGS->PD-Korrektur. Format:WGS", "mit WGS->PD-Korrektur. Format:PD"));

INSTANTIATE_TEST_SUITE_P(
    Passnetz, GuideExplains,
    ::testing::Values("Das Programm schreibt zu einer kalibrierten Karte", ": Datei nicht gefunden oder nicht lesbar.",
                      "; keine gueltige .INF-Datei.", "fehlt", "ist keine ganze Zahl", "ist weder GPS noch leer",
                      "ist nicht leer", ": Zeile 1 ist 0: alle Messpunkte liegen auf einem Meridian,",
                      ": nach dieser Kalibrierung reicht das Bild ueber einen Pol hinaus.",
                      "Warnung: die .INF-Datei nennt ", " Pixel (Zeilen 5 und 6), das Bild hat ",
                      "Gehoert sie zu diesem Bild? Die Passpunkte folgen ihren Zeilen 1 bis 4.",
                      ": kann nicht geschrieben werden.", "unbekanntes Format (Bild ohne Pixel)",
                      "Format:PD (Potsdam-Datum, EPSG:4314)", " Messpunkte aus ", " WGS->PD-Korrektur).",
                      " gehoert nicht zu ", ": ihre Punkte ergeben in Zeile ",
                      " ist keine Messdatei fuer messkart (Formatfehler bei \"", " ist nicht lesbar.",
                      " traegt deshalb das Netz der Passpunkte, nicht die gemessenen."));

INSTANTIATE_TEST_SUITE_P(
    FailureReport, GuideExplains,
    ::testing::Values("Exception EInOutError in module kippdreh at ", "File not found.", "Invalid filename.",
                      "Too many open files.", "File access denied.", "Read beyond end of file.", "Disk full.", "Out of memory.", "EOutOfMemory",
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

// The page as man sets it at a width, hyphens and minus signs written "-".
std::string manRendering(const std::string& tool, int width) {
    const std::string command = "MANWIDTH=" + std::to_string(width) + " LC_ALL=C.UTF-8 man -l '" +
                                (repositoryRoot() / "docs" / "man" / (tool + ".1")).string() + "' 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
        pclose(pipe);
    }
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\u2010") == 0 || text.compare(i, 3, "\u2212") == 0) {
            plain += '-';
            i += 2;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// A line may end in a hyphen only where the text has one: the word broken
// there, joined again, stands so in the page set without line breaks.
TEST_P(ManualPage, BreaksNoWordAtAHyphenItDoesNotHave) {
    std::string unbroken;
    for (const std::string& word : wordsOf(manRendering(GetParam(), 1000))) unbroken += word + " ";
    ASSERT_NE(unbroken.find("SIEHE AUCH"), std::string::npos) << "man -l did not set the page";
    for (int width : {80, 100}) {
        std::vector<std::vector<std::string>> lines;
        std::istringstream text(manRendering(GetParam(), width));
        for (std::string line; std::getline(text, line);) lines.push_back(wordsOf(line));
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].empty() || lines[i + 1].empty()) continue;
            const std::string& last = lines[i].back();
            if (last == "-" || last.back() != '-') continue;
            EXPECT_NE(unbroken.find(last + lines[i + 1].front()), std::string::npos)
                << GetParam() << ".1 at " << width << " columns: " << last << " / " << lines[i + 1].front();
        }
    }
}

// The rendered page's sections, in order: a heading stands in the first column.
std::vector<std::pair<std::string, std::vector<std::string>>> sectionsOf(const std::string& rendering) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    std::istringstream text(rendering);
    std::string line;
    std::getline(text, line);  // the running head: KIPPDREH(1) ... KIPPDREH(1)
    while (std::getline(text, line)) {
        if (line.empty()) continue;
        if (line[0] != ' ') {
            sections.push_back({line, {}});
        } else if (!sections.empty()) {
            sections.back().second.push_back(line);
        }
    }
    if (!sections.empty()) sections.pop_back();  // the running foot: version, date, name
    return sections;
}

std::vector<std::string> sectionLines(const std::string& tool, const std::string& heading) {
    for (const auto& section : sectionsOf(manRendering(tool, 80))) {
        if (section.first == heading) return section.second;
    }
    ADD_FAILURE() << tool << ".1 has no section " << heading;
    return {};
}

const std::vector<std::string> manualTools = {"kippdreh", "glattzug", "messkart", "passnetz"};

TEST_P(ManualPage, FollowsDebiansLayout) {
    std::vector<std::string> headings;
    for (const auto& section : sectionsOf(manRendering(GetParam(), 80))) headings.push_back(section.first);
    EXPECT_EQ(headings, (std::vector<std::string>{"NAME", "\u00dcBERSICHT", "BESCHREIBUNG", "ARGUMENTE", "MELDUNGEN",
                                                  "R\u00dcCKGABEWERT", "DATEIEN", "BEISPIELE", "SIEHE AUCH"}));
}

// Exit codes and nothing else: every entry of the section is tagged 0 or 1.
TEST_P(ManualPage, ExitStatusListsTheCodesOnly) {
    std::vector<std::string> tags;
    for (const std::string& line : sectionLines(GetParam(), "R\u00dcCKGABEWERT")) {
        if (line.size() > 7 && line.compare(0, 7, "       ") == 0 && line[7] != ' ') tags.push_back(wordsOf(line).front());
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"0", "1"}));
}

// Each page leads to the other three tools, set flush left: justified, the
// long path left gaps of many blanks in the line before it.
TEST_P(ManualPage, SeeAlsoNamesEveryOtherToolFlushLeft) {
    std::string text;
    for (const std::string& line : sectionLines(GetParam(), "SIEHE AUCH")) {
        const std::size_t start = line.find_first_not_of(' ');
        EXPECT_EQ(line.find("  ", start), std::string::npos) << line;
        text += line.substr(start) + " ";
    }
    for (const std::string& tool : manualTools) {
        if (tool == GetParam()) continue;
        EXPECT_NE(text.find(tool + "(1)"), std::string::npos) << text;
    }
    EXPECT_NE(text.find("z. B. /usr/share/doc/kartenwerkzeuge/ANLEITUNG.md."), std::string::npos) << text;
}

// The samples lie where Debian keeps a package's examples.
TEST_P(ManualPage, FilesNameTheSamplesFolder) {
    std::string text;
    for (const std::string& line : sectionLines(GetParam(), "DATEIEN")) text += line + "\n";
    EXPECT_NE(text.find("/usr/share/doc/kartenwerkzeuge/examples/"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Tools, ManualPage, ::testing::Values("kippdreh", "glattzug", "messkart", "passnetz"));

// The run-time failure report names its reason on the next line; the page
// gives the three a user meets, memory among them.
TEST(ManualPages, NameTheRunTimeReasons) {
    for (const std::string tool : {"kippdreh", "glattzug", "messkart"}) {
        std::string text;
        for (const std::string& line : sectionLines(tool, "MELDUNGEN")) {
            for (const std::string& word : wordsOf(line)) text += word + " "; // justified lines have wider gaps
        }
        for (const char* reason : {"File not found.", "Read beyond end of file.", "Out of memory."}) {
            EXPECT_NE(text.find(reason), std::string::npos) << tool << ": " << reason;
        }
    }
}

// One date for the set, shown in every page's foot.
TEST(ManualPages, ShareOneDate) {
    const std::regex th("\\.TH [A-Z]+ 1 \"([0-9]{4}-[0-9]{2}-[0-9]{2})\" ");
    std::set<std::string> dates;
    for (const std::string& tool : manualTools) {
        const std::string page = readFile(repositoryRoot() / "docs" / "man" / (tool + ".1"));
        std::smatch match;
        ASSERT_TRUE(std::regex_search(page, match, th)) << tool;
        dates.insert(match[1]);
        EXPECT_NE(manRendering(tool, 80).find("   " + match[1].str() + "   "), std::string::npos) << tool;
    }
    EXPECT_EQ(dates.size(), 1u);
}

} // namespace
