// Instrument synthesizer: oscillators, noise, envelopes and a filter rendered into XM samples.
#pragma once

#include <vector>

#include "tools/music/xm_writer.h"

// Every sample is rendered at this rate.
constexpr int kSynthRate = 44100;
// Melodic samples hold a tone whose period is exactly this many frames (262.5 Hz), so
// any loop that spans whole periods joins without a click; tuning maps it onto C-4.
constexpr int kSynthPeriod = 168;
constexpr double kMiddleC = 261.6255653005986;

// Chamberlin state-variable filter: one low-pass, band-pass and high-pass per step.
// Stable while 2 sin(pi fc / rate) stays below about 1 (fc under a sixth of the rate).
class SynthFilter {
public:
    SynthFilter(double cutoffHz, double resonance);
    void SetCutoff(double cutoffHz);
    void Step(double in);
    double Low() const { return m_low; }
    double Band() const { return m_band; }
    double High() const { return m_high; }

private:
    double m_f = 0.0;
    double m_damp = 1.0;
    double m_low = 0.0, m_band = 0.0, m_high = 0.0;
};

// White noise in -1..1 from the project's generator (seeded by the caller).
double SynthNoise();

// Scales a rendered wave to the given peak (of full scale) and stores it as 16-bit.
XmSample MakeSample(const char* name, const std::vector<double>& wave, double peak = 0.9);

// An instrument of one sample used for every note.
XmInstrument MakeInstrument(const char* name, XmSample sample);

// The instrument set shared by both songs.
XmInstrument SynthKick();
XmInstrument SynthSnare();
XmInstrument SynthHiHat(bool open);
XmInstrument SynthBass();
XmInstrument SynthPad();
XmInstrument SynthLead();
XmInstrument SynthBell();
