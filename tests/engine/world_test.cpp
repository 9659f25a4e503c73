// World tables and render settings: name keys, instances, capacity growth and its undo, hooks,
// material ramps, light clamps, fog range, depth buffer, pixel-mode choice.
#include "engine/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "app/display.h"
#include "engine/alloc.h"
#include "engine/mesh.h"
#include "engine/render_context.h"
#include "tests/engine/engine_fixture.h"

// Vertex, face and instance capacities of the world's buffers.
static std::vector<int32_t> Capacities() {
    return {g_buffers.vertexCapacity, g_buffers.faceCapacity, g_buffers.instanceSlots};
}

using WorldTest = EngineTest;

TEST_F(WorldTest, KeysZeroVectorsInstancesAndHooks) {
    // Keys are upper-cased, padded and cut to 8 characters.
    EXPECT_EQ(std::memcmp(MakeKey("earth").bytes, "EARTH\0\0\0", 8), 0);
    char text[9];
    KeyToString(MakeKey("reactor12x"), text);
    EXPECT_STREQ(text, "REACTOR1");
    EXPECT_TRUE(MakeKey(nullptr).IsEmpty());
    CVector zero;  // a zero vector stays zero when normalised
    zero.Normalize();
    ExpectNear(zero, 0, 0, 0, 0);
    WriteMesh("CUBE", MakeCubeMesh(1, 255, 0, 0));
    EXPECT_EQ(AddInstance(MakeKey("cube")), 0);
    RemoveData("DATA/CUBE.OBP");  // the second instance must come from the loaded mesh
    EXPECT_EQ(AddInstance(MakeKey("CUBE")), 1);
    // Colour 127 is the nearest to white in the test palette: (254, 254, 254).
    EXPECT_EQ(std::make_tuple(GetInstance(1)->mesh, GetInstance(1)->colour),
              std::make_tuple(0, 127));
    EXPECT_EQ(AddInstance(MakeKey("NOWHERE")), -1);  // changes no count
    EXPECT_EQ(std::make_pair(g_context->instanceCount, g_context->meshCount), std::make_pair(2, 1));
    EXPECT_EQ(Capacities(), (std::vector<int32_t>{16, 24, 2}));
    // Clearing the instances frees the buffers and keeps the meshes.
    ClearInstances();
    EXPECT_EQ(std::make_tuple(g_context->instanceCount, g_buffers.faces, g_buffers.vertexCapacity),
              std::make_tuple(0, nullptr, 0));
    EXPECT_EQ(AddInstance(MakeKey("CUBE")), 0);
    // Hooks: one per name, attached to loaded meshes only.
    for (const char* name : {"SHADOW", "shadow"})
        EXPECT_EQ(AddHook(MakeKey(name), 0, 0, nullptr, nullptr, nullptr, nullptr, &FillNoOp,
                          nullptr, nullptr),
                  name[1] == 'H');
    EXPECT_EQ((std::vector<int>{AttachHook(MakeKey("CUBE"), MakeKey("SHADOW")),
                                AttachHook(MakeKey("NOMESH"), MakeKey("SHADOW")),
                                AttachHook(MakeKey("CUBE"), MakeKey("NOHOOK"))}),
              (std::vector<int>{1, 0, 0}));
}

TEST_F(WorldTest, BudgetBoundsGrowthButAMeshsOwnCountsAndOneSlotEachFit) {
    WriteMesh("BIG", StripMesh(40000));
    ASSERT_EQ(AddInstance(MakeKey("BIG")), 0);
    // Beyond half the default budget (32500), yet the mesh's own counts fit.
    EXPECT_EQ(Capacities(), (std::vector<int32_t>{40000, 39998, 1}));
    ASSERT_EQ(AddInstance(MakeKey("BIG")), 1);
    EXPECT_EQ(Capacities(), (std::vector<int32_t>{40000, 65000, 2}));
    // 120 cubes want 960 vertices but half the budget is 500; the face budget caps at 1000.
    ClearInstances();
    SetFaceBudget(1000);
    WriteMesh("CUBE", MakeCubeMesh(1, 0, 0, 255));
    for (int i = 0; i < 120; ++i) ASSERT_EQ(AddInstance(MakeKey("CUBE")), i);
    EXPECT_EQ(Capacities(), (std::vector<int32_t>{500, 1000, 120}));
}

TEST_F(WorldTest, FailedAddInstanceUndoesEverything) {
    WriteMesh("CUBE", MakeCubeMesh(1, 0, 0, 255));
    ASSERT_EQ(AddInstance(MakeKey("CUBE")), 0);
    const std::vector<int32_t> before = Capacities();
    for (int succeed = 0; succeed < 23; ++succeed) {  // fail each reallocation in turn
        SetEngineAllocFailure(succeed);
        EXPECT_EQ(AddInstance(MakeKey("CUBE")), -1) << succeed;
        SetEngineAllocFailure(-1);
        EXPECT_EQ(g_context->instanceCount, 1);
        EXPECT_EQ(Capacities(), before);
    }
    // Still usable afterwards; ASan sees any buffer left too small.
    ASSERT_EQ(AddInstance(MakeKey("CUBE")), 1);
    g_buffers.faces[g_buffers.faceCapacity - 1].flags = 0;
    g_buffers.buckets[15][g_buffers.faceCapacity - 1].key = 1;
    g_buffers.marks[g_buffers.vertexCapacity - 1] = 0;
    g_buffers.sorted[1].firstFace = 0;
}

TEST_F(WorldTest, LightLevelsClampAndTheMaterialRampFollowsThem) {
    SetAmbient(std::nanf(""));
    SetDiffuse(1.65f);
    EXPECT_EQ(std::make_pair(g_context->ambient, g_context->diffuse), std::make_pair(0.0f, 1.0f));
    const uint8_t* ramp = g_context->materials[0].ramp;
    // Facing away and at cosine 0: row 0; rows only grow with the cosine.
    EXPECT_EQ((std::vector<int>{ramp[0], ramp[128], ramp[255]}), (std::vector<int>{0, 0, 63}));
    for (int j = 1; j < 256; ++j) EXPECT_GE(ramp[j], ramp[j - 1]);
    SetAmbient(1.0f);  // fully lit without specular light is the colour itself
    EXPECT_EQ((std::vector<int>{ramp[0], ramp[255]}), (std::vector<int>{64, 64}));
    g_context->materials[0].specularFactor = 2.0f;
    BuildMaterialRamps();
    EXPECT_EQ(ramp[128], 64);
    EXPECT_GT(ramp[255], 100);
    EXPECT_LE(ramp[255], 127);
    SetDiffuse(-0.5f);
    EXPECT_EQ(g_context->diffuse, 0.0f);
    // The light direction is normalised; a zero one is ignored.
    SetLightDirection(0, -3, 4);
    SetLightDirection(0, 0, 0);
    ExpectNear(g_context->lightDir, 0, -0.6f, 0.8f, 1e-6f);
}

TEST_F(WorldTest, FogRangeRefusesEmptyRangesAndMapsStartToLevel63) {
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

TEST_F(WorldTest, DepthBufferKeepsItsSizeOnRefusalPixelModeFollowsTheDisplay) {
    EXPECT_EQ(AllocZBuffer(0) + AllocZBuffer(-5), 0);
    ASSERT_EQ(AllocZBuffer(640 * 480), 1);
    g_settings.zbuffer[307200] = 7;  // count + 1 entries: ASan checks the spare one
    SetEngineAllocFailure(0);
    EXPECT_EQ(AllocZBuffer(1000000), 0);
    EXPECT_EQ(std::make_pair(g_settings.zbufferSize, g_settings.zbuffer[307200]),
              std::make_pair(307200, 7u));
    SetEngineAllocFailure(-1);
    // The pixel mode follows the display; releasing the world drops it and the buffer.
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
