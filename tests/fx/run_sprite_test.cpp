#include "fx/run_sprite.h"

#include <functional>

#include "tests/fx/fx_fixture.h"
#include "tools/content/effect_data.h"

namespace {

constexpr uint16_t kFill = 0x77;

class RunSpriteTest : public ::testing::Test {
protected:
    // Runs, gaps, one-run and empty rows; grey g is test palette index g / 2.
    void SetUp() override {
        LoadTestPalette();
        m_picture = {12, 7, {}};
        for (const char* row : {"aaab...cccdd", "............", "bbbbbbbbbbbb", ".a.b.c.d.e.a",
                                "dddd....aaaa", "cc..........", "eeeeeeeeeee."})
            for (int x = 0; x < 12; ++x)
                m_picture.levels.push_back(row[x] == '.' ? 0 : 40 * (row[x] - 'a' + 1));
        m_file = EncodeRunLength(m_picture);
        ASSERT_EQ(m_sprite.LoadFromMemory(m_file.data(), m_file.size()), 1);
        m_sprite.ConvertColours();
    }
    void TearDown() override { g_pixelMode = 2; }
    // The index the sprite shows at picture pixel (x, y), kFill outside or where clear.
    uint32_t Expected(int x, int y) const {
        if (x < 0 || x >= 12 || y < 0 || y >= 7) return kFill;
        const uint8_t g = m_picture.levels[static_cast<size_t>(y) * 12 + x];
        return g ? g / 2u : kFill;
    }

    GreyPicture m_picture;
    std::vector<uint8_t> m_file;
    CRunSprite m_sprite;
};

TEST_F(RunSpriteTest, DrawsReproduceEveryRowRunForRunInTheirColoursAndClipped) {
    EXPECT_EQ(std::pair(m_sprite.GetWidth(), m_sprite.GetHeight()), std::pair(12, 7));
    g_pixelMode = 0;
    // Centre x, bottom, width, height; the picture's left column, top row and scale shift.
    const std::array<int, 7> draws[] = {{16, 7, 12, 7, 10, 0, 0},
                                        {16, 12, 12, 7, 10, 5, 0},
                                        {16, 27, 12, 7, 10, 20, 0},
                                        {14, 16, 24, 14, 2, 2, 1}};
    for (const auto& [cx, bottom, w, h, left, top, shift] : draws) {
        TestFrame frame(40, 30, 8, kFill);
        m_sprite.Draw(frame.View(), cx, bottom, w, h);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(frame.At(x, y), Expected((x - left) >> shift, (y - top) >> shift))
                    << x << "," << y << " " << top << " " << w;
    }
    g_pixelMode = 2;
    TestFrame frame(20, 10, 16, 0x1234);
    m_sprite.Draw(frame.View(), 6.0f, 7.0f, 12.0f, 7.0f);
    // Row 2 is grey 80 (index 40, colour (80, 80, 80)) all along: 5-6-5 (10, 20, 10).
    for (int x = 0; x < 12; ++x) EXPECT_EQ(frame.At(x, 2), (10u << 11) | (20u << 5) | 10u);
    EXPECT_EQ(frame.At(12, 2), 0x1234u);
    EXPECT_EQ(frame.At(4, 0), 0x1234u);  // a transparent run
    g_pixelMode = 0;
    TestFrame clipped(30, 20, 8, kFill);
    const FrameView view{clipped.bytes.data(), 30, 20, 4, 3, 20, 10, 0.28f, 0.21f};
    // Own size, its top 3 rows above the viewport, its right part past it.
    m_sprite.Draw(view, 20.0f, 4.0f, 12.0f, 7.0f);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 4 && x < 24 && y >= 3 && y < 13;
            ASSERT_EQ(clipped.At(x, y), inside ? Expected(x - 18, y) : kFill) << x << "," << y;
        }
}

TEST_F(RunSpriteTest, OpaqueGreyNeverBecomesTheTransparentIndex) {
    // Grey 1 is as near to index 0 (black) as to index 1 (2, 2, 2); the lower index would win.
    const std::vector<uint8_t> file = EncodeRunLength(GreyPicture{3, 1, {1, 0, 255}});
    CRunSprite sprite;
    ASSERT_EQ(sprite.LoadFromMemory(file.data(), file.size()), 1);
    EXPECT_EQ(NearestColour(1, 1, 1), 0);
    // Converting again starts from the grey levels, not from the indices.
    for (int pass = 0; pass < 2; ++pass) {
        sprite.ConvertColours();
        EXPECT_EQ(sprite.GetRunColour(0), 1);
        EXPECT_EQ(sprite.GetRunColour(1), 0);
        EXPECT_EQ(sprite.GetRunColour(2), 127);
    }
}

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int b = 0; b < 4; ++b) f[at + b] = static_cast<uint8_t>(v >> (8 * b));
}

TEST_F(RunSpriteTest, CorruptFilesLoadAsZeroAndDrawNothing) {
    const size_t runs = 4 + 4 * 8;  // where the runs begin
    using Edit = std::function<void(std::vector<uint8_t>&)>;
    const Edit edits[] = {
        [](auto& f) { Put32(f, 4 + 4 * 3, 100000); },  // a row start past the runs' end
        [](auto& f) { Put32(f, 4 + 4 * 7, static_cast<uint32_t>(f.size() - runs) / 3 + 1); },
        // the first row does not start at run 0: a stray run before it, every row whole
        [](auto& f) {
            f.insert(f.begin() + runs, {5, 0, 200});
            for (size_t at = 4; at <= 4 + 4 * 7; at += 4)
                Put32(f, at, f[at] + 1u + f[at + 1] * 256u);
        },
        // row starts that go back
        [](auto& f) { Put32(f, 4 + 4 * 2, 0), Put32(f, 4 + 4 * 1, 3); },
        // a row summing short, long, or only in more than 16 bits
        [](auto& f) { --f[runs]; }, [](auto& f) { ++f[runs]; }, [](auto& f) { f[runs + 1] = 0xFF; },
        // zero height, zero width
        [](auto& f) { f[2] = f[3] = 0; }, [](auto& f) { f[0] = f[1] = 0; },
        // cut inside the row table and inside the runs
        [](auto& f) { f.resize(20); }, [](auto& f) { f.pop_back(); }, [](auto& f) { f.resize(3); }};
    for (size_t i = 0; i < std::size(edits); ++i) {
        std::vector<uint8_t> bad = m_file;
        edits[i](bad);
        // A good picture is loaded first: a failed load empties it.
        EXPECT_EQ(m_sprite.LoadFromMemory(bad.data(), bad.size()), 0) << i;
        EXPECT_TRUE(!m_sprite.IsLoaded() && m_sprite.GetRunCount() == 0) << i;
        m_sprite.ConvertColours();
        const auto draw = [&](TestFrame& f) { m_sprite.Draw(f.View(), 6.0f, 7.0f, 12.0f, 7.0f); };
        g_pixelMode = 0;
        EXPECT_EQ(DrawnBox(20, 10, 8, draw).count, 0) << i;
        g_pixelMode = 2;
        EXPECT_EQ(DrawnBox(20, 10, 16, draw).count, 0) << i;
        ASSERT_EQ(m_sprite.LoadFromMemory(m_file.data(), m_file.size()), 1);
    }
    EXPECT_EQ(m_sprite.Load("data\\nosuch.myo"), 0);
}

TEST_F(RunSpriteTest, OddSizesDrawNothingAndHugeOrFarPlacementsStayInsideTheViewport) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float nothing[][4] = {
        {6, 7, 12, 0},   {6, 7, 12, -7},  {6, 7, 12, nan}, {6, 7, 0, 7},      {6, 7, -12, 7},
        {nan, 7, 12, 7}, {6, inf, 12, 7}, {6, 7, 12, inf}, {6, 7, 1e-30f, 7}, {6, 7, 12, 1e-30f}};
    const float far[][4] = {{10, 8, 5000, 4000}, {-300, 8, 400, 30}, {10, 1e8f, 20, 1e8f},
                            {10, -5, 20, 9},     {1e7f, 5, 3e7f, 9}, {10, 9, 20, 2e9f}};
    for (int bits : {8, 16}) {
        g_pixelMode = bits == 8 ? 0 : 2;
        auto drawn = [&](const float* c) {
            return DrawnBox(24, 16, bits, [&](TestFrame& f) {
                FrameView v = f.View();
                std::tie(v.left, v.top, v.viewWidth, v.viewHeight) = std::tuple(2, 3, 20, 12);
                m_sprite.Draw(v, c[0], c[1], c[2], c[3]);
            });
        };
        for (const auto& c : nothing) EXPECT_EQ(drawn(c).count, 0) << c[0] << " " << c[3];
        for (const auto& c : far) {
            const Box b = drawn(c);
            EXPECT_TRUE(!b.count || (b.left >= 2 && b.top >= 3 && b.right <= 21 && b.bottom <= 14))
                << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
        }
    }
}

}  // namespace
