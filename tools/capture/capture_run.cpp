// Runs the real show code on the headless display with the fixed-step clock: frame k of a
// slot is at slot time k / fps, so every capture is reproducible frame for frame.
#include "tools/capture/capture_run.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/sequence.h"
#include "app/timer.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/music.h"
#include "platform/video.h"
#include "res/datafile.h"
#include "res/load_report.h"
#include "scenes/scenes.h"
#include "tools/capture/music_track.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/video_encoder.h"
#include "tools/common/output_file.h"

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr int kAudioRate = 44100;

namespace {

bool ProgramOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string TimeLabel(double t) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", t);
    return text;
}

struct SlotStats {
    int number = 0;
    std::vector<double> frameMs;
    double seconds = 0.0;
};

// Watches every presented frame and every slot boundary.
class Capture : public ShowHooks {
public:
    Capture(const CaptureOptions& options, HeadlessBackend* backend)
        : m_o(options), m_backend(backend), m_pending(options.at) {
        std::sort(m_pending.begin(), m_pending.end());
    }

    bool OpenVideo(std::string* error) {
        VideoFormat format;
        format.width = m_o.width;
        format.height = m_o.height;
        format.fps = m_o.fps;
        format.rgb24 = m_o.eightBit;
        return m_video.Start(m_o.video, format, error);
    }

    // False with a reason when ffmpeg failed; nothing of the video is left behind then.
    bool CloseVideo(const std::vector<MusicEvent>& music, std::string* error) {
        if (!m_video.Running()) return true;
        return m_video.Finish(music, m_videoFrames, kAudioRate, error);
    }

    // Where the --at pictures go: a folder (several times, or an existing folder) or a file.
    void SetOutFolder(bool folder) { m_outIsFolder = folder; }

    void BeforeSlot(int number) override {
        m_slot = number;
        m_slotStart = m_frameIndex;
        m_ending = false;
        m_failuresBefore = LoadFailures().size();
        m_lastFrame = SteadyClock::now();
        m_stats.push_back(SlotStats{number, {}, 0.0});
        // The whole show, and the slot asked for, play every phase to its end; only the
        // slots before the one asked for are cut short.
        if (m_o.scene != 0 && number < m_o.scene) {
            // Cut short: a key is pending after every frame, and the console has a key too
            // for the phases that watch it.
            m_cutting = true;
            ForceConsoleKey(true);
            m_backend->ClearEvents();
            m_backend->PushEvent(VideoEventType::KeyDown);
        } else {
            m_cutting = false;
            ForceConsoleKey(false);
            m_backend->ClearEvents();
            g_display.keyFlag = 0;  // a key meant for the slot before must not end this one
        }
    }

    bool AfterSlotEnds(int number) override {
        SlotStats& s = m_stats.back();
        for (double ms : s.frameMs) s.seconds += ms / 1000.0;
        return !(m_o.scene != 0 && number == m_o.scene);
    }

    void OnFrame(const void* frame, const uint8_t* palette) {
        const int64_t k = m_frameIndex - m_slotStart;
        ++m_frameIndex;
        if (EndingSlot(k)) return;
        if (m_o.timedemo && !m_stats.empty()) {
            const auto now = SteadyClock::now();
            m_stats.back().frameMs.push_back(
                std::chrono::duration<double, std::milli>(now - m_lastFrame).count());
            m_lastFrame = now;
        }
        if (m_cutting) {
            m_backend->PushEvent(VideoEventType::KeyDown);
            if (m_o.scene != 0) return;
        }
        const bool inTarget = m_o.scene == 0 || m_slot == m_o.scene || m_o.testWorld;
        if (!inTarget) return;
        const FrameDesc desc = g_display.GetFrameDesc();
        bool converted = false;
        auto rgb = [&]() -> const uint8_t* {
            if (!converted) FrameToRgb24(frame, desc, palette, &m_rgb);
            converted = true;
            return m_rgb.data();
        };
        while (!m_pending.empty() && static_cast<double>(k) / m_o.fps >= m_pending.front()) {
            const double t = m_pending.front();
            m_pending.erase(m_pending.begin());
            std::string path = m_o.out;
            if (m_outIsFolder) {
                char name[80];
                std::snprintf(name, sizeof name, "s%02d-t%s.png", m_slot, TimeLabel(t).c_str());
                path = (fs::path(m_o.out) / name).string();
            }
            std::string why;
            if (!WritePngRgb(path, rgb(), desc.width, desc.height, &why)) Fail(why);
        }
        if (inTarget && !m_o.at.empty() && m_pending.empty() && OnlyPictures()) EndSlot();
        if (!m_o.framesDir.empty()) {
            char name[40];
            std::snprintf(name, sizeof name, "frame-%06lld.png",
                          static_cast<long long>(m_savedFrames++));
            const std::string path = (fs::path(m_o.framesDir) / name).string();
            std::string why;
            if (!WritePngRgb(path, rgb(), desc.width, desc.height, &why)) Fail(why);
        }
        if (m_video.Running()) {
            const size_t bytes = m_o.eightBit ? static_cast<size_t>(desc.width) * desc.height * 3
                                              : static_cast<size_t>(desc.width) * desc.height * 2;
            const void* data = m_o.eightBit ? static_cast<const void*>(rgb()) : frame;
            m_video.WriteFrame(data, bytes);
            ++m_videoFrames;
        }
    }

    // The files of the chosen slot that exist but did not load, for the message that its
    // frames were missed.
    std::string SlotLoadFailures() const {
        std::string text;
        const std::vector<std::string>& all = LoadFailures();
        for (size_t i = std::min(m_failuresBefore, all.size()); i < all.size(); ++i)
            text += (text.empty() ? "" : ", ") + all[i];
        return text;
    }

    void Fail(const std::string& message) {
        if (m_error.empty()) m_error = message;
    }

    const std::string& Error() const { return m_error; }
    const std::vector<double>& MissedTimes() const { return m_pending; }
    int Slot() const { return m_slot; }
    const std::vector<SlotStats>& Stats() const { return m_stats; }
    int64_t Frames() const { return m_frameIndex; }
    int64_t VideoFrames() const { return m_videoFrames; }

private:
    // Nothing but --at pictures was asked for: the run can end once the last one is saved.
    bool OnlyPictures() const {
        return m_o.framesDir.empty() && m_o.video.empty() && !m_o.timedemo;
    }

    // Ends the slot that is running: a key after every frame, and one on the console for the
    // phases that watch it, until the slot returns.
    void EndSlot() {
        m_ending = true;
        ForceConsoleKey(true);
        m_backend->PushEvent(VideoEventType::KeyDown);
    }

    // True while the slot is being ended (frame k of it is not kept). A slot still running
    // past the show-time limit is ended with a warning naming it.
    bool EndingSlot(int64_t k) {
        if (!m_ending && !m_cutting && static_cast<double>(k) / m_o.fps > m_o.maxSlotSeconds) {
            std::fprintf(stderr,
                         "karveld-capture: warning: slot %d still running after %s s of show "
                         "time; ended there\n",
                         m_slot, TimeLabel(m_o.maxSlotSeconds).c_str());
            EndSlot();
        }
        if (!m_ending) return false;
        m_backend->PushEvent(VideoEventType::KeyDown);
        return true;
    }

    const CaptureOptions& m_o;
    HeadlessBackend* m_backend;
    std::vector<double> m_pending;
    int m_slot = 0;
    int64_t m_frameIndex = 0;
    int64_t m_slotStart = 0;
    int64_t m_savedFrames = 0;
    bool m_cutting = false;
    std::vector<uint8_t> m_rgb;
    CVideoEncoder m_video;
    int64_t m_videoFrames = 0;  // frames handed to ffmpeg: the soundtrack's clock
    bool m_outIsFolder = false;
    bool m_ending = false;  // the slot is being ended early: keys until it returns
    size_t m_failuresBefore = 0;
    std::string m_error;
    std::vector<SlotStats> m_stats;
    SteadyClock::time_point m_lastFrame;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t i =
        std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
    return values[i];
}

// Milliseconds to clear one frame of the chosen size: the floor under every frame time.
double BaselineMs(int width, int height, int bytesPerPixel) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * bytesPerPixel);
    const int rounds = 200;
    const auto begin = SteadyClock::now();
    for (int i = 0; i < rounds; ++i) {
        std::memset(frame.data(), i & 0xFF, frame.size());
        asm volatile("" : : "r"(frame.data()) : "memory");  // keep every clear
    }
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - begin).count() / rounds;
}

void PrintTimedemo(const Capture& capture, const CaptureOptions& o) {
    int64_t frames = 0;
    double seconds = 0.0;
    for (const SlotStats& s : capture.Stats()) {
        const size_t n = s.frameMs.size();
        frames += static_cast<int64_t>(n);
        seconds += s.seconds;
        std::printf("slot %2d: %6zu frames %8.3f s %9.1f fps  median %7.3f ms  p99 %7.3f ms\n",
                    s.number, n, s.seconds, s.seconds > 0 ? n / s.seconds : 0.0,
                    Percentile(s.frameMs, 0.5), Percentile(s.frameMs, 0.99));
    }
    std::printf("baseline %.3f ms\n", BaselineMs(o.width, o.height, o.eightBit ? 1 : 2));
    std::printf("total %lld frames %.3f s %.1f fps\n", static_cast<long long>(frames), seconds,
                seconds > 0 ? frames / seconds : 0.0);
}

}  // namespace

namespace {

// Checks every place the run will write before anything is rendered, and creates the
// folders it needs (they go again at the end if nothing was written into them).
bool PrepareOutputs(const CaptureOptions& o, COutputFolder* outFolder, COutputFolder* framesFolder,
                    bool* outIsFolder, std::string* error) {
    *outIsFolder = false;
    if (!o.framesDir.empty() && !framesFolder->Prepare(o.framesDir, error)) return false;
    if (o.out.empty()) return true;
    OutputTarget target;
    if (!ResolveOutputTarget(o.out, &target, error)) return false;
    if (o.at.size() > 1 || target.kind == OutputTarget::kFolder) {
        *outIsFolder = true;
        return outFolder->Prepare(o.out, error);
    }
    if (target.kind == OutputTarget::kSpecial) return true;
    std::string why;
    if (!CheckFolderWritable(FolderOf(target.path), &why)) {
        *error = "cannot write " + o.out + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

int RunCapture(const CaptureOptions& o) {
    if (!o.video.empty() && !ProgramOnPath("ffmpeg")) {
        std::fprintf(stderr,
                     "karveld-capture: ffmpeg is not installed (Debian package ffmpeg); "
                     "no video written\n");
        return 1;
    }
    COutputFolder outFolder, framesFolder;
    bool outIsFolder = false;
    std::string error;
    if (!PrepareOutputs(o, &outFolder, &framesFolder, &outIsFolder, &error)) {
        std::fprintf(stderr, "karveld-capture: %s\n", error.c_str());
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg shows up as a failed write
    // Keys come only from the capture itself, where it cuts a slot short: a terminal's
    // typing must not end a phase of the replay.
    if (isatty(STDIN_FILENO)) (void)std::freopen("/dev/null", "r", stdin);

    auto backendOwner = std::make_unique<HeadlessBackend>();
    HeadlessBackend* backend = backendOwner.get();
    g_display.UseBackend(std::move(backendOwner));
    FixedStepClock clock(o.fps);
    g_timer.UseClock(&clock);
    MusicDisableOutput(true);

    Capture capture(o, backend);
    capture.SetOutFolder(outIsFolder);
    // Music calls land on the video frame they happened after.
    MusicTrackRecorder music([&capture] { return capture.VideoFrames(); });
    if (!o.video.empty()) MusicSetObserver(&music);
    backend->SetSink([&](const void* frame, int, int, int, const uint8_t* palette) {
        capture.OnFrame(frame, palette);
    });
    if (!o.video.empty() && !capture.OpenVideo(&error)) {
        MusicSetObserver(nullptr);
        g_timer.UseClock(nullptr);
        std::fprintf(stderr, "karveld-capture: %s\n", error.c_str());
        return 1;
    }

    ShowOptions show;
    show.width = o.width;
    show.height = o.height;
    show.bits = o.eightBit ? 8 : 16;
    show.fullScreen = 0;
    show.hooks = &capture;
    int result = 0;
    if (o.testWorld) {
        std::string why;
        if (!g_archive.Open("KARVELD.DTF", &why)) {
            std::printf("KARVELD.DTF not found.\n");
            std::fflush(stdout);
            if (!why.empty())
                std::fprintf(stderr, "karveld-capture: KARVELD.DTF: %s\n", why.c_str());
            result = -1;
        } else if (!g_display.InitWindow() ||
                   !g_display.SetMode(show.width, show.height, show.bits, 0)) {
            std::fprintf(stderr, "karveld-capture: cannot set the mode\n");
            result = 1;
        } else {
            capture.BeforeSlot(1);
            SceneTestWorld(MakeShowFrameView());
            capture.AfterSlotEnds(1);
        }
    } else {
        result = KarveldMain(show);
    }
    MusicSetObserver(nullptr);
    std::string videoError;
    const bool videoOk = result == 0 && capture.CloseVideo(music.Events(), &videoError);
    g_timer.UseClock(nullptr);
    if (result != 0) return 1;
    if (!videoOk) {
        std::fprintf(stderr, "karveld-capture: %s\n", videoError.c_str());
        return 1;
    }
    if (!capture.Error().empty()) {
        std::fprintf(stderr, "karveld-capture: %s\n", capture.Error().c_str());
        return 1;
    }
    if (!capture.MissedTimes().empty()) {
        const std::string failed = capture.SlotLoadFailures();
        std::fprintf(stderr, "karveld-capture: slot %d ended before %s s%s%s\n", capture.Slot(),
                     TimeLabel(capture.MissedTimes().front()).c_str(),
                     failed.empty() ? "" : "; files that did not load: ", failed.c_str());
        return 1;
    }
    if (o.timedemo) PrintTimedemo(capture, o);
    if (!o.video.empty()) std::fprintf(stderr, "karveld-capture: wrote %s\n", o.video.c_str());
    return 0;
}
