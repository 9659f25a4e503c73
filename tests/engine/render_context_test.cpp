// Render context settings: clamps, refusals, pixel-mode choice, depth buffer, fog.
#include "engine/render_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "app/display.h"
#include "engine/alloc.h"
#include "engine/world.h"
#include "tests/engine/engine_fixture.h"

using RenderContextTest = EngineTest;

TEST_F(RenderContextTest, LightLevelsClampAndAZeroDirectionIsIgnored) {
    for (const auto& [in, out] : {std::pair{-0.5f, 0.0f}, {1.65f, 1.0f}, {std::nanf(""), 0.0f}}) {
        SetAmbient(in);
        SetDiffuse(in);
        EXPECT_EQ(std::make_pair(g_context->ambient, g_context->diffuse), std::pair(out, out))
            << in;
    }
    SetLightDirection(0, -3, 4);
    SetLightDirection(0, 0, 0);
    ExpectNear(g_context->lightDir, 0, -0.6f, 0.8f, 1e-6f);
}

TEST_F(RenderContextTest, FogRangeRefusesEmptyRangesAndMapsStartToLevel63) {
    const RenderSettings before = g_settings;
    EXPECT_EQ(SetFogRange(1300, 1000) + SetFogRange(0, 10) + SetFogRange(10, 10), 0);
    EXPECT_EQ(std::make_pair(g_settings.fogNearRecip, g_settings.fogScale),
              std::make_pair(before.fogNearRecip, before.fogScale));
    auto level = [](float z) { return (1.0f / z - g_settings.fogFarRecip) * g_settings.fogScale; };
    ASSERT_EQ(SetFogRange(1000, 1300), 1);
    // At the fog start the 16.16 level is 62.9, at the end 0.
    EXPECT_NEAR(level(1000) / 65536.0f, 62.9f, 1e-3);
    EXPECT_NEAR(level(1300), 0.0f, 1e-3);
    // A new world's fog runs from 500 to 1000 again, whatever the last range was.
    ASSERT_EQ(CreateWorld(), 1);
    EXPECT_NEAR(level(500) / 65536.0f, 62.9f, 1e-3);
}

TEST_F(RenderContextTest, DepthBufferKeepsItsSizeOnRefusal) {
    EXPECT_EQ(AllocZBuffer(0) + AllocZBuffer(-5), 0);
    ASSERT_EQ(AllocZBuffer(640 * 480), 1);
    g_settings.zbuffer[307200] = 7;  // count + 1 entries: ASan checks the spare one
    SetEngineAllocFailure(0);
    EXPECT_EQ(AllocZBuffer(1000000), 0);
    EXPECT_EQ(std::make_pair(g_settings.zbufferSize, g_settings.zbuffer[307200]),
              std::make_pair(307200, 7u));
}

TEST_F(RenderContextTest, PixelModeFollowsTheDisplayAndReleaseDropsIt) {
    for (const bool rgb555 : {false, true}) {
        UseHeadlessDisplay(640, 480, 16, rgb555);
        ChoosePixelMode();
        EXPECT_EQ(GetPixelMode(), rgb555 ? kPixelMode555 : kPixelMode565);
    }
    g_display.Reset();
    ReleaseWorld();
    EXPECT_EQ(
        std::make_tuple(g_context, g_settings.zbuffer, g_settings.zbufferSize, GetPixelMode()),
        std::make_tuple(nullptr, nullptr, 0, kPixelMode8));
    EXPECT_EQ(SetAmbient(0.5f), 0);  // setters without a world do nothing
    SetLightDirection(1, 0, 0);
}
