#include "fx/starfield.h"

#include "tests/fx/fx_fixture.h"

namespace {

class StarfieldTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        SRand(1);
    }
    Box Drawn(int width, int height, int bits) {
        return DrawnBox(width, height, bits,
                        [&](TestFrame& f) { stars.Draw(f.View(), bits == 8); });
    }
    CStarfield stars;
};

CVector Project(CVector p, int width, int height) {
    EXPECT_EQ(ProjectPoints(TestFrame(width, height, 8, 0).View(), &p, 1), 1);
    return p;
}

// Moves the camera sideways so that p lands on viewport (x, y): two probes give the slopes.
void AimAt(const CVector& p, float x, float y, int width, int height) {
    const float depth = p.z - 2.0e6f;
    SetCameraPosition(p.x, p.y, depth);
    const CVector at0 = Project(p, width, height);
    SetCameraPosition(p.x + 1000.0f, p.y + 1000.0f, depth);
    const CVector at1 = Project(p, width, height);
    const double slopeX = (at1.x - at0.x) / 1000.0, slopeY = (at1.y - at0.y) / 1000.0;
    SetCameraPosition(static_cast<float>(p.x + (x - at0.x) / slopeX),
                      static_cast<float>(p.y + (y - at0.y) / slopeY), depth);
}

TEST_F(StarfieldTest, CountBelowOneMakesOneStarPlacedByTheSeed) {
    stars.Create(0);
    EXPECT_EQ(stars.GetCount(), 1);
    // Seed 1 draws 41, 18467, 6334 ((r - 16384) x 1000), then grey 64 + 26500 % 128.
    const CVector first = stars.GetPositions()[0];
    EXPECT_EQ(std::tuple(first.x, first.y, first.z),
              std::tuple(-16343000.0f, 2083000.0f, -10050000.0f));
    EXPECT_EQ(stars.GetColours()[0], NearestColour(68, 68, 68));
    stars.Create(-5);
    EXPECT_EQ(stars.GetCount(), 1);
    stars.Release();
    stars.Release();  // twice is safe
    EXPECT_EQ(stars.GetCount(), 0);
    EXPECT_EQ(Drawn(40, 30, 16).count, 0);  // an empty field draws nothing
}

TEST_F(StarfieldTest, LastColumnAndRowOfTheViewportAndBehindTheCameraNeverReceiveAStar) {
    stars.Create(1);
    const CVector star = stars.GetPositions()[0];
    // A 40 x 30 viewport: columns 0..38 and rows 0..28 may hold a star.
    const std::tuple<float, float, bool> cases[] = {
        {0.25f, 10.5f, true}, {39.25f, 10.5f, false}, {38.5f, 10.5f, true},  {10.5f, 29.5f, false},
        {10.5f, 28.5f, true}, {-0.5f, 10.5f, true},   {-1.5f, 10.5f, false}, {10.5f, 0.5f, true}};
    for (const auto& [x, y, drawn] : cases) {
        AimAt(star, x, y, 40, 30);
        const Box box = Drawn(40, 30, 16);
        ASSERT_EQ(box.count, drawn ? 1 : 0) << x << "," << y;
        EXPECT_TRUE(!drawn || (box.left == std::max(0, static_cast<int>(x)) &&
                               box.top == static_cast<int>(y)))
            << x << "," << y;
    }
    // Step past the star: it is now behind the camera.
    AimAt(star, 20.5f, 15.5f, 40, 30);
    EXPECT_EQ(Drawn(40, 30, 8).count, 1);
    MoveCamera(0.0f, 0.0f, 4.0e6f);
    EXPECT_EQ(Drawn(40, 30, 8).count, 0);
    stars.Create(30000);
    // A 50 x 40 viewport at (10, 5) of an 80 x 60 frame.
    for (int turn = 0; turn < 4; ++turn) {
        SetCameraPosition(turn * 1.0e6f, 0.0f, -turn * 2.0e6f);
        SetCameraAngles(turn * 90.0f, turn * 10.0f, 0.0f);
        const Box b = DrawnBox(80, 60, 16, [&](TestFrame& f) {
            FrameView v = f.View();
            std::tie(v.left, v.top, v.viewWidth, v.viewHeight) = std::tuple(10, 5, 50, 40);
            stars.Draw(v, 0);
        });
        ASSERT_GT(b.count, 20);
        EXPECT_TRUE(b.left >= 10 && b.top >= 5 && b.right <= 10 + 48 && b.bottom <= 5 + 38) << turn;
    }
}

TEST_F(StarfieldTest, EightAndSixteenBitFramesAgreeAndShowTheStarsGrey) {
    stars.Create(20000);
    SetCameraAngles(30.0f, 0.0f, 0.0f);
    const auto c8 = Coverage(160, 120, 8, [&](TestFrame& f) { stars.Draw(f.View(), 1); });
    const auto c16 = Coverage(160, 120, 16, [&](TestFrame& f) { stars.Draw(f.View(), 0); });
    EXPECT_EQ(c8, c16);
    EXPECT_GT(BoundingBox(c8, 160, 120).count, 100);

    // Test palette entry k is grey 2k: the 16-bit pixel packs twice the 8-bit index.
    TestFrame f8(160, 120, 8, 0), f16(160, 120, 16, 0);
    stars.Draw(f8.View(), 1);
    stars.Draw(f16.View(), 0);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint32_t v = 2 * f8.At(x, y);
            ASSERT_EQ(f16.At(x, y), v ? (v >> 3) << 11 | (v >> 2) << 5 | (v >> 3) : 0)
                << x << "," << y;
        }
}

}  // namespace
