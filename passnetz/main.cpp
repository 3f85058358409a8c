// passnetz: writes a calibrated map for GIS programs: a GeoTIFF in the map's
// geographic system, a GDAL VRT with control points over the BMP, and a
// points file for QGIS's georeferencer (the user's measured points when the
// measurement file belongs to the .INF), all beside the BMP.
#include "exportrun.hpp"

#include "console.hpp"
#include "runtool.hpp"

namespace passnetz {
namespace {

int exportRun(int argc, char** argv) {
    consoleLine("Passpunkt-Netz ver.08122026 - Kartenwerkzeuge, freie Software");
    ExportRun run;
    parseArguments(run, argc, argv);
    if (!refuseOutputAsInput(run)) return 1;
    if (!refuseUnwritableName(run)) return 1;
    if (!readPicture(run)) return 1;
    if (!readCalibration(run)) return 1;
    warnAboutSize(run);
    if (!placeControlPoints(run)) return 1;
    warnAboutDatum(run);
    if (!takeMeasuredPoints(run)) return 1;
    if (!writeExports(run)) return 1;
    consoleLine(run.tiffName + ", " + run.vrtName + " und " + run.pointsName + " geschrieben.");
    waitForReturn();
    return 0;
}

} // namespace

int run(int argc, char** argv) { return runTool(argc, argv, "passnetz", exportRun); }

} // namespace passnetz
