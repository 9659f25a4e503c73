// TGA writers for the content generator and the tests.
#include "tools/common/tga_writer.h"

#include <cstdio>

#include "tools/common/output_file.h"

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, int v) {
    out[at] = static_cast<uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

// Header of an uncompressed 8-bit image with a bottom-left origin (descriptor 0).
std::vector<uint8_t> Header(int type, int width, int height, int colourCount) {
    std::vector<uint8_t> h(18, 0);
    h[1] = colourCount > 0 ? 1 : 0;  // colour map present
    h[2] = static_cast<uint8_t>(type);
    Put16(h, 3, 0);  // first map entry
    Put16(h, 5, colourCount);
    h[7] = colourCount > 0 ? 24 : 0;  // bits per map entry
    Put16(h, 12, width);
    Put16(h, 14, height);
    h[16] = 8;  // bits per pixel
    return h;
}

void AppendBottomUp(std::vector<uint8_t>& out, int width, int height, const uint8_t* pixels) {
    for (int row = height - 1; row >= 0; --row) {
        const uint8_t* line = pixels + static_cast<size_t>(row) * width;
        out.insert(out.end(), line, line + width);
    }
}

}  // namespace

std::vector<uint8_t> WriteTgaIndexed(int width, int height, const uint8_t* pixels,
                                     const uint8_t* palette, int colourCount) {
    if (colourCount < 1 || colourCount > 256) colourCount = 256;
    std::vector<uint8_t> out = Header(1, width, height, colourCount);
    for (int i = 0; i < colourCount; ++i) {
        out.push_back(palette[i * 3 + 2]);
        out.push_back(palette[i * 3 + 1]);
        out.push_back(palette[i * 3 + 0]);
    }
    AppendBottomUp(out, width, height, pixels);
    return out;
}

std::vector<uint8_t> WriteTgaGrey(int width, int height, const uint8_t* pixels) {
    std::vector<uint8_t> out = Header(3, width, height, 0);
    AppendBottomUp(out, width, height, pixels);
    return out;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteOutputFile(path, bytes);
}
