// Each export reaches its name whole or not at all: it is written to a
// temporary beside its target, which takes the target's place only when
// complete and on the disk (the shared mechanism of temporaryfile.hpp, which
// also removes the temporary when Ctrl+C ends the run). An earlier export
// keeps its owner and access; the inputs are never among the targets.
#include "exportrun.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "temporaryfile.hpp"

#include <cerrno>

namespace passnetz {

namespace {

bool writeInPlace(const std::string& target, const std::string& text) {
    ByteFile file;
    if (createTemporaryBeside(file, target) != 0) {
        consoleLine(target + ": kann nicht geschrieben werden." + bell);
        waitForReturn();
        return false;
    }
    if (int error = file.tryCopyOwnerAndAccessOf(target); error != 0 && error != ENOENT) raiseIoFailure(error);
    file.writeAt(0, text.data(), text.size());
    if (int error = file.trySync()) raiseIoFailure(error);
    putTemporaryInPlace(file, target);
    return true;
}

} // namespace

bool writeExports(const ExportRun& run) {
    return writeInPlace(run.vrtName, vrtText(run)) && writeInPlace(run.pointsName, pointsText(run));
}

} // namespace passnetz
