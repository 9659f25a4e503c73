// The 8-bit background bands: where the horizon falls for level, tilted and upside-down views.
#include "raster/background8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr float kViewHeight = 0.21f;
constexpr float kFocal = 0.24208599f;
constexpr uint8_t kSky = 3, kGround = 9, kUntouched = 0xEE;

// A viewport of w x h inside a frame with a 2-pixel border on every side; returns each
// viewport row's colour (or '?' for a row that is not uniform) and checks the border.
std::string Bands(int w, int h, float pitch, float focal = kFocal) {
    const int stride = w + 4;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * (h + 4), kUntouched);
    FillBackgroundBands8(frame.data() + 2 * stride + 2, stride, w, h, pitch, kViewHeight, focal,
                         kSky, kGround);
    std::string rows;
    for (int y = 0; y < h + 4; ++y)
        for (int x = 0; x < stride; ++x) {
            const bool inside = y >= 2 && y < h + 2 && x >= 2 && x < w + 2;
            if (!inside) {
                EXPECT_EQ(frame[y * stride + x], kUntouched) << x << "," << y;
            }
        }
    for (int y = 0; y < h; ++y) {
        const uint8_t* r = frame.data() + (y + 2) * stride + 2;
        char c = r[0] == kSky ? 's' : r[0] == kGround ? 'g' : r[0] == kUntouched ? '.' : '!';
        for (int x = 1; x < w; ++x)
            if (r[x] != r[0]) c = '?';
        rows += c;
    }
    return rows;
}

int Count(const std::string& s, char c) {
    int n = 0;
    for (char x : s) n += x == c;
    return n;
}

TEST(BackgroundBands8, LevelViewSplitsTheViewportInHalves) {
    EXPECT_EQ(Bands(640, 480, 0.0f), std::string(240, 's') + std::string(240, 'g'));
    EXPECT_EQ(Bands(5, 6, 0.0f), "sssggg");
}

TEST(BackgroundBands8, TiltingMovesTheHorizon) {
    // The vertical view angle of the default camera is 2 atan(0.21 / (2 * 0.242)), about 0.818:
    // looking down by a quarter of it puts the horizon a quarter of the way from the top.
    const float phi = 2.0f * std::atan(kViewHeight / (2.0f * kFocal));
    const std::string down = Bands(64, 400, phi * 0.25f);
    EXPECT_EQ(down, std::string(Count(down, 's'), 's') + std::string(Count(down, 'g'), 'g'));
    EXPECT_NEAR(Count(down, 's'), 100, 1);
    const std::string up = Bands(64, 400, -phi * 0.25f);
    EXPECT_NEAR(Count(up, 's'), 300, 1);
    EXPECT_EQ(Count(up, 's') + Count(up, 'g'), 400);
    // Looking well down or up, the whole viewport is ground or sky.
    EXPECT_EQ(Bands(64, 40, 1.0f), std::string(40, 'g'));
    EXPECT_EQ(Bands(64, 40, -1.0f), std::string(40, 's'));
}

TEST(BackgroundBands8, PastTheVerticalTheBandsAlternate) {
    // Upside down: the ground is above, the sky below.
    EXPECT_EQ(Bands(16, 480, 3.14159f), std::string(240, 'g') + std::string(240, 's'));
    // Straight down: ground on both sides of the vertical.
    EXPECT_EQ(Bands(16, 48, 1.570795f), std::string(48, 'g'));
    // Straight up: the upper half looks back past the vertical and is left alone.
    const std::string up = Bands(16, 48, -1.570795f);
    EXPECT_EQ(up, std::string(Count(up, '.'), '.') + std::string(Count(up, 's'), 's'));
    EXPECT_NEAR(Count(up, '.'), 24, 1);
}

TEST(BackgroundBands8, BadInputsWriteNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(Bands(8, 8, nan), std::string(8, '.'));
    EXPECT_EQ(Bands(8, 8, inf), std::string(8, '.'));
    EXPECT_EQ(Bands(8, 8, 0.0f, -kFocal), std::string(8, '.'));
    EXPECT_EQ(Bands(8, 8, 0.0f, nan), std::string(8, '.'));
    // A tiny focal value gives a view angle near a half turn; nothing overflows.
    const std::string wide = Bands(8, 8, 0.0f, 1e-30f);
    EXPECT_EQ(Count(wide, 's') + Count(wide, 'g'), 8);
    FillBackgroundBands8(nullptr, 8, 8, 8, 0.0f, kViewHeight, kFocal, kSky, kGround);
}

}  // namespace
