// The XM writer's bytes and refusals, and modules and songs as players see them.
#include "tools/music/xm_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstring>
#include <utility>

#include "tests/music/audio_check.h"
#include "tools/music/songs.h"

#if KARVELD_HAVE_XMP
#include <xmp.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t U16(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}
uint32_t U32(const Bytes& b, size_t at) {
    return U16(b, at) | (static_cast<uint32_t>(U16(b, at + 2)) << 16);
}
Bytes Slice(const Bytes& b, size_t from, size_t to) {
    return Bytes(b.begin() + from, b.begin() + to);
}

// One channel, one pattern of `rows` rows, no instruments.
XmModule Bare(int rows) {
    XmModule m;
    m.channels = 1;
    m.patterns.emplace_back(rows, 1);
    m.orders = {0};
    return m;
}

TEST(XmWriter, HeaderAndPackedCellsSitWhereTheFormatPutsThem) {
    XmModule m = Bare(4);
    m.name = "a name longer than twenty characters";
    m.speed = 5, m.bpm = 140, m.restart = 2;
    m.orders = {0, 0, 0};
    m.patterns[0].At(0, 0) = {XmNote(4, 0), 1, XmVolume(32), 0x0C, 0x20};  // all five: raw
    m.patterns[0].At(1, 0).note = kXmKeyOff;                               // note only
    m.patterns[0].At(2, 0).effect = 0x0F;                                  // effect and
    m.patterns[0].At(2, 0).param = 3;                                      // parameter
    const Bytes b = WriteXm(m);
    ASSERT_GE(b.size(), 336u);
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: a name longer than t\x1A", 38));
    // Version, header size, length, restart, channels, patterns, instruments, flags, speed, tempo.
    std::vector<int> words;
    for (size_t at = 58; at < 80; at += 2) words.push_back(U16(b, at));
    EXPECT_EQ(words, (std::vector<int>{0x0104, 276, 0, 3, 2, 1, 1, 0, 1, 5, 140}));
    // The pattern: a 9-byte header with the packed size, then the cells (an empty one: 0x80).
    EXPECT_EQ(Slice(b, 336, b.size()), (Bytes{9, 0,    0,    0,    0,    4,  0,    11,   0, 49,
                                              1, 0x30, 0x0C, 0x20, 0x81, 97, 0x98, 0x0F, 3, 0x80}));
}

TEST(XmWriter, InstrumentSampleFieldsAndWrappingDeltas) {
    XmModule m = Bare(1);
    XmInstrument ins;
    for (uint16_t t = 0; t < 7; ++t) {
        ins.volumeEnvelope.points.push_back({t, 64});
        ins.panningEnvelope.points.push_back({t, 32});
    }
    ins.volumeEnvelope = {ins.volumeEnvelope.points, true, true, false, 6, 4, 5};
    ins.panningEnvelope = {ins.panningEnvelope.points, true, false, true, 3, 1, 2};
    ins.fadeout = 0x1234;
    XmSample s;
    s.pcm = {0, 100, -100, 32767, -32768, 5};
    s.loop = kXmPingPongLoop, s.loopStart = 1, s.loopLength = 4;
    s.volume = 40, s.finetune = -3, s.panning = 200, s.relativeNote = -5;
    ins.samples.push_back(s);
    m.instruments.push_back(ins);
    for (const bool sixteen : {true, false}) {
        SCOPED_TRACE(sixteen);
        m.instruments[0].samples[0].sixteenBit = sixteen;
        const Bytes b = WriteXm(m);
        ASSERT_FALSE(b.empty());
        // Instrument: header size, envelope counts, sustain and loop points, types, fadeout.
        const size_t at = 336 + 10, header = at + 263, data = header + 40;
        const uint32_t width = sixteen ? 2 : 1;
        EXPECT_EQ(263u, U32(b, at));
        EXPECT_EQ(Slice(b, at + 225, at + 235), (Bytes{7, 7, 6, 4, 5, 3, 1, 2, 3, 5}));
        EXPECT_EQ(0x1234, U16(b, at + 239));
        // Sample: lengths and loop points in bytes, then volume, finetune, type, panning, note.
        EXPECT_EQ((std::vector<uint32_t>{U32(b, header), U32(b, header + 4), U32(b, header + 8)}),
                  (std::vector<uint32_t>{6 * width, width, 4 * width}));
        EXPECT_EQ(Slice(b, header + 12, header + 17),
                  (Bytes{40, 0xFD, static_cast<uint8_t>(sixteen ? 0x12 : 0x02), 200, 0xFB}));
        ASSERT_EQ(data + 6 * width, b.size());
        // The data is deltas that wrap; eight-bit data keeps the high byte of each value.
        std::vector<int> values;
        uint16_t acc = 0;
        for (size_t i = data; i < b.size(); i += width)
            values.push_back(sixteen ? static_cast<int16_t>(acc += U16(b, i))
                                     : static_cast<int8_t>(acc += b[i]));
        EXPECT_EQ(values, sixteen ? (std::vector<int>{0, 100, -100, 32767, -32768, 5})
                                  : (std::vector<int>{0, 0, -1, 127, -128, 0}));
    }
}

TEST(XmWriter, RefusesWhatItCannotWrite) {
    auto refused = [](auto change) {
        XmModule m = OneNoteModule(XmNote(4, 0));
        change(m);
        return WriteXm(m).empty();
    };
    EXPECT_FALSE(refused([](XmModule&) {}));
    EXPECT_TRUE(refused([](XmModule& m) { m.channels = 0; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.channels = 33; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.orders = {1}; }));  // no pattern 1
    EXPECT_TRUE(refused([](XmModule& m) { m.orders.clear(); }));
    EXPECT_TRUE(refused([](XmModule& m) { m.restart = 1; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.patterns[0].At(3, 0).note = 98; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.patterns[0] = XmPattern(64, 2); }));
    EXPECT_TRUE(refused([](XmModule& m) { m.instruments[0].samples[0].loopLength += 1; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.instruments[0].samples[0].volume = 65; }));
    EXPECT_TRUE(refused([](XmModule& m) { m.instruments[0].noteMap[5] = 1; }));
    EXPECT_TRUE(refused([](XmModule& m) {
        m.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}};
    }));
}

TEST(XmWriter, TuningPlaysA44kHzSampleAtItsOwnPitchOnC4) {
    XmSample s;
    s.Tune(44100, 1.0, 1.0);
    // 12 log2(44100 / 8363) = 28.784 semitones: 29 less 27.7 steps of 1/128.
    EXPECT_EQ(std::make_pair(s.relativeNote, s.finetune), std::make_pair(int8_t{29}, int8_t{-28}));
    s.Tune(8363, 1.0, 1.0);
    EXPECT_EQ(std::make_pair(s.relativeNote, s.finetune), std::make_pair(int8_t{0}, int8_t{0}));
}

TEST(XmWriter, OneNoteModuleLoadsAndPlaysItsNote) {
    const Bytes bytes = WriteXm(OneNoteModule(XmNote(4, 9)));
    openmpt_module* mod = OpenModule(bytes);
    ASSERT_NE(nullptr, mod);
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1, 1}),
              (std::vector<int>{
                  openmpt_module_get_num_channels(mod), openmpt_module_get_num_orders(mod),
                  openmpt_module_get_num_patterns(mod), openmpt_module_get_num_instruments(mod),
                  openmpt_module_get_num_samples(mod)}));
    // 64 rows at speed 6, 125 BPM: 64 x 6 x 2.5 / 125 seconds.
    EXPECT_NEAR(7.68, openmpt_module_get_duration_seconds(mod), 0.01);
    openmpt_module_destroy(mod);
    // C-5 within 5 cents (A-4 is checked through the music layer).
    EXPECT_NEAR(523.25,
                PeriodicityFrequency(RenderModule(WriteXm(OneNoteModule(XmNote(5, 0))), 1.0)),
                523.25 * 0.003);
}

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

TEST(Songs, LoadWithTheirShapeLengthAndLevelsAndLoopPastTheirEnd) {
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
        const Levels opening = MeasureLevels(RenderModule(Song(i), 6.0));
        EXPECT_GT(opening.rms, 0.02);   // louder than -34 dBFS
        EXPECT_LT(opening.peak, 0.98);  // headroom left
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

}  // namespace
