// Shared set-up for the effect tests, and the headers most of them use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/display.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "platform/random.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/tga_writer.h"

// Loads the test palette (black, grey, warm and cool ramps) and its tables in 5-6-5 mode.
void LoadTestPalette();
// The test palette's 256 x (red, green, blue).
const uint8_t* TestPalette();

// A colour-mapped TGA of the test palette; pixel(x, y) gives each index.
std::vector<uint8_t> MakeTestTga(int width, int height, uint8_t (*pixel)(int x, int y));

// A test in a fresh working folder, with a world, the test palette and a 640 x 480 display.
class FxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes DATA/name, a test-palette TGA of pixel(x, y).
    void Tga(const char* name, int width, int height, uint8_t (*pixel)(int x, int y)) {
        dir.Write(std::string("DATA/") + name, MakeTestTga(width, height, pixel));
    }
    TempDir dir;
    ScopedWorkingDir cwd{dir.Path()};
};

// A viewport of the scenes' view plane inside a guard band of `guard` pixels, all fill.
struct TestFrame {
    TestFrame(int width, int height, int bits, uint16_t fill, int guard = 0);
    FrameView View();
    // Pixel at viewport (x, y) as a number, whatever the depth; the guard lies outside.
    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint16_t value);
    // Sets every viewport pixel to value; the guard keeps fill.
    void Paint(uint16_t value);
    bool GuardIntact() const;

    int width, height, bits, guard, pitch;
    uint16_t fill;
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> words;
};

// Flags of the pixels draw touched, from runs on frames of two different fills.
template <typename DrawFn>
std::vector<uint8_t> Coverage(int width, int height, int bits, DrawFn draw) {
    std::vector<uint8_t> touched(static_cast<size_t>(width) * height, 0);
    // 16-bit fills are greys with an even 6-bit green, which the light blit keeps exactly.
    const uint16_t fills[2] = {static_cast<uint16_t>(bits == 8 ? 0x55 : 0x528A),
                               static_cast<uint16_t>(bits == 8 ? 0xAA : 0xAD55)};
    for (uint16_t fill : fills) {
        TestFrame frame(width, height, bits, fill);
        const uint32_t before = frame.At(0, 0);
        draw(frame);
        for (int i = 0; i < width * height; ++i)
            touched[i] |= frame.At(i % width, i / width) != before;
    }
    return touched;
}

// Bounding box of the flagged pixels; empty (count 0) when none is flagged.
struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
    long count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};
Box BoundingBox(const std::vector<uint8_t>& flags, int width, int height);

template <typename DrawFn>
Box DrawnBox(int width, int height, int bits, DrawFn draw) {
    return BoundingBox(Coverage(width, height, bits, draw), width, height);
}
