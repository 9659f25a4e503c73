// LZHUF encoder and decoder: known streams, round trips and damaged input.
#include "res/lzhuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// An LCG's bytes, or words it picks: the inputs of the pinned streams, and noise.
Bytes LcgInput(size_t n, uint32_t x, bool words) {
    static const char* const kWords[8] = {"engine ", "flame ", "ship ", "sky ",
                                          "the ",    "water ", "fire ", "dome "};
    Bytes out;
    while (out.size() < n) {
        x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
        const char* w = words ? kWords[(x >> 16) & 7] : nullptr;
        for (; w && *w; ++w) out.push_back(*w);
        if (!words) out.push_back(static_cast<uint8_t>(x >> 16));
    }
    out.resize(n);
    return out;
}

Bytes Decode(const Bytes& stream, size_t blockSize) {
    Bytes out(blockSize, 0xCD);
    EXPECT_EQ(LzhufDecode(stream.data(), stream.size(), out.data(), out.size()), 1);
    return out;
}

// In the fresh tree 'A' sits at depth 9 with the code 111001101; a match of 3 at depth 8
// with 10001100; position 0 is the 3-bit code 000 and six zero bits.
TEST(LzhufStream, KnownStreams) {
    const Bytes oneLiteral = {1, 0, 0, 0, 0xE6, 0x80};
    EXPECT_EQ(LzhufEncode(Bytes{'A'}.data(), 1), oneLiteral);
    EXPECT_EQ(Decode(oneLiteral, 1), Bytes{'A'});

    // Three spaces are a match of the ring's initial spaces at distance 1.
    const Bytes match = {3, 0, 0, 0, 0x8C, 0x00, 0x00};
    const Bytes spaces(3, ' ');
    EXPECT_EQ(LzhufEncode(spaces.data(), 3), match);
    EXPECT_EQ(Decode(match, 3), spaces);
    const Bytes cut = {'a', 'b', 0, 0, 0, 'a', 'b'};  // the zeros past the end match: cut to 2
    EXPECT_EQ(Decode(LzhufEncode(cut.data(), 7), 7), cut);
    // The same match from further back in the ring is still spaces: position 0x3F.
    EXPECT_EQ(Decode({3, 0, 0, 0, 0x8C, 0x1F, 0x80}, 3), spaces);
}

uint32_t Fnv1a(const Bytes& b) {
    uint32_t h = 2166136261u;
    for (uint8_t x : b) h = (h ^ x) * 16777619u;
    return h;
}

TEST(LzhufStream, StreamsPinnedByAnIndependentEncoder) {
    // From tests/res/lzhuf_reference.py, an independent encoder. The noise inputs rebuild the
    // tree once and three times, so the rebuild's order among equal counts shows.
    for (const auto& [n, seed, words, length, hash] :
         {std::tuple{50000, 7u, false, 50153u, 0x127034f0u},
          {40000, 11u, true, 5590u, 0x4aff002eu},
          {100000, 3u, false, 100175u, 0xba7cb0bdu}}) {
        const Bytes input = LcgInput(n, seed, words);
        const Bytes stream = LzhufEncode(input.data(), input.size());
        EXPECT_EQ(stream.size(), length) << n;
        EXPECT_EQ(Fnv1a(stream), hash) << n;
        EXPECT_EQ(Decode(stream, input.size()), input) << n;
    }
}

TEST(LzhufDecode, OutputStopsAtTheBlock) {
    // Also for a match that runs past the block's end: ten spaces into four.
    for (const auto& [data, block] :
         {std::pair{LcgInput(3000, 7, false), size_t{1000}}, {Bytes(10, ' '), size_t{4}}}) {
        const Bytes stream = LzhufEncode(data.data(), data.size());
        Bytes out(block + 8, 0xCD);
        ASSERT_EQ(LzhufDecode(stream.data(), stream.size(), out.data(), block), 1);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + block),
                  Bytes(data.begin(), data.begin() + block));
        EXPECT_EQ(Bytes(out.begin() + block, out.end()), Bytes(8, 0xCD));
    }
}

TEST(LzhufDecode, EveryCutOfAStreamIsReportedAndStaysInBounds) {
    Bytes data = LcgInput(600, 3, false);
    data.insert(data.end(), 600, 'k');
    Bytes stream = LzhufEncode(data.data(), data.size());
    // Every byte carries needed bits, so every cut is noticed; guard bytes are never written.
    for (size_t cut = 0; cut < stream.size(); cut++) {
        Bytes part(stream.begin(), stream.begin() + cut);
        Bytes out(data.size() + 8, 0xCD);
        EXPECT_EQ(LzhufDecode(part.data(), part.size(), out.data(), data.size()), -1)
            << "cut at " << cut << " of " << stream.size();
        EXPECT_EQ(Bytes(out.end() - 8, out.end()), Bytes(8, 0xCD));
    }
    // A block smaller than the stream states needs only its share of the input.
    Bytes out(50);
    EXPECT_EQ(LzhufDecode(stream.data(), stream.size() * 3 / 4, out.data(), 50), 1);
}

TEST(LzhufDecode, WholeStreamsAreNeverReportedShort) {
    // Bits fetched ahead of use past the end must not count as missing.
    for (size_t n = 0; n < 200; n++) {
        Bytes data = LcgInput(n, static_cast<uint32_t>(n + 1), false);
        for (size_t i = 0; i < n / 2; i++) data[i] = 'a' + i % 3;  // matches and literals
        const Bytes stream = LzhufEncode(data.data(), data.size());
        EXPECT_EQ(LzhufStoredLength(stream.data(), stream.size()), static_cast<int64_t>(n));
        EXPECT_EQ(Decode(stream, n), data) << n;
    }
}

TEST(LzhufDecode, TheLengthField) {
    const Bytes empty = LzhufEncode(nullptr, 0);
    EXPECT_EQ(empty, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Decode(empty, 8), Bytes(8, 0xCD));
    EXPECT_EQ(LzhufStoredLength(empty.data(), 3), -1);
    // A negative length decodes nothing; a length beyond the block stops there, short of input.
    EXPECT_EQ(Decode({0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34}, 8), Bytes(8, 0xCD));
    Bytes out(16);
    const Bytes huge = {0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(LzhufDecode(huge.data(), huge.size(), out.data(), 16), -1);
    EXPECT_EQ(LzhufDecode(huge.data(), 2, out.data(), 16), -1);  // cut inside the field
}

}  // namespace
