// Shared set-up for the effect tests.
#include "tests/fx/fx_fixture.h"

#include <algorithm>

#include "res/palette.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/tga_writer.h"

namespace {

std::vector<uint8_t> BuildPalette() {
    std::vector<uint8_t> p(768, 0);
    auto set = [&](int i, int r, int g, int b) {
        p[i * 3 + 0] = static_cast<uint8_t>(r);
        p[i * 3 + 1] = static_cast<uint8_t>(g);
        p[i * 3 + 2] = static_cast<uint8_t>(b);
    };
    for (int i = 1; i < 128; ++i) set(i, i * 2, i * 2, i * 2);
    for (int i = 0; i < 64; ++i) set(128 + i, 255, 128 + i * 2, i * 3);
    for (int i = 0; i < 64; ++i) set(192 + i, i * 2, 64 + i * 2, 128 + i * 2);
    return p;
}

}  // namespace

const uint8_t* TestPalette() {
    static const std::vector<uint8_t> palette = BuildPalette();
    return palette.data();
}

void LoadTestPalette() {
    static const std::vector<uint8_t> file = CompilePalette(TestPalette());
    g_pixelMode = 2;
    LoadPaletteFromMemory(file.data(), file.size());
    BuildShadeTables();
}

std::vector<uint8_t> MakeTestTga(int width, int height, uint8_t (*pixel)(int x, int y)) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = pixel(x, y);
    return WriteTgaIndexed(width, height, pixels.data(), TestPalette());
}

TestFrame::TestFrame(int w, int h, int b, uint16_t fill) : width(w), height(h), bits(b) {
    if (bits == 8)
        bytes.assign(static_cast<size_t>(w) * h, static_cast<uint8_t>(fill));
    else
        words.assign(static_cast<size_t>(w) * h, fill);
}

FrameView TestFrame::View() {
    FrameView v;
    v.frame = bits == 8 ? static_cast<void*>(bytes.data()) : static_cast<void*>(words.data());
    v.width = width;
    v.height = height;
    v.left = 0;
    v.top = 0;
    v.viewWidth = width;
    v.viewHeight = height;
    v.planeWidth = 0.28f;
    v.planeHeight = 0.21f;
    return v;
}

uint32_t TestFrame::At(int x, int y) const {
    const size_t i = static_cast<size_t>(y) * width + x;
    return bits == 8 ? bytes[i] : words[i];
}

void TestFrame::Fill(uint16_t value) {
    if (bits == 8)
        std::fill(bytes.begin(), bytes.end(), static_cast<uint8_t>(value));
    else
        std::fill(words.begin(), words.end(), value);
}

Box BoundingBox(const std::vector<uint8_t>& flags, int width, int height) {
    Box box;
    box.left = width;
    box.top = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (flags[static_cast<size_t>(y) * width + x]) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    if (box.count == 0) box = Box{};
    return box;
}
