// The exports reach their names whole or not at all: each is written to a new
// file beside its target and renamed into place only when both are complete.
// This is the one place where passnetz creates files, the place to switch
// to a shared output mechanism.
#include "exportrun.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "process.hpp"

#include <array>
#include <cerrno>

namespace passnetz {

namespace {

struct Temporary {
    std::string name;
    ByteFile file;
};

// A file beside target, named so that no other run uses it; false when the
// folder lets none be made.
bool createBeside(const std::string& target, Temporary& temporary) {
    const std::size_t slash = target.find_last_of("/\\:");
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + ".passnetz-" + std::to_string(processNumber()) + "-" + std::to_string(attempt);
        const int error = temporary.file.tryCreateExclusive(name);
        if (error == 0) {
            temporary.name = name;
            return true;
        }
        if (error != EEXIST) return false;
    }
    return false;
}

void removeAll(std::array<Temporary, 2>& temporaries) {
    for (Temporary& temporary : temporaries) {
        temporary.file = ByteFile();
        if (!temporary.name.empty()) removeFile(temporary.name);
        temporary.name.clear();
    }
}

bool refuseToWrite(const std::string& target, std::array<Temporary, 2>& temporaries) {
    removeAll(temporaries);
    consoleLine(target + ": kann nicht geschrieben werden." + bell);
    waitForReturn();
    return false;
}

} // namespace

bool writeExports(const ExportRun& run) {
    const std::array<std::string, 2> targets = {run.vrtName, run.pointsName};
    const std::array<std::string, 2> texts = {vrtText(run), pointsText(run)};
    std::array<Temporary, 2> temporaries;
    try {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (!createBeside(targets[i], temporaries[i])) return refuseToWrite(targets[i], temporaries);
            temporaries[i].file.writeAt(0, texts[i].data(), texts[i].size());
            temporaries[i].file.close();
        }
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (replaceFile(temporaries[i].name, targets[i]) != 0) return refuseToWrite(targets[i], temporaries);
            temporaries[i].name.clear();
        }
    } catch (...) {
        removeAll(temporaries);
        throw;
    }
    return true;
}

} // namespace passnetz
