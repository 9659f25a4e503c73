// Console key test on a POSIX terminal: a zero-timeout poll of standard input.
#include "platform/console.h"

#include <poll.h>
#include <unistd.h>

namespace {
bool g_forcedKey = false;
int g_pushedKeys = 0;

bool TerminalHasInput() {
    if (!isatty(STDIN_FILENO)) return false;  // a pipe, a file or nothing: never a key
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0) return false;
    // A hang-up without data is the end of the terminal, not a key.
    return (fd.revents & POLLIN) != 0;
}
}  // namespace

void ForceConsoleKey(bool pressed) {
    g_forcedKey = pressed;
}

void PushConsoleKey() {
    ++g_pushedKeys;
}

void ConsumeConsoleKey() {
    if (g_pushedKeys > 0) {
        --g_pushedKeys;
        return;
    }
    if (g_forcedKey) return;
    char bytes[64];
    // Bounded: a terminal that keeps answering cannot hold the show.
    for (int round = 0; round < 16 && TerminalHasInput(); ++round)
        if (read(STDIN_FILENO, bytes, sizeof bytes) <= 0) break;
}

bool KbHit() {
    if (g_forcedKey || g_pushedKeys > 0) return true;
    return TerminalHasInput();
}
