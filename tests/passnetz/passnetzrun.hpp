// Whole-program runs of passnetz on pictures and .INF files written into a fresh directory.
#pragma once

#include "bmpwriter.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include <filesystem>
#include <string>
#include <vector>

inline const std::string passnetzBanner = "Passpunkt-Netz ver.08122026 - Kartenwerkzeuge, freie Software\r\n";

inline const std::string datumWarning =
    "Warnung: die Karte liegt ausserhalb des Gebiets des Potsdam-Datums (EPSG:4314:\r\n"
    "47,27 bis 55,09 Grad Nord, 5,86 bis 13,84 Grad Ost); GIS-Programme verschieben sie\r\n"
    "trotzdem um dessen Abstand zu WGS 84. Sind die Koordinaten WGS 84 (GPS, Google Maps),\r\n"
    "gehoert in die .INF-Datei als Zeile 7 die Zeile GPS.\r\n";

inline RunResult runPassnetz(const TempDir& dir, const std::vector<std::string>& arguments) {
    return runProgram(PASSNETZ_PATH, arguments, dir.path());
}

// A black picture of the given size; only its header matters to passnetz.
inline std::string blankPicture(int width, int height) { return makeBmp(filledPicture(width, height, {0, 0, 0})); }

// The names in the folder, sorted, to see what a run left behind.
inline std::vector<std::string> folderNames(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
