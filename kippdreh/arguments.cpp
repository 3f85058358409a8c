// The rotation tool's command line and its help text.
#include "arguments.hpp"

#include "asciitext.hpp"
#include "numberfields.hpp"
#include "outputfile.hpp"
#include "realmath.hpp"
#include "runtool.hpp"

#include <array>
#include <string_view>

namespace kippdreh {

void showUsage() {
    static constexpr std::array<std::string_view, 13> helpText = {
        "Gescannte Bilder stehen meist nicht genau senkrecht. Das Programm",
        "fuehrt eine pixelgenaue Rotation durch. Das Bild muss als unkomprimierte",
        "24-Bit-BMP BitMap vorliegen.",
        "Die Rotation erfolgt um die Bildmitte entweder entsprechend einer",
        "Verschiebung der linken oberen Ecke nach rechts um x=n Pixel",
        "oder nach unten um y=n Pixel (n positiv oder negativ).",
        "Eine Rotation um 1 Pixel hat demgemaess eine Kippung der ganzen",
        "jeweiligen Seite um 2 Pixel zur Folge.",
        "Alternative: Sie koennen den Rotationswinkel auch als g=x Dezimalgrad eingeben",
        "mit |x|>0.0 und |x|<=90.0 Grad. Negative Winkel drehen nach links.",
        "",
        "Aufruf: KIPPDREH <Dateiname> <x=n|y=n|g=x>",
        "Die Ausgabe-Datei mit der Erweiterung .TMP kann auf .BMP umbenannt werden.",
    };
    endWithHelp(helpText);
}

void parseArguments(RotationJob& job, int argc, char** argv) {
    if (argc - 1 != 2) showUsage();
    std::string s = upperCaseAscii(argv[2]);
    if (s.size() < 3) showUsage();
    if (s[1] != '=') showUsage();
    switch (s[0]) {
    case 'G': job.mode = RotationMode::Degrees; break;
    case 'X': job.mode = RotationMode::ShiftX; break;
    case 'Y': job.mode = RotationMode::ShiftY; break;
    default: showUsage();
    }
    std::string_view valueText = std::string_view(s).substr(2);
    job.shift = 0;
    job.angle = 0.0;
    if (job.mode == RotationMode::Degrees) {
        std::optional<double> degrees = parseDecimalField(valueText);
        if (!degrees || *degrees == 0.0 || *degrees > 90.0 || *degrees < -90.0) showUsage();
        job.angle = storeDouble(static_cast<extended>(*degrees) * extendedPi / 180.0L);
    } else {
        std::optional<std::int32_t> shift = parseIntegerField(valueText);
        if (!shift || *shift == 0) showUsage();
        job.shift = *shift;
    }
    job.typedName = argv[1];
    job.inputName = upperCaseLastComponent(job.typedName);
}

} // namespace kippdreh
