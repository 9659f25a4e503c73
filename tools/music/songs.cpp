// The two songs: chord tables, drum grids and melodies turned into XM patterns.
#include "tools/music/songs.h"

#include <array>

#include "tools/music/synth.h"

namespace {

// Instrument numbers as the patterns use them (1-based, in the order added below).
enum Instrument { kKick = 1, kSnare, kHat, kOpenHat, kBass, kPad, kLead, kBell };

std::vector<XmInstrument> InstrumentSet() {
    std::vector<XmInstrument> set;
    set.push_back(SynthKick());
    set.push_back(SynthSnare());
    set.push_back(SynthHiHat(false));
    set.push_back(SynthHiHat(true));
    set.push_back(SynthBass());
    set.push_back(SynthPad());
    set.push_back(SynthLead());
    set.push_back(SynthBell());
    // Balance of the mix, set once on the samples rather than in every cell.
    // Balance and place in the stereo field (0 left, 128 centre, 255 right), set once on the
    // samples rather than in every cell.
    const uint8_t volumes[] = {60, 44, 26, 22, 48, 30, 34, 30};
    const uint8_t panning[] = {128, 116, 176, 176, 128, 128, 128, 88};
    for (size_t i = 0; i < set.size(); ++i) {
        set[i].samples[0].volume = volumes[i];
        set[i].samples[0].panning = panning[i];
    }
    return set;
}

// Semitones from C: names for the notes used below.
enum Pitch { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

struct Chord {
    uint8_t bass;                // the root, low
    std::array<uint8_t, 3> pad;  // three pad voices
    std::array<uint8_t, 5> arp;  // notes the arpeggio climbs through
};

struct MelodyNote {
    int row;  // within a cycle of patterns
    uint8_t note;
    int length;  // rows until the key is let go
};

void Put(XmPattern& p, int row, int channel, uint8_t note, int instrument, int volume = -1) {
    XmCell& c = p.At(row, channel);
    c.note = note;
    c.instrument = static_cast<uint8_t>(instrument);
    c.volume = volume >= 0 ? XmVolume(volume) : 0;
}

// The three pad voices spread left, centre and right (effect 8: set panning).
void PanVoice(XmPattern& p, int row, int channel, int voice) {
    static const uint8_t kPan[3] = {0x50, 0x80, 0xB0};
    p.At(row, channel).effect = 0x08;
    p.At(row, channel).param = kPan[voice];
}

void KeyOff(XmPattern& p, int row, int channel) {
    if (row < p.rows && p.At(row, channel).note == 0) p.At(row, channel).note = kXmKeyOff;
}

// Places the part of a melody that falls in rows [first, first + rows) of its cycle.
void PlaceMelody(XmPattern& p, int channel, const MelodyNote* melody, size_t count, int first,
                 int volume) {
    for (size_t i = 0; i < count; ++i) {
        const MelodyNote& m = melody[i];
        int row = m.row - first;
        if (row < 0 || row >= p.rows) continue;
        Put(p, row, channel, m.note, kLead, volume);
        KeyOff(p, row + m.length, channel);
    }
}

// ---------------------------------------------------------------------------------------
// dodovo5: 90 BPM, six ticks a row (a row is 1/6 s), two chords of 32 rows per pattern.

constexpr int kDodovoChannels = 11;
// Channels: two banks of three pad voices that take turns, so one chord releases
// while the next swells; then bass, bell, lead, kick, hat.
constexpr int kPadBankA = 0, kPadBankB = 3, kDBass = 6, kDBell = 7, kDLead = 8, kDKick = 9,
              kDHat = 10;

const Chord kDodovoChords[4] = {
    {XmNote(2, D),
     {XmNote(3, A), XmNote(4, D), XmNote(4, F)},
     {XmNote(5, D), XmNote(5, F), XmNote(5, A), XmNote(6, C), XmNote(6, E)}},
    {XmNote(1, As),
     {XmNote(3, A), XmNote(4, D), XmNote(4, F)},
     {XmNote(4, As), XmNote(5, D), XmNote(5, F), XmNote(5, A), XmNote(6, C)}},
    {XmNote(2, F),
     {XmNote(3, A), XmNote(4, C), XmNote(4, E)},
     {XmNote(5, C), XmNote(5, F), XmNote(5, A), XmNote(6, C), XmNote(6, E)}},
    {XmNote(2, C),
     {XmNote(3, G), XmNote(4, C), XmNote(4, D)},
     {XmNote(4, G), XmNote(5, C), XmNote(5, D), XmNote(5, G), XmNote(6, C)}},
};

// Two melodies over the four chords (128 rows).
const MelodyNote kDodovoTheme[] = {
    {0, XmNote(4, A), 10},   {10, XmNote(5, C), 6},  {16, XmNote(5, D), 14}, {32, XmNote(5, F), 8},
    {40, XmNote(5, E), 8},   {48, XmNote(5, D), 10}, {60, XmNote(5, C), 4},  {64, XmNote(5, C), 10},
    {74, XmNote(4, A), 6},   {80, XmNote(4, G), 14}, {96, XmNote(4, E), 8},  {104, XmNote(4, G), 8},
    {112, XmNote(5, D), 14},
};
const MelodyNote kDodovoAnswer[] = {
    {0, XmNote(5, D), 6},   {6, XmNote(5, E), 4},    {10, XmNote(5, F), 6},  {16, XmNote(5, A), 14},
    {32, XmNote(5, As), 8}, {40, XmNote(5, A), 8},   {48, XmNote(5, F), 12}, {64, XmNote(5, E), 8},
    {72, XmNote(5, F), 8},  {80, XmNote(5, G), 6},   {86, XmNote(5, A), 10}, {96, XmNote(5, G), 12},
    {108, XmNote(5, E), 4}, {112, XmNote(5, D), 14},
};

struct DodovoLayers {
    bool bells, bass, beat, lead;
    const MelodyNote* melody;
    size_t melodyCount;
};

// One 64-row pattern: chords `half` * 2 and `half` * 2 + 1 of the cycle.
XmPattern DodovoPattern(int half, const DodovoLayers& layers) {
    XmPattern p(64, kDodovoChannels);
    for (int k = 0; k < 2; ++k) {
        const int chordIndex = half * 2 + k;
        const Chord& chord = kDodovoChords[chordIndex];
        const int top = k * 32;
        // Even chords of the cycle take bank A, odd ones bank B: the other bank lets go.
        const int bank = chordIndex % 2 == 0 ? kPadBankA : kPadBankB;
        const int other = chordIndex % 2 == 0 ? kPadBankB : kPadBankA;
        for (int v = 0; v < 3; ++v) {
            Put(p, top, bank + v, chord.pad[v], kPad, 64);
            PanVoice(p, top, bank + v, v);
            KeyOff(p, top, other + v);
        }
        if (layers.bells) {
            static const int kClimb[8] = {0, 1, 2, 3, 4, 3, 2, 1};
            for (int r = 0; r < 32; r += 2)
                Put(p, top + r, kDBell, chord.arp[kClimb[(r / 2) % 8]], kBell,
                    r % 8 == 0 ? 44 : 28);
        }
        if (layers.bass) {
            Put(p, top, kDBass, chord.bass, kBass, 64);
            KeyOff(p, top + 22, kDBass);
            Put(p, top + 24, kDBass, static_cast<uint8_t>(chord.bass + 12), kBass, 40);
            KeyOff(p, top + 30, kDBass);
        }
        if (layers.beat) {
            for (int r = 0; r < 32; r += 16) Put(p, top + r, kDKick, XmNote(4, C), kKick, 40);
            for (int r = 4; r < 32; r += 8) Put(p, top + r, kDHat, XmNote(4, C), kHat, 20);
            Put(p, top + 28, kDHat, XmNote(4, C), kOpenHat, 16);
        }
    }
    if (layers.lead) PlaceMelody(p, kDLead, layers.melody, layers.melodyCount, half * 64, 52);
    return p;
}

// ---------------------------------------------------------------------------------------
// velmoria: 128 BPM, six ticks a row (four rows a beat), one chord per 16-row bar.

constexpr int kVelmoriaChannels = 13;
// Pads alternate between two banks of three channels bar by bar, as in dodovo5.
constexpr int kVKick = 0, kVSnare = 1, kVHat = 2, kVBass = 3, kVPadA = 4, kVPadB = 7, kVLead = 10,
              kVArp = 11, kVBell = 12;

const Chord kVelmoriaChords[4] = {
    {XmNote(2, A),
     {XmNote(4, C), XmNote(4, E), XmNote(4, A)},
     {XmNote(4, A), XmNote(5, C), XmNote(5, E), XmNote(5, A), XmNote(6, C)}},
    {XmNote(2, F),
     {XmNote(4, C), XmNote(4, F), XmNote(4, A)},
     {XmNote(4, F), XmNote(4, A), XmNote(5, C), XmNote(5, F), XmNote(5, A)}},
    {XmNote(2, C),
     {XmNote(4, C), XmNote(4, E), XmNote(4, G)},
     {XmNote(4, G), XmNote(5, C), XmNote(5, E), XmNote(5, G), XmNote(6, C)}},
    {XmNote(2, G),
     {XmNote(3, B), XmNote(4, D), XmNote(4, G)},
     {XmNote(4, G), XmNote(4, B), XmNote(5, D), XmNote(5, G), XmNote(5, B)}},
};

// Two four-bar phrases (64 rows each).
const MelodyNote kVelmoriaHook[] = {
    {0, XmNote(5, E), 3},  {4, XmNote(5, E), 2},  {6, XmNote(5, D), 2},  {8, XmNote(5, C), 4},
    {12, XmNote(5, D), 4}, {16, XmNote(5, C), 6}, {22, XmNote(4, A), 2}, {24, XmNote(5, C), 8},
    {32, XmNote(5, E), 4}, {36, XmNote(5, G), 4}, {40, XmNote(5, E), 8}, {48, XmNote(5, D), 6},
    {54, XmNote(5, B), 2}, {56, XmNote(5, D), 8},
};
const MelodyNote kVelmoriaRise[] = {
    {0, XmNote(5, A), 6},  {6, XmNote(5, G), 2},  {8, XmNote(5, E), 8},  {16, XmNote(5, F), 4},
    {20, XmNote(5, A), 4}, {24, XmNote(6, C), 8}, {32, XmNote(5, G), 6}, {38, XmNote(5, E), 2},
    {40, XmNote(5, G), 8}, {48, XmNote(5, B), 4}, {52, XmNote(6, D), 4}, {56, XmNote(5, B), 8},
};

struct VelmoriaLayers {
    bool kick, snare, hats, bass, pad, arp, bells;
    const MelodyNote* melody = nullptr;
    size_t melodyCount = 0;
};

XmPattern VelmoriaPattern(const VelmoriaLayers& layers) {
    XmPattern p(64, kVelmoriaChannels);
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = kVelmoriaChords[bar];
        const int top = bar * 16;
        if (layers.kick)
            for (int r = 0; r < 16; r += 4) Put(p, top + r, kVKick, XmNote(4, C), kKick, 64);
        if (layers.snare) {
            Put(p, top + 4, kVSnare, XmNote(4, C), kSnare, 56);
            Put(p, top + 12, kVSnare, XmNote(4, C), kSnare, 56);
            if (bar == 3) Put(p, top + 15, kVSnare, XmNote(4, C), kSnare, 30);
        }
        if (layers.hats) {
            for (int r = 0; r < 16; ++r) {
                if (r == 14)
                    Put(p, top + r, kVHat, XmNote(4, C), kOpenHat, 40);
                else if (r % 4 == 2)
                    Put(p, top + r, kVHat, XmNote(4, C), kHat, 48);
                else if (r % 2 == 1)
                    Put(p, top + r, kVHat, XmNote(4, C), kHat, 20);
            }
        }
        if (layers.bass) {
            // Eighth notes, the octave jump on the off-beat of beats two and four.
            for (int r = 0; r < 16; r += 2) {
                bool up = r == 6 || r == 14;
                Put(p, top + r, kVBass, static_cast<uint8_t>(chord.bass + (up ? 12 : 0)), kBass,
                    r % 4 == 0 ? 64 : 46);
            }
        }
        if (layers.pad) {
            const int bank = bar % 2 == 0 ? kVPadA : kVPadB;
            const int other = bar % 2 == 0 ? kVPadB : kVPadA;
            for (int v = 0; v < 3; ++v) {
                Put(p, top, bank + v, chord.pad[v], kPad, 56);
                PanVoice(p, top, bank + v, v);
                KeyOff(p, top, other + v);
            }
        } else if (bar == 0) {
            // Let go of the pads a pattern before left sounding.
            for (int v = 0; v < 3; ++v) {
                KeyOff(p, 0, kVPadA + v);
                KeyOff(p, 0, kVPadB + v);
            }
        }
        if (layers.arp) {
            static const int kRun[16] = {0, 2, 4, 1, 3, 2, 4, 3, 0, 2, 4, 1, 3, 2, 1, 4};
            for (int r = 0; r < 16; ++r) {
                Put(p, top + r, kVArp, chord.arp[kRun[r]], kLead, r % 4 == 0 ? 30 : 18);
            }
        }
        if (layers.bells) Put(p, top, kVBell, chord.arp[4], kBell, 48);
    }
    if (layers.melody != nullptr) PlaceMelody(p, kVLead, layers.melody, layers.melodyCount, 0, 50);
    return p;
}

}  // namespace

XmModule ComposeDodovo() {
    XmModule m;
    m.name = "dodovo5";
    m.channels = kDodovoChannels;
    m.speed = 6;
    m.bpm = 90;
    m.instruments = InstrumentSet();
    const size_t theme = std::size(kDodovoTheme), answer = std::size(kDodovoAnswer);
    const DodovoLayers sections[] = {
        {false, false, false, false, nullptr, 0},         // pads alone
        {true, false, false, false, nullptr, 0},          // bells join
        {true, true, true, false, nullptr, 0},            // bass and a soft pulse
        {true, true, true, true, kDodovoTheme, theme},    // the theme
        {true, true, true, true, kDodovoAnswer, answer},  // its answer
        {false, true, false, true, kDodovoTheme, theme},  // thinning out towards the loop
    };
    for (const DodovoLayers& s : sections)
        for (int half = 0; half < 2; ++half) m.patterns.push_back(DodovoPattern(half, s));
    // Patterns 2k and 2k + 1 hold section k; the bells come back before the close.
    m.orders = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 10, 11};
    m.restart = 0;
    return m;
}

XmModule ComposeVelmoria() {
    XmModule m;
    m.name = "velmoria";
    m.channels = kVelmoriaChannels;
    m.speed = 6;
    m.bpm = 128;
    m.instruments = InstrumentSet();
    const size_t hook = std::size(kVelmoriaHook), rise = std::size(kVelmoriaRise);
    VelmoriaLayers intro{true, false, true, true, false, false, false};
    VelmoriaLayers build{true, true, true, true, false, true, false};
    VelmoriaLayers mainA{true, true, true, true, true, true, false, kVelmoriaHook, hook};
    VelmoriaLayers mainB{true, true, true, true, true, true, true, kVelmoriaRise, rise};
    VelmoriaLayers breakdown{false, false, false, false, true, true, true};
    VelmoriaLayers drive{true, true, true, true, true, true, true};
    for (const VelmoriaLayers& l : {intro, build, mainA, mainB, breakdown, drive})
        m.patterns.push_back(VelmoriaPattern(l));
    m.orders = {0, 1, 5, 2, 3, 2, 3, 4, 1, 5, 2, 3, 2, 3};
    // The intro plays once; the loop starts at the build.
    m.restart = 1;
    return m;
}
