// Files for whole-program tests: a fresh temporary directory per test.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A path under which the temporary output that a running tool holds open in
// dir can be opened (through /proc), or an empty path when none is open.
std::filesystem::path pendingOutputIn(const std::filesystem::path& dir);
