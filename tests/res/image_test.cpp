// TGA reading through our writer, defensive refusals, and nearest-neighbour resizing.
#include "res/image.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tools/common/tga_writer.h"

namespace {

std::vector<uint8_t> Iota(size_t n, int start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
    return v;
}

TEST(IndexedImageTest, ColourMappedRoundTrip) {
    const auto pixels = Iota(5 * 3, 1);  // 5 wide, 3 high, row 0 = 1..5
    auto palette = Iota(768);
    palette[0] = 200;  // red of entry 0, to see channel order
    const auto file = WriteTgaIndexed(5, 3, pixels.data(), palette.data());
    // Colour-mapped, 256 map entries of 24 bits, 5 x 3, 8 bits per pixel, bottom-left origin.
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 18),
              (std::vector<uint8_t>{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 5, 0, 3, 0, 8, 0}));
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 3);
    EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + 15), pixels);
    EXPECT_EQ(std::vector<uint8_t>(image.GetPalette(), image.GetPalette() + 768), palette);
}

TEST(IndexedImageTest, FirstStoredRowIsTheBottomRow) {
    // Hand-made: two rows, the file's first row is 7 7, its second 9 9. The descriptor says
    // top-down, which the reader ignores.
    const std::vector<uint8_t> file = {0, 0, 3, 0, 0, 0, 0,    0, 0, 0, 0,
                                       0, 2, 0, 2, 0, 0, 0x20, 7, 7, 9, 9};
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(image.GetPixels()[0], 9);
    EXPECT_EQ(image.GetPixels()[2], 7);
}

TEST(IndexedImageTest, GreyscaleGetsAGreyRampPalette) {
    const auto pixels = Iota(4 * 4, 100);
    const auto file = WriteTgaGrey(4, 4, pixels.data());
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    for (int i = 0; i < 768; ++i) ASSERT_EQ(image.GetPalette()[i], i / 3) << i;
    EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + 16), pixels);
}

TEST(IndexedImageTest, RefusesWhatItCannotRead) {
    const auto pixels = Iota(4 * 4);
    const auto palette = Iota(768);
    const auto good = WriteTgaIndexed(4, 4, pixels.data(), palette.data());
    CIndexedImage image;
    auto refuses = [&](std::vector<uint8_t> file) {
        return image.LoadFromMemory(file.data(), file.size()) == 0;
    };

    // Header bytes patched: image types we do not read (a high type byte makes 0x0101),
    // zero or huge sizes, a colour map longer than the file.
    const std::vector<std::vector<std::pair<int, uint8_t>>> patches = {
        {{2, 0}},
        {{2, 2}},
        {{2, 9}},
        {{2, 10}},
        {{2, 11}},
        {{3, 1}},
        {{12, 0}, {13, 0}},
        {{14, 0}, {15, 0}},
        {{12, 0xFF}, {13, 0xFF}, {14, 0xFF}, {15, 0xFF}},
        {{5, 0xFF}, {6, 0xFF}}};
    for (const auto& patch : patches) {
        auto f = good;
        for (const auto& [at, v] : patch) f[at] = v;
        EXPECT_TRUE(refuses(f)) << patch[0].first << " " << int(patch[0].second);
    }
    // One pixel short, and files cut inside the colour map and the header.
    for (size_t n : {good.size() - 1, size_t{100}, size_t{17}})
        EXPECT_TRUE(refuses(std::vector<uint8_t>(good.begin(), good.begin() + n))) << n;
    auto zeroWidth = good;
    zeroWidth[12] = zeroWidth[13] = 0;
    // A failed load keeps what was there.
    ASSERT_EQ(image.LoadFromMemory(good.data(), good.size()), 1);
    EXPECT_TRUE(refuses(zeroWidth));
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_NE(image.GetPixels(), nullptr);
}

TEST(IndexedImageTest, ColourMapLongerThan256KeepsTheFirst256) {
    // 300 map entries: entry i is (blue, green, red) = (i, i, i) modulo 256, pixels after all.
    std::vector<uint8_t> file(18, 0);
    file[1] = 1;
    file[2] = 1;
    file[5] = 300 & 0xFF;
    file[6] = 300 >> 8;
    file[12] = 2;
    file[14] = 1;
    for (int i = 0; i < 300; ++i) {
        file.push_back(static_cast<uint8_t>(i));
        file.push_back(static_cast<uint8_t>(i));
        file.push_back(static_cast<uint8_t>(255 - i));
    }
    file.push_back(42);
    file.push_back(43);
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(image.GetPixels()[0], 42);
    EXPECT_EQ(image.GetPixels()[1], 43);
    EXPECT_EQ(image.GetPalette()[255 * 3], 0);  // red of entry 255 = 255 - 255
    EXPECT_EQ(image.GetPalette()[255 * 3 + 2], 255);
}

TEST(IndexedImageTest, ResizeRepeatsAndSkipsPixels) {
    const std::vector<uint8_t> four = {10, 11, 12, 13};
    const auto palette = Iota(768);
    auto file = WriteTgaIndexed(4, 1, four.data(), palette.data());
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    ASSERT_EQ(image.Resize(8, 1), 1);
    EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + 8),
              (std::vector<uint8_t>{10, 10, 11, 11, 12, 12, 13, 13}));

    const std::vector<uint8_t> eight = {0, 1, 2, 3, 4, 5, 6, 7};
    file = WriteTgaIndexed(8, 1, eight.data(), palette.data());
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    ASSERT_EQ(image.Resize(4, 1), 1);
    EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + 4),
              (std::vector<uint8_t>{0, 2, 4, 6}));
    EXPECT_EQ(image.GetWidth(), 4);

    // Rows resample the same way; the palette is untouched.
    ASSERT_EQ(image.Resize(4, 3), 1);
    EXPECT_EQ(image.GetPixels()[8], 0);
    EXPECT_EQ(image.GetPixels()[11], 6);
    EXPECT_EQ(image.GetPalette()[30], 30);
}

TEST(IndexedImageTest, ResizeRefusesBadSizesAndEmptyImages) {
    CIndexedImage image;
    EXPECT_EQ(image.Resize(4, 4), 0);
    const std::vector<uint8_t> px = {1, 2, 3, 4};
    const auto file = WriteTgaGrey(2, 2, px.data());
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(image.Resize(0, 4), 0);
    EXPECT_EQ(image.Resize(4, -1), 0);
    EXPECT_EQ(image.Resize(kMaxImageEdge + 1, 1), 0);
    EXPECT_EQ(image.GetWidth(), 2);
    image.Release();
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetPalette(), nullptr);
}

}  // namespace
