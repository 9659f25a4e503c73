// Writes FastTracker 2 extended modules (XM version 0x0104) from a module held in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One pattern cell. note: 0 none, 1..96 C-0..B-7, 97 key off. instrument: 0 none,
// 1..128. volume: the volume column byte (0x10..0x50 sets 0..64; 0 none).
struct XmCell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

constexpr uint8_t kXmKeyOff = 97;
// The note number of a pitch class (0 = C) in an octave 0..7.
constexpr uint8_t XmNote(int octave, int semitone) {
    return static_cast<uint8_t>(octave * 12 + semitone + 1);
}
constexpr uint8_t XmVolume(int v) {
    return static_cast<uint8_t>(0x10 + v);
}

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;  // row-major: rows x channels

    XmPattern() = default;
    XmPattern(int rowCount, int channels)
        : rows(rowCount), cells(static_cast<size_t>(rowCount) * channels), m_channels(channels) {}
    XmCell& At(int row, int channel) {
        return cells[static_cast<size_t>(row) * m_channels + channel];
    }
    int Channels() const { return m_channels; }

private:
    int m_channels = 0;
};

enum XmLoop : uint8_t { kXmNoLoop = 0, kXmForwardLoop = 1, kXmPingPongLoop = 2 };

struct XmSample {
    std::string name;
    std::vector<int16_t> pcm;  // full-scale 16-bit values; 8-bit samples keep the high byte
    bool sixteenBit = true;
    XmLoop loop = kXmNoLoop;
    uint32_t loopStart = 0;   // in sample frames
    uint32_t loopLength = 0;  // in sample frames
    uint8_t volume = 64;      // 0..64
    int8_t finetune = 0;      // 1/128 semitone
    uint8_t panning = 128;
    int8_t relativeNote = 0;  // semitones added to the played note

    // Sets relativeNote and finetune so that C-4 plays the recorded pitch recordedHz
    // (a tone of that pitch stored at sampleRate) as targetHz.
    void Tune(double sampleRate, double recordedHz, double targetHz);
};

struct XmEnvelope {
    struct Point {
        uint16_t tick;
        uint16_t value;  // 0..64
    };
    std::vector<Point> points;  // at most 12, ticks increasing
    bool enabled = false;
    bool sustain = false;
    bool loop = false;
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;  // at most 16
    uint8_t noteMap[96] = {};       // sample index per note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
};

struct XmModule {
    std::string name;
    int channels = 8;  // 1..32
    int restart = 0;   // order the song loops back to
    bool linearFrequencies = true;
    int speed = 6;  // ticks per row
    int bpm = 125;
    std::vector<uint8_t> orders;  // pattern index per position, 1..256 entries
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;  // at most 128
};

// Sizes fixed by the format.
constexpr size_t kXmHeaderBytes = 336;  // up to the end of the order table
constexpr size_t kXmInstrumentHeaderBytes = 263;
constexpr size_t kXmSampleHeaderBytes = 40;

// The module's file bytes, or an empty vector when the module cannot be written
// (counts out of range, a pattern of the wrong shape, a pattern over 64 KB packed,
// an order naming a missing pattern, a loop outside its sample).
std::vector<uint8_t> WriteXm(const XmModule& module);
bool WriteXmFile(const XmModule& module, const std::string& path);
