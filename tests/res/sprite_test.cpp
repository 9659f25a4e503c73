// Sprite conversion and the scaled blit: exact copies, clipping, transparency and blend modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "app/display.h"
#include "res/image.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/tga_writer.h"

namespace {

// A frame of width x height pixels with the viewport inset by `band` on every side; the
// band is filled with a marker so any write outside the viewport shows.
template <typename Pixel>
struct GuardedFrame {
    GuardedFrame(int w, int h, int band, Pixel fill, Pixel marker)
        : width(w), height(h), band(band), marker(marker), pixels(size_t(w) * h, marker) {
        for (int y = 0; y < h - 2 * band; ++y)
            for (int x = 0; x < w - 2 * band; ++x) At(x, y) = fill;
    }
    FrameView View() {
        return FrameView{pixels.data(),    width, height, band, band, width - 2 * band,
                         height - 2 * band};
    }
    // Viewport coordinates.
    Pixel& At(int x, int y) { return pixels[static_cast<size_t>(y + band) * width + x + band]; }
    // Every marker outside the viewport is still there.
    bool BandUntouched() {
        long inside = 0;
        for (int y = 0; y < height - 2 * band; ++y)
            for (int x = 0; x < width - 2 * band; ++x) inside += At(x, y) == marker;
        return std::count(pixels.begin(), pixels.end(), marker) - inside ==
               width * height - (width - 2 * band) * (height - 2 * band);
    }
    int width, height, band;
    Pixel marker;
    std::vector<Pixel> pixels;
};

uint16_t Pack565(int r, int g, int b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

class SpriteTest : public ::testing::Test {
protected:
    void TearDown() override { g_display.Reset(); }
    // Loads image_ through our TGA writer: by default every pixel a distinct non-zero index
    // (1..255 repeating) and pal_ a palette of distinct non-black colours.
    void Load(int w, int h, std::vector<uint8_t> pixels = {}, std::vector<uint8_t> pal = {}) {
        if (pixels.empty())
            for (int i = 0; i < w * h; ++i) pixels.push_back(static_cast<uint8_t>(1 + i % 255));
        if (pal.empty())
            for (int i = 0; i < 256; ++i)
                for (int c : {i, 255 - i, (i * 7) & 0xFF}) pal.push_back(static_cast<uint8_t>(c));
        pal_ = pal;
        const auto file = WriteTgaIndexed(w, h, pixels.data(), pal.data());
        ASSERT_EQ(image_.LoadFromMemory(file.data(), file.size()), 1);
    }
    CIndexedImage image_;
    std::vector<uint8_t> pal_;
};

TEST_F(SpriteTest, FormatFollowsTheDisplayOrTheOverride) {
    Load(4, 4);
    CSprite sprite;
    // Display bits (15 for 5-5-5), override, the sprite's bits.
    const int cases[][3] = {{16, 0, 16}, {15, 0, 15}, {8, 0, 8}, {8, 1, 8}, {8, 2, 15}, {8, 7, 16}};
    for (const auto& c : cases) {
        UseHeadlessDisplay(64, 48, c[0] == 8 ? 8 : 16, c[0] == 15);
        ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, c[1]), 1);
        EXPECT_EQ(sprite.GetBits(), c[2]) << c[0] << " " << c[1];
    }
    EXPECT_EQ(sprite.LoadFromImage(image_, 3, 7), 0);  // no such mode
    EXPECT_EQ(sprite.GetBits(), 16);
    sprite.Release();
    EXPECT_FALSE(sprite.IsLoaded());
    EXPECT_EQ(sprite.GetBits(), 8);
}

TEST_F(SpriteTest, BlackStaysVisibleAndIndexZeroNeverDraws) {
    // Index 0 and index 1 are both black; index 1 becomes the packed value 1.
    const std::vector<uint8_t> pixels = {0, 1, 2, 0};
    std::vector<uint8_t> pal(768, 0);
    pal[6] = 255;  // entry 2 red
    Load(4, 1, pixels, pal);
    for (int override : {2, 3}) {
        CSprite sprite;
        ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, override), 1);
        GuardedFrame<uint16_t> frame(8, 5, 2, 0x5555, 0xDEAD);
        sprite.Draw(frame.View(), 2.0f, 0.5f, 4.0f, 1.0f);
        const int red = override == 2 ? 0x7C00 : 0xF800;
        EXPECT_EQ(std::vector<uint16_t>(frame.pixels.begin() + 18, frame.pixels.begin() + 22),
                  (std::vector<uint16_t>{0x5555, 1, static_cast<uint16_t>(red), 0x5555}));
        EXPECT_TRUE(frame.BandUntouched());
    }
}

TEST_F(SpriteTest, OwnSizeAtWholePixelsCopiesExactly) {
    Load(13, 7);
    CSprite wide, narrow;
    ASSERT_EQ(wide.LoadFromImage(image_, kSpriteColour, 3), 1);
    ASSERT_EQ(narrow.LoadFromImage(image_, kSpriteColour, 1), 1);
    GuardedFrame<uint16_t> f16(40, 30, 3, 0, 0xBEEF);
    GuardedFrame<uint8_t> f8(40, 30, 3, 0, 0xEE);
    // Centre = top-left + half the size: top-left at (5, 4).
    wide.Draw(f16.View(), 5 + 6.5f, 4 + 3.5f, 13, 7);
    narrow.Draw(f8.View(), 5 + 6.5f, 4 + 3.5f, 13, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const int index = image_.GetPixels()[y * 13 + x];
            ASSERT_EQ(f16.At(5 + x, 4 + y),
                      Pack565(pal_[index * 3], pal_[index * 3 + 1], pal_[index * 3 + 2]));
            ASSERT_EQ(f8.At(5 + x, 4 + y), index);
        }
    EXPECT_EQ(std::count(f8.pixels.begin(), f8.pixels.end(), 0), 34 * 24 - 13 * 7);
    EXPECT_TRUE(f16.BandUntouched());
    EXPECT_TRUE(f8.BandUntouched());
}

TEST_F(SpriteTest, SamplingStartsAtThePixelsFarEdge) {
    // Each pixel takes the texel under its far (right, lower) boundary: at half size that is
    // the second texel of every pair; a left edge half a pixel in moves the first sample
    // back by half a pixel's worth of texels.
    Load(8, 4);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 1), 1);
    GuardedFrame<uint8_t> frame(20, 12, 2, 0, 0xEE);
    sprite.Draw(frame.View(), 2.0f + 2, 2.0f + 1, 4, 2);  // top-left (2, 2), half size
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(frame.At(2 + x, 2 + y), image_.GetPixels()[(2 * y + 1) * 8 + 2 * x + 1]);
    GuardedFrame<uint8_t> shifted(20, 12, 2, 0, 0xEE);
    sprite.Draw(shifted.View(), 2.5f + 2, 2.0f + 1, 4, 2);  // left edge at 2.5
    EXPECT_EQ(shifted.At(2, 2), image_.GetPixels()[1 * 8 + 0]);
    EXPECT_EQ(shifted.At(3, 2), image_.GetPixels()[1 * 8 + 2]);
}

TEST_F(SpriteTest, HalfOffTheLeftOrTopEdgeDrawsTheOtherHalf) {
    Load(20, 4);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 1), 1);
    GuardedFrame<uint8_t> frame(40, 12, 4, 0, 0xEE);
    sprite.Draw(frame.View(), 0.0f, 2.0f, 20, 4);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(frame.At(x, 0), image_.GetPixels()[10 + x]) << x;
    EXPECT_EQ(frame.At(10, 0), 0);
    // Half off the top: the first rows shown are the sprite's third and fourth.
    sprite.Draw(frame.View(), 30.0f, 0.0f, 20, 4);
    const uint8_t* px = image_.GetPixels();
    EXPECT_EQ(std::vector<int>({frame.At(25, 0), frame.At(25, 1), frame.At(25, 2)}),
              std::vector<int>({px[2 * 20 + 5], px[3 * 20 + 5], 0}));
    EXPECT_TRUE(frame.BandUntouched());

    GuardedFrame<uint8_t> none(40, 12, 4, 0, 0xEE);
    sprite.Draw(none.View(), -10.0f, 2.0f, 20, 4);
    sprite.Draw(none.View(), 10.0f, 4.0f + 2.0f, 20, 4);  // top row at the viewport height
    for (uint8_t p : none.pixels) ASSERT_TRUE(p == 0 || p == 0xEE);
    EXPECT_TRUE(none.BandUntouched());
}

TEST_F(SpriteTest, ClippingNeverWritesOutsideTheViewport) {
    Load(9, 6);
    CSprite wide, narrow;
    ASSERT_EQ(wide.LoadFromImage(image_, kSpriteColour, 3), 1);
    ASSERT_EQ(narrow.LoadFromImage(image_, kSpriteTranslucent, 1), 1);
    GuardedFrame<uint16_t> f16(50, 40, 5, 0, 0xBEEF);
    GuardedFrame<uint8_t> f8(50, 40, 5, 0, 0xEE);
    const FrameView v16 = f16.View(), v8 = f8.View();
    // The four edges at whole and fractional positions, at sizes from a pixel to beyond the view.
    for (float off : {-0.99f, -0.5f, 0.0f, 0.25f, 0.5f, 0.999f}) {
        for (float size : {1.0f, 3.3f, 9.0f, 17.75f, 60.0f}) {
            const float w = static_cast<float>(v16.viewWidth),
                        h = static_cast<float>(v16.viewHeight);
            const float pts[4][2] = {
                {off, h / 2}, {w + off, h / 2}, {w / 2, off}, {w / 2, h + off}};
            for (auto& p : pts) {
                wide.Draw(v16, p[0], p[1], size, size * 0.7f);
                narrow.Draw(v8, p[0], p[1], size * 0.7f, size);
            }
        }
    }
    EXPECT_TRUE(f16.BandUntouched());
    EXPECT_TRUE(f8.BandUntouched());
}

TEST_F(SpriteTest, NothingDrawsForUnusablePlacements) {
    Load(4, 4);
    CSprite sprite;
    GuardedFrame<uint16_t> frame(20, 20, 2, 0, 0xBEEF);
    sprite.Draw(frame.View(), 8, 8, 4, 4);  // not loaded
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 3), 1);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float cases[][4] = {
        {nan, 8, 4, 4},   {8, nan, 4, 4},       {8, 8, nan, 4},    {8, 8, 4, nan},  {inf, 8, 4, 4},
        {8, -inf, 4, 4},  {8, 8, inf, 4},       {8, 8, 4, inf},    {8, 8, 0, 4},    {8, 8, 4, -1},
        {1e30f, 8, 4, 4}, {8, 8, 1e30f, 1e30f}, {8, 8, 1e-30f, 4}, {-1e9f, 8, 4, 4}};
    for (auto& c : cases) sprite.Draw(frame.View(), c[0], c[1], c[2], c[3]);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(frame.At(x, y), 0);
    EXPECT_TRUE(frame.BandUntouched());
}

TEST_F(SpriteTest, TranslucentSixteenBitAveragesWithTheFrame) {
    const std::vector<uint8_t> pixels = {1};
    std::vector<uint8_t> pal(768, 255);
    Load(1, 1, pixels, pal);
    CSprite s16, s15;
    ASSERT_EQ(s16.LoadFromImage(image_, kSpriteTranslucent, 3), 1);
    ASSERT_EQ(s15.LoadFromImage(image_, kSpriteTranslucent, 2), 1);
    GuardedFrame<uint16_t> frame(6, 6, 1, 0, 0xBEEF);
    s16.Draw(frame.View(), 0.5f, 0.5f, 1, 1);
    s15.Draw(frame.View(), 1.5f, 0.5f, 1, 1);
    EXPECT_EQ(frame.At(0, 0), 0x7BEF);  // half white over black, 5-6-5
    EXPECT_EQ(frame.At(1, 0), 0x3DEF);
    frame.At(2, 0) = 0xFFFF;
    s16.Draw(frame.View(), 2.5f, 0.5f, 1, 1);
    EXPECT_EQ(frame.At(2, 0), 0xF7DE);  // white over white loses the lowest bit of each
}

TEST_F(SpriteTest, LightModeLevels) {
    // A grey ramp: pixel i has colour (i, i, i), so its intensity is about i / 2.
    std::vector<uint8_t> pixels(256), ramp(768);
    for (int i = 0; i < 768; ++i) ramp[i] = static_cast<uint8_t>(i / 3);
    for (int i = 0; i < 256; ++i) pixels[i] = static_cast<uint8_t>(i);
    Load(256, 1, pixels, ramp);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteLight, 3), 1);
    const uint8_t* level = sprite.GetData();
    EXPECT_EQ(std::make_pair(level[0], level[255]), std::make_pair(uint8_t{0}, uint8_t{127}));
    int at64 = -1, at1 = -1;
    for (int i = 255; i >= 0; --i) {
        ASSERT_LE(level[i], 127);
        if (level[i] == 64) at64 = i;
        if (level[i] == 1) at1 = i;
    }
    ASSERT_GE(std::min(at64, at1), 0);

    const uint16_t grey = Pack565(120, 200, 40);
    GuardedFrame<uint16_t> frame(260, 3, 1, grey, 0xBEEF);
    for (int x = 0; x < 256; ++x) frame.At(x, 0) = (x == 255) ? 0 : grey;
    sprite.Draw(frame.View(), 128.0f, 0.5f, 256, 1);
    EXPECT_EQ(frame.At(0, 0), grey);               // intensity 0 is skipped
    EXPECT_EQ(frame.At(at64, 0), grey & ~0x0020);  // identity but for the lowest green bit
    EXPECT_EQ(frame.At(at1, 0), 0);                // black
    EXPECT_EQ(frame.At(255, 0), (30 << 11) | (30 << 6) | 30);  // 0 lifted to 30
    EXPECT_TRUE(frame.BandUntouched());

    // A level byte rewritten above 127 draws as 127, not from past the table.
    sprite.GetData()[255] = 255;
    frame.At(255, 0) = 0;
    sprite.Draw(frame.View(), 128.0f, 0.5f, 256, 1);
    EXPECT_EQ(frame.At(255, 0), (30 << 11) | (30 << 6) | 30);
}

TEST_F(SpriteTest, EightBitModesGoThroughThePaletteTables) {
    // Global palette: entry 0 and entry 9 are both pure green; everything else grey-ish.
    std::vector<uint8_t> palFile(kPalFileSize, 0);
    for (int i = 0; i < 256; ++i)
        palFile[i * 3] = palFile[i * 3 + 1] = palFile[i * 3 + 2] = static_cast<uint8_t>(i);
    palFile[0] = palFile[2] = palFile[27] = palFile[29] = 0;
    palFile[1] = palFile[28] = 255;
    for (int ab = 0; ab < 65536; ++ab)
        palFile[kPalFileBlendOffset + ab] = static_cast<uint8_t>((ab >> 8) ^ (ab & 255));
    // Shade source row 2L is filled with L + 100, so shade8 level L gives L + 100.
    for (int row = 0; row < 256; ++row)
        std::memset(palFile.data() + kPalFileShadeOffset + row * 256, row / 2 + 100, 256);
    g_pixelMode = 0;
    ASSERT_EQ(LoadPaletteFromMemory(palFile.data(), palFile.size()), 1);

    // Image: index 1 pure green (maps to 9: entry 0 is never chosen), index 2 grey 77.
    const std::vector<uint8_t> pixels = {1, 2, 0};
    std::vector<uint8_t> pal(768, 0);
    pal[4] = 255;
    pal[6] = pal[7] = pal[8] = 77;
    Load(3, 1, pixels, pal);
    UseHeadlessDisplay(64, 48, 8);
    CSprite colour, translucent, light;
    ASSERT_EQ(colour.LoadFromImage(image_, kSpriteColour, 0), 1);
    ASSERT_EQ(translucent.LoadFromImage(image_, kSpriteTranslucent, 0), 1);
    ASSERT_EQ(light.LoadFromImage(image_, kSpriteLight, 0), 1);
    EXPECT_EQ(std::vector<uint8_t>(colour.GetData(), colour.GetData() + 2),
              (std::vector<uint8_t>{9, 77}));

    GuardedFrame<uint8_t> frame(7, 5, 1, 5, 0xEE);
    colour.Draw(frame.View(), 1.5f, 0.5f, 3, 1);
    translucent.Draw(frame.View(), 1.5f, 1.5f, 3, 1);
    light.Draw(frame.View(), 1.5f, 2.5f, 3, 1);
    // Rows: colour, translucent (blend table a ^ b), light (green's level trunc(0.5 * 255) >> 1
    // = 63 through shade row 63).
    const int want[3][3] = {{9, 77, 5}, {9 ^ 5, 77 ^ 5, 5}, {63 + 100, 0, 5}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_TRUE(!want[y][x] || frame.At(x, y) == want[y][x]) << x << "," << y;
    EXPECT_TRUE(frame.BandUntouched());

    // A level byte rewritten above 127 reads shade row 127.
    light.GetData()[0] = 200;
    light.Draw(frame.View(), 1.5f, 2.5f, 3, 1);
    EXPECT_EQ(frame.At(0, 2), 127 + 100);
}

TEST_F(SpriteTest, LoadFromDiskAndKeepStateOnFailure) {
    TempDir dir;
    std::vector<uint8_t> pixels(6 * 4, 3);
    std::vector<uint8_t> pal(768, 90);
    dir.Write("DATA/SPR.TGA", WriteTgaIndexed(6, 4, pixels.data(), pal.data()));
    ScopedWorkingDir cwd(dir.Path());
    UseHeadlessDisplay(64, 48, 16);
    CSprite sprite("DATA\\SPR.TGA", kSpriteColour);
    EXPECT_EQ(std::make_tuple(sprite.IsLoaded(), sprite.GetWidth(), sprite.GetBits()),
              std::make_tuple(true, 6, 16));
    EXPECT_EQ(sprite.Load("DATA\\NONE.TGA", kSpriteLight, 0), 0);
    EXPECT_EQ(std::make_tuple(sprite.IsLoaded(), sprite.GetMode()),
              std::make_tuple(true, kSpriteColour));
}

// Single-precision corners can put the last column one texel past the sprite's edge; this
// placement (found by search) does, and must stop at the last texel instead.
TEST_F(SpriteTest, RoundingNeverWalksPastTheLastTexel) {
    std::vector<uint8_t> pixels(53);
    std::vector<uint8_t> pal(768, 0);
    for (int i = 0; i < 53; ++i) {
        pixels[i] = static_cast<uint8_t>(1 + i);
        pal[(1 + i) * 3] = static_cast<uint8_t>(8 * (i % 32));
        pal[(1 + i) * 3 + 2] = static_cast<uint8_t>(8 * (i / 32) + 8);
    }
    Load(53, 1, pixels, pal);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 3), 1);
    GuardedFrame<uint16_t> frame(600, 3, 1, 0, 0xBEEF);
    sprite.Draw(frame.View(), 504.622986f, 0.5f, 24.7539997f, 1.0f);
    const uint16_t* texels = reinterpret_cast<const uint16_t*>(sprite.GetData());
    int drawn = 0, lastTexel = -1;
    for (int x = 0; x < 598; ++x) {
        if (frame.At(x, 0) == 0) continue;
        ++drawn;
        const uint16_t* t = std::find(texels, texels + 53, frame.At(x, 0));
        ASSERT_NE(t, texels + 53) << x;
        ASSERT_GT(t - texels, lastTexel);
        lastTexel = static_cast<int>(t - texels);
    }
    EXPECT_GE(lastTexel, 50);  // within one step (53 / 24.75 texels) of the edge
    EXPECT_GE(drawn, 24);
    EXPECT_TRUE(frame.BandUntouched());
}

}  // namespace
