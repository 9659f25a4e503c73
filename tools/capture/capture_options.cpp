// Command line of the capture tool.
#include "tools/capture/capture_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

const char kCaptureUsage[] =
    "usage: karveld-capture [options]   (run where KARVELD.DTF is)\n"
    "  --scene N        stop when slot N (1..15) ends; earlier slots end after one frame\n"
    "  --at T           with --scene: save the frame at slot time T seconds (repeatable)\n"
    "  --out PATH       a PNG file (one --at) or a folder for sNN-tT.png files\n"
    "  --frames DIR     every frame as DIR/frame-NNNNNN.png\n"
    "  --video FILE     the run as an mp4 or webm video (needs ffmpeg)\n"
    "  --fps N          frames per second of show time (default 60)\n"
    "  --size WxH       frame size from 64x48 to 800x600 (default 640x480)\n"
    "  --8bit           ask the display for the 8-bit palette mode\n"
    "  --timedemo       replay as fast as possible and print frame rates\n"
    "  --max-slot-seconds S  end a slot that runs past S seconds (default 600)\n"
    "  --test-world     run the test world instead of the show\n";

namespace {

bool ParseInt(const char* text, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < -1000000 || v > 1000000) return false;
    *value = static_cast<int>(v);
    return true;
}

bool ParseSeconds(const char* text, double* value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != 0 || !std::isfinite(v) || v < 0.0) return false;
    *value = v;
    return true;
}

}  // namespace

bool ParseCaptureOptions(int argc, char** argv, CaptureOptions* o, std::string* error) {
    *o = CaptureOptions{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&]() -> const char* { return argv[++i]; };
        if (arg == "--8bit") {
            o->eightBit = true;
        } else if (arg == "--timedemo") {
            o->timedemo = true;
        } else if (arg == "--test-world") {
            o->testWorld = true;
        } else if (!hasValue && (arg == "--scene" || arg == "--at" || arg == "--out" ||
                                 arg == "--frames" || arg == "--video" || arg == "--fps" ||
                                 arg == "--size" || arg == "--max-slot-seconds")) {
            *error = arg + " needs a value";
            return false;
        } else if (arg == "--scene") {
            if (!ParseInt(value(), &o->scene) || o->scene < 1 || o->scene > 15) {
                *error = "--scene takes a slot number from 1 to 15";
                return false;
            }
        } else if (arg == "--at") {
            double t = 0;
            if (!ParseSeconds(value(), &t)) {
                *error = "--at takes a time in seconds, 0 or more";
                return false;
            }
            o->at.push_back(t);
        } else if (arg == "--max-slot-seconds") {
            if (!ParseSeconds(value(), &o->maxSlotSeconds) || o->maxSlotSeconds <= 0.0) {
                *error = "--max-slot-seconds takes a time in seconds above 0";
                return false;
            }
        } else if (arg == "--out") {
            o->out = value();
        } else if (arg == "--frames") {
            o->framesDir = value();
        } else if (arg == "--video") {
            o->video = value();
        } else if (arg == "--fps") {
            if (!ParseInt(value(), &o->fps) || o->fps < 1 || o->fps > 1000) {
                *error = "--fps takes a whole number from 1 to 1000";
                return false;
            }
        } else if (arg == "--size") {
            const char* text = value();
            int w = 0, h = 0;
            char tail = 0;
            if (std::sscanf(text, "%dx%d%c", &w, &h, &tail) != 2 || w < 64 || h < 48 || w > 800 ||
                h > 600) {
                *error = "--size takes WxH from 64x48 to 800x600";
                return false;
            }
            o->width = w;
            o->height = h;
        } else {
            *error = "unknown argument " + arg;
            return false;
        }
    }
    if (!o->at.empty() && o->scene == 0 && !o->testWorld) {
        *error = "--at needs --scene";
        return false;
    }
    if (!o->at.empty() && o->out.empty()) {
        *error = "--at needs --out";
        return false;
    }
    if (o->timedemo && (!o->at.empty() || !o->framesDir.empty() || !o->video.empty())) {
        *error = "--timedemo writes no files";
        return false;
    }
    if (!o->video.empty()) {
        const size_t dot = o->video.rfind('.');
        const std::string ext = dot == std::string::npos ? "" : o->video.substr(dot);
        if (ext != ".mp4" && ext != ".webm") {
            *error = "--video writes .mp4 or .webm";
            return false;
        }
    }
    return true;
}
