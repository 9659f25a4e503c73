#include "fx/explosion.h"

#include "tests/fx/hook_frame.h"

namespace {

constexpr int kVerts = 300;

class Explosion : public HookFrame {
public:
    void SetUp() override {
        HookFrame::SetUp();
        // Palette entry i of the colour ramp image: (i, i / 2, i / 4), black first.
        std::vector<uint8_t> ramp(768), pixels(16 * 16, 0);
        for (int i = 0; i < 768; ++i) ramp[i] = static_cast<uint8_t>((i / 3) >> (i % 3));
        dir.Write("DATA/EXPLOPAL.TGA", WriteTgaIndexed(16, 16, pixels.data(), ramp.data()));
        Load("GLOBEXP1", 1.0f);
        Load("GLOBEXP2", 3.0f);
        Load("GLOBEXP", 1.0f);
        SRand(1);
    }
    void TearDown() override {
        ReleaseExplosion();
        HookFrame::TearDown();
    }

    // A mesh of count vertices at x = xPos along a bent line, with one (empty) face.
    void Load(const char* key, float xPos, int count = kVerts) {
        MeshSource m;
        for (int k = 0; k < count; ++k)
            m.positions.push_back(CVector(xPos, 0.01f * k, 0.0001f * k * k));
        m.faces.resize(1);
        const std::vector<uint8_t> bytes = WriteMeshFile(m);
        ASSERT_EQ(LoadMeshFromMemory(MakeKey(key), bytes.data(), bytes.size()), 1);
    }
    void Picture(uint8_t (*pick)(int row, int column)) {
        std::vector<uint8_t> fire(65536);
        for (int i = 0; i < 65536; ++i) fire[i] = pick(i / 256, i % 256);
        dir.Write("DATA/EXPBEGIN.FIR", fire);
    }
    void SetUpBlast() {
        SetupExplosion(MakeKey("GLOBEXP1"), MakeKey("GLOBEXP2"), MakeKey("GLOBEXP"));
    }
    MeshRecord& Shown() { return *GetMesh(MakeKey("GLOBEXP")); }
    uint8_t Fire(int row, int column) { return GetExplosionFire()[row * 256 + column]; }
    uint8_t Tex(int row, int column) { return GetExplosionTexture()[row * 256 + column]; }
    // Pixel (4, 9) of a frame flooded through the material at texel (u, v).
    uint32_t Drawn(int mode, bool depth, uint16_t fill, float u = 255.5f, float v = 255.5f,
                   uint32_t nearer = 0) {
        Use("EXPLODE");
        Init(mode, depth, fill);
        std::fill(depth_.begin(), depth_.end(), nearer);
        Flood(10, u, v);
        return Px(4, 9);
    }
    // The blast with five known normals on the shown mesh, its instance and the hook.
    void PrepareNormals() {
        SetUpBlast();
        obj_ = AddInstance(MakeKey("GLOBEXP"));
        const CVector n[] = {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}, {std::nanf(""), 0, 0}, {0, 2, 0}};
        std::copy(n, n + 5, Shown().normals);
        vo_ = VisibleObject{GetInstance(obj_), &Shown(), 0, 0, nullptr, nullptr};
        hook_ = &g_context->hooks[FindHook(MakeKey("EXPLODE"))];
    }
    void Run() {
        for (int i = 0; i < 5; ++i) g_buffers.vertices[i].u = g_buffers.vertices[i].v = -7.0f;
        hook_->afterLighting(&vo_);
    }
    float U(int i) { return g_buffers.vertices[i].u; }
    float Vc(int i) { return g_buffers.vertices[i].v; }

    int32_t obj_ = -1;
    VisibleObject vo_{};
    const RasterHook* hook_ = nullptr;
};

TEST_F(Explosion, ScaleAndMorphOverTimeAndMismatchedMeshesLeftAlone) {
    SetUpBlast();
    const int32_t obj = AddInstance(MakeKey("GLOBEXP"));
    UpdateExplosion(1.0f, obj);
    const CVector& scale = GetInstance(obj)->scale;
    EXPECT_NEAR(scale.x, 1.6447, 0.0005);  // ln(100001) / 7
    EXPECT_TRUE(scale.y == scale.x && scale.z == scale.x);
    // Each vertex sits at weight w = s m / 100 (m = 0 .. 99) between x = 1 and x = 3.
    const float step = 0.01f * 1.64470f;
    int lowest = 100, highest = -1;
    for (int k = 0; k < kVerts; ++k) {
        const float w = (Shown().vertices[k].x - 1.0f) / 2.0f;
        const int m = static_cast<int>(std::lround(w / step));
        EXPECT_NEAR(w, m * step, 2e-4) << k;
        EXPECT_NEAR(Shown().vertices[k].y, 0.01f * k, 1e-5);
        lowest = std::min(lowest, m);
        highest = std::max(highest, m);
    }
    EXPECT_TRUE(lowest <= 5 && highest == 99) << lowest << " " << highest;
    // t = 0, below 0, NaN and infinite: the smallest scale and the start shape.
    for (float t : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity()}) {
        UpdateExplosion(1.0f, obj);
        UpdateExplosion(t, obj);
        EXPECT_FLOAT_EQ(GetInstance(obj)->scale.y, 0.001f) << t;
        for (int k = 0; k < kVerts; ++k) ASSERT_EQ(Shown().vertices[k].x, 1.0f) << t << " " << k;
    }
    // Mismatched vertex counts leave the shown mesh alone.
    Load("OTHER2", 3.0f, kVerts - 1);
    SetupExplosion(MakeKey("GLOBEXP1"), MakeKey("OTHER2"), MakeKey("GLOBEXP"));
    UpdateExplosion(1.0f, obj);
    for (int k = 0; k < kVerts; ++k) ASSERT_EQ(Shown().vertices[k].x, 1.0f);
    EXPECT_NEAR(GetInstance(obj)->scale.x, 1.6447, 0.0005);  // the scale still runs
    // A start mesh with more vertices than the shown one: nothing either.
    Load("BIG", 1.0f, kVerts + 5);
    SetupExplosion(MakeKey("BIG"), MakeKey("GLOBEXP1"), MakeKey("GLOBEXP"));
    UpdateExplosion(1.0f, obj);
    for (int k = 0; k < kVerts; ++k) ASSERT_EQ(Shown().vertices[k].x, 1.0f);
}

TEST_F(Explosion, CoolingAveragesFourCellsBelowMovesUpThreeRowsAndFollowsTheSeed) {
    Picture([](int r, int c) -> uint8_t {
        if (r == 120 && c == 100) return 200;  // a hot spot
        if (r == 63 && c == 10) return 4;      // too cold to survive
        return 0;
    });
    SetUpBlast();
    UpdateExplosion(0.0f, -1);
    for (int c : {99, 100, 101}) EXPECT_EQ(Fire(117, c), 48) << c;  // (200 - 5) / 4
    EXPECT_EQ(Fire(116, 100), 48);
    EXPECT_EQ(Fire(120, 100) + Fire(118, 100) + Fire(60, 10) + Fire(59, 10), 0);
    // New heat at the bottom; the row above it cools from three of those and the cold guard.
    for (int i = 253 * 256; i < 65536; ++i)
        ASSERT_TRUE(GetExplosionFire()[i] >= 150 && GetExplosionFire()[i] <= 205) << i;
    for (int c = 1; c < 255; ++c)
        EXPECT_EQ(Fire(252, c), (Fire(255, c - 1) + Fire(255, c) + Fire(255, c + 1) - 5) >> 2);
    // From a cold start, twenty frames of a known seed.
    Picture([](int, int) -> uint8_t { return 0; });
    SetUpBlast();
    SRand(2024);
    for (int i = 0; i < 20; ++i) UpdateExplosion(0.05f * i, -1);
    uint64_t weighted = 0;
    for (int i = 0; i < 65536; ++i) weighted += uint64_t{GetExplosionFire()[i]} * (i % 251 + 1);
    EXPECT_EQ(weighted, 352614774u);
}

TEST_F(Explosion, TextureIsMirroredAroundThePolarWrapAndDrawnThroughTheRampBehindTheDepthTest) {
    Picture([](int r, int c) -> uint8_t {
        // After one frame: row 97 holds 198 at column 219, 38 at 20; row 34 98 near 120.
        if ((r == 100 && c >= 218 && c <= 220) || (r == 101 && c == 219)) return 200;
        if ((r == 100 && c >= 19 && c <= 21) || (r == 101 && c == 20)) return 40;
        if ((r == 37 || r == 38) && c >= 117 && c <= 122) return 100;
        return 0;
    });
    SetUpBlast();
    UpdateExplosion(0.0f, -1);
    for (int i = 0; i < 65536; ++i) {
        ASSERT_EQ(Tex(i / 256, i % 256), Tex(255 - i / 256, i % 256)) << i;
        ASSERT_EQ(Tex(i / 256, i % 256), Tex(i / 256, 255 - i % 256)) << i;
    }
    // The centre is fire row 250; along the x axis fire column 20, along the y axis 219.
    EXPECT_EQ(Tex(128, 128), Fire(250, 20));
    EXPECT_GT(Tex(128, 128), 100);
    EXPECT_EQ(std::tuple(Tex(128, 255), Tex(255, 128), Tex(255, 255)), std::tuple(38, 198, 98));
    // The fillers read row v, column u: 198 is ramp entry (63 x 197) >> 6 = 193, 38 black.
    EXPECT_EQ(Drawn(2, true, 0x1234, 128.5f, 255.5f), g_display.PackRGB(193, 96, 48));
    EXPECT_EQ(Drawn(2, true, 0x1234, 255.5f, 128.5f), 0u);
    Picture([](int, int) -> uint8_t { return 255; });
    SetUpBlast();
    UpdateExplosion(0.0f, -1);
    // Fire of 255 cools to 253 at the far corner: ramp entry (63 x 255) >> 6 = 251.
    ASSERT_EQ(Tex(255, 255), 253);
    EXPECT_EQ(Drawn(2, true, 0x1234), g_display.PackRGB(251, 125, 62));
    EXPECT_GT(Depth(4, 9), 0u);
    EXPECT_EQ(Drawn(0, true, 7), NearestColour(251, 125, 62));
    // Behind a nearer face, or without a depth buffer, nothing is drawn.
    EXPECT_EQ(Drawn(0, true, 7, 255.5f, 255.5f, 0xF0000000u), 7u);
    EXPECT_EQ(Drawn(2, false, 0x1234), 0x1234u);
}

TEST_F(Explosion, ViewSpaceNormalsBecomeTexelsAndReleaseLeavesAHarmlessHook) {
    PrepareNormals();
    ASSERT_NE(hook_->afterLighting, nullptr);
    Run();
    // Forward is the middle texel, x = 1 the last but one; NaN gives 0, y = 2 the last texel.
    EXPECT_EQ(std::pair(U(0), Vc(0)), std::pair(8388607.0f, 8388607.0f));
    EXPECT_EQ(std::tuple(U(1), Vc(2), U(3), Vc(3)), std::tuple(16777214.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Vc(4), 16777215.0f);
    // The object turned like the camera: as if neither turned.
    SetAngles(obj_, 40.0f, 20.0f, 10.0f);
    SetCameraAngles(40.0f, 20.0f, 10.0f);
    Run();
    EXPECT_NEAR(U(0) + Vc(0), 2 * 8388607.0f, 64.0f);
    EXPECT_NEAR(U(1), 16777214.0f, 64.0f);
    // Turned a quarter about the vertical, the forward normal points sideways.
    SetAngles(obj_, 90.0f, 0.0f, 0.0f);
    SetCameraAngles(0.0f, 0.0f, 0.0f);
    Run();
    EXPECT_TRUE(U(0) < 64.0f || U(0) > 16777150.0f) << U(0);
    EXPECT_NEAR(Vc(0), 8388607.0f, 64.0f);
    HideInstance(obj_);
    Run();
    EXPECT_EQ(U(1), -7.0f);
    // After release the hook stays harmless.
    ShowInstance(obj_);
    ReleaseExplosion();
    Run();
    EXPECT_TRUE(GetExplosionFire() == nullptr && U(1) == -7.0f);
    EXPECT_EQ(Drawn(2, true, 0x1234), 0x1234u);
    SetScale(obj_, 2, 2, 2);
    UpdateExplosion(1.0f, obj_);
    EXPECT_EQ(GetInstance(obj_)->scale.x, 2.0f);
    // A second set-up in the same world works with the hook already registered.
    SetUpBlast();
    EXPECT_EQ(g_context->hookCount, 1);
    UpdateExplosion(1.0f, obj_);
    EXPECT_NEAR(GetInstance(obj_)->scale.x, 1.6447, 0.0005);
    float farthest = 0.0f;
    for (int k = 0; k < kVerts; ++k) farthest = std::max(farthest, Shown().vertices[k].x);
    EXPECT_GT(farthest, 2.5f);
}

}  // namespace
