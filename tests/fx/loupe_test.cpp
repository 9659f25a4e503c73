#include "fx/loupe.h"

#include "res/image.h"
#include "tests/fx/fx_fixture.h"
#include "tools/content/world.h"

namespace {

constexpr uint16_t kGuard = 0xBEEF;

// A biconvex lens of radius 10, facing the camera along z, smooth normals.
std::vector<uint8_t> LensFile() {
    Shape s = MakeSphere(10.0f, 16, 10, Look::Coloured({200, 200, 200}, Shading::Gouraud));
    TransformShape(s, {1.0f, 1.0f, 0.35f}, {0, 90, 0}, {0, 0, 0});
    return EncodeShape("LENS", s);
}

class LoupeTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        SetPixelMode16();
        SetBackground(0, 0, 1, 1);
        const std::vector<uint8_t> lens = LensFile();
        ASSERT_EQ(LoadMeshFromMemory(MakeKey("LENS"), lens.data(), lens.size()), 1);
        ASSERT_EQ(RegisterLoupe(), 1);
        ASSERT_EQ(AttachHook(MakeKey("LENS"), MakeKey("LOUPE")), 1);
        m_lens = AddInstance(MakeKey("LENS"));
        ASSERT_GE(m_lens, 0);
    }
    void TearDown() override {
        FxTest::TearDown();
        ReleaseLoupe();
        g_pixelMode = kPixelMode565;
    }
    static void UseMode(int32_t mode) {
        if (mode != kPixelMode8) return mode == kPixelMode555 ? SetPixelMode15() : SetPixelMode16();
        g_pixelMode = kPixelMode8;
        BuildShadeTables();
    }
    static void UseBits(int bits) { UseMode(bits == 8 ? kPixelMode8 : kPixelMode565); }

    int32_t m_lens = -1;
};

TEST_F(LoupeTest, HighlightIsBrightestAtTheCentreAndFallsWithDistance) {
    const uint8_t* hl = GetLoupeHighlight();
    // 255 less the distance from the centre: 5, 100, 179.6 and 181.0 away.
    const int known[][3] = {{0, 0, 255},    {3, 4, 250},      {-4, 3, 250},
                            {0, -100, 155}, {-127, -127, 76}, {128, 128, 74}};
    for (const auto& [a, b, v] : known) EXPECT_EQ(hl[(a + 127) * 256 + (b + 127)], v) << a << b;
}

TEST_F(LoupeTest, WritesStayInsideTheViewportOnEveryFrameKindAndReadsHoldTheLastColumn) {
    const std::tuple<int, int, int, bool> cases[] = {
        {160, 120, 16, true}, {160, 120, 16, false}, {160, 120, 8, true}, {160, 120, 8, false},
        {320, 200, 8, false}, {8, 6, 16, true},      {8, 6, 8, false},    {1, 1, 16, true},
        {1, 1, 8, true},      {3, 200, 16, true},    {300, 2, 8, true},   {800, 600, 16, true}};
    // Centre, each edge, each corner half off, very near (crossing the near plane), huge.
    const CVector places[] = {{0, 0, 60},    {-30, 0, 60},  {30, 0, 60}, {0, -22, 60},  {0, 22, 60},
                              {-30, 22, 60}, {30, -22, 60}, {0, 0, 2},   {3, -2, 0.5f}, {0, 0, 25}};
    for (const auto& [w, h, bits, depth] : cases) {
        UseBits(bits);
        if (depth) AllocZBuffer(w * h);
        depth ? EnableZBuffer() : DisableZBuffer();
        for (const CVector& p : places) {
            TestFrame f(w, h, bits, kGuard, 3);
            f.Paint(bits == 8 ? 40 : 0x4208);
            SetPosition(m_lens, p.x, p.y, p.z);
            SetAngles(m_lens, 20, 10, 0);
            RenderWorld(f.View());
            EXPECT_TRUE(f.GuardIntact())
                << w << "x" << h << "/" << bits << " at " << p.x << p.y << p.z;
        }
    }
    // A read past a snapshot row's end would bring the left column's mark to the right.
    for (int bits : {8, 16}) {
        UseBits(bits);
        DisableZBuffer();
        const uint16_t plain = bits == 8 ? 60 : g_shade16[64 * 256 + 60];
        TestFrame f(320, 200, bits, plain);
        for (int y = 0; y < 200; ++y) f.Set(0, y, bits == 8 ? 200 : g_shade16[64 * 256 + 200]);
        SetPosition(m_lens, 30, 0, 30);  // the lens runs off the right edge
        SetScale(m_lens, 2.0f, 2.0f, 1.0f);
        RenderWorld(f.View());
        // The right part shows the plain colour shaded: a shade entry, or a grey (not blue).
        int lensPixels = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 240; x < 320; ++x) {
                const uint32_t v = f.At(x, y);
                lensPixels += v != plain;
                bool ok = bits == 16 ? (v >> 11) == (v & 31) : false;
                for (int row = 0; row < 128 && bits == 8; ++row)
                    ok |= g_shade8[row * 256 + 60] == v;
                EXPECT_TRUE(ok) << bits << ": " << x << "," << y << " " << v;
            }
        EXPECT_GT(lensPixels, 100) << bits;
    }
}

TEST_F(LoupeTest, RefractionBeyondTheSnapshotHoldsItsLastTexel) {
    const RasterHook& hook = g_context->hooks[FindHook(MakeKey("LOUPE"))];
    ASSERT_NE(hook.perPolygon, nullptr);
    for (const auto& [bits, lastU, lastV] : {std::array{8, 319, 199}, std::array{16, 255, 255}}) {
        UseBits(bits);
        TestFrame f(200, 150, bits, 0);
        SetPosition(m_lens, 0, 0, 60);
        RenderWorld(f.View());  // takes the snapshot and its scales for this frame
        ScreenVertex far{}, near{}, odd{};
        std::tie(far.x, far.y, far.rz) = std::tuple{5000.0f, 9000.0f, 0.01f};
        std::tie(near.x, near.y, near.rz, near.u, near.v) =
            std::tuple{-30.0f, -20.0f, 10.0f, -16777215.0f, -16777215.0f};
        std::tie(odd.x, odd.y, odd.rz) = std::tuple{std::nanf(""), std::nanf(""), 1.0f};
        hook.perPolygon(nullptr, &far, &near, &odd);
        EXPECT_EQ(static_cast<int>(far.u) >> 16, lastU) << bits;
        EXPECT_EQ(static_cast<int>(far.v) >> 16, lastV) << bits;
        for (float c : {near.u, near.v, odd.u, odd.v}) EXPECT_EQ(c, 0.0f) << bits;
    }
}

TEST_F(LoupeTest, LensOverAPatternedFrameIsPinnedOnEveryFrameKind) {
    // Recorded with every snapshot read clamped: a slip in the unclamped runs changes them.
    const std::pair<int32_t, uint64_t> kinds[] = {{kPixelMode565, 0xb001a41925781811},
                                                  {kPixelMode555, 0x39921ad947166ad1},
                                                  {kPixelMode8, 0x6522ecae8e181c4}};
    for (const auto& [mode, hash] : kinds) {
        UseMode(mode);
        TestFrame f(200, 150, mode == kPixelMode8 ? 8 : 16, 0);
        for (int i = 0; i < 200 * 150; ++i) {
            const uint32_t r = static_cast<uint32_t>(i) * 2654435761u >> 13;
            f.Set(i % 200, i / 200, static_cast<uint16_t>(mode == kPixelMode555 ? r & 0x7FFF : r));
        }
        SetPosition(m_lens, 6, -4, 40);
        SetAngles(m_lens, 25, -15, 0);
        RenderWorld(f.View());
        uint64_t h = 1469598103934665603ull;
        for (int i = 0; i < 200 * 150; ++i) h = (h ^ f.At(i % 200, i / 200)) * 1099511628211ull;
        EXPECT_EQ(h, hash) << mode << std::hex << " 0x" << h;
    }
}

}  // namespace
