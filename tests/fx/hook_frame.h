// A guarded frame wired into the rasterizer, for faces drawn through a render hook.
#pragma once

#include "raster/raster.h"
#include "tests/fx/fx_fixture.h"

class HookFrame : public FxTest {
public:
    static constexpr int kW = 16, kH = 16, kGuard = 8;

    void SetUp() override {
        FxTest::SetUp();
        Init(2);
    }
    void TearDown() override {
        g_rasterTarget = RasterTarget{};
        FxTest::TearDown();
    }

    // A w x h viewport in pixel mode 0 (8-bit), 1 (5-5-5) or 2 (5-6-5), filled, maybe depth.
    void Init(int mode, bool depth = false, uint16_t fill = 0, int w = kW, int h = kH) {
        std::tie(w_, h_, mode_, depthOn_, pitch_) = std::tuple(w, h, mode, depth, w + 2 * kGuard);
        frame16_.assign(static_cast<size_t>(pitch_) * (h + 2 * kGuard), fill);
        frame8_.assign(frame16_.size(), static_cast<uint8_t>(fill));
        depth_.assign(static_cast<size_t>(w) * h, 0);
        RasterTarget& t = g_rasterTarget = RasterTarget{};
        const size_t origin = static_cast<size_t>(kGuard) * pitch_ + kGuard;
        t.frame16 = mode ? frame16_.data() + origin : nullptr;
        t.frame8 = mode ? nullptr : frame8_.data() + origin;
        std::tie(t.pitch, t.width, t.height, t.cx, t.cy) =
            std::tuple(pitch_, w, h, w * 0.5f, h * 0.5f);
        t.depth = depth ? depth_.data() : nullptr;
        std::tie(t.pixelMode, t.vertices, t.textures, t.textureCount) =
            std::tuple(mode, verts_, &texture, 1);
        std::tie(t.shade8, t.shade16) = std::tuple(g_shade8, g_shade16);
    }

    // The registered hook, looked up now (the table may move when hooks are added).
    void Use(const char* hook) {
        const int32_t h = FindHook(MakeKey(hook));
        ASSERT_GE(h, 0);
        object_ = VisibleObject{};
        object_.hook = &g_context->hooks[h];
        face_ = FaceRecord{{0, 1, 2}, 0, 0, {}};
        rec_ = PolygonRecord{&object_, &face_, 0.0f, kPolyDraw | kPolyAllInFront};
    }

    // A corner at screen (x, y), depth z, texture coordinates (u, v) in reference texels.
    struct Corner {
        float x, y, z, u, v;
    };
    // Either winding: the corners are put in the order that runs down the left side.
    void Tri(const Corner& a, const Corner& b, const Corner& c) {
        const Corner* k[3] = {&a, &b, &c};
        if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0) std::swap(k[1], k[2]);
        for (int i = 0; i < 3; ++i) {
            ScreenVertex& v = verts_[i] = ScreenVertex{};
            std::tie(v.x, v.y, v.z, v.rz) = std::tuple(k[i]->x, k[i]->y, k[i]->z, 1.0f / k[i]->z);
            v.u = face_.uv[2 * i] = k[i]->u * 65536.0f;
            v.v = face_.uv[2 * i + 1] = k[i]->v * 65536.0f;
        }
        depthOn_ ? DrawHookTriangleDepth(&rec_) : DrawHookTriangle(&rec_);
    }
    // One triangle over the whole viewport at depth z, texel (u, v) at every corner.
    void Flood(float z, float u = 0.0f, float v = 0.0f) {
        Tri({-1, -1, z, u, v}, {-1, 100, z, u, v}, {100, -1, z, u, v});
    }
    // The viewport covered at depth z, with (u, v) = (uAt0 + x, vAt0 + y) texels at (x, y).
    void Cover(float z, float uAt0, float vAt0) {
        const float W = static_cast<float>(w_) + 4, H = static_cast<float>(h_) + 4;
        Tri({-2, -2, z, uAt0 - 2, vAt0 - 2}, {W, -2, z, uAt0 + W, vAt0 - 2},
            {-2, H, z, uAt0 - 2, vAt0 + H});
        Tri({W, -2, z, uAt0 + W, vAt0 - 2}, {W, H, z, uAt0 + W, vAt0 + H},
            {-2, H, z, uAt0 - 2, vAt0 + H});
    }

    uint32_t Px(int x, int y) const {
        const size_t i = static_cast<size_t>(y + kGuard) * pitch_ + x + kGuard;
        return mode_ ? frame16_[i] : frame8_[i];
    }
    void SetPx(int x, int y, uint16_t value) {
        const size_t i = static_cast<size_t>(y + kGuard) * pitch_ + x + kGuard;
        frame8_[i] = static_cast<uint8_t>(value);
        frame16_[i] = value;
    }
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> p;
        for (int i = 0; i < w_ * h_; ++i) p.push_back(Px(i % w_, i / w_));
        return p;
    }
    // Draws over entries under(x, y) in 8, then 16 bits; expects the 8-bit result's colours.
    template <typename Under, typename Draw>
    std::vector<uint32_t> ExpectSixteenBitShowsEightBit(int w, int h, Under under, Draw draw) {
        std::vector<uint32_t> eight;
        for (int mode : {0, 2}) {
            Init(mode, false, 0, w, h);
            for (int i = 0; i < w * h; ++i) {
                const uint8_t e = under(i % w, i / w);
                SetPx(i % w, i / w, mode ? g_shade16[64 * 256 + e] : e);
            }
            draw();
            if (!mode) eight = Pixels();
        }
        for (int i = 0; i < w * h; ++i)
            EXPECT_EQ(Px(i % w, i / w), g_shade16[64 * 256 + eight[i]]) << i % w << "," << i / w;
        return eight;
    }
    uint32_t& Depth(int x, int y) { return depth_[static_cast<size_t>(y) * w_ + x]; }
    bool GuardIntact(uint16_t fill) const {
        for (int y = -kGuard; y < h_ + kGuard; ++y)
            for (int x = -kGuard; x < w_ + kGuard; ++x)
                if ((x < 0 || y < 0 || x >= w_ || y >= h_) &&
                    Px(x, y) != (mode_ ? fill : fill & 255u))
                    return false;
        return true;
    }

    RasterTexture texture{};
    int w_ = 0, h_ = 0, mode_ = 2, pitch_ = 0;
    bool depthOn_ = false;
    std::vector<uint16_t> frame16_;
    std::vector<uint8_t> frame8_;
    std::vector<uint32_t> depth_;
    ScreenVertex verts_[3] = {};
    VisibleObject object_{};
    FaceRecord face_{};
    PolygonRecord rec_{};
};
