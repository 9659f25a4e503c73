// Fuzz target: the LZHUF decoder on arbitrary streams, and encoder round trips.
#include "res/lzhuf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Any stream: the block is what its length asks for, capped to keep runs fast (every
    // output byte costs a tree update).
    int64_t stated = LzhufStoredLength(data, size);
    size_t blockSize = stated > 0 ? std::min<int64_t>(stated, 1024) : 16;
    std::vector<uint8_t> block(blockSize);
    LzhufDecode(data, size, block.data(), block.size());

    // The first bytes as plain data must survive encoding and decoding; longer inputs only
    // repeat what the match tree and the model already do at this size.
    size = std::min<size_t>(size, 512);
    std::vector<uint8_t> stream = LzhufEncode(data, size);
    // A whole stream is never reported as cut short, and every shorter one is.
    std::vector<uint8_t> back(size);
    if (LzhufDecode(stream.data(), stream.size(), back.data(), back.size()) != 1) __builtin_trap();
    if (size && std::memcmp(back.data(), data, size) != 0) __builtin_trap();
    if (size && LzhufDecode(stream.data(), stream.size() - 1, back.data(), back.size()) != -1)
        __builtin_trap();
    return 0;
}
