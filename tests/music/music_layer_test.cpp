// The music layer and the capture's soundtrack: calls land on their frames and render there.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/music.h"
#include "tests/music/audio_check.h"
#include "tests/support/support.h"
#include "tools/capture/music_track.h"

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

TEST_F(MusicLayer, DummyDeviceOpensOnceAndClosesWhenOutputIsDisabled) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    MusicDisableOutput(false);
    MusicStart(44100);
    if (!MusicOutputOpen()) GTEST_SKIP() << "no audio driver available";
    MusicStart(44100);  // a second start changes nothing
    EXPECT_TRUE(MusicOutputOpen());
    MusicDisableOutput(true);
    EXPECT_FALSE(MusicOutputOpen());
}

std::vector<float> Slice(const std::vector<int16_t>& pcm, double from, double to) {
    std::vector<float> out;
    for (size_t i = static_cast<size_t>(from * 44100) * 2; i < static_cast<size_t>(to * 44100) * 2;
         ++i)
        out.push_back(pcm[i] / 32767.0f);
    return out;
}

// The recorder is the music layer's observer: it sees every call, in order, until removed.
TEST(MusicTrack, RecordsCallsOnTheirFramesWithSongNumbers) {
    TempDir dir;
    std::string path = dir.Write("a.xm", WriteXm(OneNoteModule(XmNote(4, 9))));
    int64_t frame = 0;
    MusicTrackRecorder rec([&frame] { return frame; });
    MusicDisableOutput(true);
    MusicSetObserver(&rec);
    MusicSong* a = MusicLoad(path.c_str());
    frame = 10;
    MusicPlay(a);
    MusicSong* missing = MusicLoad("no such song.xm");
    MusicPlay(missing);
    frame = 20;
    MusicSetMasterVolume(a, 999);  // held to 256
    MusicSetMasterVolume(a, 64);
    MusicFree(a);
    MusicSong* b = MusicLoad(path.c_str());  // may reuse a's address: a new number all the same
    MusicPlay(b);
    MusicSetObserver(nullptr);
    MusicFree(b);

    // Frame, kind, song number (-1 for the missing song) and volume of every call.
    std::vector<std::string> got;
    for (const MusicEvent& e : rec.Events())
        got.push_back(std::to_string(e.frame) + " " + std::to_string(e.kind) + " " +
                      std::to_string(e.song) + " " + std::to_string(e.volume));
    EXPECT_EQ(got, (std::vector<std::string>{"0 0 0 256", "10 1 0 256", "10 0 -1 256",
                                             "10 1 -1 256", "20 4 0 256", "20 4 0 64", "20 3 0 256",
                                             "20 0 1 256", "20 1 1 256"}));
    EXPECT_EQ(path, rec.Events()[0].path);
}

TEST(MusicTrack, RendersEachCallAtItsFrameAndMissingSongsAsSilence) {
    TempDir dir;
    std::string path = dir.Write("a.xm", WriteXm(OneNoteModule(XmNote(4, 9))));
    // At 60 a second: play at 0.5 s, volume half at 1, none at 1.25, full at 1.4, stop at 1.5.
    const std::vector<MusicEvent> events = {
        {0, MusicEvent::kLoad, 0, path, 256},  {30, MusicEvent::kPlay, 0, "", 256},
        {60, MusicEvent::kVolume, 0, "", 128}, {75, MusicEvent::kVolume, 0, "", 0},
        {84, MusicEvent::kVolume, 0, "", 256}, {90, MusicEvent::kStop, 0, "", 256}};
    std::vector<int16_t> pcm = RenderMusicTrack(events, 120, 60, 44100);
    ASSERT_EQ(2u * 88200, pcm.size());
    EXPECT_EQ(0.0, MeasureLevels(Slice(pcm, 0.0, 0.5)).peak);
    // The first loud sample is the play call's: frame 30 is sample 22050.
    size_t first = 0;
    while (first < pcm.size() && pcm[first] == 0) ++first;
    EXPECT_NEAR(22050.0, static_cast<double>(first / 2), 2.0);
    Levels full = MeasureLevels(Slice(pcm, 0.6, 1.0));
    Levels half = MeasureLevels(Slice(pcm, 1.05, 1.25));
    EXPECT_GT(full.rms, 0.05);
    EXPECT_NEAR(0.5, half.rms / full.rms, 0.03);
    EXPECT_NEAR(0.5, half.peak / full.peak, 0.03);
    EXPECT_EQ(0.0, MeasureLevels(Slice(pcm, 1.26, 1.39)).peak);
    EXPECT_GT(MeasureLevels(Slice(pcm, 1.41, 1.5)).rms, 0.05);
    EXPECT_NEAR(440.0, PeriodicityFrequency(Slice(pcm, 0.6, 1.0)), 2.0);
    EXPECT_EQ(0.0, MeasureLevels(Slice(pcm, 1.51, 2.0)).peak);
    // A missing song renders silence: 25 frames at 24 a second, 45937.5 samples rounded down.
    const std::vector<MusicEvent> missing = {{0, MusicEvent::kLoad, -1, "/no/such.xm", 256},
                                             {0, MusicEvent::kPlay, -1, "", 256}};
    pcm = RenderMusicTrack(missing, 25, 24, 44100);
    EXPECT_EQ(2u * 45937, pcm.size());
    for (int16_t v : pcm) ASSERT_EQ(0, v);
    EXPECT_TRUE(RenderMusicTrack(missing, 0, 60, 44100).empty());
    EXPECT_TRUE(RenderMusicTrack(missing, 10, 0, 44100).empty());
}

TEST(MusicTrack, WavHeaderIsCanonicalPcm) {
    TempDir dir;
    const std::string path = dir.Path() + "/t.wav";
    ASSERT_TRUE(WriteWav(path, {1, -1, 256, -32768}, 44100));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> want = {
        'R', 'I', 'F', 'F', 44, 0, 0,    0,    'W', 'A', 'V',  'E',  'f', 'm', 't', ' ', 16, 0,
        0,   0,   1,   0,   2,  0, 0x44, 0xAC, 0,   0,   0x10, 0xB1, 2,   0,   4,   0,   16, 0,
        'd', 'a', 't', 'a', 8,  0, 0,    0,    1,   0,   0xFF, 0xFF, 0,   1,   0,   0x80};
    EXPECT_EQ(want, b);
    EXPECT_FALSE(WriteWav(path, {1, 2, 3}, 44100));  // half a frame
    EXPECT_FALSE(WriteWav(dir.Path() + "/no/such/folder/t.wav", {0, 0}, 44100));
}

}  // namespace
