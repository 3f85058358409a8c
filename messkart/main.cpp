// messkart: turns a measurement text file into a .INF calibration file.
#include "main.hpp"

#include "calibrationfile.hpp"
#include "measurementfile.hpp"

#include "console.hpp"
#include "failure.hpp"
#include "runtool.hpp"

namespace messkart {

// Points all on one meridian or one parallel calibrate nothing: the fit
// would come out flat, a file of zeros taken for a calibration.
void stopIfUnsuitable(const CalibrationRun& run) {
    const char* unsuitable = nullptr;
    if (run.lonFit.count < 2 || run.latFit.count < 2) {
        unsuitable = "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten. [Return] druecken.";
    } else if (run.lonFit.allXEqual) {
        unsuitable = "Alle Punkte liegen auf einem Meridian: die Textdatei braucht Punkte auf mindestens 2 Laengen. "
                     "[Return] druecken.";
    } else if (run.latFit.allXEqual) {
        unsuitable = "Alle Punkte liegen auf einem Breitenkreis: die Textdatei braucht Punkte auf mindestens "
                     "2 Breiten. [Return] druecken.";
    }
    if (unsuitable == nullptr) return;
    consoleLine();
    consoleLine(run.measurementFileName + " ungeeignet.");
    consoleLine(unsuitable);
    readInputLine();
    throw ExitRequest{1};
}

namespace {

int calibrationRun(int argc, char** argv) {
    consoleLine("MESSKART - Kartenwerkzeuge, freie Software - ver. 051112");
    consoleLine("Erzeugung von .INF-Dateien fuer MIRANTEL-Maps aus Messdaten-Textdateien.");
    consoleLine("Beachten Sie die Anleitung zur Erstellung einer geeigneten Textdatei.");
    consoleLine();
    consoleLine("Aufruf: MESSKART <TextDateiName>");
    if (argc < 2) {
        consoleLine();
        consoleLine("mit Dateiname als Parameter aufrufen! [Return] druecken.");
        readInputLine();
        return 1;
    }
    CalibrationRun run;
    run.measurementFileName = argv[1];
    refuseMeasurementAsCalibration(run);
    resetFit(run.lonFit);
    resetFit(run.latFit);
    readMeasurementFile(run);
    stopIfUnsuitable(run);
    writeCalibrationFile(run);
    return 0;
}

} // namespace

int run(int argc, char** argv) { return runTool(argc, argv, "messkart", calibrationRun); }

} // namespace messkart

