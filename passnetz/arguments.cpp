// passnetz's command line: the picture and, optionally, the .INF file to read.
#include "exportrun.hpp"

#include "outputfile.hpp"
#include "runtool.hpp"

#include <array>
#include <string_view>

namespace passnetz {

void showUsage() {
    static constexpr std::array<std::string_view, 11> helpText = {
        "Das Programm schreibt zu einer kalibrierten Karte (unkomprimierte 24-Bit-BMP",
        "BitMap mit .INF-Datei) die Dateien fuer GIS-Programme: ein GeoTIFF (.tif),",
        "das jedes GIS an der richtigen Stelle oeffnet, eine GDAL-VRT-Datei (.vrt), die",
        "auf das Bild verweist und ein Netz von Passpunkten mit ihrem Koordinatensystem",
        "traegt (WGS 84 mit GPS-Zeile, sonst Potsdam-Datum), und dieselben Passpunkte",
        "fuer den QGIS-Georeferenzierer (.points).",
        "Ohne zweite Angabe wird die .INF-Datei gleichen Namens neben dem Bild gelesen.",
        "",
        "Aufruf: PASSNETZ <Bilddatei> [<INF-Datei>]",
        "Die Ausgabe-Dateien entstehen neben dem Bild: KARTE.BMP ergibt KARTE.tif,",
        "KARTE.vrt und KARTE.BMP.points. Bild und .INF-Datei bleiben unveraendert.",
    };
    endWithHelp(helpText);
}

void parseArguments(ExportRun& run, int argc, char** argv) {
    const int count = argc - 1;
    if (count != 1 && count != 2) showUsage();
    run.pictureName = argv[1];
    if (run.pictureName.empty()) showUsage();
    run.calibrationName = count == 2 ? std::string(argv[2]) : replaceExtension(run.pictureName, ".INF");
    if (run.calibrationName.empty()) showUsage();
    run.tiffName = replaceExtension(run.pictureName, ".tif");
    run.vrtName = replaceExtension(run.pictureName, ".vrt");
    run.pointsName = run.pictureName + ".points";
}

} // namespace passnetz
