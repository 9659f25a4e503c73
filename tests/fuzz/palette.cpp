// Fuzzes palette loading and the table builders over every pixel mode and fog colour.
#include "res/palette.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 4) {
        g_pixelMode = data[0] % 3;
        g_fogColour[0] = data[1];
        g_fogColour[1] = data[2];
        g_fogColour[2] = data[3];
    }
    if (!LoadPaletteFromMemory(data, size)) {
        // Still exercise the builders over whatever the tables hold.
        BuildShadeTables();
    }
    NearestColour(size & 0xFF, (size >> 8) & 0xFF, 77);
    return 0;
}
