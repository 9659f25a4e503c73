// A frame for material tests: 8-bit and 16-bit targets with guard bands, the test palette's
// tables, one texture, and a face of a mesh attached to a registered hook, drawn straight
// through the rasterizer's hook path.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/render_context.h"
#include "engine/world.h"
#include "raster/raster.h"
#include "res/palette.h"
#include "tests/fx/fx_fixture.h"

class HookTarget {
public:
    static constexpr int kGuard = 8;

    // A world with the test palette (5-6-5 tables built); the caller registers its hook.
    HookTarget() {
        EXPECT_EQ(CreateWorld(), 1);
        LoadTestPalette();
    }
    ~HookTarget() {
        g_rasterTarget = RasterTarget{};
        ReleaseWorld();
    }

    void UseHook(const char* name) {
        const int32_t h = FindHook(MakeKey(name));
        ASSERT_GE(h, 0);
        hook = g_context->hooks[h];
    }

    // bits 8 or 16; the frame is filled with fill (index or packed pixel).
    void Init(int w, int h, int bits, uint16_t fill) {
        w_ = w;
        h_ = h;
        bits_ = bits;
        pitch_ = w + 2 * kGuard;
        const size_t size = static_cast<size_t>(pitch_) * (h + 2 * kGuard);
        frame8_.assign(size, static_cast<uint8_t>(fill));
        frame16_.assign(size, fill);
        RasterTarget t;
        const size_t origin = static_cast<size_t>(kGuard) * pitch_ + kGuard;
        if (bits == 8)
            t.frame8 = frame8_.data() + origin;
        else
            t.frame16 = frame16_.data() + origin;
        t.pitch = pitch_;
        t.width = w;
        t.height = h;
        t.cx = w * 0.5f;
        t.cy = h * 0.5f;
        t.pixelMode = bits == 8 ? 0 : 2;
        t.vertices = verts_;
        t.textures = &texture;
        t.textureCount = 1;
        t.shade8 = g_shade8;
        t.shade16 = g_shade16;
        g_rasterTarget = t;
        object_ = VisibleObject{};
        object_.hook = &hook;
        face_ = FaceRecord{{0, 1, 2}, 0, 0, {}};
        rec_ = PolygonRecord{&object_, &face_, 0.0f, kPolyDraw | kPolyAllInFront};
    }

    // A vertex at screen (x, y), depth z, texture coordinates (u, v) in reference texels.
    struct Corner {
        float x, y, z, u, v;
    };
    // Either winding: the corners are put in the order that runs down the left side.
    void Tri(const Corner& a, const Corner& b, const Corner& c) {
        const Corner* k[3] = {&a, &b, &c};
        if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0) std::swap(k[1], k[2]);
        for (int i = 0; i < 3; ++i) {
            ScreenVertex v{};
            v.x = k[i]->x;
            v.y = k[i]->y;
            v.z = k[i]->z;
            v.rz = 1.0f / k[i]->z;
            verts_[i] = v;
            face_.uv[2 * i] = k[i]->u * 65536.0f;
            face_.uv[2 * i + 1] = k[i]->v * 65536.0f;
        }
        DrawHookTriangle(&rec_);
    }
    // A screen-aligned rectangle (two triangles) over the whole viewport and beyond, at
    // depth z, with u = uAt0 + x and v = vAt0 + y reference texels at screen point (x, y).
    void Cover(float z, float uAt0, float vAt0) {
        const float W = static_cast<float>(w_) + 4, H = static_cast<float>(h_) + 4;
        Tri({-2, -2, z, uAt0 - 2, vAt0 - 2}, {W, -2, z, uAt0 + W, vAt0 - 2},
            {-2, H, z, uAt0 - 2, vAt0 + H});
        Tri({W, -2, z, uAt0 + W, vAt0 - 2}, {W, H, z, uAt0 + W, vAt0 + H},
            {-2, H, z, uAt0 - 2, vAt0 + H});
    }

    uint32_t Px(int x, int y) const {
        const size_t i = static_cast<size_t>(y + kGuard) * pitch_ + x + kGuard;
        return bits_ == 8 ? frame8_[i] : frame16_[i];
    }
    void SetPx(int x, int y, uint16_t value) {
        const size_t i = static_cast<size_t>(y + kGuard) * pitch_ + x + kGuard;
        frame8_[i] = static_cast<uint8_t>(value);
        frame16_[i] = value;
    }
    // True when nothing outside the viewport changed from fill.
    bool GuardIntact(uint16_t fill) const {
        for (int y = 0; y < h_ + 2 * kGuard; ++y)
            for (int x = 0; x < pitch_; ++x) {
                const bool inside =
                    y >= kGuard && y < kGuard + h_ && x >= kGuard && x < kGuard + w_;
                const size_t i = static_cast<size_t>(y) * pitch_ + x;
                const uint32_t p = bits_ == 8 ? frame8_[i] : frame16_[i];
                const uint32_t f = bits_ == 8 ? static_cast<uint8_t>(fill) : fill;
                if (!inside && p != f) return false;
            }
        return true;
    }

    RasterHook hook{};
    RasterTexture texture{};
    int w_ = 0, h_ = 0, bits_ = 8, pitch_ = 0;
    std::vector<uint8_t> frame8_;
    std::vector<uint16_t> frame16_;
    ScreenVertex verts_[3];
    VisibleObject object_{};
    FaceRecord face_{};
    PolygonRecord rec_{};
};
