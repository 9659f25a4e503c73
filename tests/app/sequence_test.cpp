// The main sequence: banner bytes, slot order, and a whole headless run.
#include "app/sequence.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/timer.h"
#include "platform/clock.h"
#include "platform/music.h"
#include "platform/signals.h"
#include "platform/video.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

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
}  // namespace

TEST(Banner, FramedLinesAreAll46CharactersAndUsageIsExact) {
    const std::string text = BannerText();
    ASSERT_EQ(text.rfind("The End.\n\n", 0), 0u);
    size_t pos = 10;
    int framed = 0;
    while (text.compare(pos, 8, "--------") == 0) {
        const size_t end = text.find('\n', pos);
        ASSERT_EQ(end - pos + 1, 46u) << text.substr(pos, end - pos);
        EXPECT_EQ(text.compare(end - 9, 9, "---------"), 0);
        pos = end + 1;
        ++framed;
    }
    EXPECT_EQ(framed, 15);  // 7 rules and headings, 8 credit lines
    EXPECT_NE(text.find("--------          KARVELD           ---------\n"), std::string::npos);
    EXPECT_NE(text.find("--------        Version 0.8         ---------\n"), std::string::npos);
    EXPECT_EQ(text.substr(pos),
              "Options :\n"
              " -ns : No Sound.(if you don't have a compatible sound card).\n"
              " -xnnn : Screen Width.\n"
              " -ynnn : Screen Height.\n"
              " -bnn : Screen Depth.\n"
              " Ex : KARVELD -x320 -y240 -b16.\n");
}

TEST(MainSequence, MissingArchiveReturnsMinusOneWithoutAWindow) {
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    g_display.Reset();
    auto backend = std::make_unique<HeadlessBackend>();
    HeadlessBackend* raw = backend.get();
    g_display.UseBackend(std::move(backend));
    testing::internal::CaptureStdout();
    EXPECT_EQ(KarveldMain(ShowOptions{}), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KARVELD.DTF not found.\n");
    EXPECT_EQ(raw->FramesShown(), 0);
}

namespace {
class CountingHooks : public ShowHooks {
public:
    explicit CountingHooks(HeadlessBackend* backend = nullptr) : m_backend(backend) {}
    void BeforeSlot(int number) override {
        started += std::to_string(number) + " ";
        if (m_backend) startFrame[number] = m_backend->FramesShown();
    }
    bool AfterSlotEnds(int number) override { return number < stopAfter; }
    std::string started;
    int stopAfter = 99;
    int64_t startFrame[17] = {};

private:
    HeadlessBackend* m_backend;
};
}  // namespace

TEST(MainSequence, EveryKeyEndsOneSlotAndTheBannerFollows) {
    TempDir dir;
    // Magic, one member "A" of size 0 whose stream is a zero length.
    dir.Write("KARVELD.DTF", {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                              0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0});
    ScopedWorkingDir cwd(dir.Path());
    g_display.Reset();
    auto backend = std::make_unique<HeadlessBackend>();
    HeadlessBackend* raw = backend.get();
    // A key goes down on every frame: each slot shows one frame and ends.
    for (int f = 0; f < 100; ++f) raw->ScheduleEvent(f, VideoEventType::KeyDown);
    g_display.UseBackend(std::move(backend));
    FixedStepClock clock(60);
    g_timer.UseClock(&clock);
    CountingHooks hooks(raw);
    // The slots started when each song is loaded: the second one after slot 5.
    struct SongLoads : MusicObserver {
        const CountingHooks* hooks;
        std::vector<std::string> at;
        void OnLoad(const MusicSong*, const char* name) override {
            at.push_back(std::string(name) + " after " + hooks->started);
        }
        void OnPlay(const MusicSong*) override {}
        void OnStop(const MusicSong*) override {}
        void OnFree(const MusicSong*) override {}
        void OnMasterVolume(const MusicSong*, int) override {}
    } songs;
    songs.hooks = &hooks;
    MusicSetObserver(&songs);
    ShowOptions options;
    options.hooks = &hooks;
    testing::internal::CaptureStdout();
    EXPECT_EQ(KarveldMain(options), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    MusicSetObserver(nullptr);
    g_timer.UseClock(nullptr);
    EXPECT_EQ(out, BannerText());
    EXPECT_EQ(hooks.started, "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 ");
    EXPECT_EQ(songs.at, (std::vector<std::string>{"dodovo5.xm after ",
                                                  "velmoria.xm after 1 2 3 4 5 "}));
    // A key ends each slot, or each phase of the tunnel's five and of the closing's three,
    // after one frame; the slots with a present after them show one more. Without its data
    // the fire dome shows only its white frame.
    hooks.startFrame[16] = raw->FramesShown();
    const int expected[15] = {2, 2, 1, 1, 2, 2, 1, 1, 1, 1, 5, 2, 2, 1, 3};
    for (int slot = 1; slot <= 15; ++slot)
        EXPECT_EQ(hooks.startFrame[slot + 1] - hooks.startFrame[slot], expected[slot - 1])
            << "slot " << slot;
    EXPECT_EQ(g_display.keyFlag, 0);
}

TEST(MainSequence, HooksCanStopTheShowWithoutTheBanner) {
    TempDir dir;
    dir.Write("KARVELD.DTF", {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                              0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0});
    ScopedWorkingDir cwd(dir.Path());
    UseHeadlessDisplay(64, 48);
    g_display.Reset();
    auto backend = std::make_unique<HeadlessBackend>();
    g_display.UseBackend(std::move(backend));
    FixedStepClock clock(60);
    g_timer.UseClock(&clock);
    CountingHooks hooks;
    hooks.stopAfter = 2;
    ShowOptions options;
    options.hooks = &hooks;
    options.width = 64;
    options.height = 48;
    testing::internal::CaptureStdout();
    EXPECT_EQ(KarveldMain(options), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    g_timer.UseClock(nullptr);
    EXPECT_EQ(hooks.started, "1 2 ");
}

namespace {
// Raises a signal when the given slot starts.
class SignalHooks : public CountingHooks {
public:
    SignalHooks(int slot, int signal) : m_slot(slot), m_signal(signal) {}
    void BeforeSlot(int number) override {
        CountingHooks::BeforeSlot(number);
        if (number == m_slot) std::raise(m_signal);
    }

private:
    int m_slot, m_signal;
};
}  // namespace

TEST(MainSequence, ASignalEndsTheWholeShowWithItsExitCode) {
    TempDir dir;
    dir.Write("KARVELD.DTF", {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                              0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0});
    ScopedWorkingDir cwd(dir.Path());
    const struct {
        int signal, code;
    } cases[] = {{SIGTERM, 143}, {SIGINT, 130}};
    for (const auto& c : cases) {
        ClearStopSignal();
        g_display.Reset();
        auto backend = std::make_unique<HeadlessBackend>();
        HeadlessBackend* raw = backend.get();
        g_display.UseBackend(std::move(backend));
        FixedStepClock clock(60);
        g_timer.UseClock(&clock);
        SignalHooks hooks(3, c.signal);
        ShowOptions options;
        options.hooks = &hooks;
        testing::internal::CaptureStdout();
        const int code = KarveldMain(options);
        const std::string out = testing::internal::GetCapturedStdout();
        g_timer.UseClock(nullptr);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(hooks.started, "1 2 3 ");  // no scene after the one interrupted
        EXPECT_EQ(out, "");                   // no banner
        EXPECT_FALSE(g_display.IsModeSet());  // the window is let go
        (void)raw;
    }
    ClearStopSignal();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    MusicDisableOutput(false);
}

namespace {
// Reads the frame after a slot: the title the third slot showed.
class FrameAfterSlot : public ShowHooks {
public:
    bool AfterSlotEnds(int number) override {
        if (number != 3) return true;
        const FrameDesc d = g_display.GetFrameDesc();
        const uint8_t* f = static_cast<const uint8_t*>(g_display.GetFrame());
        const int bytes = d.bits == 8 ? 1 : 2;
        for (int k : {0, (d.height / 2) * d.width + d.width / 2, d.width * d.height - 1}) {
            uint32_t v = f[k * bytes];
            if (bytes == 2) v |= static_cast<uint32_t>(f[k * bytes + 1]) << 8;
            pixels.push_back(v);
        }
        return false;
    }
    std::vector<uint32_t> pixels;
};
}  // namespace

// The warp and the shade are made for the frame the display really has, in its depth: the
// third slot's first frame is the title in the picture's colours, at any size.
TEST(MainSequence, TheTitleIsMadeForTheRealFrame) {
    for (int bits : {16, 8}) {
        TempDir dir;
        dir.Write("KARVELD.DTF", {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                                  0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0});
        // A title of index 7 everywhere, orange in its palette and in the scene's.
        std::vector<uint8_t> palette(768, 0);
        for (int i = 1; i < 256; ++i) palette[i * 3] = palette[i * 3 + 1] = static_cast<uint8_t>(i);
        palette[21] = 250;
        palette[22] = 140;
        palette[23] = 20;
        const std::vector<uint8_t> pixels(40 * 30, 7);
        dir.Write("DATA/DEFO.TGA", WriteTgaIndexed(40, 30, pixels.data(), palette.data()));
        dir.Write("scn3.PAL", CompilePalette(palette.data()));
        ScopedWorkingDir cwd(dir.Path());
        g_display.Reset();
        auto backend = std::make_unique<HeadlessBackend>();
        HeadlessBackend* raw = backend.get();
        for (int f = 0; f < 10; ++f) raw->ScheduleEvent(f, VideoEventType::KeyDown);
        g_display.UseBackend(std::move(backend));
        FixedStepClock clock(60);
        g_timer.UseClock(&clock);
        FrameAfterSlot hooks;
        ShowOptions options;
        options.hooks = &hooks;
        options.width = 50;
        options.height = 37;
        options.bits = bits;
        EXPECT_EQ(KarveldMain(options), 0);
        g_timer.UseClock(nullptr);
        ASSERT_EQ(hooks.pixels.size(), 3u);
        const uint32_t orange = bits == 8 ? static_cast<uint32_t>(g_shade8[kShadeUnlit * 256 + 7])
                                          : g_display.PackRGB(250, 140, 20);
        if (bits == 8) {
            EXPECT_EQ(orange, 7u);
        }
        for (uint32_t p : hooks.pixels) EXPECT_EQ(p, orange) << bits;
    }
}
