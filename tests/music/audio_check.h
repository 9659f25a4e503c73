// Helpers for the music tests: a one-note module, offline rendering and level measures.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/music/xm_writer.h"

// One channel, one looped sine instrument tuned so C-4 is middle C, one 64-row pattern
// that strikes `note` on its first row and holds it.
XmModule OneNoteModule(uint8_t note);

// Renders the first `seconds` of a module's bytes with libopenmpt (interleaved stereo at
// 44100 Hz); empty when libopenmpt refuses the bytes.
struct openmpt_module;
// libopenmpt's module for the bytes, silently; null when it refuses them.
openmpt_module* OpenModule(const std::vector<uint8_t>& bytes);
std::vector<float> RenderModule(const std::vector<uint8_t>& bytes, double seconds);

struct Levels {
    double peak = 0.0;
    double rms = 0.0;
};
Levels MeasureLevels(const std::vector<float>& stereo);

// The pitch of a tone (left channel): the lag in 40..2000 Hz where the signal best matches
// itself, refined between samples.
double PeriodicityFrequency(const std::vector<float>& stereo, int rate = 44100);

// A module that plays one instrument's note on its first row and holds it.
XmModule InstrumentNoteModule(XmInstrument instrument, uint8_t note);
