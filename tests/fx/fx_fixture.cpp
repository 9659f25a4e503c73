#include "tests/fx/fx_fixture.h"

#include "tools/common/palette_compiler.h"

const uint8_t* TestPalette() {
    static const std::vector<uint8_t> palette = [] {
        std::vector<uint8_t> p(768, 0);
        for (int i = 1; i < 256; ++i) {
            const int k = i & 63;
            const int rgb[3][3] = {
                {i * 2, i * 2, i * 2}, {255, 128 + k * 2, k * 3}, {k * 2, 64 + k * 2, 128 + k * 2}};
            for (int c = 0; c < 3; ++c)
                p[i * 3 + c] = static_cast<uint8_t>(rgb[i < 128 ? 0 : i < 192 ? 1 : 2][c]);
        }
        return p;
    }();
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
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = pixel(i % width, i / width);
    return WriteTgaIndexed(width, height, pixels.data(), TestPalette());
}

void FxTest::SetUp() {
    ASSERT_EQ(CreateWorld(), 1);
    LoadTestPalette();
    UseHeadlessDisplay(640, 480, 16);
}

void FxTest::TearDown() {
    if (g_context) ReleaseWorld();
    g_display.Reset();
}

TestFrame::TestFrame(int w, int h, int b, uint16_t f, int g)
    : width(w), height(h), bits(b), guard(g), pitch(w + 2 * g), fill(f) {
    const size_t size = static_cast<size_t>(pitch) * (h + 2 * g);
    if (bits == 8)
        bytes.assign(size, static_cast<uint8_t>(fill));
    else
        words.assign(size, fill);
}

FrameView TestFrame::View() {
    void* p = bits == 8 ? static_cast<void*>(bytes.data()) : static_cast<void*>(words.data());
    return FrameView{p, pitch, height + 2 * guard, guard, guard, width, height, 0.28f, 0.21f};
}

uint32_t TestFrame::At(int x, int y) const {
    const size_t i = static_cast<size_t>(y + guard) * pitch + x + guard;
    return bits == 8 ? bytes[i] : words[i];
}

void TestFrame::Set(int x, int y, uint16_t value) {
    const size_t i = static_cast<size_t>(y + guard) * pitch + x + guard;
    bits == 8 ? void(bytes[i] = static_cast<uint8_t>(value)) : void(words[i] = value);
}

void TestFrame::Paint(uint16_t value) {
    for (int i = 0; i < width * height; ++i) Set(i % width, i / width, value);
}

bool TestFrame::GuardIntact() const {
    for (int y = -guard; y < height + guard; ++y)
        for (int x = -guard; x < width + guard; ++x)
            if ((x < 0 || y < 0 || x >= width || y >= height) &&
                At(x, y) != (bits == 8 ? fill & 255u : fill))
                return false;
    return true;
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
