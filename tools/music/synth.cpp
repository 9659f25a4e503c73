// Instrument synthesizer: drums from swept sines and filtered noise, tones by adding harmonics.
#include "tools/music/synth.h"

#include <algorithm>
#include <cmath>

#include "platform/random.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Two-pole low-pass magnitude: flat below the cutoff, -12 dB per octave above it.
double LowPassGain(double hz, double cutoffHz) {
    double r = hz / cutoffHz;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

// A rising edge of a few milliseconds keeps one-shot samples from starting with a click.
double Attack(double t, double seconds) {
    return t < seconds ? t / seconds : 1.0;
}

// Adds one sine partial that makes exactly `cycles` turns over `loopFrames` frames, so
// the wave repeats with that loop; amplitude may follow time through gain(t).
template <typename Gain>
void AddPartial(std::vector<double>& wave, double cycles, int loopFrames, double phase, Gain gain) {
    double step = kTwoPi * cycles / loopFrames;
    for (size_t n = 0; n < wave.size(); ++n) {
        double t = static_cast<double>(n) / kSynthRate;
        wave[n] += gain(t) * std::sin(step * static_cast<double>(n % loopFrames) + phase);
    }
}

// A one-shot that stops at a loud value clicks: bring its last `seconds` down to zero.
void FadeTail(std::vector<double>& wave, double seconds) {
    const size_t tail = std::min(wave.size(), static_cast<size_t>(seconds * kSynthRate));
    for (size_t i = 0; i < tail; ++i) wave[wave.size() - 1 - i] *= static_cast<double>(i) / tail;
}

double RandomPhase() {
    return kTwoPi * Rand() / (kRandMax + 1.0);
}

// Envelope points given as (tick, level) pairs.
XmEnvelope Envelope(std::initializer_list<XmEnvelope::Point> points, int sustainPoint) {
    XmEnvelope e;
    e.points = points;
    e.enabled = true;
    e.sustain = sustainPoint >= 0;
    e.sustainPoint = static_cast<uint8_t>(std::max(sustainPoint, 0));
    return e;
}

}  // namespace

SynthFilter::SynthFilter(double cutoffHz, double resonance) {
    SetCutoff(cutoffHz);
    // resonance 0 is critically damped, towards 1 it rings at the cutoff.
    m_damp = 2.0 * (1.0 - std::clamp(resonance, 0.0, 0.95));
}

void SynthFilter::SetCutoff(double cutoffHz) {
    m_f = 2.0 * std::sin(kTwoPi * 0.5 * cutoffHz / kSynthRate);
}

void SynthFilter::Step(double in) {
    m_low += m_f * m_band;
    m_high = in - m_low - m_damp * m_band;
    m_band += m_f * m_high;
}

double SynthNoise() {
    return Rand() / (kRandMax / 2.0) - 1.0;
}

XmSample MakeSample(const char* name, const std::vector<double>& wave, double peak) {
    XmSample s;
    s.name = name;
    double maxAbs = 0.0;
    for (double v : wave) maxAbs = std::max(maxAbs, std::fabs(v));
    double scale = maxAbs > 0.0 ? peak * 32767.0 / maxAbs : 0.0;
    s.pcm.resize(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        s.pcm[i] = static_cast<int16_t>(std::clamp(std::lround(wave[i] * scale), -32767L, 32767L));
    // Drums and other one-shots play at their recorded pitch on C-4.
    s.Tune(kSynthRate, 1.0, 1.0);
    return s;
}

XmInstrument MakeInstrument(const char* name, XmSample sample) {
    XmInstrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;
}

XmInstrument SynthKick() {
    SRand(101);
    std::vector<double> wave(kSynthRate * 6 / 10);
    double phase = 0.0;
    for (size_t n = 0; n < wave.size(); ++n) {
        double t = static_cast<double>(n) / kSynthRate;
        // The pitch falls from about 160 Hz to 42 Hz in the first tenth of a second.
        phase += kTwoPi * (42.0 + 120.0 * std::exp(-t / 0.035)) / kSynthRate;
        double body = std::sin(phase) * std::exp(-t / 0.28) * Attack(t, 0.002);
        double click = SynthNoise() * std::exp(-t / 0.002) * 0.3;
        wave[n] = std::tanh(1.6 * (body + click));
    }
    FadeTail(wave, 0.15);
    return MakeInstrument("kick", MakeSample("kick", wave));
}

XmInstrument SynthSnare() {
    SRand(202);
    std::vector<double> wave(kSynthRate * 35 / 100);
    SynthFilter filter(1800.0, 0.2);
    for (size_t n = 0; n < wave.size(); ++n) {
        double t = static_cast<double>(n) / kSynthRate;
        double tone = 0.6 * std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.045) +
                      0.3 * std::sin(kTwoPi * 330.0 * t) * std::exp(-t / 0.03);
        filter.Step(SynthNoise());
        double noise = (filter.High() + 0.5 * filter.Band()) * std::exp(-t / 0.11);
        wave[n] = (tone + 0.8 * noise) * Attack(t, 0.001);
    }
    FadeTail(wave, 0.08);
    return MakeInstrument("snare", MakeSample("snare", wave));
}

XmInstrument SynthHiHat(bool open) {
    SRand(open ? 404 : 303);
    double decay = open ? 0.15 : 0.025;
    std::vector<double> wave(static_cast<size_t>(kSynthRate * (open ? 0.5 : 0.12)));
    SynthFilter filter(6500.0, 0.3);
    for (size_t n = 0; n < wave.size(); ++n) {
        double t = static_cast<double>(n) / kSynthRate;
        filter.Step(SynthNoise());
        wave[n] = filter.High() * std::exp(-t / decay) * Attack(t, 0.0005);
    }
    FadeTail(wave, open ? 0.15 : 0.03);
    const char* name = open ? "open hat" : "hat";
    return MakeInstrument(name, MakeSample(name, wave, 0.8));
}

XmInstrument SynthBass() {
    SRand(505);
    // Recorded two octaves down (65.6 Hz) so its filter sweep sits where a bass plays.
    const int period = kSynthPeriod * 4;
    const double f0 = static_cast<double>(kSynthRate) / period;
    // The filter closes during the first quarter second, then the wave repeats.
    const int attackFrames = period * 17;
    const double sweepEnd = static_cast<double>(attackFrames) / kSynthRate;
    std::vector<double> wave(static_cast<size_t>(attackFrames + period * 2));
    for (int h = 1; f0 * h < 8000.0; ++h) {
        double base = (h % 2 == 1 ? 1.0 : 0.55) / h;  // between a saw and a square
        double hz = f0 * h;
        AddPartial(wave, h, period, 0.0, [&](double t) {
            double cut = 380.0 + 2400.0 * std::exp(-std::min(t, sweepEnd) / 0.06);
            return base * LowPassGain(hz, cut) *
                   (0.75 + 0.25 * std::exp(-std::min(t, sweepEnd) / 0.1));
        });
    }
    XmSample s = MakeSample("bass", wave);
    s.loop = kXmForwardLoop;
    s.loopStart = static_cast<uint32_t>(attackFrames);
    s.loopLength = static_cast<uint32_t>(period * 2);
    s.Tune(kSynthRate, f0, kMiddleC);
    XmInstrument ins = MakeInstrument("bass", std::move(s));
    ins.volumeEnvelope = Envelope({{0, 64}, {8, 52}, {40, 44}}, 2);
    ins.fadeout = 4096;
    return ins;
}

XmInstrument SynthPad() {
    SRand(606);
    // Three saws 200, 199 and 201 turns per loop (about 9 cents apart) beat slowly
    // against each other yet all repeat exactly with the loop.
    const int loopFrames = kSynthPeriod * 200;
    const double f0 = static_cast<double>(kSynthRate) / kSynthPeriod;
    std::vector<double> wave(loopFrames);
    for (int turns : {200, 199, 201}) {
        for (int h = 1; f0 * h < 5000.0; ++h) {
            double gain = LowPassGain(f0 * h, 1300.0) / h;
            AddPartial(wave, static_cast<double>(turns) * h, loopFrames, RandomPhase(),
                       [gain](double) { return gain; });
        }
    }
    XmSample s = MakeSample("pad", wave);
    s.loop = kXmForwardLoop;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(loopFrames);
    s.Tune(kSynthRate, f0, kMiddleC);
    XmInstrument ins = MakeInstrument("pad", std::move(s));
    // Slow swell, held while the key is down, a long release after it.
    ins.volumeEnvelope = Envelope({{0, 0}, {30, 64}, {60, 56}}, 2);
    ins.fadeout = 400;
    return ins;
}

XmInstrument SynthLead() {
    SRand(707);
    const int period = kSynthPeriod;
    const double f0 = static_cast<double>(kSynthRate) / period;
    std::vector<double> wave(static_cast<size_t>(period * 4));
    // A pulse of one quarter duty: harmonic h has amplitude sin(pi h / 4) / h.
    for (int h = 1; f0 * h < 9000.0; ++h) {
        double gain = std::fabs(std::sin(kTwoPi * 0.125 * h)) / h * LowPassGain(f0 * h, 3200.0);
        if (gain < 1e-9) continue;
        AddPartial(wave, h, period, 0.0, [gain](double) { return gain; });
    }
    XmSample s = MakeSample("lead", wave);
    s.loop = kXmForwardLoop;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(wave.size());
    s.Tune(kSynthRate, f0, kMiddleC);
    XmInstrument ins = MakeInstrument("lead", std::move(s));
    ins.volumeEnvelope = Envelope({{0, 0}, {2, 64}, {24, 44}}, 2);
    ins.fadeout = 1200;
    // A gentle vibrato that fades in, as a player would add it.
    ins.vibratoType = 0;
    ins.vibratoSweep = 48;
    ins.vibratoDepth = 5;
    ins.vibratoRate = 9;
    return ins;
}

XmInstrument SynthBell() {
    SRand(808);
    // Recorded at C-5; partials slightly off the harmonic series ring like metal.
    const double f0 = kMiddleC * 2.0;
    struct Partial {
        double ratio, gain, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 0.9},  {2.0, 0.45, 0.5}, {3.0, 0.22, 0.3},
                                {4.2, 0.18, 0.2}, {5.4, 0.1, 0.12}, {8.1, 0.05, 0.06}};
    std::vector<double> wave(kSynthRate * 2);
    for (const Partial& p : partials) {
        double phase = RandomPhase();
        for (size_t n = 0; n < wave.size(); ++n) {
            double t = static_cast<double>(n) / kSynthRate;
            wave[n] +=
                p.gain * std::exp(-t / p.decay) * std::sin(kTwoPi * f0 * p.ratio * t + phase);
        }
    }
    for (size_t n = 0; n < wave.size(); ++n)
        wave[n] *= Attack(static_cast<double>(n) / kSynthRate, 0.003);
    // The fundamental still rings at two seconds.
    FadeTail(wave, 0.3);
    XmSample s = MakeSample("bell", wave);
    s.Tune(kSynthRate, f0, kMiddleC);
    return MakeInstrument("bell", std::move(s));
}
