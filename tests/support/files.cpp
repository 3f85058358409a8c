#include "files.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kartentest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path pendingOutputIn(const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    // An unnamed file shows as "dir/#number (deleted)", a hidden one as "dir/.name".
    const std::string unnamed = dir.string() + "/#";
    const std::string hidden = dir.string() + "/.";
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", error)) {
            std::string target = fs::read_symlink(fd.path(), error).string();
            if (target.rfind(unnamed, 0) == 0 || target.rfind(hidden, 0) == 0) return fd.path();
        }
    }
    return {};
}
