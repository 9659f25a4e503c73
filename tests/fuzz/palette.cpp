// Fuzzes palette loading and the table builders over every pixel mode and fog colour.
#include "res/palette.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Inputs are far shorter than a palette file, so the first four bytes choose the pixel
// mode, the fog colour and whether the file is cut short; the rest is repeated to fill it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    g_pixelMode = data[0] % 3;
    g_fogColour[0] = data[1];
    g_fogColour[1] = data[2];
    g_fogColour[2] = data[3];
    const uint8_t* body = data + 4;
    const size_t bodySize = size - 4;
    // The body repeated by doubling copies (a byte loop over the whole file costs more than
    // the tables it feeds); a whole palette file is taken as it is.
    static std::vector<uint8_t> file(kPalFileSize);
    size_t filled = std::min(bodySize, kPalFileSize);
    std::memcpy(file.data(), body, filled);
    while (filled < kPalFileSize) {
        const size_t n = std::min(filled, kPalFileSize - filled);
        std::memcpy(file.data() + filled, file.data(), n);
        filled += n;
    }
    const size_t length = (data[0] & 0x80) ? kPalFileSize - 1 - (data[1] % 64) : kPalFileSize;
    // A loaded palette builds the fog tables itself; a refused one leaves the old tables,
    // which are rebuilt for the new fog colour.
    if (!LoadPaletteFromMemory(file.data(), length)) BuildFogTables();
    NearestColour(data[1], data[2], data[3]);
    return 0;
}
