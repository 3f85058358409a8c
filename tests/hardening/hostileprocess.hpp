// Running a built tool in a hostile setting: standard input closed or at its
// end, standard output a pipe nobody reads, a limit on the size of files.
#pragma once

#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

enum class StandardInput { DevNull, Closed, EmptyPipe };
enum class StandardOutput { Collected, Closed, BrokenPipe };

struct HostileSetting {
    StandardInput input = StandardInput::DevNull;
    StandardOutput output = StandardOutput::Collected;
    rlim_t fileSizeLimit = RLIM_INFINITY;  // with SIGXFSZ ignored, so writes fail with EFBIG
};

struct HostileResult {
    std::string output;
    int exitCode = -1;   // -1 when the process ended by a signal
    int signal = 0;
    bool hung = false;   // killed after the time limit
};

HostileResult runHostile(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory, const HostileSetting& setting);
