// Stop requests from outside: an interrupt (Ctrl-C) or a termination signal ends the whole
// show, not one scene.
#pragma once

// Catches SIGINT and SIGTERM from now on, unless another handler is already installed. The
// first one is recorded; a second of the same kind takes its default action, so a stuck
// program can still be stopped.
void InstallStopSignals();
// The signal number recorded, or 0.
int StopSignal();
// Forgets a recorded signal (tests).
void ClearStopSignal();
