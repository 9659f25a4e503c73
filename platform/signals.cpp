// Stop requests from outside, recorded by a signal handler and read by the show's loops.
#include "platform/signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void RecordStop(int signal) {
    g_stopSignal = signal;
}

}  // namespace

void InstallStopSignals() {
    struct sigaction action = {};
    action.sa_handler = RecordStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    // A handler someone else installed first (a tool driving the show) stays in charge.
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction old = {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_DFL &&
            !(old.sa_flags & SA_SIGINFO))
            sigaction(signal, &action, nullptr);
    }
}

int StopSignal() {
    return g_stopSignal;
}

void ClearStopSignal() {
    g_stopSignal = 0;
}
