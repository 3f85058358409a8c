#include "hostileprocess.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto timeLimit = std::chrono::seconds(60);

[[noreturn]] void startChild(const std::string& program, const std::vector<std::string>& arguments,
                             const std::filesystem::path& workingDirectory, const HostileSetting& setting,
                             int outputEnd, int inputEnd) {
    switch (setting.input) {
    case StandardInput::DevNull: dup2(open("/dev/null", O_RDONLY), 0); break;
    case StandardInput::Closed: close(0); break;
    case StandardInput::EmptyPipe: dup2(inputEnd, 0); break;
    }
    if (setting.output == StandardOutput::Closed) {
        close(1);
    } else {
        dup2(outputEnd, 1);
    }
    if (setting.fileSizeLimit != RLIM_INFINITY) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{setting.fileSizeLimit, setting.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (chdir(workingDirectory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

} // namespace

HostileResult runHostile(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory, const HostileSetting& setting) {
    int outputPipe[2];
    int inputPipe[2];
    if (pipe2(outputPipe, O_CLOEXEC) != 0 || pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) startChild(program, arguments, workingDirectory, setting, outputPipe[1], inputPipe[0]);
    close(outputPipe[1]);
    close(inputPipe[0]);
    close(inputPipe[1]);  // the child's standard input is at its end
    if (setting.output == StandardOutput::BrokenPipe) {
        close(outputPipe[0]);
        outputPipe[0] = -1;
    }

    HostileResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    int status = 0;
    for (;;) {
        if (outputPipe[0] >= 0) {
            pollfd ready{outputPipe[0], POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                char buffer[4096];
                ssize_t got = read(outputPipe[0], buffer, sizeof buffer);
                if (got > 0) {
                    result.output.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                if (got == 0) {
                    close(outputPipe[0]);
                    outputPipe[0] = -1;
                }
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child && outputPipe[0] < 0) break;
        if (ended == child) {
            // Drain what is left in the pipe.
            char buffer[4096];
            ssize_t got;
            while ((got = read(outputPipe[0], buffer, sizeof buffer)) > 0) {
                result.output.append(buffer, static_cast<std::size_t>(got));
            }
            close(outputPipe[0]);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.hung = true;
            if (outputPipe[0] >= 0) close(outputPipe[0]);
            break;
        }
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}
