// passnetz's command line: the picture and, optionally, the .INF file and the
// measurement file to read.
#include "exportrun.hpp"

#include "outputfile.hpp"
#include "runtool.hpp"

#include <array>
#include <string_view>

namespace passnetz {

void showUsage() {
    static constexpr std::array<std::string_view, 13> helpText = {
        "Das Programm schreibt zu einer kalibrierten Karte (unkomprimierte 24-Bit-BMP",
        "BitMap mit .INF-Datei) die Dateien fuer GIS-Programme: ein GeoTIFF (.tif),",
        "das jedes GIS an der richtigen Stelle oeffnet, eine GDAL-VRT-Datei (.vrt), die",
        "auf das Bild verweist und ein Netz von Passpunkten mit ihrem Koordinatensystem",
        "traegt (WGS 84 mit GPS-Zeile, sonst Potsdam-Datum), und Passpunkte fuer den",
        "QGIS-Georeferenzierer (.points): die gemessenen aus der Messdatei, aus der",
        "messkart die .INF-Datei schrieb, ohne sie dasselbe Netz.",
        "Ohne zweite Angabe wird die .INF-Datei gleichen Namens neben dem Bild gelesen,",
        "ohne dritte die Messdatei mit dem Namen der .INF-Datei auf .TXT oder .txt.",
        "",
        "Aufruf: PASSNETZ <Bilddatei> [<INF-Datei> [<Messdatei>]]",
        "Die Ausgabe-Dateien entstehen neben dem Bild: KARTE.BMP ergibt KARTE.tif,",
        "KARTE.vrt und KARTE.BMP.points. Die Eingaben bleiben unveraendert.",
    };
    endWithHelp(helpText);
}

void parseArguments(ExportRun& run, int argc, char** argv) {
    const int count = argc - 1;
    if (count < 1 || count > 3) showUsage();
    run.pictureName = argv[1];
    if (run.pictureName.empty()) showUsage();
    run.calibrationName = count == 2 ? std::string(argv[2]) : replaceExtension(run.pictureName, ".INF");
    if (run.calibrationName.empty()) showUsage();
    if (count == 3) {
        run.measurementName = argv[3];
        run.measurementNamed = true;
        if (run.measurementName.empty()) showUsage();
    }
    run.tiffName = replaceExtension(run.pictureName, ".tif");
    run.vrtName = replaceExtension(run.pictureName, ".vrt");
    run.pointsName = run.pictureName + ".points";
}

} // namespace passnetz
