// Lens flare: the chain's places along the line through the centre, the viewport edge,
// a light behind the camera, offsets held to 0..1.
#include "fx/lens_flare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "tests/fx/fx_fixture.h"
#include "tests/support/support.h"

namespace {

uint8_t Dot(int x, int y) {
    return (x - 4) * (x - 4) + (y - 4) * (y - 4) <= 9 ? 200 : 0;
}

class LensFlareTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateWorld(), 1);
        LoadTestPalette();
        UseHeadlessDisplay(320, 240, 16);
        m_temp.Write("DATA/DOT.TGA", MakeTestTga(9, 9, Dot));
        // Camera at the origin looking down +z; focal and view plane chosen so that a point
        // (x, y, z) lands exactly on (160 + 320 x / z, 120 + 240 y / z).
        SetCameraPosition(0, 0, 0);
        SetCameraAngles(0, 0, 0);
        g_context->focal = 0.25f;
    }
    void TearDown() override {
        if (g_context) ReleaseWorld();
    }

    void Add(CLensFlare& flare, float offset) {
        ScopedWorkingDir cwd(m_temp.Path());
        ASSERT_EQ(flare.Add("DATA\\DOT.TGA", offset), 1);
    }

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

    TempDir m_temp;
};

double CentreX(const Box& b) {
    return (b.left + b.right) * 0.5;
}
double CentreY(const Box& b) {
    return (b.top + b.bottom) * 0.5;
}

TEST_F(LensFlareTest, SpritesSitAlongTheLineFromTheLightThroughTheCentre) {
    // The light projects to (240, 60).
    const Box onLight = Drawn(0.0f, 1.0f, -1.0f, 4.0f);
    ASSERT_GT(onLight.count, 0);
    EXPECT_NEAR(CentreX(onLight), 240, 1.0);
    EXPECT_NEAR(CentreY(onLight), 60, 1.0);
    const Box centre = Drawn(0.5f, 1.0f, -1.0f, 4.0f);
    EXPECT_NEAR(CentreX(centre), 160, 1.0);
    EXPECT_NEAR(CentreY(centre), 120, 1.0);
    const Box mirror = Drawn(1.0f, 1.0f, -1.0f, 4.0f);
    EXPECT_NEAR(CentreX(mirror), 80, 1.0);
    EXPECT_NEAR(CentreY(mirror), 180, 1.0);
    // Sized against the 320 x 240 reference: here one pixel per texel.
    EXPECT_EQ(centre.Width(), 7);
    EXPECT_EQ(centre.Height(), 7);
}

TEST_F(LensFlareTest, ALightOnTheViewportEdgeShowsTheChain) {
    EXPECT_GT(Drawn(0.5f, 1.0f, 0.0f, 2.0f).count, 0);    // right edge, x = 320
    EXPECT_GT(Drawn(0.5f, -1.0f, 0.0f, 2.0f).count, 0);   // left edge, x = 0
    EXPECT_GT(Drawn(0.5f, 0.0f, 1.0f, 2.0f).count, 0);    // bottom edge, y = 240
    EXPECT_GT(Drawn(0.5f, 1.0f, -1.0f, 2.0f).count, 0);   // the top right corner
    EXPECT_EQ(Drawn(0.5f, 1.01f, 0.0f, 2.0f).count, 0);   // just outside
    EXPECT_EQ(Drawn(0.5f, 0.0f, -1.01f, 2.0f).count, 0);  // just above
}

TEST_F(LensFlareTest, ALightBehindTheCameraShowsNothing) {
    EXPECT_GT(Drawn(0.5f, 0.0f, 0.0f, 10.0f).count, 0);
    EXPECT_EQ(Drawn(0.5f, 0.0f, 0.0f, -10.0f).count, 0);
    EXPECT_EQ(Drawn(0.5f, 0.1f, 0.1f, -2.0f).count, 0);
}

TEST_F(LensFlareTest, NothingWithoutAProjection) {
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
    Add(flare, -0.5f);
    Add(flare, 3.0f);
    Add(flare, std::numeric_limits<float>::quiet_NaN());
    Add(flare, 0.15f);
    ASSERT_EQ(flare.GetCount(), 4);
    EXPECT_EQ(flare.GetOffset(0), 0.0f);
    EXPECT_EQ(flare.GetOffset(1), 1.0f);
    EXPECT_EQ(flare.GetOffset(2), 0.0f);
    EXPECT_EQ(flare.GetOffset(3), 0.15f);
    EXPECT_EQ(flare.GetSprite(0)->GetMode(), kSpriteTranslucent);
    flare.Release();
    EXPECT_EQ(flare.GetCount(), 0);
}

}  // namespace
