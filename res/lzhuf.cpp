// LZHUF decoder and the adaptive Huffman model it shares with the encoder.
#include "res/lzhuf.h"

#include <algorithm>
#include <cstring>

#include "res/lzhuf_model.h"

namespace lzhuf {

void HuffModel::Start() {
    for (int i = 0; i < kCharCount; i++) {
        freq[i] = 1;
        son[i] = static_cast<uint16_t>(i + kTreeSize);
        parent[i + kTreeSize] = static_cast<uint16_t>(i);
    }
    for (int i = 0, j = kCharCount; j <= kRoot; i += 2, j++) {
        freq[j] = static_cast<uint16_t>(freq[i] + freq[i + 1]);
        son[j] = static_cast<uint16_t>(i);
        parent[i] = parent[i + 1] = static_cast<uint16_t>(j);
    }
    freq[kTreeSize] = 0xFFFF;
    parent[kRoot] = 0;
}

void HuffModel::Rebuild() {
    // Leaves move to the front in their current order with halved counts; (f + 1) / 2
    // keeps every count at least 1.
    int j = 0;
    for (int i = 0; i < kTreeSize; i++) {
        if (son[i] >= kTreeSize) {
            freq[j] = static_cast<uint16_t>((freq[i] + 1) / 2);
            son[j] = son[i];
            j++;
        }
    }
    // Pair nodes from the bottom; each new node goes after every node of equal count,
    // which keeps the order non-decreasing. freq[0] <= f, so the scan stops at 0 at worst.
    for (int i = 0, n = kCharCount; n < kTreeSize; i += 2, n++) {
        unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
        int k = n - 1;
        while (f < freq[k]) k--;
        k++;
        std::memmove(&freq[k + 1], &freq[k], sizeof(freq[0]) * (n - k));
        freq[k] = static_cast<uint16_t>(f);
        std::memmove(&son[k + 1], &son[k], sizeof(son[0]) * (n - k));
        son[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < kTreeSize; i++) {
        int k = son[i];
        if (k >= kTreeSize)
            parent[k] = static_cast<uint16_t>(i);
        else
            parent[k] = parent[k + 1] = static_cast<uint16_t>(i);
    }
}

void HuffModel::Update(int symbol) {
    if (freq[kRoot] == kMaxFreq) Rebuild();
    int c = parent[symbol + kTreeSize];
    do {
        unsigned k = ++freq[c];
        // The root's count never passes 0x8000, so the 0xFFFF sentinel ends the scan.
        if (k > freq[c + 1]) {
            int l = c + 1;
            while (k > freq[++l]) {
            }
            l--;
            freq[c] = freq[l];
            freq[l] = static_cast<uint16_t>(k);

            int i = son[c];
            parent[i] = static_cast<uint16_t>(l);
            if (i < kTreeSize) parent[i + 1] = static_cast<uint16_t>(l);
            int j = son[l];
            son[l] = static_cast<uint16_t>(i);
            parent[j] = static_cast<uint16_t>(c);
            if (j < kTreeSize) parent[j + 1] = static_cast<uint16_t>(c);
            son[c] = static_cast<uint16_t>(j);
            c = l;
        }
        c = parent[c];
    } while (c != 0);
}

namespace {

// Upper six position bits get canonical codes of these lengths, shortest first:
// 1 of 3 bits, 3 of 4, 8 of 5, 12 of 6, 24 of 7, 16 of 8 (they fill the 8-bit space).
PositionCode MakePositionCode() {
    static constexpr int kRuns[][2] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
    PositionCode pc{};
    int upper = 0;
    unsigned code = 0;
    for (const auto& run : kRuns) {
        for (int n = 0; n < run[0]; n++, upper++) {
            pc.len[upper] = static_cast<uint8_t>(run[1]);
            pc.code[upper] = static_cast<uint8_t>(code);
            code += 1u << (8 - run[1]);
        }
    }
    return pc;
}

PositionTables MakePositionTables(const PositionCode& pc) {
    PositionTables t{};
    for (int upper = 0; upper < 64; upper++) {
        int span = 1 << (8 - pc.len[upper]);
        for (int b = 0; b < span; b++) {
            t.upper[pc.code[upper] + b] = static_cast<uint8_t>(upper);
            t.len[pc.code[upper] + b] = pc.len[upper];
        }
    }
    return t;
}

constexpr size_t kChunkSize = 10240;

using FillFn = size_t (*)(void* ctx, uint8_t* dest, size_t max);

// One member's decoding state; everything is re-initialised per member.
class Decoder {
public:
    Decoder(FillFn fill, void* ctx) : m_fill(fill), m_ctx(ctx) {}

    // False when the input ran out before the block was filled: some bits that the output
    // was decoded from were not in the input.
    bool Run(uint8_t* block, size_t blockSize) {
        uint32_t raw = 0;
        for (int i = 0; i < 4; i++) raw |= static_cast<uint32_t>(NextByte()) << (8 * i);
        if (m_padBytes > 0) return blockSize == 0;
        int32_t length = static_cast<int32_t>(raw);
        if (length <= 0) return true;
        // Output past the block would be dropped, so decoding stops at the block's end.
        size_t limit = std::min(static_cast<size_t>(length), blockSize);

        const PositionTables& pos = GetPositionTables();
        m_model.Start();
        std::memset(m_ring, ' ', kRingStart);
        std::memset(m_ring + kRingStart, 0, kRingSize - kRingStart);
        int r = kRingStart;

        size_t count = 0;
        while (count < limit) {
            int c = m_model.son[kRoot];
            while (c < kTreeSize) c = m_model.son[c + GetBit()];
            c -= kTreeSize;
            m_model.Update(c);

            if (c < 256) {
                block[count++] = static_cast<uint8_t>(c);
                m_ring[r] = static_cast<uint8_t>(c);
                r = (r + 1) & kRingMask;
                continue;
            }
            // Position: the first byte picks the upper six bits and the code length; the
            // bits after the code, topped up to six, are the lower six.
            unsigned i = GetByte();
            unsigned upper = pos.upper[i];
            for (int n = pos.len[i] - 2; n > 0; n--) i = (i << 1) | GetBit();
            int p = static_cast<int>((upper << 6) | (i & 0x3F));

            int from = (r - p - 1) & kRingMask;
            int matchLength = c - 255 + kThreshold;
            for (int k = 0; k < matchLength; k++) {
                uint8_t b = m_ring[(from + k) & kRingMask];
                if (count < limit) block[count] = b;
                count++;
                m_ring[r] = b;
                r = (r + 1) & kRingMask;
            }
        }
        // Bits are fetched ahead of use; only padding that was actually used counts.
        return 8 * m_padBytes <= static_cast<uint64_t>(m_bitCount);
    }

private:
    uint8_t NextByte() {
        if (m_inPos == m_inFill) {
            if (!m_inEnd) {
                m_inFill = m_fill(m_ctx, m_input, kChunkSize);
                m_inPos = 0;
                m_inEnd = m_inFill == 0;
            }
            if (m_inEnd) {
                // Past the end of the input every byte reads as 0; the count tells whether
                // any of them was used.
                ++m_padBytes;
                return 0;
            }
        }
        return m_input[m_inPos++];
    }

    // Bits are held left-aligned in 32 bits; at least 25 are kept after a refill.
    void Refill() {
        while (m_bitCount <= 24) {
            m_bits |= static_cast<uint32_t>(NextByte()) << (24 - m_bitCount);
            m_bitCount += 8;
        }
    }
    unsigned GetBit() {
        if (m_bitCount == 0) Refill();
        unsigned b = m_bits >> 31;
        m_bits <<= 1;
        m_bitCount--;
        return b;
    }
    unsigned GetByte() {
        if (m_bitCount < 8) Refill();
        unsigned b = m_bits >> 24;
        m_bits <<= 8;
        m_bitCount -= 8;
        return b;
    }

    FillFn m_fill;
    void* m_ctx;
    HuffModel m_model;
    uint8_t m_ring[kRingSize];
    uint8_t m_input[kChunkSize];
    size_t m_inFill = 0;
    size_t m_inPos = 0;
    bool m_inEnd = false;
    uint64_t m_padBytes = 0;
    uint32_t m_bits = 0;
    int m_bitCount = 0;
};

size_t FillFromFile(void* ctx, uint8_t* dest, size_t max) {
    return std::fread(dest, 1, max, static_cast<FILE*>(ctx));
}

struct MemoryInput {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

size_t FillFromMemory(void* ctx, uint8_t* dest, size_t max) {
    auto* in = static_cast<MemoryInput*>(ctx);
    size_t n = std::min(max, in->size - in->pos);
    if (n) std::memcpy(dest, in->data + in->pos, n);
    in->pos += n;
    return n;
}

}  // namespace

const PositionCode& GetPositionCode() {
    static const PositionCode code = MakePositionCode();
    return code;
}

const PositionTables& GetPositionTables() {
    static const PositionTables tables = MakePositionTables(GetPositionCode());
    return tables;
}

}  // namespace lzhuf

int LzhufDecode(FILE* file, uint8_t* block, size_t blockSize) {
    if (!file || (!block && blockSize)) return 0;
    lzhuf::Decoder decoder(lzhuf::FillFromFile, file);
    return decoder.Run(block, blockSize) ? 1 : -1;
}

int LzhufDecode(const uint8_t* stream, size_t streamSize, uint8_t* block, size_t blockSize) {
    if ((!stream && streamSize) || (!block && blockSize)) return 0;
    lzhuf::MemoryInput in{stream, stream ? streamSize : 0, 0};
    lzhuf::Decoder decoder(lzhuf::FillFromMemory, &in);
    return decoder.Run(block, blockSize) ? 1 : -1;
}

int64_t LzhufStoredLength(const uint8_t* stream, size_t streamSize) {
    if (!stream || streamSize < 4) return -1;
    uint32_t raw =
        stream[0] | (stream[1] << 8) | (stream[2] << 16) | (static_cast<uint32_t>(stream[3]) << 24);
    return static_cast<int32_t>(raw);
}
