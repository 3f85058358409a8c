// Running the built rotation tool on a picture in a fresh directory.
#pragma once

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <string>
#include <vector>

inline const std::string kippdrehBanner = "Bild-Rotation ver.10122012 - Kartenwerkzeuge, freie Software\r\n";

struct RotationRun {
    RunResult result;
    std::string output;    // the .TMP file, empty when none was written
    bool outputExists = false;
};

inline RotationRun runKippdreh(TempDir& dir, const std::string& inputName, const std::string& bmp,
                               const std::vector<std::string>& arguments, const std::string& outputName) {
    writeFile(dir / inputName, bmp);
    RotationRun run;
    run.result = runProgram(KIPPDREH_PATH, arguments, dir.path());
    run.outputExists = std::filesystem::exists(dir / outputName);
    if (run.outputExists) run.output = readFile(dir / outputName);
    return run;
}

inline std::string dots(int count) { return std::string(static_cast<std::size_t>(count), '.'); }

inline const std::string kippdrehHelp =
    "Gescannte Bilder stehen meist nicht genau senkrecht. Das Programm\r\n"
    "fuehrt eine pixelgenaue Rotation durch. Das Bild muss als unkomprimierte\r\n"
    "24-Bit-BMP BitMap vorliegen.\r\n"
    "Die Rotation erfolgt um die Bildmitte entweder entsprechend einer\r\n"
    "Verschiebung der linken oberen Ecke nach rechts um x=n Pixel\r\n"
    "oder nach unten um y=n Pixel (n positiv oder negativ).\r\n"
    "Eine Rotation um 1 Pixel hat demgemaess eine Kippung der ganzen\r\n"
    "jeweiligen Seite um 2 Pixel zur Folge.\r\n"
    "Alternative: Sie koennen den Rotationswinkel auch als g=x Dezimalgrad eingeben\r\n"
    "mit |x|>0.0 und |x|<=90.0 Grad. Negative Winkel drehen nach links.\r\n"
    "\r\n"
    "Aufruf: KIPPDREH <Dateiname> <x=n|y=n|g=x>\r\n"
    "Die Ausgabe-Datei mit der Erweiterung .TMP kann auf .BMP umbenannt werden.\r\n"
    "\r\nRETURN druecken.. \r\n";
