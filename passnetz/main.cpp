// passnetz: writes a calibrated map's control points for GIS programs: a GDAL
// VRT beside the BMP and a points file for QGIS's georeferencer.
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
    if (!writeExports(run)) return 1;
    consoleLine(run.vrtName + " und " + run.pointsName + " geschrieben.");
    waitForReturn();
    return 0;
}

} // namespace

int run(int argc, char** argv) { return runTool(argc, argv, "passnetz", exportRun); }

} // namespace passnetz
