#include "calibrationrun.hpp"

#include "failure.hpp"

#include <cerrno>
#include <unistd.h>

void pauseForReturn() {
    // Up to a carriage return or line feed, or the end of input.
    char c = 0;
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0) {
            if (errno == EINTR) continue;
            raiseIoFailure(errno);
        }
        if (got == 0 || c == '\r' || c == '\n') return;
    }
}
