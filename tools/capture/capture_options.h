// Command line of the capture tool.
#pragma once

#include <string>
#include <vector>

struct CaptureOptions {
    int scene = 0;           // 0: the whole show; 1..15: stop when that slot ends
    std::vector<double> at;  // slot times to save (with scene)
    std::string out;         // a PNG file (one --at) or a folder
    std::string framesDir;   // every frame as numbered PNG
    std::string video;       // mp4 or webm through ffmpeg
    int fps = 60;
    int width = 640;
    int height = 480;
    bool eightBit = false;
    bool timedemo = false;
    bool testWorld = false;         // the test world instead of the show's slots
    double maxSlotSeconds = 600.0;  // a slot still running at this show time is ended
};

// Parses argv; false with a reason in *error when the arguments are not usable.
bool ParseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);

extern const char kCaptureUsage[];
