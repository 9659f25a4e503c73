// The adaptive Huffman model and position code shared by the LZHUF decoder and encoder.
#pragma once

#include <cstdint>

namespace lzhuf {

constexpr int kRingSize = 4096;  // N: positions are taken modulo 4096
constexpr int kRingMask = kRingSize - 1;
constexpr int kLookAhead = 60;  // F: longest match
constexpr int kThreshold = 2;   // matches are at least kThreshold + 1 bytes
constexpr int kCharCount = 256 - kThreshold + kLookAhead;  // N_CHAR: literals and lengths
constexpr int kTreeSize = kCharCount * 2 - 1;              // T
constexpr int kRoot = kTreeSize - 1;                       // R
constexpr unsigned kMaxFreq = 0x8000;
constexpr int kRingStart = kRingSize - kLookAhead;  // first write position, 4036

static_assert(kCharCount == 314 && kTreeSize == 627 && kRoot == 626 && kRingStart == 4036);

// The tree keeps the sibling property: nodes in non-decreasing frequency order, the two
// children of a node side by side with the smaller-indexed one in `son`. A leaf node holds
// son = kTreeSize + symbol, and parent[kTreeSize + symbol] points back at that leaf node.
struct HuffModel {
    uint16_t freq[kTreeSize + 1];  // the extra entry is a 0xFFFF sentinel for the swap scan
    uint16_t parent[kTreeSize + kCharCount];
    uint16_t son[kTreeSize];

    void Start();
    // Counts one more occurrence of `symbol`, rebuilding first when the root is full.
    void Update(int symbol);

private:
    void Rebuild();
};

// Fixed code for the upper six bits of a match position, indexed by those six bits:
// length in bits (3..8) and the code left-aligned in a byte.
struct PositionCode {
    uint8_t len[64];
    uint8_t code[64];
};
// The decoder's view: indexed by the next 8 input bits, the upper six position bits and
// the total length of the code that byte starts.
struct PositionTables {
    uint8_t upper[256];
    uint8_t len[256];
};

const PositionCode& GetPositionCode();
const PositionTables& GetPositionTables();

}  // namespace lzhuf
