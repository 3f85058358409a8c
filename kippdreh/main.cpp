// kippdreh: straightens a scanned picture by a pixel-exact turn about its centre.
#include "main.hpp"

#include "arguments.hpp"
#include "runrotation.hpp"

#include "console.hpp"
#include "runtool.hpp"

namespace kippdreh {
namespace {

int rotationRun(int argc, char** argv) {
    consoleLine("Bild-Rotation ver.10122012 - Kartenwerkzeuge, freie Software");
    RotationJob job;
    parseArguments(job, argc, argv);
    if (!runRotation(job)) return 1;
    consoleLine(job.outputName + " geschrieben und kann auf *.BMP umbenannt werden.");
    waitForReturn();
    return 0;
}

} // namespace

int run(int argc, char** argv) { return runTool(argc, argv, "kippdreh", rotationRun); }

} // namespace kippdreh

