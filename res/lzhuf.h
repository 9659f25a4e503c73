// LZHUF member streams: the decoder the archive uses and the encoder our tools use.
//
// A member stream is a 4-byte little-endian decompressed length followed by the LZHUF bit
// stream, most significant bit of each byte first: LZSS over a 4096-byte ring that starts
// filled with spaces, literals and match lengths coded with an adaptive Huffman code, match
// positions with a fixed code for their upper six bits and the lower six bits verbatim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Reads from `file`, positioned at a member stream, and decodes into `block`. Output past
// `blockSize` is dropped (decoding stops there); input past the end of the file reads as 0
// bits. The block is left untouched beyond what the stream produces. Returns 1 once the
// decoder has run, -1 when the input ran out before the output was complete (a bit that
// was used, or the length field, lay past the end), 0 when `file` or `block` is missing.
int LzhufDecode(FILE* file, uint8_t* block, size_t blockSize);

// The same over a stream held in memory.
int LzhufDecode(const uint8_t* stream, size_t streamSize, uint8_t* block, size_t blockSize);

// The length a member stream states, or -1 when fewer than 4 bytes are given. The value is
// read as a signed 32-bit number: a negative length decodes nothing.
int64_t LzhufStoredLength(const uint8_t* stream, size_t streamSize);

// Compresses `size` bytes into a complete member stream (length field included).
// `size` must fit in 31 bits.
std::vector<uint8_t> LzhufEncode(const uint8_t* data, size_t size);
