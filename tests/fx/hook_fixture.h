// A world with the test palette and a small frame wired straight into the rasterizer, for
// drawing single faces through a registered render hook.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/render_context.h"
#include "engine/world.h"
#include "raster/raster.h"
#include "res/palette.h"
#include "tests/fx/fx_fixture.h"

class HookTest : public ::testing::Test {
public:
    static constexpr int kW = 16, kH = 16;

    void SetUp() override {
        ASSERT_EQ(CreateWorld(), 1);
        LoadTestPalette();
        Frame(2, true);
    }
    void TearDown() override {
        g_rasterTarget = RasterTarget{};
        ReleaseWorld();
    }

    // pixelMode 0 (8-bit), 1 (5-5-5) or 2 (5-6-5); with or without a depth buffer (cleared).
    void Frame(int pixelMode, bool depth) {
        frame16_.assign(kW * kH, 0);
        frame8_.assign(kW * kH, 0);
        depth_.assign(kW * kH, 0);
        RasterTarget t;
        t.frame16 = pixelMode ? frame16_.data() : nullptr;
        t.frame8 = pixelMode ? nullptr : frame8_.data();
        t.pitch = kW;
        t.width = kW;
        t.height = kH;
        t.cx = kW * 0.5f;
        t.cy = kH * 0.5f;
        t.depth = depth ? depth_.data() : nullptr;
        t.pixelMode = pixelMode;
        t.vertices = verts_;
        t.shade8 = g_shade8;
        t.shade16 = g_shade16;
        g_rasterTarget = t;
        depthOn_ = depth;
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

    // A triangle covering the whole viewport at depth z; v is the face's v at every corner
    // (texels of the reference texture).
    void Cover(float z, float v = 0.0f) {
        for (int i = 0; i < 3; ++i) face_.uv[2 * i + 1] = v * 65536.0f;
        Draw(V(-1, -1, z), V(-1, 100, z), V(100, -1, z));
    }
    void Draw(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
        verts_[0] = a;
        verts_[1] = b;
        verts_[2] = c;
        if (depthOn_)
            DrawHookTriangleDepth(&rec_);
        else
            DrawHookTriangle(&rec_);
    }
    static ScreenVertex V(float x, float y, float z) {
        ScreenVertex s{};
        s.x = x;
        s.y = y;
        s.z = z;
        s.rz = 1.0f / z;
        return s;
    }

    uint16_t& Px(int x, int y) { return frame16_[y * kW + x]; }
    uint8_t& Px8(int x, int y) { return frame8_[y * kW + x]; }
    uint32_t& Depth(int x, int y) { return depth_[y * kW + x]; }
    void Fill(uint16_t p) { std::fill(frame16_.begin(), frame16_.end(), p); }
    void Fill8(uint8_t p) { std::fill(frame8_.begin(), frame8_.end(), p); }

    std::vector<uint16_t> frame16_;
    std::vector<uint8_t> frame8_;
    std::vector<uint32_t> depth_;
    bool depthOn_ = false;
    ScreenVertex verts_[3] = {};
    VisibleObject object_{};
    FaceRecord face_{};
    PolygonRecord rec_{};
};
