// The synthesized instruments: in tune, loops that join, one-shots that end quietly.
#include "tools/music/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/music/audio_check.h"

namespace {

double SineThrough(double hz, double cutoff, bool high) {
    SynthFilter f(cutoff, 0.0);
    double peak = 0.0;
    for (int n = 0; n < kSynthRate / 2; ++n) {
        f.Step(std::sin(6.283185307179586 * hz * n / kSynthRate));
        if (n > kSynthRate / 4) peak = std::max(peak, std::fabs(high ? f.High() : f.Low()));
    }
    return peak;
}

TEST(SynthFilter, PassesItsBandCutsTheOtherAndHalvesAtItsCutoff) {
    // Undamped by resonance the filter's Q is 1/2: both outputs are at half level at the cutoff.
    const struct {
        double hz, cutoff;
        bool high;
        double level;
    } cases[] = {{100, 2000, false, 1}, {10000, 1000, false, 0}, {1000, 1000, false, 0.5},
                 {5000, 300, true, 1},  {100, 4000, true, 0},    {1000, 1000, true, 0.5}};
    for (const auto& c : cases)
        EXPECT_NEAR(c.level, SineThrough(c.hz, c.cutoff, c.high), 0.05) << c.hz << " " << c.cutoff;
}

struct Named {
    const char* name;
    XmInstrument (*make)();
};
const Named kAll[] = {
    {"kick", SynthKick},
    {"snare", SynthSnare},
    {"hat", [] { return SynthHiHat(false); }},
    {"open hat", [] { return SynthHiHat(true); }},
    {"bass", SynthBass},
    {"pad", SynthPad},
    {"lead", SynthLead},
    {"bell", SynthBell},
};

TEST(Instruments, SamplesAreLoudWithHeadroomAndEndWithoutAClick) {
    for (const Named& n : kAll) {
        XmInstrument ins = n.make();
        ASSERT_EQ(1u, ins.samples.size()) << n.name;
        const XmSample& s = ins.samples[0];
        int peak = 0;
        for (int16_t v : s.pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 20000) << n.name;
        EXPECT_LE(peak, 29491) << n.name;  // 0.9 of full scale
        if (s.loop == kXmNoLoop) {
            // A one-shot that stops at a loud value clicks.
            int tail = 0;
            for (size_t i = s.pcm.size() - s.pcm.size() / 100; i < s.pcm.size(); ++i)
                tail = std::max(tail, std::abs(static_cast<int>(s.pcm[i])));
            EXPECT_LT(tail, 700) << n.name;
        } else {
            // The jump from the loop's end to its start is no bigger than the steps inside.
            ASSERT_LE(s.loopStart + s.loopLength, s.pcm.size()) << n.name;
            int step = 0;
            for (uint32_t i = s.loopStart + 1; i < s.loopStart + s.loopLength; ++i)
                step = std::max(step, std::abs(s.pcm[i] - s.pcm[i - 1]));
            int seam = std::abs(s.pcm[s.loopStart] - s.pcm[s.loopStart + s.loopLength - 1]);
            EXPECT_LE(seam, step) << n.name;
            EXPECT_TRUE(ins.volumeEnvelope.enabled) << n.name;
            EXPECT_GT(ins.fadeout, 0) << n.name;  // released notes die away
        }
    }
}

TEST(Instruments, MelodicOnesPlayInTune) {
    struct Case {
        XmInstrument (*make)();
        uint8_t note;
        double hz;
    };
    const Case cases[] = {
        {SynthBass, XmNote(2, 9), 110.0},
        {SynthPad, XmNote(3, 9), 220.0},
        {SynthLead, XmNote(4, 9), 440.0},
        {SynthBell, XmNote(5, 0), 523.25},  // C-5
    };
    for (const Case& c : cases) {
        std::vector<float> audio =
            RenderModule(WriteXm(InstrumentNoteModule(c.make(), c.note)), 0.6);
        // Past the attack, a tenth of a second is plenty to find the period.
        std::vector<float> steady(audio.begin() + 44100 / 2 * 2 / 2, audio.begin() + 44100 * 2 / 2);
        EXPECT_NEAR(c.hz, PeriodicityFrequency(steady), c.hz * 0.006) << int(c.note);
    }
}

}  // namespace
