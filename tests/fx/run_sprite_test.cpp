// Run-length sprite: loading checks, own-size and scaled draws, clipping, colours.
#include "fx/run_sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "res/palette.h"
#include "tests/fx/fx_fixture.h"
#include "tools/content/effect_data.h"

namespace {

// 12 x 7 levels: runs of different lengths, transparent gaps, a row of one run, a row that
// is all transparent. With the test palette, grey g is index g / 2.
GreyPicture MakePicture() {
    GreyPicture p;
    p.width = 12;
    p.height = 7;
    const char* rows[7] = {
        "aaab...cccdd", "............", "bbbbbbbbbbbb", ".a.b.c.d.e.a",
        "dddd....aaaa", "cc..........", "eeeeeeeeeee.",
    };
    for (const char* row : rows)
        for (int x = 0; x < 12; ++x) {
            const char c = row[x];
            p.levels.push_back(c == '.' ? 0 : static_cast<uint8_t>(40 * (c - 'a' + 1)));
        }
    return p;
}

uint8_t Level(const GreyPicture& p, int x, int y) {
    return p.levels[static_cast<size_t>(y) * p.width + x];
}

class RunSpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadTestPalette();
        m_picture = MakePicture();
        m_file = EncodeRunLength(m_picture);
        ASSERT_FALSE(m_file.empty());
    }

    void LoadConverted(CRunSprite& sprite) {
        ASSERT_EQ(sprite.LoadFromMemory(m_file.data(), m_file.size()), 1);
        sprite.ConvertColours();
    }

    GreyPicture m_picture;
    std::vector<uint8_t> m_file;
};

constexpr uint16_t kFill = 0x77;

TEST_F(RunSpriteTest, OwnSizeDrawReproducesEveryRowRunForRun) {
    CRunSprite sprite;
    LoadConverted(sprite);
    EXPECT_EQ(sprite.GetWidth(), 12);
    EXPECT_EQ(sprite.GetHeight(), 7);
    g_pixelMode = 0;
    for (int top : {0, 5, 20}) {
        TestFrame frame(40, 30, 8, kFill);
        // Centre 10 + 6, bottom at top + 7: the picture's pixels land on columns 10..21.
        sprite.Draw(frame.View(), 16.0f, static_cast<float>(top + 7), 12.0f, 7.0f);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const int sx = x - 10, sy = y - top;
                uint32_t expected = kFill;
                if (sx >= 0 && sx < 12 && sy >= 0 && sy < 7 && Level(m_picture, sx, sy) != 0)
                    expected = Level(m_picture, sx, sy) / 2u;
                ASSERT_EQ(frame.At(x, y), expected) << x << "," << y << " top " << top;
            }
    }
    g_pixelMode = 2;
}

TEST_F(RunSpriteTest, DoubleSizeDoublesEveryRowAndRun) {
    CRunSprite sprite;
    LoadConverted(sprite);
    g_pixelMode = 0;
    TestFrame frame(40, 30, 8, kFill);
    sprite.Draw(frame.View(), 14.0f, 16.0f, 24.0f, 14.0f);  // columns 2..25, rows 2..15
    for (int y = 2; y < 16; ++y)
        for (int x = 2; x < 26; ++x) {
            const uint8_t g = Level(m_picture, (x - 2) / 2, (y - 2) / 2);
            EXPECT_EQ(frame.At(x, y), g ? g / 2u : kFill) << x << "," << y;
        }
    EXPECT_EQ(frame.At(2, 1), kFill);
    EXPECT_EQ(frame.At(2, 16), kFill);
    g_pixelMode = 2;
}

TEST_F(RunSpriteTest, SixteenBitFrameGetsThePaletteColourOfEachRun) {
    CRunSprite sprite;
    LoadConverted(sprite);
    g_pixelMode = 2;
    TestFrame frame(20, 10, 16, 0x1234);
    sprite.Draw(frame.View(), 6.0f, 7.0f, 12.0f, 7.0f);
    // Row 2 is grey 80 (index 40, colour (80, 80, 80)) all along: 5-6-5 (10, 20, 10).
    const uint32_t grey80 = (80u >> 3) << 11 | (80u >> 2) << 5 | (80u >> 3);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(frame.At(x, 2), grey80);
    EXPECT_EQ(frame.At(12, 2), 0x1234u);
    EXPECT_EQ(frame.At(4, 0), 0x1234u);  // a transparent run
}

TEST_F(RunSpriteTest, TopAboveTheViewportShowsTheMatchingSourceRows) {
    CRunSprite sprite;
    LoadConverted(sprite);
    g_pixelMode = 0;
    TestFrame frame(30, 20, 8, kFill);
    FrameView view = frame.View();
    view.left = 4;
    view.top = 3;
    view.viewWidth = 20;
    view.viewHeight = 10;
    // Own size with its top 3 rows above the viewport, its right part past the viewport's
    // right edge.
    sprite.Draw(view, 20.0f, 4.0f, 12.0f, 7.0f);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const int vx = x - 4, vy = y - 3;
            const int sx = vx - 14, sy = vy + 3;
            uint32_t expected = kFill;
            if (vx >= 0 && vx < 20 && vy >= 0 && vy < 10 && sx >= 0 && sx < 12 && sy < 7 &&
                Level(m_picture, sx, sy) != 0)
                expected = Level(m_picture, sx, sy) / 2u;
            ASSERT_EQ(frame.At(x, y), expected) << x << "," << y;
        }
    g_pixelMode = 2;
}

TEST_F(RunSpriteTest, OpaqueGreyNeverBecomesTheTransparentIndex) {
    // Grey 1 is as near to index 0 (black) as to index 1 (2, 2, 2); the lower index would win.
    GreyPicture p;
    p.width = 3;
    p.height = 1;
    p.levels = {1, 0, 255};
    const std::vector<uint8_t> file = EncodeRunLength(p);
    CRunSprite sprite;
    ASSERT_EQ(sprite.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(NearestColour(1, 1, 1), 0);
    sprite.ConvertColours();
    EXPECT_EQ(sprite.GetRunColour(0), 1);
    EXPECT_EQ(sprite.GetRunColour(1), 0);
    EXPECT_EQ(sprite.GetRunColour(2), 127);
    // Converting again starts from the grey levels, not from the indices.
    sprite.ConvertColours();
    EXPECT_EQ(sprite.GetRunColour(2), 127);
}

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int b = 0; b < 4; ++b) f[at + b] = static_cast<uint8_t>(v >> (8 * b));
}

TEST_F(RunSpriteTest, CorruptFilesLoadAsZeroAndDrawNothing) {
    const size_t runs = 4 + 4 * 8;  // where the runs begin
    std::vector<std::vector<uint8_t>> bad;
    {  // a row start past the end of the runs
        auto f = m_file;
        Put32(f, 4 + 4 * 3, 100000);
        bad.push_back(f);
    }
    {  // the total run count past the end of the file
        auto f = m_file;
        Put32(f, 4 + 4 * 7, (static_cast<uint32_t>(f.size() - runs) / 3) + 1);
        bad.push_back(f);
    }
    {  // the first row does not start at run 0: a stray run before it, every row whole
        auto f = m_file;
        f.insert(f.begin() + runs, {5, 0, 200});
        for (int r = 0; r <= 7; ++r) {
            const size_t at = 4 + 4 * static_cast<size_t>(r);
            Put32(f, at, f[at] + 1u + (static_cast<uint32_t>(f[at + 1]) << 8));
        }
        bad.push_back(f);
    }
    {  // row starts that go back
        auto f = m_file;
        Put32(f, 4 + 4 * 2, 0);
        Put32(f, 4 + 4 * 1, 3);
        bad.push_back(f);
    }
    {  // a row summing short: the first run one pixel shorter
        auto f = m_file;
        f[runs] = static_cast<uint8_t>(f[runs] - 1);
        bad.push_back(f);
    }
    {  // a row summing long
        auto f = m_file;
        f[runs] = static_cast<uint8_t>(f[runs] + 1);
        bad.push_back(f);
    }
    {  // a length that only fits when added in more than 16 bits
        auto f = m_file;
        f[runs + 1] = 0xFF;
        bad.push_back(f);
    }
    {  // zero height, zero width
        auto f = m_file;
        f[2] = f[3] = 0;
        bad.push_back(f);
        auto g = m_file;
        g[0] = g[1] = 0;
        bad.push_back(g);
    }
    {  // cut inside the row table and inside the runs
        bad.emplace_back(m_file.begin(), m_file.begin() + 20);
        bad.emplace_back(m_file.begin(), m_file.end() - 1);
        bad.emplace_back(m_file.begin(), m_file.begin() + 3);
    }
    g_pixelMode = 0;
    for (size_t i = 0; i < bad.size(); ++i) {
        CRunSprite sprite;
        LoadConverted(sprite);  // a good picture first: a failed load empties it
        EXPECT_EQ(sprite.LoadFromMemory(bad[i].data(), bad[i].size()), 0) << i;
        EXPECT_FALSE(sprite.IsLoaded()) << i;
        EXPECT_EQ(sprite.GetRunCount(), 0u);
        TestFrame frame(20, 10, 8, kFill);
        sprite.ConvertColours();
        sprite.Draw(frame.View(), 6.0f, 7.0f, 12.0f, 7.0f);
        EXPECT_EQ(Coverage(20, 10, 8,
                           [&](TestFrame& f) { sprite.Draw(f.View(), 6.0f, 7.0f, 12.0f, 7.0f); }),
                  std::vector<uint8_t>(200, 0))
            << i;
    }
    g_pixelMode = 2;
    CRunSprite missing;
    EXPECT_EQ(missing.Load("data\\nosuch.myo"), 0);
}

TEST_F(RunSpriteTest, SizesThatAreNotPositiveOrNotNumbersDrawNothing) {
    CRunSprite sprite;
    LoadConverted(sprite);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float cases[][4] = {
        {6, 7, 12, 0},   {6, 7, 12, -7},  {6, 7, 12, nan}, {6, 7, 0, 7},      {6, 7, -12, 7},
        {nan, 7, 12, 7}, {6, inf, 12, 7}, {6, 7, 12, inf}, {6, 7, 1e-30f, 7}, {6, 7, 12, 1e-30f}};
    for (int bits : {8, 16}) {
        g_pixelMode = bits == 8 ? 0 : 2;
        for (const auto& c : cases) {
            const auto touched = Coverage(
                20, 10, bits, [&](TestFrame& f) { sprite.Draw(f.View(), c[0], c[1], c[2], c[3]); });
            EXPECT_EQ(BoundingBox(touched, 20, 10).count, 0)
                << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
        }
    }
    g_pixelMode = 2;
}

TEST_F(RunSpriteTest, HugeAndFarPlacementsStayInsideTheViewport) {
    CRunSprite sprite;
    LoadConverted(sprite);
    const float cases[][4] = {{10, 8, 5000, 4000}, {-300, 8, 400, 30}, {10, 1e8f, 20, 1e8f},
                              {10, -5, 20, 9},     {1e7f, 5, 3e7f, 9}, {10, 9, 20, 2e9f}};
    for (int bits : {8, 16}) {
        g_pixelMode = bits == 8 ? 0 : 2;
        for (const auto& c : cases) {
            const auto touched = Coverage(24, 16, bits, [&](TestFrame& f) {
                FrameView v = f.View();
                v.left = 2;
                v.top = 3;
                v.viewWidth = 20;
                v.viewHeight = 12;
                sprite.Draw(v, c[0], c[1], c[2], c[3]);
            });
            const Box box = BoundingBox(touched, 24, 16);
            if (box.count == 0) continue;
            EXPECT_GE(box.left, 2);
            EXPECT_GE(box.top, 3);
            EXPECT_LE(box.right, 21);
            EXPECT_LE(box.bottom, 14);
        }
    }
    g_pixelMode = 2;
}

}  // namespace
