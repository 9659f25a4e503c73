// Helpers for the music tests: a one-note module, offline rendering and level measures.
#include "tests/music/audio_check.h"

#include <libopenmpt/libopenmpt.h>

#include <cmath>

#include "tools/music/synth.h"

XmModule OneNoteModule(uint8_t note) {
    // A sine of exactly one kSynthPeriod per cycle, repeated, so the loop is seamless.
    std::vector<double> wave(kSynthPeriod * 8);
    for (size_t n = 0; n < wave.size(); ++n)
        wave[n] = std::sin(6.283185307179586 * static_cast<double>(n) / kSynthPeriod);
    XmSample s = MakeSample("sine", wave);
    s.loop = kXmForwardLoop;
    s.loopLength = static_cast<uint32_t>(wave.size());
    s.Tune(kSynthRate, static_cast<double>(kSynthRate) / kSynthPeriod, kMiddleC);

    XmModule m;
    m.name = "one note";
    m.channels = 1;
    m.instruments.push_back(MakeInstrument("sine", std::move(s)));
    XmPattern p(64, 1);
    p.At(0, 0).note = note;
    p.At(0, 0).instrument = 1;
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

std::vector<float> RenderModule(const std::vector<uint8_t>& bytes, double seconds) {
    openmpt_module* mod = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    if (mod == nullptr) return {};
    std::vector<float> out(static_cast<size_t>(seconds * 44100) * 2);
    size_t got =
        openmpt_module_read_interleaved_float_stereo(mod, 44100, out.size() / 2, out.data());
    out.resize(got * 2);
    openmpt_module_destroy(mod);
    return out;
}

Levels MeasureLevels(const std::vector<float>& stereo) {
    Levels l;
    double sum = 0.0;
    for (float v : stereo) {
        l.peak = std::max(l.peak, static_cast<double>(std::fabs(v)));
        sum += static_cast<double>(v) * v;
    }
    if (!stereo.empty()) l.rms = std::sqrt(sum / static_cast<double>(stereo.size()));
    return l;
}

double ToneFrequency(const std::vector<float>& stereo, int rate) {
    size_t frames = stereo.size() / 2;
    long first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < frames; ++i) {
        if (stereo[2 * (i - 1)] < 0.0f && stereo[2 * i] >= 0.0f) {
            if (first < 0) first = static_cast<long>(i);
            last = static_cast<long>(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}
