// Whole runs of the calibration generator on a generated measurement file.
// Every run ends by itself with exit code 0 or 1; the measurement file stays
// as it was; a .INF exists exactly after a successful run, and no
// temporary file is left behind.
#include "fuzzsupport.hpp"
#include "main.hpp"

#include "console.hpp"

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzProcess();
    return 0;
}

namespace {

int filesInScratch() {
    int count = 0;
    DIR* dir = ::opendir(scratchDirectory().c_str());
    while (dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.' || entry->d_name[1] == 'm';
    ::closedir(dir);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    clearScratch();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string name = scratchDirectory() + "/mess.txt";
    const std::string calibration = scratchDirectory() + "/mess.INF";
    writeWholeFile(name, input);
    std::vector<std::string> args{"messkart", name};
    std::vector<char*> argv = argvOf(args);
    static std::string console;
    console.clear();
    captureConsole(&console);
    const int code = messkart::run(static_cast<int>(args.size()), argv.data());
    if (code != 0 && code != 1) fuzzFault("an exit code other than 0 and 1");
    if (readWholeFile(name) != input) fuzzFault("the measurement file changed");
    const bool written = code == 0;
    if (written != fileExists(calibration)) fuzzFault(".INF file and exit code disagree");
    if (filesInScratch() != (written ? 2 : 1)) fuzzFault("a temporary file was left behind");
    return 0;
}
