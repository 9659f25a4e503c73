// karveld-capture: the show rendered headless to pictures, a video or a timing table.
#include <cstdio>
#include <string>

#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/common/output_file.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "karveld-capture: %s\n%s", error.c_str(), kCaptureUsage);
        return 2;
    }
    // A run that is interrupted leaves no temporary file and no folder it made behind.
    InstallOutputCleanup();
    return RunCapture(options);
}
