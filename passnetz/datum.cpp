// The datum checked against where the map lies: the Potsdam datum (DHDN,
// EPSG:4314) is defined for Germany, and GDAL shifts positions to WGS 84 by
// its transformation wherever the map lies; a map elsewhere has most likely
// been measured in WGS 84 and wants the GPS line.
#include "exportrun.hpp"

#include "console.hpp"

namespace passnetz {

namespace {

// EPSG:4314's published area of use, in degrees.
constexpr double potsdamSouth = 47.27, potsdamNorth = 55.09, potsdamWest = 5.86, potsdamEast = 13.84;

} // namespace

bool withinPotsdamArea(double longitude, double latitude) {
    return latitude >= potsdamSouth && latitude <= potsdamNorth && longitude >= potsdamWest &&
           longitude <= potsdamEast;
}

void warnAboutDatum(const ExportRun& run) {
    if (run.calibration.gps) return;
    // The map's middle, from the .INF model.
    const Calibration& c = run.calibration;
    const double longitude = ((run.width - 1) / 2.0 - c.b) / c.a;
    const double latitude = asinhOfDoubles(((run.height - 1) / 2.0 - c.d) / c.c) * 57.29577951308232;
    if (withinPotsdamArea(longitude, latitude)) return;
    consoleLine("Warnung: die Karte liegt ausserhalb des Gebiets des Potsdam-Datums (EPSG:4314:");
    consoleLine("47,27 bis 55,09 Grad Nord, 5,86 bis 13,84 Grad Ost); GIS-Programme verschieben sie");
    consoleLine("trotzdem um dessen Abstand zu WGS 84. Sind die Koordinaten WGS 84 (GPS, Google Maps),");
    consoleLine("gehoert in die .INF-Datei als Zeile 7 die Zeile GPS.");
}

} // namespace passnetz
