// Each export reaches its name whole or not at all: it is written to a
// temporary beside its target, which takes the target's place only when
// complete and on the disk (the shared mechanism of temporaryfile.hpp, which
// also removes the temporary when Ctrl+C ends the run). An earlier export
// keeps its owner and access; the inputs are never among the targets.
#include "exportrun.hpp"

#include "console.hpp"
#include "temporaryfile.hpp"

namespace passnetz {

namespace {

bool writeInPlace(const std::string& target, const std::string& text) {
    if (replaceWithText(target, text) == 0) return true;
    consoleLine(target + ": kann nicht geschrieben werden." + bell);
    waitForReturn();
    return false;
}

} // namespace

bool writeExports(const ExportRun& run) {
    return writeInPlace(run.vrtName, vrtText(run)) && writeInPlace(run.pointsName, pointsText(run));
}

} // namespace passnetz
