// The show's music calls: the first song from the start, the switch after slot 5, and
// a show that goes on when the songs are missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/display.h"
#include "app/sequence.h"
#include "app/timer.h"
#include "platform/clock.h"
#include "platform/music.h"
#include "platform/video.h"
#include "tests/support/support.h"
#include "tools/music/songs.h"

namespace {

// Every music call, tagged with the slot that was running (0 before the first).
struct CallLog : MusicObserver, ShowHooks {
    std::vector<std::string> calls;
    int slot = 0;
    const MusicSong* lastLoaded = nullptr;
    void Add(const std::string& what) { calls.push_back(std::to_string(slot) + " " + what); }
    void OnLoad(const MusicSong* s, const char* name) override {
        lastLoaded = s;
        Add(std::string("load ") + name + (s != nullptr ? "" : " (none)"));
    }
    void OnPlay(const MusicSong*) override { Add("play"); }
    void OnStop(const MusicSong*) override { Add("stop"); }
    void OnFree(const MusicSong*) override { Add("free"); }
    void OnMasterVolume(const MusicSong*, int v) override { Add("volume " + std::to_string(v)); }
    void BeforeSlot(int number) override { slot = number; }
};

// Runs the whole show headless, every slot ended by a key at once.
void RunShow(const TempDir& dir, CallLog* log) {
    // The smallest archive: magic, one member "A" whose stream has length 0.
    dir.Write("KARVELD.DTF", {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                              0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0});
    ScopedWorkingDir cwd(dir.Path());
    g_display.Reset();
    auto backend = std::make_unique<HeadlessBackend>();
    for (int f = 0; f < 100; ++f) backend->ScheduleEvent(f, VideoEventType::KeyDown);
    g_display.UseBackend(std::move(backend));
    FixedStepClock clock(60);
    g_timer.UseClock(&clock);
    MusicDisableOutput(true);
    MusicSetObserver(log);
    ShowOptions options;
    options.hooks = log;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, KarveldMain(options));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("The End."));
    MusicSetObserver(nullptr);
    g_timer.UseClock(nullptr);
    // The show leaves its last song playing for the process to end; the test frees it.
    MusicFree(const_cast<MusicSong*>(log->lastLoaded));
}

TEST(ShowMusic, FirstSongAtStartSecondAfterSlotFive) {
    TempDir dir;
    for (const SongFile& song : kSongFiles) dir.Write(song.fileName, WriteXm(song.compose()));
    CallLog log;
    RunShow(dir, &log);
    const std::vector<std::string> want = {"0 load dodovo5.xm",  "0 play", "5 stop", "5 free",
                                           "5 load velmoria.xm", "5 play"};
    // The closing slot may add its fade; what comes before it is fixed.
    ASSERT_GE(log.calls.size(), want.size());
    EXPECT_EQ(want, std::vector<std::string>(log.calls.begin(), log.calls.begin() + 6));
    for (size_t i = want.size(); i < log.calls.size(); ++i)
        EXPECT_EQ(0u, log.calls[i].rfind("15 volume", 0)) << log.calls[i];
}

TEST(ShowMusic, MissingSongsAreSilentAndTheShowGoesOn) {
    TempDir dir;
    CallLog log;
    RunShow(dir, &log);
    ASSERT_GE(log.calls.size(), 6u);
    EXPECT_EQ("0 load dodovo5.xm (none)", log.calls[0]);
    EXPECT_EQ("5 load velmoria.xm (none)", log.calls[4]);
}

}  // namespace
