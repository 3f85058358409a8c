#include "imagerun.hpp"

#include "fuzzsupport.hpp"

#include "console.hpp"

#include <string_view>
#include <vector>

namespace {

std::int32_t word16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) + 256 * static_cast<unsigned char>(bytes[at + 1]);
}

} // namespace

bool runImageTool(int (*toolMain)(int, char**), const char* program, const std::uint8_t* data,
                  std::size_t size, ImageRun& run) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t lineEndAt = all.find('\n');
    if (lineEndAt == std::string_view::npos) return false;
    run.input = std::string(all.substr(lineEndAt + 1));
    if (run.input.size() >= 54 && word16(run.input, 18) + word16(run.input, 22) > 2048) return false;

    clearScratch();
    const std::string name = scratchDirectory() + "/k.bmp";
    writeWholeFile(name, run.input);
    std::vector<std::string> args{program, name};
    for (std::string& word : wordsOf(all.substr(0, lineEndAt), 4)) args.push_back(std::move(word));
    std::vector<char*> argv = argvOf(args);
    run.console.clear();
    captureConsole(&run.console);
    run.code = toolMain(static_cast<int>(args.size()), argv.data());
    captureConsole(nullptr);
    const std::string outputName = scratchDirectory() + "/K.TMP";
    run.outputExists = fileExists(outputName);
    if (run.outputExists) run.output = readWholeFile(outputName);
    if (readWholeFile(name) != run.input) fuzzFault("the input changed");
    return true;
}

void checkCommonOutcome(const ImageRun& run) {
    if (run.code != 0 && run.code != 1) fuzzFault("an exit code other than 0 and 1");
    const bool created = run.console.find("TMP-Datei erstellen...") != std::string::npos;
    if (!created && run.outputExists) fuzzFault("an output exists although none was created");
    const bool report = run.console.find("\nException E") != std::string::npos ||
                        run.console.rfind("Exception E", 0) == 0;
    if (report && run.code != 1) fuzzFault("a failure report with an exit code other than 1");
    const bool success = run.console.find(" geschrieben und kann") != std::string::npos;
    if (success) {
        if (run.code != 0 || report) fuzzFault("a successful run that failed as well");
        if (!run.outputExists || run.output.size() < 54) fuzzFault("a successful run without its output");
    }
}
