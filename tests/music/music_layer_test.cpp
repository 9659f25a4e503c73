// The music layer: silent failures, the volume scale and the output device (observer calls
// are checked through the capture's recorder).
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/music.h"
#include "tests/music/audio_check.h"
#include "tests/support/support.h"

namespace {

// Keeps the callback out of the way: the tests render songs themselves.
class MusicLayer : public ::testing::Test {
protected:
    void SetUp() override { MusicDisableOutput(true); }
    void TearDown() override { MusicDisableOutput(true); }
};

TEST_F(MusicLayer, VolumeMapsToMillibels) {
    // Half the amplitude is -6.02 dB; nothing is no level at all; above 256 is held.
    const int cases[][2] = {{256, 0},       {128, -602},     {64, -1204}, {1, -4816},
                            {0, INT32_MIN}, {-5, INT32_MIN}, {300, 0}};
    for (const auto& c : cases) EXPECT_EQ(c[1], MusicVolumeToMillibel(c[0])) << c[0];
}

TEST_F(MusicLayer, MissingOrBrokenFilesGiveNullAndEveryCallAcceptsIt) {
    TempDir dir;
    std::vector<uint8_t> cut = WriteXm(OneNoteModule(XmNote(4, 0)));
    cut.resize(40);
    for (const std::string& name :
         {dir.Path() + "/absent.xm", dir.Write("empty.xm", {}), dir.Write("cut.xm", cut),
          dir.Write("garbage.xm", std::vector<uint8_t>(500, 0x5A))})
        EXPECT_EQ(nullptr, MusicLoad(name.c_str())) << name;
    EXPECT_EQ(nullptr, MusicLoad(nullptr));
    MusicPlay(nullptr);
    MusicSetMasterVolume(nullptr, 100);
    MusicStop(nullptr);
    MusicFree(nullptr);
    float out[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(0, MusicRender(nullptr, 44100, out, 4));
    for (float v : out) EXPECT_EQ(0.0f, v);
}

TEST_F(MusicLayer, DummyDeviceMixesWhileTheShowCallsIn) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    MusicDisableOutput(false);
    MusicStart(44100);
    if (!MusicOutputOpen()) GTEST_SKIP() << "no audio driver available";
    MusicStart(44100);  // a second start changes nothing
    EXPECT_TRUE(MusicOutputOpen());
    TempDir dir;
    MusicSong* song = MusicLoad(dir.Write("one.xm", WriteXm(OneNoteModule(XmNote(4, 0)))).c_str());
    ASSERT_NE(song, nullptr);
    MusicPlay(song);
    for (int v = 256; v >= 0; v -= 16) MusicSetMasterVolume(song, v);
    MusicFree(song);
    MusicDisableOutput(true);
    EXPECT_FALSE(MusicOutputOpen());
    MusicDisableOutput(false);
    MusicStart(44100);
    EXPECT_TRUE(MusicOutputOpen());
}

}  // namespace
