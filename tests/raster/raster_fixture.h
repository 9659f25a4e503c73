// A small guard-banded 16-bit frame with identity-coded tables for rasterizer tests: the shade
// table stores (row << 8) | index, so a drawn pixel tells its shade row and palette index or
// texel; 0xFFFF is never produced and marks untouched pixels (guard band included).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/raster.h"
#include "raster/raster_state.h"

class RasterFixture : public ::testing::Test {
public:
    static constexpr uint16_t kEmpty = 0xFFFF;
    static constexpr int kGuard = 8;

    void SetUp() override { Init(16, 16); }
    void TearDown() override { g_rasterTarget = RasterTarget{}; }

    void Init(int w, int h, bool depth = false) {
        w_ = w;
        h_ = h;
        pitch_ = w + 2 * kGuard;
        frame_.assign(static_cast<size_t>(pitch_) * (h + 2 * kGuard), kEmpty);
        depth_.assign(static_cast<size_t>(w) * h + 2 * kGuard, 0xDEADBEEF);
        std::fill(depth_.begin() + kGuard, depth_.end() - kGuard, 0u);
        shade_.resize(128 * 256);
        for (int i = 0; i < 128 * 256; ++i) shade_[i] = static_cast<uint16_t>(i);
        for (int i = 0; i < 256; ++i) ramp_[i] = static_cast<uint8_t>(i >> 1);
        RasterTarget t;
        t.frame16 = frame_.data() + kGuard * pitch_ + kGuard;
        t.pitch = pitch_;
        t.width = w;
        t.height = h;
        t.cx = w * 0.5f;
        t.cy = h * 0.5f;
        t.fx = t.fy = 100.0f;
        t.rfx = t.rfy = 0.01f;
        t.depth = depth ? depth_.data() + kGuard : nullptr;
        t.pixelMode = 2;
        t.vertices = verts_;
        t.shade16 = shade_.data();
        t.textures = textures_;
        t.textureCount = 0;
        g_rasterTarget = t;
        std::memcpy(g_activeRasterTable, depth ? g_rasterTable16Z : g_rasterTable16,
                    sizeof g_activeRasterTable);
        object_ = VisibleObject{};
        object_.ramp = ramp_;
        face_ = FaceRecord{{0, 1, 2}, 0, 5, {}};
        rec_ = PolygonRecord{&object_, &face_, 0.0f, kPolyDraw | kPolyAllInFront};
    }

    static ScreenVertex V(float x, float y, float z = 1.0f) {
        return ScreenVertex{x, y, z, 1.0f / z, 0, 0, 0, 0};
    }

    // Draws the triangle (a, b, c) with the face's current mode through DrawTriangle.
    void Tri(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
             bool depth = false) {
        verts_[0] = a;
        verts_[1] = b;
        verts_[2] = c;
        depth ? DrawTriangleDepth(&rec_) : DrawTriangle(&rec_);
    }

    uint16_t& Px(int x, int y) { return frame_[(y + kGuard) * pitch_ + x + kGuard]; }
    uint32_t& Depth(int x, int y) { return depth_[kGuard + y * w_ + x]; }

    int DrawnCount() {
        int n = 0;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) n += Px(x, y) != kEmpty;
        return n;
    }

    void ClearFrame() { std::fill(frame_.begin(), frame_.end(), kEmpty); }

    // True when nothing outside the viewport was written (frame guard and depth guard).
    bool GuardIntact() {
        const long written =
            static_cast<long>(frame_.size()) - std::count(frame_.begin(), frame_.end(), kEmpty);
        if (written != DrawnCount()) return false;
        for (int i = 0; i < kGuard; ++i)
            if (depth_[i] != 0xDEADBEEF || depth_[depth_.size() - 1 - i] != 0xDEADBEEF)
                return false;
        return true;
    }

    int w_ = 0, h_ = 0, pitch_ = 0;
    std::vector<uint16_t> frame_;
    std::vector<uint32_t> depth_;
    std::vector<uint16_t> shade_;
    uint8_t ramp_[256];
    ScreenVertex verts_[3];
    RasterTexture textures_[4] = {};
    VisibleObject object_{};
    FaceRecord face_{};
    PolygonRecord rec_{};
};
