// The main sequence: banner bytes, slot order, music calls, signals and a whole headless run.
// (A missing archive: the exit-code script.)
#include "app/sequence.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/music.h"
#include "platform/signals.h"
#include "platform/video.h"
#include "tests/support/support.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"
#include "tools/music/songs.h"

namespace {

std::string BannerText() {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    PrintBanner(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// Slots started, frames at each start, music calls by running slot; raises `signal` at `raiseAt`.
struct Log : ShowHooks, MusicObserver {
    HeadlessBackend* backend = nullptr;
    std::string started;
    std::vector<std::string> music;
    int slot = 0, raiseAt = 0, signal = 0;
    int64_t startFrame[17] = {};
    const MusicSong* lastLoaded = nullptr;
    void BeforeSlot(int number) override {
        slot = number;
        started += std::to_string(number) + " ";
        if (backend) startFrame[number] = backend->FramesShown();
        if (number == raiseAt) std::raise(signal);
    }
    std::function<bool(int)> after;  // whether the show goes on after a slot
    bool AfterSlotEnds(int number) override { return !after || after(number); }
    void Add(const std::string& what) { music.push_back(std::to_string(slot) + " " + what); }
    void OnLoad(const MusicSong* s, const char* name) override {
        lastLoaded = s;
        Add(std::string("load ") + name + (s != nullptr ? "" : " (none)"));
    }
    void OnPlay(const MusicSong*) override { Add("play"); }
    void OnStop(const MusicSong*) override { Add("stop"); }
    void OnFree(const MusicSong*) override { Add("free"); }
    void OnMasterVolume(const MusicSong*, int v) override { Add("volume " + std::to_string(v)); }
};

// Runs the show headless in `dir`, the smallest archive, a key down on the first `keys` frames.
int RunShow(const TempDir& dir, Log* log, int keys, std::string* out, ShowOptions options = {}) {
    dir.Write("KARVELD.DTF", MinimalArchive());
    ScopedWorkingDir cwd(dir.Path());
    HeadlessShow show(keys);
    log->backend = show.backend;
    options.hooks = log;
    MusicDisableOutput(true);
    MusicSetObserver(log);
    testing::internal::CaptureStdout();
    const int code = KarveldMain(options);
    *out = testing::internal::GetCapturedStdout();
    MusicSetObserver(nullptr);
    MusicFree(const_cast<MusicSong*>(log->lastLoaded));
    if (g_display.IsModeSet()) log->startFrame[16] = show.backend->FramesShown();
    return code;
}

}  // namespace

TEST(Banner, FramedLinesAreAll46CharactersAndTheUsageFollows) {
    const std::string text = BannerText();
    ASSERT_EQ(text.rfind("The End.\n\n", 0), 0u);
    size_t pos = 10;
    int framed = 0;
    for (; text.compare(pos, 8, "--------") == 0; ++framed) {
        const size_t end = text.find('\n', pos);
        ASSERT_EQ(end - pos + 1, 46u) << text.substr(pos, end - pos);
        EXPECT_EQ(text.compare(end - 9, 9, "---------"), 0);
        pos = end + 1;
    }
    EXPECT_EQ(framed, 15);  // 7 rules and headings, 8 credit lines
    EXPECT_EQ(text.rfind("Options :\n", pos), pos);
    EXPECT_EQ(text.substr(text.size() - 32), " Ex : KARVELD -x320 -y240 -b16.\n");
}

TEST(MainSequence, EveryKeyEndsOneSlotTheSongsSwitchAfterSlotFiveAndTheBannerFollows) {
    TempDir dir;
    for (const SongFile& song : kSongFiles) dir.Write(song.fileName, WriteXm(song.compose()));
    Log log;
    std::string out;
    EXPECT_EQ(RunShow(dir, &log, 100, &out), 0);
    EXPECT_EQ(out, BannerText());
    EXPECT_EQ(log.started, "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 ");
    ASSERT_GE(log.music.size(), 6u);  // and the closing slot's fade
    EXPECT_EQ(std::vector(log.music.begin(), log.music.begin() + 6),
              (std::vector<std::string>{"0 load dodovo5.xm", "0 play", "5 stop", "5 free",
                                        "5 load velmoria.xm", "5 play"}));
    for (size_t i = 6; i < log.music.size(); ++i)
        EXPECT_EQ(0u, log.music[i].rfind("15 volume", 0)) << log.music[i];
    // A key ends each slot (tunnel: 5 phases, closing: 3) after a frame, +1 for a present after.
    const int expected[15] = {2, 2, 1, 1, 2, 2, 1, 1, 1, 1, 5, 2, 2, 1, 3};
    for (int slot = 1; slot <= 15; ++slot)
        EXPECT_EQ(log.startFrame[slot + 1] - log.startFrame[slot], expected[slot - 1])
            << "slot " << slot;
    EXPECT_EQ(g_display.keyFlag, 0);
}

TEST(MainSequence, ASignalEndsTheWholeShowWithItsExitCode) {
    for (const auto& [signal, code] : {std::pair{SIGTERM, 143}, {SIGINT, 130}}) {
        TempDir dir;
        ClearStopSignal();
        Log log;
        log.raiseAt = 3;
        log.signal = signal;
        std::string out;
        EXPECT_EQ(RunShow(dir, &log, 0, &out), code);
        EXPECT_EQ(log.started, "1 2 3 ");     // no scene after the one interrupted
        EXPECT_EQ(out, "");                   // no banner
        EXPECT_FALSE(g_display.IsModeSet());  // the window is let go
    }
    ClearStopSignal();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    MusicDisableOutput(false);
}

// The warp and shade are made for the display's real frame size and depth.
TEST(MainSequence, TheTitleIsMadeForTheRealFrame) {
    for (int bits : {16, 8}) {
        TempDir dir;
        // A title of index 7 everywhere, orange in its palette and the scene's.
        std::vector<uint8_t> palette(768, 0);
        for (int i = 1; i < 256; ++i) palette[i * 3] = palette[i * 3 + 1] = static_cast<uint8_t>(i);
        palette[21] = 250, palette[22] = 140, palette[23] = 20;
        const std::vector<uint8_t> pixels(40 * 30, 7);
        dir.Write("DATA/DEFO.TGA", WriteTgaIndexed(40, 30, pixels.data(), palette.data()));
        dir.Write("scn3.PAL", CompilePalette(palette.data()));
        // Three pixels of the frame after the third slot (the title); the show ends there.
        Log log;
        std::vector<uint32_t> seen;
        log.after = [&](int slot) {
            const FrameDesc d = g_display.GetFrameDesc();
            const auto* f = static_cast<const uint8_t*>(g_display.GetFrame());
            for (int k : {0, (d.height / 2) * d.width + d.width / 2, d.width * d.height - 1})
                seen.push_back(d.bits == 8 ? f[k] : f[2 * k] | f[2 * k + 1] << 8);
            return slot != 3;
        };
        std::string out;
        ShowOptions options;
        options.width = 50, options.height = 37, options.bits = bits;
        // A hook can stop the show, without the banner; missing songs are silent.
        EXPECT_EQ(RunShow(dir, &log, 10, &out, options), 0);
        EXPECT_EQ(out, "");
        ASSERT_EQ(log.started, "1 2 3 ");
        EXPECT_EQ(log.music.at(0), "0 load dodovo5.xm (none)");
        // In 8 bits the unlit shade row keeps index 7.
        const uint32_t orange = bits == 8 ? 7u : g_display.PackRGB(250, 140, 20);
        EXPECT_EQ(std::vector<uint32_t>(seen.end() - 3, seen.end()),
                  std::vector<uint32_t>(3, orange));
    }
}
