// The music layer: silent failures, observer calls, and the master volume on rendered audio.
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
    void TearDown() override {
        MusicSetObserver(nullptr);
        MusicDisableOutput(true);
    }
};

struct Recorder : MusicObserver {
    std::vector<std::string> calls;
    const MusicSong* last = nullptr;
    void Note(const std::string& what, const MusicSong* song) {
        calls.push_back(what);
        last = song;
    }
    void OnLoad(const MusicSong* s, const char* name) override {
        Note("load " + std::string(name), s);
    }
    void OnPlay(const MusicSong* s) override { Note("play", s); }
    void OnStop(const MusicSong* s) override { Note("stop", s); }
    void OnFree(const MusicSong* s) override { Note("free", s); }
    void OnMasterVolume(const MusicSong* s, int v) override {
        Note("volume " + std::to_string(v), s);
    }
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

TEST_F(MusicLayer, ObserverSeesEveryCallInOrder) {
    TempDir dir;
    std::string path = dir.Write("one.xm", WriteXm(OneNoteModule(XmNote(4, 0))));
    Recorder rec;
    MusicSetObserver(&rec);
    MusicSong* song = MusicLoad(path.c_str());
    ASSERT_NE(nullptr, song);
    EXPECT_EQ(song, rec.last);
    MusicPlay(song);
    MusicSetMasterVolume(song, 999);  // held to 256
    MusicStop(song);
    MusicFree(song);
    MusicLoad("not here.xm");
    EXPECT_EQ(nullptr, rec.last);
    MusicSetObserver(nullptr);
    MusicPlay(nullptr);
    const std::vector<std::string> want = {"load " + path, "play", "volume 256",
                                           "stop",         "free", "load not here.xm"};
    EXPECT_EQ(want, rec.calls);
}

TEST_F(MusicLayer, DummyDeviceMixesWhileTheShowCallsIn) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    MusicDisableOutput(false);
    MusicStart(44100);
    if (!MusicOutputOpen()) GTEST_SKIP() << "no audio driver available";
    MusicStart(44100);  // a second start changes nothing
    EXPECT_TRUE(MusicOutputOpen());
    TempDir dir;
    std::string path = dir.Write("one.xm", WriteXm(OneNoteModule(XmNote(4, 0))));
    MusicSong* first = MusicLoad(path.c_str());
    MusicSong* second = MusicLoad(path.c_str());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    MusicPlay(first);
    MusicPlay(second);
    for (int v = 256; v >= 0; v -= 16) MusicSetMasterVolume(second, v);
    MusicStop(first);
    MusicFree(first);
    MusicFree(second);
    MusicDisableOutput(true);
    EXPECT_FALSE(MusicOutputOpen());
    MusicDisableOutput(false);
    MusicStart(44100);
    EXPECT_TRUE(MusicOutputOpen());
}

}  // namespace
