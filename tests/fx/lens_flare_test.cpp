#include "fx/lens_flare.h"

#include "tests/fx/fx_fixture.h"

namespace {

uint8_t Dot(int x, int y) {
    return (x - 4) * (x - 4) + (y - 4) * (y - 4) <= 9 ? 200 : 0;
}

class LensFlareTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        UseHeadlessDisplay(320, 240, 16);
        Tga("DOT.TGA", 9, 9, Dot);
        // Looking down +z: point (x, y, z) lands on (160 + 320 x / z, 120 + 240 y / z).
        SetCameraPosition(0, 0, 0);
        SetCameraAngles(0, 0, 0);
        g_context->focal = 0.25f;
    }
    void Add(CLensFlare& flare, float offset) { ASSERT_EQ(flare.Add("DATA\\DOT.TGA", offset), 1); }

    // What one sprite of the flare at `offset` touches, with the light at (x, y, z).
    Box Drawn(float offset, float x, float y, float z) {
        CLensFlare flare;
        flare.Create(x, y, z);
        Add(flare, offset);
        return DrawnBox(320, 240, 16, [&](TestFrame& f) {
            FrameView v = f.View();
            v.planeWidth = v.planeHeight = 0.25f;
            flare.Draw(v);
        });
    }
};

TEST_F(LensFlareTest, SpritesSitAlongTheLineThroughTheCentreForLightsInViewInFront) {
    // The light projects to (240, 60); offset 0.5 is the centre, 1 the mirror point.
    const double places[][3] = {{0.0, 240, 60}, {0.5, 160, 120}, {1.0, 80, 180}};
    for (const auto& [offset, x, y] : places) {
        const Box b = Drawn(static_cast<float>(offset), 1.0f, -1.0f, 4.0f);
        EXPECT_NEAR((b.left + b.right) * 0.5, x, 1.0) << offset;
        EXPECT_NEAR((b.top + b.bottom) * 0.5, y, 1.0) << offset;
        // Sized against the 320 x 240 reference: here one pixel per texel.
        EXPECT_EQ(std::pair(b.Width(), b.Height()), std::pair(7, 7)) << offset;
    }
    const std::tuple<float, float, float, bool> lights[] = {
        {1, 0, 2, true},        {-1, 0, 2, true},     {0, 1, 2, true},  // edges
        {1, -1, 2, true},       {1.01f, 0, 2, false},                   // corner, outside
        {0, -1.01f, 2, false},  {0, 0, 10, true},     {0, 0, -10, false},
        {0.1f, 0.1f, -2, false}};  // behind the camera
    for (const auto& [x, y, z, shown] : lights)
        EXPECT_EQ(Drawn(0.5f, x, y, z).count > 0, shown) << x << "," << y << "," << z;
    ReleaseWorld();  // no camera to project with
    EXPECT_EQ(Drawn(0.5f, 0.0f, 0.0f, 10.0f).count, 0);
    ASSERT_EQ(CreateWorld(), 1);
    CLensFlare empty;
    empty.Create(0, 0, 10);
    EXPECT_EQ(DrawnBox(320, 240, 16, [&](TestFrame& f) { empty.Draw(f.View()); }).count, 0);
}

TEST_F(LensFlareTest, OffsetsAreHeldBetweenZeroAndOne) {
    CLensFlare flare;
    flare.Create(0, 0, 10);
    const std::pair<float, float> offsets[] = {{-0.5f, 0.0f},
                                               {3.0f, 1.0f},
                                               {std::numeric_limits<float>::quiet_NaN(), 0.0f},
                                               {0.15f, 0.15f}};
    for (const auto& [asked, held] : offsets) {
        Add(flare, asked);
        EXPECT_EQ(flare.GetOffset(flare.GetCount() - 1), held) << asked;
    }
    ASSERT_EQ(flare.GetCount(), 4);
    EXPECT_EQ(flare.GetSprite(0)->GetMode(), kSpriteTranslucent);
    flare.Release();
    EXPECT_EQ(flare.GetCount(), 0);
}

}  // namespace
