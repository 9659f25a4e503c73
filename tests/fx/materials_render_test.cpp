// The three materials drawn by the render pipeline: hook flags, passes and callbacks together.

#include "fx/explosion.h"
#include "fx/reactor.h"
#include "tests/fx/fx_fixture.h"

namespace {

constexpr int kW = 64, kH = 48;

class MaterialsRender : public FxTest {
public:
    void SetUp() override {
        FxTest::SetUp();
        SetPixelMode16();
        SetBackground(0, 1, 1, 1);
        SetBackgroundColour(0);
        ASSERT_EQ(AllocZBuffer(kW * kH), 1);
        EnableZBuffer();
    }
    void TearDown() override {
        ReleaseExplosion();
        FxTest::TearDown();
    }
    int32_t Place(const char* key, const MeshSource& mesh, float z) {
        const std::vector<uint8_t> bytes = WriteMeshFile(mesh);
        if (FindMesh(MakeKey(key)) < 0) {
            EXPECT_EQ(LoadMeshFromMemory(MakeKey(key), bytes.data(), bytes.size()), 1);
        }
        const int32_t i = AddInstance(MakeKey(key));
        EXPECT_GE(i, 0);
        GetInstance(i)->position = CVector(0, 0, z);
        return i;
    }
    void Render() { RenderWorld(frame_.View()); }
    uint32_t Px(int x, int y) const { return frame_.At(x, y); }
    uint32_t Depth(int x, int y) const { return g_settings.zbuffer[y * kW + x]; }

    TestFrame frame_{kW, kH, 16, 0xBEEF};
};

TEST_F(MaterialsRender, FlameBehindAHullIsHiddenAndLightsTheBackgroundWithoutDepth) {
    ASSERT_EQ(RegisterReactor(), 1);
    Place("HULL", MakeCubeMesh(1.0f, 100, 100, 100), 10.0f);
    Place("FLAME", MakeCubeMesh(4.0f, 50, 50, 50), 20.0f);  // v = 0 everywhere: white glow
    ASSERT_EQ(AttachHook(MakeKey("FLAME"), MakeKey("REACTOR")), 1);
    Render();
    EXPECT_EQ(Px(32, 24), g_shade16[64 * 256 + NearestColour(100, 100, 100)]);
    // Beside the hull the black background turned nearly white; its depth stayed empty.
    EXPECT_EQ(Px(32 - 12, 24), 0xF79E);
    EXPECT_EQ(Depth(32 - 12, 24), 0u);
    EXPECT_EQ(Px(0, 0), g_shade16[64 * 256]);
}

TEST_F(MaterialsRender, ExplosionIsDrawnInItsFireColours) {
    std::vector<uint8_t> ramp(768), pixels(16 * 16, 0);  // entry i is (i, i, 0)
    for (int i = 0; i < 256; ++i) ramp[i * 3] = ramp[i * 3 + 1] = static_cast<uint8_t>(i);
    dir.Write("DATA/EXPLOPAL.TGA", WriteTgaIndexed(16, 16, pixels.data(), ramp.data()));
    const MeshSource cube = MakeCubeMesh(1.0f, 90, 90, 90);
    Place("GLOBEXP1", cube, 5.0f);
    Place("GLOBEXP2", cube, 5.0f);
    const int32_t shown = Place("GLOBEXP", cube, 5.0f);
    for (int32_t i : {0, 1}) HideInstance(i);
    SetupExplosion(MakeKey("GLOBEXP1"), MakeKey("GLOBEXP2"), MakeKey("GLOBEXP"));
    for (int i = 0; i < 30; ++i) UpdateExplosion(0.2f, shown);
    Render();
    // Every pixel of the middle shows a ramp colour; the background is black.
    std::set<uint16_t> ramps;
    for (int i = 0; i < 256; ++i) ramps.insert(static_cast<uint16_t>(g_display.PackRGB(i, i, 0)));
    int lit = 0;
    for (int y = 20; y < 28; ++y)
        for (int x = 28; x < 36; ++x) {
            EXPECT_TRUE(ramps.count(Px(x, y))) << x << "," << y;
            lit += Px(x, y) != 0;
        }
    EXPECT_GT(lit, 32);
    EXPECT_GT(Depth(32, 24), 0u);
}

}  // namespace
