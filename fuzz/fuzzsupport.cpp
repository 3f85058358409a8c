#include "fuzzsupport.hpp"

#include "console.hpp"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string scratch;
std::string consoleSink;

} // namespace

void prepareFuzzProcess() {
    std::string pattern = "/tmp/kartenfuzz-XXXXXX";
    if (const char* base = std::getenv("KARTEN_FUZZ_TMP")) pattern = std::string(base) + "/kartenfuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fuzzFault("mkdtemp failed");
    scratch = pattern;
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::dup2(devNull, 0) < 0) fuzzFault("no /dev/null");
    ::close(devNull);
    captureConsole(&consoleSink);
    std::atexit([] {
        clearScratch();
        ::rmdir(scratch.c_str());
    });
}

const std::string& scratchDirectory() { return scratch; }

void clearScratch() {
    consoleSink.clear();
    DIR* dir = ::opendir(scratch.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(scratch + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& name : names) ::unlink(name.c_str());
}

void writeWholeFile(const std::string& name, std::string_view bytes) {
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) fuzzFault("cannot create a scratch file");
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        fuzzFault("cannot write a scratch file");
    }
    std::fclose(file);
}

std::string readWholeFile(const std::string& name) {
    std::string bytes;
    FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) fuzzFault("cannot read a scratch file");
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

bool fileExists(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0;
}

std::vector<std::string> wordsOf(std::string_view text, std::size_t limit) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size() && words.size() < limit) {
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

std::vector<char*> argvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

void fuzzFault(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
