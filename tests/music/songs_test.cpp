// The two songs as a player sees them: structure, length, levels, looping, same bytes each build.
#include "tools/music/songs.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include "tests/music/audio_check.h"

#if KARVELD_HAVE_XMP
#include <xmp.h>
#endif

namespace {

struct Expected {
    const char* fileName;
    int channels;
    int orders;
    double minSeconds, maxSeconds;
};
const Expected kExpected[] = {
    {"dodovo5.xm", 11, 14, 120.0, 180.0},  // scenes one to five
    {"velmoria.xm", 13, 14, 90.0, 150.0},  // loops for the rest of the show
};

class Songs : public ::testing::TestWithParam<int> {
protected:
    static const std::vector<uint8_t>& Bytes(int i) {
        // Composing costs a fraction of a second; do it once per song.
        static std::vector<uint8_t> cache[2];
        if (cache[i].empty()) cache[i] = WriteXm(kSongFiles[i].compose());
        return cache[i];
    }
    const Expected& Want() const { return kExpected[GetParam()]; }
    const std::vector<uint8_t>& Song() const { return Bytes(GetParam()); }
};

TEST_P(Songs, LoadWithTheirShapeAndLength) {
    ASSERT_STREQ(Want().fileName, kSongFiles[GetParam()].fileName);
    const std::vector<uint8_t>& bytes = Song();
    ASSERT_FALSE(bytes.empty());
    openmpt_module* mod = OpenModule(bytes);
    ASSERT_NE(nullptr, mod);
    EXPECT_EQ(Want().channels, openmpt_module_get_num_channels(mod));
    EXPECT_EQ(Want().orders, openmpt_module_get_num_orders(mod));
    EXPECT_EQ(8, openmpt_module_get_num_instruments(mod));
    double seconds = openmpt_module_get_duration_seconds(mod);
    EXPECT_GE(seconds, Want().minSeconds);
    EXPECT_LE(seconds, Want().maxSeconds);
    openmpt_module_destroy(mod);
}

TEST_P(Songs, OpeningIsAudibleAndDoesNotClip) {
    Levels l = MeasureLevels(RenderModule(Song(), 6.0));
    EXPECT_GT(l.rms, 0.02);   // louder than -34 dBFS
    EXPECT_LT(l.peak, 0.98);  // headroom left
}

TEST_P(Songs, AreStereo) {
    // Twenty seconds reach the pads of both songs.
    std::vector<float> audio = RenderModule(Song(), 20.0);
    double side = 0.0, mid = 0.0;
    for (size_t i = 0; i + 1 < audio.size(); i += 2) {
        side += (audio[i] - audio[i + 1]) * (audio[i] - audio[i + 1]);
        mid += (audio[i] + audio[i + 1]) * (audio[i] + audio[i + 1]);
    }
    // Left and right differ audibly, yet the centre carries most of the sound.
    EXPECT_GT(side, mid * 0.01);
    EXPECT_LT(side, mid);
}

TEST_P(Songs, KeepPlayingPastTheirEnd) {
    const std::vector<uint8_t>& bytes = Song();
    openmpt_module* mod = OpenModule(bytes);
    ASSERT_NE(nullptr, mod);
    openmpt_module_set_repeat_count(mod, -1);
    double length = openmpt_module_get_duration_seconds(mod);
    openmpt_module_set_position_seconds(mod, length - 1.0);
    std::vector<float> audio(44100 * 2 * 3);
    ASSERT_EQ(audio.size() / 2, openmpt_module_read_interleaved_float_stereo(
                                    mod, 44100, audio.size() / 2, audio.data()));
    // Two seconds after the end it is back in its first orders, and not silent there.
    EXPECT_LE(openmpt_module_get_current_order(mod), 2);
    std::vector<float> after(audio.begin() + 44100 * 2 * 2, audio.end());
    EXPECT_GT(MeasureLevels(after).rms, 0.01);
    openmpt_module_destroy(mod);
}

TEST_P(Songs, AreTheSameBytesEveryTime) {
    EXPECT_EQ(Song(), WriteXm(kSongFiles[GetParam()].compose()));
}

#if KARVELD_HAVE_XMP
TEST_P(Songs, StricterPlayerAgrees) {
    const std::vector<uint8_t>& bytes = Song();
    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(0, xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())));
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    EXPECT_EQ(Want().channels, info.mod->chn);
    EXPECT_EQ(Want().orders, info.mod->len);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}
#endif

INSTANTIATE_TEST_SUITE_P(Both, Songs, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "dodovo5" : "velmoria"; });

}  // namespace
