// XM writer: header, order table, packed patterns, instruments and delta-coded samples.
#include "tools/music/xm_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/common/output_file.h"

namespace {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>* out) : m_out(out) {}
    void U8(unsigned v) { m_out->push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    // A fixed-size text field, cut or padded with zeros.
    void Text(const std::string& s, size_t size) {
        for (size_t i = 0; i < size; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void Zeros(size_t n) { m_out->insert(m_out->end(), n, 0); }
    size_t Size() const { return m_out->size(); }

private:
    std::vector<uint8_t>* m_out;
};

// A cell is either the five bytes as they are, or a flag byte (0x80 | one bit per
// field present) followed by those fields; the flag form is never longer by more
// than the flag itself, and an empty cell costs one byte.
void PackCell(const XmCell& c, std::vector<uint8_t>* out) {
    uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
    uint8_t flag = 0x80;
    int present = 0;
    for (int i = 0; i < 5; ++i) {
        if (fields[i] != 0) {
            flag |= static_cast<uint8_t>(1 << i);
            ++present;
        }
    }
    // The raw form is only readable when the note's top bit is clear.
    if (present == 5 && c.note < 0x80) {
        out->insert(out->end(), fields, fields + 5);
        return;
    }
    out->push_back(flag);
    for (int i = 0; i < 5; ++i)
        if (fields[i] != 0) out->push_back(fields[i]);
}

bool ValidEnvelope(const XmEnvelope& e) {
    if (e.points.size() > 12) return false;
    for (size_t i = 1; i < e.points.size(); ++i)
        if (e.points[i].tick <= e.points[i - 1].tick) return false;
    return true;
}

bool ValidSample(const XmSample& s) {
    if (s.volume > 64) return false;
    if (s.pcm.size() > 0x3FFFFFFF) return false;
    if (s.loop != kXmNoLoop) {
        if (s.loopLength == 0 || s.loopStart > s.pcm.size() ||
            s.loopLength > s.pcm.size() - s.loopStart)
            return false;
    }
    return true;
}

void WriteEnvelopePoints(ByteWriter& w, const XmEnvelope& e) {
    for (size_t i = 0; i < 12; ++i) {
        w.U16(i < e.points.size() ? e.points[i].tick : 0);
        w.U16(i < e.points.size() ? e.points[i].value : 0);
    }
}

uint8_t EnvelopeType(const XmEnvelope& e) {
    return static_cast<uint8_t>((e.enabled ? 1 : 0) | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
}

}  // namespace

void XmSample::Tune(double sampleRate, double recordedHz, double targetHz) {
    // Linear frequencies: C-4 with relative note 0 and finetune 0 plays a sample at
    // 8363 Hz; every semitone is a factor 2^(1/12), a finetune step 1/128 semitone.
    double semis = 12.0 * std::log2(sampleRate * targetHz / (recordedHz * 8363.0));
    int rel = static_cast<int>(std::lround(semis));
    int fine = static_cast<int>(std::lround((semis - rel) * 128.0));
    if (fine > 127) {
        fine -= 128;
        ++rel;
    }
    relativeNote = static_cast<int8_t>(std::clamp(rel, -96, 95));
    finetune = static_cast<int8_t>(std::clamp(fine, -128, 127));
}

std::vector<uint8_t> WriteXm(const XmModule& m) {
    std::vector<uint8_t> out;
    if (m.channels < 1 || m.channels > 32 || m.orders.empty() || m.orders.size() > 256 ||
        m.patterns.empty() || m.patterns.size() > 256 || m.instruments.size() > 128 ||
        m.restart < 0 || m.restart >= static_cast<int>(m.orders.size()) || m.speed < 1 ||
        m.speed > 31 || m.bpm < 32 || m.bpm > 255)
        return out;
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) return out;

    ByteWriter w(&out);
    w.Text("Extended Module: ", 17);
    w.Text(m.name, 20);
    w.U8(0x1A);
    w.Text("Karveld music", 20);
    w.U16(0x0104);
    // Counted from this field: itself, eight 16-bit values and the order table.
    w.U32(4 + 16 + 256);
    w.U16(static_cast<unsigned>(m.orders.size()));
    w.U16(static_cast<unsigned>(m.restart));
    w.U16(static_cast<unsigned>(m.channels));
    w.U16(static_cast<unsigned>(m.patterns.size()));
    w.U16(static_cast<unsigned>(m.instruments.size()));
    w.U16(m.linearFrequencies ? 1 : 0);
    w.U16(static_cast<unsigned>(m.speed));
    w.U16(static_cast<unsigned>(m.bpm));
    for (size_t i = 0; i < 256; ++i) w.U8(i < m.orders.size() ? m.orders[i] : 0);
    if (w.Size() != kXmHeaderBytes) return {};

    std::vector<uint8_t> packed;
    for (const XmPattern& p : m.patterns) {
        if (p.rows < 1 || p.rows > 256 || p.Channels() != m.channels ||
            p.cells.size() != static_cast<size_t>(p.rows) * m.channels)
            return {};
        packed.clear();
        for (const XmCell& c : p.cells) {
            if (c.note > kXmKeyOff || c.instrument > 128) return {};
            PackCell(c, &packed);
        }
        if (packed.size() > 0xFFFF) return {};
        w.U32(9);
        w.U8(0);
        w.U16(static_cast<unsigned>(p.rows));
        w.U16(static_cast<unsigned>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (const XmInstrument& ins : m.instruments) {
        if (ins.samples.size() > 16 || !ValidEnvelope(ins.volumeEnvelope) ||
            !ValidEnvelope(ins.panningEnvelope))
            return {};
        for (const XmSample& s : ins.samples)
            if (!ValidSample(s)) return {};
        for (uint8_t n : ins.noteMap)
            if (!ins.samples.empty() && n >= ins.samples.size()) return {};

        size_t start = w.Size();
        // An instrument without samples stops after its sample count (29 bytes).
        w.U32(ins.samples.empty() ? 29 : static_cast<uint32_t>(kXmInstrumentHeaderBytes));
        w.Text(ins.name, 22);
        w.U8(0);
        w.U16(static_cast<unsigned>(ins.samples.size()));
        if (ins.samples.empty()) continue;
        w.U32(static_cast<uint32_t>(kXmSampleHeaderBytes));
        for (uint8_t n : ins.noteMap) w.U8(n);
        WriteEnvelopePoints(w, ins.volumeEnvelope);
        WriteEnvelopePoints(w, ins.panningEnvelope);
        w.U8(static_cast<unsigned>(ins.volumeEnvelope.points.size()));
        w.U8(static_cast<unsigned>(ins.panningEnvelope.points.size()));
        w.U8(ins.volumeEnvelope.sustainPoint);
        w.U8(ins.volumeEnvelope.loopStart);
        w.U8(ins.volumeEnvelope.loopEnd);
        w.U8(ins.panningEnvelope.sustainPoint);
        w.U8(ins.panningEnvelope.loopStart);
        w.U8(ins.panningEnvelope.loopEnd);
        w.U8(EnvelopeType(ins.volumeEnvelope));
        w.U8(EnvelopeType(ins.panningEnvelope));
        w.U8(ins.vibratoType);
        w.U8(ins.vibratoSweep);
        w.U8(ins.vibratoDepth);
        w.U8(ins.vibratoRate);
        w.U16(ins.fadeout);
        w.Zeros(start + kXmInstrumentHeaderBytes - w.Size());

        for (const XmSample& s : ins.samples) {
            // Lengths and loop points are in bytes, so twice the frames for 16 bits.
            uint32_t unit = s.sixteenBit ? 2 : 1;
            w.U32(static_cast<uint32_t>(s.pcm.size()) * unit);
            w.U32(s.loop != kXmNoLoop ? s.loopStart * unit : 0);
            w.U32(s.loop != kXmNoLoop ? s.loopLength * unit : 0);
            w.U8(s.volume);
            w.U8(static_cast<uint8_t>(s.finetune));
            w.U8(static_cast<unsigned>(s.loop) | (s.sixteenBit ? 0x10 : 0));
            w.U8(s.panning);
            w.U8(static_cast<uint8_t>(s.relativeNote));
            w.U8(0);  // anything else marks the data as compressed
            w.Text(s.name, 22);
        }
        for (const XmSample& s : ins.samples) {
            // Each value is stored as the wrapping difference from the one before.
            if (s.sixteenBit) {
                uint16_t prev = 0;
                for (int16_t v : s.pcm) {
                    uint16_t cur = static_cast<uint16_t>(v);
                    w.U16(static_cast<uint16_t>(cur - prev));
                    prev = cur;
                }
            } else {
                uint8_t prev = 0;
                for (int16_t v : s.pcm) {
                    uint8_t cur = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
                    w.U8(static_cast<uint8_t>(cur - prev));
                    prev = cur;
                }
            }
        }
    }
    return out;
}

bool WriteXmFile(const XmModule& module, const std::string& path) {
    std::vector<uint8_t> bytes = WriteXm(module);
    if (bytes.empty()) return false;
    return WriteOutputFile(path, bytes);
}
