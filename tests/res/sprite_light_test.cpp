// The light blit onto 16-bit frames against the channel table, looked up channel by channel:
// every level byte over every frame colour, in 5-5-5 and 5-6-5, through the eight-pixel lanes
// and the one-by-one tail of a row.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "res/image.h"
#include "tools/common/tga_writer.h"

namespace {

uint16_t Expected(uint8_t s, uint16_t f, bool is555) {
    if (s == 0) return f;
    const uint8_t* row = ChannelLightTable.data() + ((s < 127 ? s : 127) >> 1) * 32;
    const int red = is555 ? 10 : 11, green = is555 ? 5 : 6;
    return static_cast<uint16_t>(row[(f >> red) & 31] << red | row[(f >> green) & 31] << green |
                                 row[f & 31]);
}

}  // namespace

TEST(SpriteLight, LanesAndTailEqualTheChannelTableForEveryLevelAndColour) {
    constexpr int kSide = 256;
    const std::vector<uint8_t> pixels(kSide * kSide, 1), pal(768, 200);
    const auto file = WriteTgaIndexed(kSide, kSide, pixels.data(), pal.data());
    CIndexedImage image;
    ASSERT_EQ(image.LoadFromMemory(file.data(), file.size()), 1);
    std::vector<uint16_t> frame(kSide * kSide);
    for (const bool is555 : {false, true}) {
        CSprite sprite;
        ASSERT_EQ(sprite.LoadFromImage(image, kSpriteLight, is555 ? 2 : 3), 1);
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
                wrong += frame[i] != (i % kSide < width ? Expected(level[i], f, is555) : f);
            }
        }
        EXPECT_EQ(wrong, 0) << (is555 ? "5-5-5" : "5-6-5");
    }
}
