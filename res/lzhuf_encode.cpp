// LZHUF encoder: LZSS match search over a binary tree of ring positions, then the shared
// adaptive Huffman model for literals and lengths and the fixed position code.
#include <cstring>
#include <memory>

#include "res/lzhuf.h"
#include "res/lzhuf_model.h"

namespace lzhuf {
namespace {

constexpr int kNil = kRingSize;  // "no node" in the match tree

class Encoder {
public:
    Encoder(const uint8_t* data, size_t size, std::vector<uint8_t>& out)
        : m_data(data), m_size(size), m_out(out) {}

    void Run() {
        // Bytes beyond the input are compared during the search (the match is clipped
        // afterwards), so they must be defined: zero.
        std::memset(m_text, 0, sizeof(m_text));
        std::memset(m_lson, 0, sizeof(m_lson));
        m_model.Start();
        for (int i = kRingSize + 1; i <= kRingSize + 256; i++) m_rson[i] = kNil;
        for (int i = 0; i < kRingSize; i++) m_dad[i] = kNil;

        int s = 0;
        int r = kRingStart;
        for (int i = s; i < r; i++) m_text[i] = ' ';
        int len = 0;
        while (len < kLookAhead && m_read < m_size) m_text[r + len++] = m_data[m_read++];
        // The spaces before the first byte are matchable from the start, as the decoder's
        // ring holds the same spaces.
        for (int i = 1; i <= kLookAhead; i++) InsertNode(r - i);
        InsertNode(r);

        do {
            if (m_matchLength > len) m_matchLength = len;
            if (m_matchLength <= kThreshold) {
                m_matchLength = 1;
                EncodeSymbol(m_text[r]);
            } else {
                EncodeSymbol(255 - kThreshold + m_matchLength);
                EncodePosition(m_matchPosition);
            }
            int last = m_matchLength;
            int i = 0;
            for (; i < last && m_read < m_size; i++) {
                uint8_t c = m_data[m_read++];
                DeleteNode(s);
                m_text[s] = c;
                // The first F - 1 bytes are mirrored past the ring so that comparisons
                // starting near its end never wrap.
                if (s < kLookAhead - 1) m_text[s + kRingSize] = c;
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                InsertNode(r);
            }
            for (; i < last; i++) {
                DeleteNode(s);
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                if (--len) InsertNode(r);
            }
        } while (len > 0);
        FlushBits();
    }

private:
    // Inserts the string at r into the tree of its first byte and leaves the longest
    // match (closest on ties) in m_matchLength / m_matchPosition; a full-length match
    // replaces the old node, which is older and further away.
    void InsertNode(int r) {
        int cmp = 1;
        const uint8_t* key = &m_text[r];
        int p = kRingSize + 1 + key[0];
        m_rson[r] = m_lson[r] = kNil;
        m_matchLength = 0;
        for (;;) {
            if (cmp >= 0) {
                if (m_rson[p] != kNil) {
                    p = m_rson[p];
                } else {
                    m_rson[p] = r;
                    m_dad[r] = p;
                    return;
                }
            } else {
                if (m_lson[p] != kNil) {
                    p = m_lson[p];
                } else {
                    m_lson[p] = r;
                    m_dad[r] = p;
                    return;
                }
            }
            int i = 1;
            for (; i < kLookAhead; i++) {
                cmp = key[i] - m_text[p + i];
                if (cmp != 0) break;
            }
            if (i > kThreshold) {
                // Positions are stored as distance - 1 back from r.
                int distance = ((r - p) & kRingMask) - 1;
                if (i > m_matchLength) {
                    m_matchPosition = distance;
                    m_matchLength = i;
                    if (m_matchLength >= kLookAhead) break;
                }
                if (i == m_matchLength && distance < m_matchPosition) m_matchPosition = distance;
            }
        }
        m_dad[r] = m_dad[p];
        m_lson[r] = m_lson[p];
        m_rson[r] = m_rson[p];
        m_dad[m_lson[p]] = r;
        m_dad[m_rson[p]] = r;
        if (m_rson[m_dad[p]] == p)
            m_rson[m_dad[p]] = r;
        else
            m_lson[m_dad[p]] = r;
        m_dad[p] = kNil;
    }

    void DeleteNode(int p) {
        if (m_dad[p] == kNil) return;
        int q;
        if (m_rson[p] == kNil) {
            q = m_lson[p];
        } else if (m_lson[p] == kNil) {
            q = m_rson[p];
        } else {
            q = m_lson[p];
            if (m_rson[q] != kNil) {
                do {
                    q = m_rson[q];
                } while (m_rson[q] != kNil);
                m_rson[m_dad[q]] = m_lson[q];
                m_dad[m_lson[q]] = m_dad[q];
                m_lson[q] = m_lson[p];
                m_dad[m_lson[p]] = q;
            }
            m_rson[q] = m_rson[p];
            m_dad[m_rson[p]] = q;
        }
        m_dad[q] = m_dad[p];
        if (m_rson[m_dad[p]] == p)
            m_rson[m_dad[p]] = q;
        else
            m_lson[m_dad[p]] = q;
        m_dad[p] = kNil;
    }

    // The code of a symbol is its path from the root: at each node, 1 when the node is
    // the odd (second) child. Collected leaf-first, then written root-first. The path is
    // written bit by bit, so codes longer than 16 bits are no problem.
    void EncodeSymbol(int symbol) {
        int depth = 0;
        for (int k = m_model.parent[symbol + kTreeSize]; k != kRoot; k = m_model.parent[k])
            m_path[depth++] = static_cast<uint8_t>(k & 1);
        while (depth > 0) PutBits(m_path[--depth], 1);
        m_model.Update(symbol);
    }

    void EncodePosition(int position) {
        const PositionCode& pc = GetPositionCode();
        int upper = position >> 6;
        PutBits(pc.code[upper] >> (8 - pc.len[upper]), pc.len[upper]);
        PutBits(position & 0x3F, 6);
    }

    void PutBits(unsigned value, int count) {
        m_bits = (m_bits << count) | value;
        m_bitCount += count;
        while (m_bitCount >= 8) {
            m_bitCount -= 8;
            m_out.push_back(static_cast<uint8_t>(m_bits >> m_bitCount));
        }
        m_bits &= (1u << m_bitCount) - 1;
    }

    // The last byte is padded with zero bits.
    void FlushBits() {
        if (m_bitCount > 0) m_out.push_back(static_cast<uint8_t>(m_bits << (8 - m_bitCount)));
        m_bitCount = 0;
        m_bits = 0;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_read = 0;
    std::vector<uint8_t>& m_out;

    HuffModel m_model;
    uint8_t m_text[kRingSize + kLookAhead - 1];
    int m_lson[kRingSize + 1];
    int m_rson[kRingSize + 257];  // kRingSize + 1 + b is the root of the tree of byte b
    int m_dad[kRingSize + 1];
    int m_matchPosition = 0;
    int m_matchLength = 0;
    uint8_t m_path[kTreeSize];

    uint32_t m_bits = 0;
    int m_bitCount = 0;
};

}  // namespace
}  // namespace lzhuf

std::vector<uint8_t> LzhufEncode(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (!data) size = 0;
    uint32_t length = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
    if (size == 0) return out;
    out.reserve(size / 2 + 64);
    auto encoder = std::make_unique<lzhuf::Encoder>(data, size, out);
    encoder->Run();
    return out;
}
