#include "runprogram.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr auto timeLimit = std::chrono::seconds(120);

[[noreturn]] void startChild(const std::string& program, const std::vector<std::string>& arguments,
                             const std::filesystem::path& workingDirectory, const RunSetting& setting,
                             int outputEnd, int inputEnd) {
    switch (setting.input) {
    case StandardInput::DevNull: dup2(open("/dev/null", O_RDONLY), 0); break;
    case StandardInput::Closed: close(0); break;
    case StandardInput::EmptyPipe: dup2(inputEnd, 0); break;
    case StandardInput::File: dup2(open(setting.inputFile.c_str(), O_RDONLY), 0); break;
    }
    if (setting.output == StandardOutput::Closed) {
        close(1);
    } else {
        dup2(outputEnd, 1);
    }
    // The test process may ignore signals; the tool starts with the defaults.
    signal(SIGXFSZ, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    if (setting.fileSizeLimit != RLIM_INFINITY) {
        rlimit limit{setting.fileSizeLimit, setting.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    for (const std::string& variable : setting.environment) putenv(const_cast<char*>(variable.c_str()));
    if (chdir(workingDirectory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

bool readSome(int fd, std::string& into) {
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) return true;
    if (got <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

} // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingDirectory, const RunSetting& given) {
    RunSetting setting = given;
    std::filesystem::path marker;
    if (!setting.pauseAt.empty()) {
        static int pauses = 0;
        marker = std::filesystem::temp_directory_path() /
                 ("kartentest-pause-" + std::to_string(getpid()) + "-" + std::to_string(++pauses));
        std::filesystem::remove(marker);
        setting.environment.push_back("KARTEN_TEST_PAUSE=" + setting.pauseAt + ":" + marker.string());
    }
    int outputPipe[2];
    int inputPipe[2];
    if (pipe2(outputPipe, O_CLOEXEC) != 0 || pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    int reading = outputPipe[0];
    if (setting.output == StandardOutput::BrokenPipe) {
        // Closed before the child starts: a busy machine could otherwise let it run to its end first.
        close(reading);
        reading = -1;
    }
    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) startChild(program, arguments, workingDirectory, setting, outputPipe[1], inputPipe[0]);
    close(outputPipe[1]);
    close(inputPipe[0]);
    close(inputPipe[1]);  // the child's standard input is at its end

    RunResult result;
    bool faultMade = !setting.when;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    int status = 0;
    for (;;) {
        if (!marker.empty() && !result.paused && std::filesystem::exists(marker)) {
            std::string pending;
            // The tool writes the marker in one go, but it may not be closed yet.
            for (int tries = 0; pending.empty() && tries < 100; ++tries) {
                std::ifstream in(marker);
                std::getline(in, pending);
                if (pending.empty()) poll(nullptr, 0, 5);
            }
            result.paused = true;
            std::filesystem::path reachable = pending;
            if (reachable.is_relative()) reachable = workingDirectory / reachable;
            if (setting.atPause) setting.atPause(reachable, static_cast<int>(child));
            std::filesystem::remove(marker);
        }
        if (reading >= 0) {
            pollfd ready{reading, POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                if (!readSome(reading, result.output)) {
                    close(reading);
                    reading = -1;
                }
                if (!faultMade && setting.when(result.output)) {
                    faultMade = true;
                    setting.then();
                }
                continue;
            }
        } else {
            poll(nullptr, 0, 5);
        }
        pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            if (reading >= 0) {
                while (readSome(reading, result.output)) {
                }
                close(reading);
            }
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.hung = true;
            if (reading >= 0) close(reading);
            break;
        }
    }
    if (!marker.empty()) std::filesystem::remove(marker);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::string pauseText() { return "\r\nRETURN druecken.. \r\n"; }
