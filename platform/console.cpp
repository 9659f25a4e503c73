// Console key test on a POSIX terminal: a zero-timeout poll of standard input.
#include "platform/console.h"

#include <poll.h>
#include <unistd.h>

namespace {
bool g_forcedKey = false;
}

void ForceConsoleKey(bool pressed) {
    g_forcedKey = pressed;
}

bool KbHit() {
    if (g_forcedKey) return true;
    if (!isatty(STDIN_FILENO)) return false;  // a pipe, a file or nothing: never a key
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0) return false;
    // A hang-up without data is the end of the terminal, not a key.
    return (fd.revents & POLLIN) != 0;
}
