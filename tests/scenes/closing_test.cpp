// The end titles: animation frames and fades, keys ending one phase each, giant lettering.
#include "scenes/closing.h"

#include <utility>

#include "platform/console.h"
#include "platform/music.h"
#include "tests/scenes/scene_fixture.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;  // the reference screen: one unit, one pixel

// The frame being drawn at each master volume call.
struct VolumeLog : MusicObserver {
    explicit VolumeLog(HeadlessBackend* b) : backend(b) {}
    void OnLoad(const MusicSong*, const char*) override {}
    void OnPlay(const MusicSong*) override {}
    void OnStop(const MusicSong*) override {}
    void OnFree(const MusicSong*) override {}
    void OnMasterVolume(const MusicSong*, int volume) override {
        calls.emplace_back(backend->FramesShown(), volume);
    }
    HeadlessBackend* backend;
    std::vector<std::pair<int64_t, int>> calls;
};

class ClosingTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UseDisplay(kWidth, kHeight);
        UseClock(20);
        const PaletteBytes grey = GreyPalette();
        m_dir.Write("scn12.PAL", CompilePalette(grey.data()));
        // Frame i: 28 x 2, dark but columns 2i and 2i + 1, which shine at 0.4 and vanish at 0.
        for (int i = 0; i < kTitleFrames; ++i) {
            Picture pic(28, 2, grey, 0);
            for (int k = 0; k < 4; ++k) pic.At(2 * i + k / 2, k % 2) = 128;
            m_dir.Write("DATA/KARV" + std::to_string(i + 1) + ".TGA", EncodePicture(pic));
        }
        OnPresent([this](const uint16_t* p) { m_frames.emplace_back(p, p + kWidth * kHeight); });
        m_titles.Load();
    }
    void TearDown() override {
        m_titles.Release();
        MusicSetObserver(nullptr);
        ForceConsoleKey(false);
        while (KbHit()) ConsumeConsoleKey();
        SceneTest::TearDown();
    }
    // The animation frames lit: centred on (158, 114), frame i lights (144 + 2i, 113).
    std::vector<int> LitFrames(size_t shown) const {
        std::vector<int> lit;
        for (int i = 0; i < kTitleFrames; ++i)
            if (m_frames.at(shown)[113 * kWidth + 144 + 2 * i] != 0) lit.push_back(i);
        return lit;
    }
    bool All(size_t shown, uint16_t colour) const {
        const std::vector<uint16_t>& f = m_frames.at(shown);
        return std::all_of(f.begin(), f.end(), [&](uint16_t p) { return p == colour; });
    }

    CEndTitles m_titles;
    std::vector<std::vector<uint16_t>> m_frames;
};

}  // namespace

TEST_F(ClosingTest, TheAnimationShowsTheFrameOfItsStepTableAndTheMusicFadesFrom6To9) {
    VolumeLog log(m_backend);
    MusicSetObserver(&log);
    EXPECT_FALSE(m_titles.TitleAnimation(View()));
    // A black frame, then one frame every 1/20 s from 0.05 s up to 9.95 s.
    ASSERT_EQ(m_frames.size(), 200u);
    EXPECT_TRUE(All(0, 0));
    // The light rises over the first second: dimmer at 0.5 s than at 2 s.
    EXPECT_LT(m_frames[10][113 * kWidth + 164], m_frames[40][113 * kWidth + 164]);
    // Shown frame k is drawn at k / 20 s, and lights animation frame i ("KARV" i + 1) alone.
    const std::pair<size_t, int> lit[] = {
        {40, 10},  // 2 s: the first step's frame, "KARV11"
        {60, 10},  // 3.0 s: no step has started before it yet
        {62, 10},  // 3.1 s: the second step starts at, not before, 3.1
        {63, 9},   // 3.15 s: the next frame alone, the last one cleared
        {80, 1},  {81, 0}, {105, 13}, {111, 0}, {123, 12}, {125, 13}, {150, 0}};  // 7.5 s: fading
    for (const auto& [shown, frame] : lit) EXPECT_EQ(LitFrames(shown), std::vector{frame}) << shown;
    EXPECT_TRUE(All(199, 0));  // the fade ends in the dark
    // One volume call a frame after 6 s, trunc(2.95 / 3 x 256) first.
    ASSERT_EQ(log.calls.size(), 79u);
    EXPECT_EQ(log.calls[0].first, 121);
    EXPECT_EQ(log.calls[0].second, 251);
    EXPECT_EQ(log.calls[150 - 121].second, 128);  // 7.5 s
    for (const auto& [frame, volume] : log.calls) EXPECT_EQ(volume == 0, frame >= 180) << frame;
}

TEST_F(ClosingTest, TheFlashIsWhiteForOneSecondAndOneWindowKeyEndsOnePhase) {
    EXPECT_FALSE(m_titles.Flash(View()));
    ASSERT_EQ(m_frames.size(), 20u);
    for (size_t k = 0; k < 20; ++k) EXPECT_TRUE(All(k, 0xFFFF)) << k;
    m_frames.clear();
    m_backend->PushEvent(VideoEventType::KeyDown);
    EXPECT_TRUE(m_titles.Flash(View()));
    EXPECT_EQ(m_frames.size(), 1u);
    // The pictures run their 14 s in full: a black frame, then 0.05 .. 13.95 s.
    EXPECT_FALSE(m_titles.Pictures(View()));
    EXPECT_EQ(m_frames.size(), 1u + 1u + 279u);
    // A key during the pictures ends them and leaves the animation whole.
    m_backend->ScheduleEvent(m_backend->FramesShown() + 10, VideoEventType::KeyDown);
    EXPECT_TRUE(m_titles.Pictures(View()));
    const size_t before = m_frames.size();
    EXPECT_FALSE(m_titles.TitleAnimation(View()));
    EXPECT_EQ(m_frames.size() - before, 200u);
}

TEST_F(ClosingTest, AConsoleKeyIsTakenWhenItEndsAPhase) {
    PushConsoleKey();
    EXPECT_TRUE(m_titles.Flash(View()));
    EXPECT_FALSE(KbHit());
    EXPECT_FALSE(m_titles.Pictures(View()));
    EXPECT_EQ(m_frames.size(), 1u + 280u);
    // The last phase does not watch the console.
    PushConsoleKey();
    EXPECT_FALSE(m_titles.TitleAnimation(View()));
    EXPECT_TRUE(KbHit());
}

TEST_F(ClosingTest, TheLetteringIsDrawnWhileItIsHuge) {
    // A red bar 1000 wide, at 0.05 s zoomed 119 times: x = 2044 +- 59500, past 16.16 in 32 bits.
    PaletteBytes colours = GreyPalette();
    colours[3] = 255, colours[4] = 0, colours[5] = 0;
    m_dir.Write("DATA/END.TGA", EncodePicture(MakeFilled(1000, 1, colours, 1)));
    m_titles.Release();
    m_titles.Load();
    m_backend->ScheduleEvent(2, VideoEventType::KeyDown);
    EXPECT_TRUE(m_titles.Pictures(View()));
    ASSERT_EQ(m_frames.size(), 2u);
    // 119 rows tall around the middle, across the whole width.
    for (int x : {0, 160, 319}) EXPECT_EQ(m_frames[1][120 * kWidth + x], 0xF800) << x;
    EXPECT_EQ(m_frames[1][40 * kWidth + 160], 0);
}
