// The rectifier's command line and its status line.
#include "arguments.hpp"

#include "asciitext.hpp"
#include "console.hpp"
#include "hyperbolic.hpp"
#include "numberfields.hpp"
#include "outputfile.hpp"
#include "runtool.hpp"

#include <array>
#include <optional>
#include <string_view>

namespace glattzug {

void showUsage() {
    static constexpr std::array<std::string_view, 13> helpText = {
        "Das Bild muss als unkomprimierte 24-Bit-BMP BitMap vorliegen",
        "und von beliebig geformten vertikalen bzw. horizontalen Rahmenbalken",
        "der Farbe 0,0,255 (blau) umgeben sein.",
        "Die Entzerrung erfolgt linear in zwei Stufen so, dass das im Rahmen befindliche",
        "Bild die ganze Bildflaeche ausfuellt. Vertikale Rahmen entzerren horizontal",
        "und umgekehrt. Beispielanwendung:",
        "Umwandlung gescannter kegelprojizierter Karten in Zylinderprojektion.",
        "Aufruf: GLATTZUG <Dateiname> <h[orizontal]|v[ertikal] [BG_unten BG_oben]>",
        "Werden bei vertikaler Entzerrung die Breitengrade (dezimal) des unteren",
        "und oberen Kartenrandes angegeben, so erfolgt eine hyperbolische",
        "Entzerrung (diese kann auch nachtraeglich auf eine bereits linear entzerrte",
        "Karte angewendet werden).",
        "Die Ausgabe-Datei mit der Erweiterung .TMP kann auf .BMP umbenannt werden.",
    };
    endWithHelp(helpText);
}

namespace {

double latitudeArgument(const char* text) {
    std::optional<double> value = parseDecimalField(text);
    if (!value) showUsage();
    return *value;
}

} // namespace

void parseArguments(RectifyState& state, int argc, char** argv) {
    int count = argc - 1;
    if (count != 2 && count != 4) showUsage();
    std::string mode = upperCaseAscii(argv[2]);
    if (mode.empty() || (mode[0] != 'H' && mode[0] != 'V')) showUsage();
    state.mode = mode[0] == 'H' ? LineKind::Row : LineKind::Column;
    if (state.mode == LineKind::Row && count != 2) showUsage();
    state.typedName = argv[1];
    state.inName = upperCaseLastComponent(state.typedName);

    consoleWrite(state.inName);
    consoleWrite(": Entzerrung ");
    consoleWrite(state.mode == LineKind::Row ? "horizontal" : "vertikal");
    if (count == 2) {
        state.BG_unten = noLatitude;
        state.BG_oben = noLatitude;
        consoleWrite(" linear.");
    } else {
        state.BG_unten = latitudeArgument(argv[3]);
        state.BG_oben = latitudeArgument(argv[4]);
        consoleWrite(" hyperbolisch.");
    }
    consoleLine(" Strg+C bricht ab.");
    // North-up maps have the lower edge south of the upper one on either
    // hemisphere: latitudes the other way round are most likely swapped.
    if (count == 4 && hyperbolicWanted(state.BG_unten) && state.BG_unten > state.BG_oben) {
        consoleLine("Achtung: BG_unten ist groesser als BG_oben - sind die Breiten vertauscht?");
    }
}

} // namespace glattzug
