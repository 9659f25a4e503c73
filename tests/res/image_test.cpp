// TGA reading and resizing; sprite conversion and the scaled blit in every mode and format.
#include "res/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "app/display.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/tga_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A frame whose viewport is inset by a band of markers that shows any write outside it.
template <typename Pixel>
struct GuardedFrame {
    GuardedFrame(int w, int h, int band, Pixel fill, Pixel marker)
        : w(w), h(h), band(band), marker(marker), pixels(size_t(w) * h, marker) {
        for (int y = 0; y < h - 2 * band; ++y) std::fill_n(&At(0, y), w - 2 * band, fill);
    }
    FrameView View() { return {pixels.data(), w, h, band, band, w - 2 * band, h - 2 * band}; }
    Pixel& At(int x, int y) { return pixels[size_t(y + band) * w + x + band]; }
    bool BandUntouched() const {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x < band || x >= w - band || y < band || y >= h - band) &&
                    pixels[size_t(y) * w + x] != marker)
                    return false;
        return true;
    }
    int w, h, band;
    Pixel marker;
    std::vector<Pixel> pixels;
};

Bytes Iota(size_t n, int start = 0) {
    Bytes v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
    return v;
}

Bytes PixelsOf(const CIndexedImage& image) {
    return Bytes(image.GetPixels(), image.GetPixels() + image.GetWidth() * image.GetHeight());
}

TEST(IndexedImageTest, ColourMappedAndGreyRoundTrips) {
    const auto pixels = Iota(5 * 3, 1);  // 5 wide, 3 high, row 0 = 1..5
    const auto palette = Iota(768);
    const auto file = WriteTgaIndexed(5, 3, pixels.data(), palette.data());
    // Colour-mapped, 256 map entries of 24 bits, 5 x 3, 8 bits per pixel, bottom-left origin.
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18),
              (Bytes{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 5, 0, 3, 0, 8, 0}));
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(std::make_tuple(image.GetWidth(), image.GetHeight(), PixelsOf(image)),
              std::make_tuple(5, 3, pixels));
    EXPECT_EQ(Bytes(image.GetPalette(), image.GetPalette() + 768), palette);
    // Greyscale gets a grey ramp palette.
    const auto grey = WriteTgaGrey(5, 3, pixels.data());
    ASSERT_EQ(image.LoadFromMemory(grey.data(), grey.size()), 1);
    for (int i = 0; i < 768; ++i) ASSERT_EQ(image.GetPalette()[i], i / 3) << i;
    EXPECT_EQ(PixelsOf(image), pixels);
}

// 300 map entries (blue, green, red) = (i, i, 255 - i); the first stored row is the bottom one
// although the descriptor (0x20) says top-down.
TEST(IndexedImageTest, LongColourMapAndBottomRowFirst) {
    Bytes file = {0, 1, 1, 0, 0, 300 & 0xFF, 300 >> 8, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0x20};
    for (int i = 0; i < 300; ++i)
        for (int c : {i, i, 255 - i}) file.push_back(static_cast<uint8_t>(c));
    for (uint8_t p : {7, 8, 9, 10}) file.push_back(p);
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(PixelsOf(image), (Bytes{9, 10, 7, 8}));
    EXPECT_EQ(image.GetPalette()[255 * 3], 0);  // red of entry 255 = 255 - 255
    EXPECT_EQ(image.GetPalette()[255 * 3 + 2], 255);
}

TEST(IndexedImageTest, RefusesWhatItCannotRead) {
    const auto good = WriteTgaIndexed(4, 4, Iota(16).data(), Iota(768).data());
    CIndexedImage image;
    auto refuses = [&](const Bytes& file) {
        return image.LoadFromMemory(file.data(), file.size()) == 0;
    };
    ASSERT_FALSE(refuses(good));  // every failed load below keeps this image
    // Header bytes [at, at + n) set to v: image types we do not read (a high type byte makes
    // 0x0101), zero or huge sizes, a colour map longer than the file.
    const int patches[][3] = {{2, 1, 0}, {2, 1, 2},  {2, 1, 9},  {2, 1, 10},    {2, 1, 11},
                              {3, 1, 1}, {12, 2, 0}, {14, 2, 0}, {12, 4, 0xFF}, {5, 2, 0xFF}};
    for (const auto& [at, n, v] : patches) {
        auto f = good;
        std::fill_n(f.begin() + at, n, static_cast<uint8_t>(v));
        EXPECT_TRUE(refuses(f)) << at << " " << v;
    }
    // One pixel short, and files cut inside the colour map and the header.
    for (size_t n : {good.size() - 1, size_t{100}, size_t{17}})
        EXPECT_TRUE(refuses(Bytes(good.begin(), good.begin() + n))) << n;
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_NE(image.GetPixels(), nullptr);
}

TEST(IndexedImageTest, ResizeRepeatsAndSkipsPixels) {
    const auto palette = Iota(768);
    auto file = WriteTgaIndexed(4, 1, Bytes{10, 11, 12, 13}.data(), palette.data());
    CIndexedImage image;
    EXPECT_EQ(image.Resize(4, 4), 0);  // nothing loaded
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    ASSERT_EQ(image.Resize(8, 1), 1);
    EXPECT_EQ(PixelsOf(image), (Bytes{10, 10, 11, 11, 12, 12, 13, 13}));
    file = WriteTgaIndexed(8, 1, Iota(8).data(), palette.data());
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    // Rows resample the same way; the palette is untouched.
    ASSERT_EQ(image.Resize(4, 3), 1);
    EXPECT_EQ(PixelsOf(image), (Bytes{0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6}));
    EXPECT_EQ(image.GetPalette()[30], 30);
    for (const auto& [w, h] : {std::pair{0, 4}, {4, -1}, {kMaxImageEdge + 1, 1}})
        EXPECT_EQ(image.Resize(w, h), 0) << w << " " << h;
    EXPECT_EQ(image.GetWidth(), 4);
    image.Release();
    EXPECT_EQ(std::make_tuple(image.GetWidth(), image.GetPalette()), std::make_tuple(0, nullptr));
}

uint16_t Pack565(int r, int g, int b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

class SpriteTest : public ::testing::Test {
protected:
    void TearDown() override { g_display.Reset(); }
    // Through our TGA writer; by default pixel i is index 1 + i % 255, colours distinct.
    void Load(int w, int h, Bytes pixels = {}, Bytes pal = {}) {
        if (pixels.empty())
            for (int i = 0; i < w * h; ++i) pixels.push_back(static_cast<uint8_t>(1 + i % 255));
        if (pal.empty())
            for (int i = 0; i < 256; ++i)
                for (int c : {i, 255 - i, (i * 7) & 0xFF}) pal.push_back(static_cast<uint8_t>(c));
        const auto file = WriteTgaIndexed(w, h, pixels.data(), pal.data());
        ASSERT_EQ(image_.LoadFromMemory(file.data(), file.size()), 1);
    }
    CIndexedImage image_;
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
    EXPECT_EQ(std::make_pair(sprite.IsLoaded(), sprite.GetBits()), std::make_pair(false, 8));
}

TEST_F(SpriteTest, BlackStaysVisibleAndIndexZeroNeverDraws) {
    // Index 0 and index 1 are both black; index 1 becomes the packed value 1.
    Bytes pal(768, 0);
    pal[6] = 255;  // entry 2 red
    Load(4, 1, {0, 1, 2, 0}, pal);
    for (int override : {2, 3}) {
        CSprite sprite;
        ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, override), 1);
        GuardedFrame<uint16_t> frame(8, 5, 2, 0x5555, 0xDEAD);
        sprite.Draw(frame.View(), 2.0f, 0.5f, 4.0f, 1.0f);
        const uint16_t red = override == 2 ? 0x7C00 : 0xF800;
        EXPECT_EQ(std::vector<uint16_t>(&frame.At(0, 0), &frame.At(4, 0)),
                  (std::vector<uint16_t>{0x5555, 1, red, 0x5555}));
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
    // Centre = top-left (5, 4) + half the size.
    wide.Draw(f16.View(), 5 + 6.5f, 4 + 3.5f, 13, 7);
    narrow.Draw(f8.View(), 5 + 6.5f, 4 + 3.5f, 13, 7);
    const uint8_t* pal = image_.GetPalette();
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const int i = image_.GetPixels()[y * 13 + x];
            ASSERT_EQ(f16.At(5 + x, 4 + y), Pack565(pal[i * 3], pal[i * 3 + 1], pal[i * 3 + 2]));
            ASSERT_EQ(f8.At(5 + x, 4 + y), i);
        }
    EXPECT_EQ(std::count(f8.pixels.begin(), f8.pixels.end(), 0), 34 * 24 - 13 * 7);
    EXPECT_TRUE(f16.BandUntouched() && f8.BandUntouched());
}

// Each pixel takes the texel under its far (right, lower) boundary, clipped edges included.
TEST_F(SpriteTest, SamplingAndClippedEdges) {
    Load(8, 4);
    const uint8_t* px = image_.GetPixels();
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 1), 1);
    GuardedFrame<uint8_t> frame(20, 12, 2, 0, 0xEE);
    sprite.Draw(frame.View(), 2.0f + 2, 2.0f + 1, 4, 2);  // top-left (2, 2), half size
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(frame.At(2 + x, 2 + y), px[(2 * y + 1) * 8 + 2 * x + 1]);
    // A left edge half a pixel in moves the first sample back by half a pixel's texels.
    sprite.Draw(frame.View(), 2.5f + 2, 2.0f + 1, 4, 2);
    EXPECT_EQ(std::make_pair(frame.At(2, 2), frame.At(3, 2)), std::make_pair(px[8], px[10]));

    Load(20, 4);
    px = image_.GetPixels();
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 1), 1);
    GuardedFrame<uint8_t> clip(40, 12, 4, 0, 0xEE);
    sprite.Draw(clip.View(), 0.0f, 2.0f, 20, 4);  // half off the left edge
    for (int x = 0; x < 10; ++x) EXPECT_EQ(clip.At(x, 0), px[10 + x]) << x;
    EXPECT_EQ(clip.At(10, 0), 0);
    sprite.Draw(clip.View(), 30.0f, 0.0f, 20, 4);  // half off the top: rows 2 and 3 show
    EXPECT_EQ(std::vector<int>({clip.At(25, 0), clip.At(25, 1), clip.At(25, 2)}),
              std::vector<int>({px[2 * 20 + 5], px[3 * 20 + 5], 0}));
    EXPECT_TRUE(clip.BandUntouched());
}

TEST_F(SpriteTest, ClippingNeverWritesOutsideTheViewport) {
    Load(9, 6);
    CSprite wide, narrow;
    ASSERT_EQ(wide.LoadFromImage(image_, kSpriteColour, 3), 1);
    ASSERT_EQ(narrow.LoadFromImage(image_, kSpriteTranslucent, 1), 1);
    GuardedFrame<uint16_t> f16(50, 40, 5, 0, 0xBEEF);
    GuardedFrame<uint8_t> f8(50, 40, 5, 0, 0xEE);
    // The four edges at whole and fractional positions, sizes from a pixel to beyond the view.
    const float w = 40, h = 30;
    for (float off : {-0.99f, -0.5f, 0.0f, 0.25f, 0.5f, 0.999f})
        for (float size : {1.0f, 3.3f, 9.0f, 17.75f, 60.0f})
            for (const auto& [x, y] :
                 {std::pair{off, h / 2}, {w + off, h / 2}, {w / 2, off}, {w / 2, h + off}}) {
                wide.Draw(f16.View(), x, y, size, size * 0.7f);
                narrow.Draw(f8.View(), x, y, size * 0.7f, size);
            }
    EXPECT_TRUE(f16.BandUntouched() && f8.BandUntouched());
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
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), 0), 16 * 16);
}

TEST_F(SpriteTest, TranslucentSixteenBitAveragesWithTheFrame) {
    Load(1, 1, {1}, Bytes(768, 255));
    CSprite s16, s15;
    ASSERT_EQ(s16.LoadFromImage(image_, kSpriteTranslucent, 3), 1);
    ASSERT_EQ(s15.LoadFromImage(image_, kSpriteTranslucent, 2), 1);
    GuardedFrame<uint16_t> frame(6, 6, 1, 0, 0xBEEF);
    frame.At(2, 0) = 0xFFFF;
    s16.Draw(frame.View(), 0.5f, 0.5f, 1, 1);
    s15.Draw(frame.View(), 1.5f, 0.5f, 1, 1);
    s16.Draw(frame.View(), 2.5f, 0.5f, 1, 1);
    // Half white over black in 5-6-5 and 5-5-5; white over white loses each lowest bit.
    EXPECT_EQ(std::make_tuple(frame.At(0, 0), frame.At(1, 0), frame.At(2, 0)),
              std::make_tuple(0x7BEF, 0x3DEF, 0xF7DE));
}

// Both 16-bit layouts, copy and average, at the sprite's size (texels read in a row) and at
// half size (texels gathered): groups of eight with no index 0, only index 0 and some, and
// tails. Under index 0 the frame stays as it was.
TEST_F(SpriteTest, SixteenBitCopyAndAverageKeepTheFrameUnderIndexZero) {
    constexpr int W = 42, H = 4;
    Bytes px(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool hole = (x >= 16 && x < 24) || (x >= 24 && (x + 3 * y) % 7 == 0);
            px[y * W + x] = hole ? 0 : static_cast<uint8_t>(1 + (y * W + x) % 255);
        }
    Load(W, H, px);
    const uint8_t* pal = image_.GetPalette();
    const auto back = [](int x, int y) { return static_cast<uint16_t>(0x1234 + x * 977 + y * 31); };
    for (int override : {2, 3})
        for (int mode : {kSpriteColour, kSpriteTranslucent})
            for (int half : {0, 1}) {
                SCOPED_TRACE(testing::Message() << override << " " << mode << " " << half);
                CSprite sprite;
                ASSERT_EQ(sprite.LoadFromImage(image_, mode, override), 1);
                GuardedFrame<uint16_t> frame(50, 8, 1, 0, 0xBEEF);
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 48; ++x) frame.At(x, y) = back(x, y);
                const int w = W >> half, h = H >> half;
                sprite.Draw(frame.View(), 3 + w / 2.0f, 1 + h / 2.0f, w, h);
                const uint16_t m = override == 2 ? 0x3DEF : 0x7BEF;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int i = px[((y << half) + half) * W + (x << half) + half];
                        const int r = pal[i * 3], g = pal[i * 3 + 1], b = pal[i * 3 + 2];
                        const uint16_t c =
                            override == 2
                                ? static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
                                : Pack565(r, g, b);
                        const uint16_t f = back(3 + x, 1 + y);
                        const uint16_t want =
                            i == 0 ? f
                            : mode == kSpriteColour
                                ? c
                                : static_cast<uint16_t>(((c >> 1) & m) + ((f >> 1) & m));
                        ASSERT_EQ(frame.At(3 + x, 1 + y), want) << x << "," << y;
                    }
                EXPECT_EQ(frame.At(3 + w, 1), back(3 + w, 1));
                EXPECT_TRUE(frame.BandUntouched());
            }
}

TEST_F(SpriteTest, LightModeLevelsAndTheChannelTable) {
    // A grey ramp: pixel i has colour (i, i, i), so its level is about i / 2.
    Bytes ramp(768);
    for (int i = 0; i < 768; ++i) ramp[i] = static_cast<uint8_t>(i / 3);
    Load(256, 1, Iota(256), ramp);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteLight, 3), 1);
    const uint8_t* level = sprite.GetData();
    EXPECT_EQ(std::make_pair(level[0], level[255]), std::make_pair(uint8_t{0}, uint8_t{127}));
    EXPECT_TRUE(std::is_sorted(level, level + 256));
    EXPECT_EQ(level[128], 64);
    // Row 0 (level 0..1) is black, row 32 (level 64) the identity, row 63 lifts 0 to 30.
    for (int v = 0; v < 32; ++v)
        EXPECT_EQ(std::make_pair(ChannelLightTable[v], ChannelLightTable[32 * 32 + v]),
                  std::make_pair(uint8_t{0}, uint8_t(v)));
    EXPECT_EQ(ChannelLightTable[63 * 32], 30);
}

// The eight-pixel lanes and the tail against the channel table for every level byte and frame
// colour; a (writable) level byte above 127 draws as 127, not from past the table.
TEST_F(SpriteTest, LightLanesAndTailEqualTheChannelTable) {
    constexpr int kSide = 256;
    Load(kSide, kSide, Bytes(kSide * kSide, 1), Bytes(768, 200));
    auto expected = [](uint8_t s, uint16_t f, bool is555) {
        if (s == 0) return f;
        const uint8_t* row = ChannelLightTable.data() + ((s < 127 ? s : 127) >> 1) * 32;
        const int red = is555 ? 10 : 11, green = is555 ? 5 : 6;
        return static_cast<uint16_t>(row[(f >> red) & 31] << red | row[(f >> green) & 31] << green |
                                     row[f & 31]);
    };
    std::vector<uint16_t> frame(kSide * kSide);
    for (const bool is555 : {false, true}) {
        CSprite sprite;
        ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteLight, is555 ? 2 : 3), 1);
        uint8_t* level = sprite.GetData();
        int wrong = 0;
        // Pixel (x, y) holds colour y * 256 + x and meets level (x + k) & 255 in pass k: every
        // pair. Passes of odd k draw a viewport 253 wide, so that its last 5 go one by one.
        for (int k = 0; k < kSide; ++k) {
            const int width = (k & 1) ? kSide - 3 : kSide;
            for (int i = 0; i < kSide * kSide; ++i) {
                frame[i] = static_cast<uint16_t>(i);
                level[i] = static_cast<uint8_t>((i % kSide + k) & 255);
            }
            sprite.Draw(FrameView{frame.data(), kSide, kSide, 0, 0, width, kSide}, kSide / 2.0f,
                        kSide / 2.0f, kSide, kSide);
            for (int i = 0; i < kSide * kSide; ++i) {
                const uint16_t f = static_cast<uint16_t>(i);
                wrong += frame[i] != (i % kSide < width ? expected(level[i], f, is555) : f);
            }
        }
        EXPECT_EQ(wrong, 0) << (is555 ? "5-5-5" : "5-6-5");
    }
}

TEST_F(SpriteTest, EightBitModesGoThroughThePaletteTables) {
    // Grey ramp palette with entries 0 and 9 pure green; blend 2a + b; shade level L is L + 100.
    Bytes palFile(kPalFileSize, 0);
    for (int i = 0; i < 768; ++i) palFile[i] = static_cast<uint8_t>(i / 3);
    palFile[0] = palFile[2] = palFile[27] = palFile[29] = 0;
    palFile[1] = palFile[28] = 255;
    for (int ab = 0; ab < 65536; ++ab)
        palFile[kPalFileBlendOffset + ab] = static_cast<uint8_t>(2 * (ab >> 8) + (ab & 255));
    for (int row = 0; row < 256; ++row)
        std::memset(palFile.data() + kPalFileShadeOffset + row * 256, row / 2 + 100, 256);
    g_pixelMode = 0;
    ASSERT_EQ(LoadPaletteFromMemory(palFile.data(), palFile.size()), 1);

    // Image: index 1 pure green (maps to 9: entry 0 is never chosen), index 2 red 200 (to 67).
    Bytes pal(768, 0);
    pal[4] = 255;
    pal[6] = 200;
    Load(3, 1, {1, 2, 0}, pal);
    UseHeadlessDisplay(64, 48, 8);
    CSprite colour, translucent, light;
    ASSERT_EQ(colour.LoadFromImage(image_, kSpriteColour, 0), 1);
    ASSERT_EQ(translucent.LoadFromImage(image_, kSpriteTranslucent, 0), 1);
    ASSERT_EQ(light.LoadFromImage(image_, kSpriteLight, 0), 1);

    GuardedFrame<uint8_t> frame(7, 5, 1, 5, 0xEE);
    colour.Draw(frame.View(), 1.5f, 0.5f, 3, 1);
    translucent.Draw(frame.View(), 1.5f, 1.5f, 3, 1);
    light.Draw(frame.View(), 1.5f, 2.5f, 3, 1);
    // Rows: colour, translucent, light (level 0.5 * 255 >> 1 = 63 for green, 0.3 * 200 >> 1 red).
    const uint8_t want[3][3] = {{9, 67, 5}, {2 * 9 + 5, 2 * 67 + 5, 5}, {63 + 100, 30 + 100, 5}};
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Bytes(&frame.At(0, y), &frame.At(3, y)), Bytes(want[y], want[y] + 3)) << y;
    EXPECT_TRUE(frame.BandUntouched());
    // A level byte rewritten above 127 reads shade row 127.
    light.GetData()[0] = 200;
    light.Draw(frame.View(), 1.5f, 2.5f, 3, 1);
    EXPECT_EQ(frame.At(0, 2), 127 + 100);
}

TEST_F(SpriteTest, LoadFromDiskAndKeepStateOnFailure) {
    TempDir dir;
    dir.Write("DATA/SPR.TGA", WriteTgaIndexed(6, 4, Bytes(24, 3).data(), Bytes(768, 90).data()));
    ScopedWorkingDir cwd(dir.Path());
    UseHeadlessDisplay(64, 48, 16);
    CSprite sprite("DATA\\SPR.TGA", kSpriteColour);
    EXPECT_EQ(std::make_tuple(sprite.IsLoaded(), sprite.GetWidth(), sprite.GetBits()),
              std::make_tuple(true, 6, 16));
    EXPECT_EQ(sprite.Load("DATA\\NONE.TGA", kSpriteLight, 0), 0);
    EXPECT_EQ(std::make_tuple(sprite.IsLoaded(), sprite.GetMode()),
              std::make_tuple(true, kSpriteColour));
}

// Single-precision corners put this placement's last column one texel past the sprite.
TEST_F(SpriteTest, RoundingNeverWalksPastTheLastTexel) {
    Bytes pal(768, 0);  // 53 distinct 5-6-5 colours for the indices 1..53
    for (int i = 0; i < 53; ++i) pal[3 + i * 3] = 8 * (i % 32), pal[5 + i * 3] = 8 * (i / 32) + 8;
    Load(53, 1, {}, pal);
    CSprite sprite;
    ASSERT_EQ(sprite.LoadFromImage(image_, kSpriteColour, 3), 1);
    GuardedFrame<uint16_t> frame(600, 3, 1, 0, 0xBEEF);
    sprite.Draw(frame.View(), 504.622986f, 0.5f, 24.7539997f, 1.0f);
    const uint16_t* texels = reinterpret_cast<const uint16_t*>(sprite.GetData());
    int drawn = 0, lastTexel = -1;
    for (int x = 0; x < 598; ++x) {
        if (frame.At(x, 0) == 0) continue;
        const int t = std::find(texels, texels + 53, frame.At(x, 0)) - texels;
        ASSERT_LT(t, 53) << x;
        ASSERT_GT(t, lastTexel);
        lastTexel = t;
        ++drawn;
    }
    EXPECT_GE(lastTexel, 50);  // within one step (53 / 24.75 texels) of the edge
    EXPECT_GE(drawn, 24);
    EXPECT_TRUE(frame.BandUntouched());
}

}  // namespace
