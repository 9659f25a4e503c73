// Stop requests from outside, recorded by a signal handler and read by the show's loops.
#include "platform/signals.h"

#include <csignal>

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
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() {
    return g_stopSignal;
}

void ClearStopSignal() {
    g_stopSignal = 0;
}
