// Helpers for the music tests: one-note modules, offline rendering and level and pitch measures.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/music/synth.h"
#include "tools/music/xm_writer.h"

// A module that plays one instrument's note on its first row of 64 and holds it.
inline XmModule InstrumentNoteModule(XmInstrument instrument, uint8_t note) {
    XmModule m;
    m.name = "instrument";
    m.channels = 1;
    m.instruments.push_back(std::move(instrument));
    XmPattern p(64, 1);
    p.At(0, 0).note = note;
    p.At(0, 0).instrument = 1;
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

// The same with a looped sine tuned so C-4 is middle C: one kSynthPeriod a cycle, seamless.
inline XmModule OneNoteModule(uint8_t note) {
    std::vector<double> wave(kSynthPeriod * 8);
    for (size_t n = 0; n < wave.size(); ++n)
        wave[n] = std::sin(6.283185307179586 * static_cast<double>(n) / kSynthPeriod);
    XmSample s = MakeSample("sine", wave);
    s.loop = kXmForwardLoop;
    s.loopLength = static_cast<uint32_t>(wave.size());
    s.Tune(kSynthRate, static_cast<double>(kSynthRate) / kSynthPeriod, kMiddleC);
    return InstrumentNoteModule(MakeInstrument("sine", std::move(s)), note);
}

// libopenmpt's module for the bytes, silently; null when it refuses them.
inline openmpt_module* OpenModule(const std::vector<uint8_t>& bytes) {
    return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                              nullptr, nullptr);
}

// The first `seconds` of the module (interleaved stereo at 44100 Hz); empty when refused.
inline std::vector<float> RenderModule(const std::vector<uint8_t>& bytes, double seconds) {
    openmpt_module* mod = OpenModule(bytes);
    if (mod == nullptr) return {};
    std::vector<float> out(static_cast<size_t>(seconds * 44100) * 2);
    out.resize(
        2 * openmpt_module_read_interleaved_float_stereo(mod, 44100, out.size() / 2, out.data()));
    openmpt_module_destroy(mod);
    return out;
}

struct Levels {
    double peak = 0.0;
    double rms = 0.0;
};
inline Levels MeasureLevels(const std::vector<float>& stereo) {
    Levels l;
    double sum = 0.0;
    for (float v : stereo) {
        l.peak = std::max(l.peak, static_cast<double>(std::fabs(v)));
        sum += static_cast<double>(v) * v;
    }
    if (!stereo.empty()) l.rms = std::sqrt(sum / static_cast<double>(stereo.size()));
    return l;
}

// A tone's pitch (left channel): the first lag in 40..2000 Hz matching within 3% of the best.
inline double PeriodicityFrequency(const std::vector<float>& stereo, int rate = 44100) {
    const size_t frames = stereo.size() / 2;
    const int minLag = rate / 2000, maxLag = rate / 40;
    if (frames < static_cast<size_t>(maxLag) * 3) return 0.0;
    const size_t window = frames - static_cast<size_t>(maxLag) - 1;
    std::vector<double> s(static_cast<size_t>(maxLag) + 2, 0.0);
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (size_t i = 0; i < window; ++i) {
            const double x = stereo[2 * i], y = stereo[2 * (i + lag)];
            xy += x * y, xx += x * x, yy += y * y;
        }
        s[lag] = xx > 0.0 && yy > 0.0 ? xy / std::sqrt(xx * yy) : 0.0;
    }
    const double best = *std::max_element(s.begin() + minLag + 1, s.begin() + maxLag + 1);
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
        if (s[lag] >= best * 0.97 && s[lag] >= s[lag - 1] && s[lag] >= s[lag + 1]) {
            const double a = s[lag - 1], b = s[lag], c = s[lag + 1], den = a - 2.0 * b + c;
            return rate / (lag + (den != 0.0 ? 0.5 * (a - c) / den : 0.0));
        }
    }
    return 0.0;
}
