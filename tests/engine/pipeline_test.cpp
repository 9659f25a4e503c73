// The render pipeline end to end: culling, ordering, both paths, viewport limits, projection.
#include "engine/pipeline.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/engine/engine_fixture.h"

namespace {

constexpr uint16_t kUntouched = 0xBEEF;

// A rectangle of half sizes (hx, hy) at object z = 0 facing -z (the camera) or, `away`, +z.
MeshSource Rect(float hx = 1, float hy = 1, uint8_t grey = 100, uint16_t mode = 0,
                bool away = false) {
    const uint16_t k = away ? 2 : 3;
    return {
        "",
        static_cast<uint8_t>(mode & 0x0C),
        {{-hx, -hy, 0}, {hx, -hy, 0}, {hx, hy, 0}, {-hx, hy, 0}},
        {{{0, k, uint16_t(5 - k)}, mode, grey, grey, grey, "", {}},
         {{0, uint16_t(k - 1), uint16_t(4 - k)}, mode, grey, grey, grey, "", {}}},
    };
}

class Pipeline : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        SetPixelMode16();
        SetBackground(0, 1, 1, 1);
        SetBackgroundColour(0);
        Frame(64, 48);
    }

    // A w x h viewport inside a guard band of 4 pixels.
    void Frame(int w, int h) {
        pitch_ = w + 8;
        frame_.assign(static_cast<size_t>(pitch_) * (h + 8), kUntouched);
        fv_ = FrameView{frame_.data(), pitch_, h + 8, 4, 4, w, h, 0.28f, 0.21f};
    }
    uint16_t Px(int x, int y) const { return frame_[(y + 4) * pitch_ + x + 4]; }
    uint16_t Grey(int index) const { return g_shade16[64 * 256 + index]; }
    // The drawn colour of an unshaded face of grey g.
    uint16_t Shade(int g) const { return Grey(NearestColour(g, g, g)); }

    int32_t Place(const char* key, const MeshSource& mesh, CVector pos) {
        WriteMesh(key, mesh);  // read unless a mesh of that key is loaded already
        const int32_t i = AddInstance(MakeKey(key));
        EXPECT_GE(i, 0);
        GetInstance(i)->position = pos;
        return i;
    }

    long CountColour(uint16_t c) const { return std::count(frame_.begin(), frame_.end(), c); }
    // The background fills the whole viewport, so any other change is outside it.
    bool GuardIntact() const {
        return CountColour(kUntouched) ==
               static_cast<long>(frame_.size()) - fv_.viewWidth * fv_.viewHeight;
    }
    // Renders and returns the drawn pixels' bounding box: columns x0 .. x1, rows y0 .. y1.
    struct Box {
        int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
        int W() const { return x1 - x0 + 1; }
        int H() const { return y1 - y0 + 1; }
    };
    Box Render() {
        RenderWorld(fv_);
        Box b;
        for (int y = 0; y < fv_.viewHeight; ++y)
            for (int x = 0; x < fv_.viewWidth; ++x)
                if (Px(x, y) != Grey(0))
                    b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x),
                         std::max(b.y1, y)};
        return b;
    }
    // Pixels per world unit at depth 1 for the 64 x 48 viewport.
    double PixelsPerUnit() const { return (64 / 0.28) * g_context->focal; }

    std::vector<uint16_t> frame_;
    FrameView fv_{};
    int pitch_ = 0;
};

// The instances reaching the fillers of a hook: one letter each, the second of their mesh key.
std::string g_order;
void Before(VisibleObject* vo) {
    g_order += vo->mesh->key.bytes[1];
}
void NoFill(const PolygonRecord*) {}

// Attaches to `mesh` a hook that records its instances reaching the fillers and fills nothing.
void Hook(const char* mesh, const char* hook, int32_t flags = 0) {
    ASSERT_EQ(AddHook(MakeKey(hook), flags, 0, Before, nullptr, nullptr, nullptr, NoFill, nullptr,
                      NoFill),
              1);
    ASSERT_EQ(AttachHook(MakeKey(mesh), MakeKey(hook)), 1);
    g_order.clear();
}

TEST_F(Pipeline, SquareInFrontIsDrawnAndPointsProjectedAboutTheCentre) {
    Place("SQ", Rect(), {0, 0, 10});
    RenderWorld(fv_);
    EXPECT_EQ(std::make_pair(Px(0, 0), Px(63, 47)), std::make_pair(Grey(0), Grey(0)));
    // +-1 at distance 10 is +-s pixels; pixel x is covered when x + 1 lies in (32 - s, 32 + s].
    const double s = 0.1 * PixelsPerUnit();
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(Px(x, 24) == Shade(100), x + 1 > 32 - s && x + 1 <= 32 + s) << x;
    EXPECT_TRUE(GuardIntact());
    // Loose points: the centre, and (0, 0, 0) for those behind or too near.
    CVector pts[3] = {{0, 0, 10}, {0, 0, -5}, {0, 0, 0.05f}};
    ASSERT_EQ(ProjectPoints(fv_, pts, 3), 1);
    ExpectNear(pts[0], 32, 24, 1, 0);
    EXPECT_EQ(pts[1].z + pts[2].z, 0.0f);
    EXPECT_EQ(ProjectPoints(fv_, pts, 0) + ProjectPoints(fv_, nullptr, 3), 0);
}

TEST_F(Pipeline, BehindBesideHiddenBeyondTheFogEdgeOnAndBackFacingIsCulled) {
    const float radius = std::sqrt(2.0f), focal = g_context->focal;
    // Half view at distance 1 with one pixel of margin; side-plane distance grows nx per x.
    const float hw = 0.28f * 0.5f + 0.28f / 64, edge = hw / focal;
    const float nx = focal / std::sqrt(focal * focal + hw * hw);
    Place("SQ", Rect(), {0, 0, -10 - 2 * radius});  // behind
    Hook("SQ", "COUNT");
    Place("SQ", Rect(), {10 * edge + radius / nx * 1.05f, 0, 10});  // beside
    const int32_t inside = Place("SQ", Rect(), {10 * edge + radius / nx * 0.95f, 0, 10});
    RenderWorld(fv_);
    EXPECT_EQ(g_order, "Q");
    GetInstance(inside)->flags = kInstanceHidden;
    g_order.clear();
    RenderWorld(fv_);
    EXPECT_EQ(g_order, "");
    // Whole instances beyond the fog end go, with fog on only.
    ClearInstances();
    ASSERT_EQ(SetFogRange(50, 100), 1);
    Place("SQ", Rect(), {0, 0, 90});
    Place("SQ", Rect(), {0, 0, 105});
    for (const bool fog : {false, true}) {
        fog ? EnableFog() : DisableFog();
        g_order.clear();
        RenderWorld(fv_);
        EXPECT_EQ(g_order, fog ? "Q" : "QQ");
    }
    DisableFog();
    ClearInstances();
    // In the square's plane (normal . camera == d) both faces are culled, a hair in front not.
    Place("SQ", Rect(), {0, 0, 10});
    for (const float z : {10.0f, 9.999f}) {
        g_context->cameraPos = {0, 0, z};
        RenderWorld(fv_);
        EXPECT_EQ((g_buffers.faces[0].flags != 0) + (g_buffers.faces[1].flags != 0),
                  z < 10 ? 2 : 0);
    }
    // A +x face at object x 1, scaled 4 in x, lies at world x 4: culled from x 2, drawn from 4.5.
    ClearInstances();
    MeshSource side = Rect();
    for (CVector& p : side.positions) p = {1, p.y, p.x};
    SetScale(Place("SIDE", side, {0, 0, 10}), 4, 1, 1);
    for (const float x : {2.0f, 4.5f}) {
        g_context->cameraPos = {x, 0, 0};
        RenderWorld(fv_);
        EXPECT_EQ(g_buffers.faces[0].flags != 0, x > 4) << x;
    }
}

TEST_F(Pipeline, NearerSquareCoversTheFartherOnBothPaths) {
    // Depth off, on, and on with too small a buffer (painter's then), in either adding order.
    for (int depth : {0, 1, 2})
        for (int order : {0, 1}) {
            ASSERT_EQ(AllocZBuffer(depth == 2 ? 10 : 64 * 48), 1);
            depth ? EnableZBuffer() : DisableZBuffer();
            ClearInstances();
            for (int k = 0; k < 2; ++k)
                k == order ? Place("NEARSQ", Rect(), {0, 0, 10})
                           : Place("FARSQ", Rect(1, 1, 40), {0.5f, 0, 12});
            Frame(64, 48);
            RenderWorld(fv_);
            EXPECT_EQ(g_settings.zbufferInUse, depth == 1 ? 1 : 0);
            EXPECT_EQ(Px(32, 24), Shade(100)) << "depth " << depth << " order " << order;
            EXPECT_GT(CountColour(Shade(40)), 0);
            EXPECT_TRUE(GuardIntact());
        }
}

TEST_F(Pipeline, RadixSortIsAscendingAndStable) {
    for (int k = 0; k < 41; ++k) Place("SQ", Rect(), {0, 0, 10});  // gives buckets
    SortEntry e[10] = {{0, 500}, {1, 3}, {2, 0xFFFF}, {3, 3},    {4, 17},
                       {5, 500}, {6, 0}, {7, 3},      {8, 4096}, {9, 17}};
    RadixSort(e, 10);
    const uint16_t want[] = {6, 1, 3, 7, 4, 9, 0, 5, 8, 2};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(e[i].index, want[i]) << i;
}

TEST_F(Pipeline, BackgroundFillsAtMost800By600SplitsAtTheHorizonInvalidViewsDrawNothing) {
    Frame(1024, 768);
    RenderWorld(fv_);
    EXPECT_EQ(std::make_tuple(Px(799, 599), Px(800, 0), Px(0, 600), CountColour(Grey(0))),
              std::make_tuple(Grey(0), kUntouched, kUntouched, 800 * 600));

    Frame(64, 48);
    Place("SQ", Rect(), {0, 0, 10});
    // No width, beyond the pitch or the height, negative left, no plane height, no frame.
    uint16_t* p = frame_.data();
    for (const FrameView& v : {FrameView{p, 72, 56, 4, 4, 0, 48, 0.28f, 0.21f},
                               {p, 72, 56, 10, 4, 64, 48, 0.28f, 0.21f},
                               {p, 72, 56, 4, 9, 64, 48, 0.28f, 0.21f},
                               {p, 72, 56, -1, 4, 64, 48, 0.28f, 0.21f},
                               {p, 72, 56, 4, 4, 64, 48, 0.28f, 0.0f},
                               {nullptr, 72, 56, 4, 4, 64, 48, 0.28f, 0.21f}})
        RenderWorld(v);
    EXPECT_EQ(CountColour(kUntouched), static_cast<long>(frame_.size()));
    // An 8-bit background splits sky and ground at the horizon.
    SetPixelMode8();
    g_context->backgroundColour = 10;
    g_context->backgroundColour2 = 20;
    std::vector<uint8_t> frame(64 * 48, 0xEE);
    const FrameView view{frame.data(), 64, 48, 0, 0, 64, 48, 0.28f, 0.21f};
    RenderWorld(view);
    for (int y = 0; y < 48; ++y) EXPECT_EQ(frame[y * 64 + 5], y < 24 ? 10 : 20) << y;
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xEE), 0);
    // With depth on, a square writes its depth where it is drawn and nowhere else.
    Place("SQ", Rect(), {0, 0, 10});
    ASSERT_EQ(AllocZBuffer(64 * 48), 1);
    EnableZBuffer();
    RenderWorld(view);
    EXPECT_NE(g_settings.zbuffer[24 * 64 + 32], g_settings.zbuffer[0]);
}

TEST_F(Pipeline, NearPlaneCrossingFaceIsDrawnWithoutEscapingTheViewport) {
    // A floor strip from behind the camera to far ahead, in both windings.
    MeshSource m = Rect();
    m.positions = {{-1, 1, -5}, {1, 1, -5}, {1, 1, 50}, {-1, 1, 50}};
    for (int f = 0; f < 2; ++f) {
        m.faces.push_back(m.faces[f]);
        std::swap(m.faces.back().vertex[1], m.faces.back().vertex[2]);
    }
    Place("STRIP", m, {0, 0, 0});
    RenderWorld(fv_);
    EXPECT_GT(CountColour(Shade(100)), 20);
    EXPECT_TRUE(GuardIntact());
    // A corner at camera depth 0.05 keeps its camera-space place and mark 0.
    ClearInstances();
    m = Rect();
    m.positions[2].z = 0.05f;
    Place("SQ", m, {0, 0, 0});
    RenderWorld(fv_);
    EXPECT_EQ(g_buffers.marks[2], 0);
    const ScreenVertex& v = g_buffers.vertices[2];
    EXPECT_EQ((std::vector<float>{v.x, v.y, v.z}), (std::vector<float>{1.0f, 1.0f, 0.05f}));
    EXPECT_TRUE(GuardIntact());
}

TEST_F(Pipeline, DeferredHookInstancesComeLastOnBothPaths) {
    const char* keys[] = {"MA", "MB", "MC"};
    const float depth[] = {30, 10, 20};  // B nearest, then C, then A farthest
    for (int k = 0; k < 3; ++k) {
        Place(keys[k], Rect(), {0, 0, depth[k]});
        Hook(keys[k], keys[k], k ? kHookLastNoDepth | kHookLastDepth : 0);
    }
    // Painter: the deferred ones nearest first, after the others; depth: farthest first.
    for (const bool z : {false, true}) {
        ASSERT_EQ(AllocZBuffer(64 * 48), 1);
        z ? EnableZBuffer() : DisableZBuffer();
        g_order.clear();
        RenderWorld(fv_);
        EXPECT_EQ(g_order, z ? "ACB" : "ABC");
    }
}

TEST_F(Pipeline, FlatLightIsBrightestFacingTheLightAndFollowsTheTurn) {
    SetAmbient(0.1f);
    SetDiffuse(0.6f);
    const int32_t lit = Place("LIT", Rect(1, 1, 160, kLightFlat), {0, 0, 10});
    auto lumaWith = [&](float lx, float ly, float lz) {
        SetLightDirection(lx, ly, lz);
        RenderWorld(fv_);  // the 5-6-5 centre pixel's brightness, channels weighted alike
        return 2 * (Px(32, 24) >> 11) + ((Px(32, 24) >> 5) & 63) + 2 * (Px(32, 24) & 31);
    };
    // The face looks at -z: light along +z falls straight on it, from behind or along it not.
    const int full = lumaWith(0, 0, 1), oblique = lumaWith(1, 0, 1), side = lumaWith(1, 0, 0);
    EXPECT_GT(full, oblique);
    EXPECT_GT(oblique, side);
    EXPECT_EQ(lumaWith(0, 0, -1), side);

    // A face built looking away, turned half a turn, is drawn and lit the same.
    HideInstance(lit);
    const int32_t turned = Place("TURNED", Rect(1, 1, 160, kLightFlat, true), {0, 0, 10});
    SetAngles(turned, 180, 0, 0);
    EXPECT_EQ(lumaWith(0, 0, 1), full);
    EXPECT_EQ(lumaWith(1, 0, 1), oblique);
}

TEST_F(Pipeline, RollAndScaleShapeTheProjectionAndTheCulling) {
    const int32_t i = Place("WIDE", Rect(1.5f, 0.25f), {0, 0, 10});
    Box b = Render();
    EXPECT_GT(b.W() - 1, 4 * (b.H() - 1));  // wide
    SetAngles(i, 0, 0, 90);
    b = Render();
    EXPECT_GT(b.H() - 1, 4 * (b.W() - 1));  // rolled a quarter turn: tall
    // Scaled (2, 3) in the object before the roll: 2 x 3 = 6 units tall, 3 x 0.5 = 1.5 wide.
    SetScale(i, 2, 3, 1);
    b = Render();
    const double ppu = PixelsPerUnit() / 10;
    EXPECT_NEAR(b.H(), 6.0 * ppu, 1.5);
    EXPECT_NEAR(b.W(), 1.5 * ppu, 1.5);
    // Centred 3 beyond the view's edge: only its scaled (half size 5) form reaches into view.
    const int32_t j = Place("BIG", Rect(), {static_cast<float>(-320 / PixelsPerUnit() - 3), 0, 10});
    HideInstance(i);
    EXPECT_EQ(Render().x1, -1);
    SetScale(j, 5, 5, 5);
    EXPECT_GT(Render().W(), 10);
}

TEST_F(Pipeline, DepthScaleTiltsAQuadAwayFromTheCamera) {
    // Edges at object z = +1 and -1, scaled by 6 in z: at depths 16 and 4.
    MeshSource tilt = Rect();
    tilt.positions = {{-1, -1, -1}, {1, -1, -1}, {1, 1, 1}, {-1, 1, 1}};
    const int32_t i = Place("TILT", tilt, {0, 0, 10});
    SetScale(i, 1, 1, 6);
    const Box b = Render();
    const double ppu = PixelsPerUnit();
    EXPECT_NEAR(b.H(), ppu * (1.0 / 16 + 1.0 / 4), 1.5);
    // The near edge (depth 4, at the top) is four times as wide as the far one (depth 16).
    int width[2] = {};
    for (int x = 0; x < 64; ++x)
        for (int e = 0; e < 2; ++e) width[e] += Px(x, e ? b.y1 : b.y0) != Grey(0);
    EXPECT_NEAR(width[0], 2 * ppu / 4, 2.0);
    EXPECT_NEAR(width[1], 2 * ppu / 16, 2.0);
}

}  // namespace
