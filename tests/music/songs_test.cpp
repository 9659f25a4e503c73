// The two songs as players see them (the end-to-end test checks they compose the same bytes).
#include "tools/music/songs.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include "tests/music/audio_check.h"

#if KARVELD_HAVE_XMP
#include <xmp.h>
#endif

namespace {

const struct {
    int channels, orders;
    double minSeconds, maxSeconds;
} kExpected[] = {
    {11, 14, 120.0, 180.0},  // dodovo5.xm: scenes one to five
    {13, 14, 90.0, 150.0},   // velmoria.xm: loops for the rest of the show
};

// Each song's bytes, composed once (a fraction of a second each).
const std::vector<uint8_t>& Song(int i) {
    static const std::vector<uint8_t> songs[2] = {WriteXm(kSongFiles[0].compose()),
                                                  WriteXm(kSongFiles[1].compose())};
    return songs[i];
}

TEST(Songs, LoadWithTheirShapeAndLengthAndLoopPastTheirEnd) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kSongFiles[i].fileName);
        openmpt_module* mod = OpenModule(Song(i));
        ASSERT_NE(nullptr, mod);
        EXPECT_EQ(kExpected[i].channels, openmpt_module_get_num_channels(mod));
        EXPECT_EQ(kExpected[i].orders, openmpt_module_get_num_orders(mod));
        EXPECT_EQ(8, openmpt_module_get_num_instruments(mod));
        const double length = openmpt_module_get_duration_seconds(mod);
        EXPECT_GE(length, kExpected[i].minSeconds);
        EXPECT_LE(length, kExpected[i].maxSeconds);
        // Two seconds after the end it is back in its first orders, and not silent there.
        openmpt_module_set_repeat_count(mod, -1);
        openmpt_module_set_position_seconds(mod, length - 1.0);
        std::vector<float> audio(44100 * 2 * 3);
        ASSERT_EQ(audio.size() / 2, openmpt_module_read_interleaved_float_stereo(
                                        mod, 44100, audio.size() / 2, audio.data()));
        EXPECT_LE(openmpt_module_get_current_order(mod), 2);
        EXPECT_GT(MeasureLevels({audio.begin() + 44100 * 2 * 2, audio.end()}).rms, 0.01);
        openmpt_module_destroy(mod);
#if KARVELD_HAVE_XMP
        // libxmp refuses malformed headers that libopenmpt would quietly accept.
        xmp_context ctx = xmp_create_context();
        ASSERT_EQ(
            0, xmp_load_module_from_memory(ctx, Song(i).data(), static_cast<long>(Song(i).size())));
        xmp_module_info info;
        xmp_get_module_info(ctx, &info);
        EXPECT_EQ((std::vector<int>{kExpected[i].channels, kExpected[i].orders, 8}),
                  (std::vector<int>{info.mod->chn, info.mod->len, info.mod->ins}));
        xmp_release_module(ctx);
        xmp_free_context(ctx);
#endif
    }
}

TEST(Songs, AreAudibleStereoWithoutClipping) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kSongFiles[i].fileName);
        // Twenty seconds reach the pads of both songs.
        const std::vector<float> audio = RenderModule(Song(i), 20.0);
        const Levels opening = MeasureLevels({audio.begin(), audio.begin() + 44100 * 2 * 6});
        EXPECT_GT(opening.rms, 0.02);   // louder than -34 dBFS
        EXPECT_LT(opening.peak, 0.98);  // headroom left
        double side = 0.0, mid = 0.0;
        for (size_t k = 0; k + 1 < audio.size(); k += 2) {
            side += (audio[k] - audio[k + 1]) * (audio[k] - audio[k + 1]);
            mid += (audio[k] + audio[k + 1]) * (audio[k] + audio[k + 1]);
        }
        // Left and right differ audibly, yet the centre carries most of the sound.
        EXPECT_GT(side, mid * 0.01);
        EXPECT_LT(side, mid);
    }
}

}  // namespace
