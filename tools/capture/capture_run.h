// Runs the show (or the test world) headless on the fixed-step clock and captures frames.
#pragma once

#include "tools/capture/capture_options.h"

// Returns the process exit code: 0 on success, 1 on a failure (reported on standard error).
int RunCapture(const CaptureOptions& options);
