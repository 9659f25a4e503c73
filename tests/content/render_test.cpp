// The test world drawn by the engine: something on screen, only where the objects are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/display.h"
#include "engine/animation.h"
#include "engine/object.h"
#include "engine/pipeline.h"
#include "engine/render_context.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/world.h"

namespace {

constexpr int kW = 640, kH = 480;

class TestWorldRender : public PackArchiveTest {
protected:
    void TearDown() override {
        ClearScene(m_scene);
        PackArchiveTest::TearDown();
    }

    void LoadWorld(const char* palette, const char* sceneFile) {
        ASSERT_EQ(LoadPalette(palette), 1);
        ASSERT_EQ(LoadScene(m_scene, sceneFile), 1);
        HideInstance(m_scene.cameraInstance);
    }

    // The named object's centre on screen, or (-1, -1) when it is behind the camera.
    std::pair<int, int> ScreenCentre(const char* name) {
        for (int32_t i = 0; i < m_scene.trackCount; ++i) {
            if (std::string(m_scene.tracks[i].name) != name) continue;
            CVector p = GetInstance(m_scene.tracks[i].instance)->position;
            EXPECT_EQ(ProjectPoints(m_view, &p, 1), 1);
            if (p.z != 1.0f) break;
            return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
        }
        return {-1, -1};
    }

    std::vector<uint16_t> Draw(float t) {
        DisableZBuffer();
        PlayScene(m_scene, t);
        ViewFromInstance(m_scene.cameraInstance, 0.0f);
        std::fill(m_frame.begin(), m_frame.end(), 0);
        RenderWorld(m_view);
        return m_frame;
    }

    CScene m_scene;
    std::vector<uint16_t> m_frame = std::vector<uint16_t>(kW * kH);
    FrameView m_view{m_frame.data(), kW, kH, 0, 0, kW, kH, 0.28f, 0.21f};
};

}  // namespace

TEST_F(TestWorldRender, ObjectsShowWhereTheCameraPutsThemAndNowhereElse) {
    LoadWorld("TEST.PAL", "SCN\\TEST.SCN");
    const std::vector<NamedShape> shapes = TestWorldShapes();
    for (float t : {0.0f, 3.3f, 7.9f}) {
        const std::vector<uint16_t> frame = Draw(t);
        const CInstance* cam = GetInstance(m_scene.cameraInstance);
        ASSERT_NE(cam, nullptr);
        // Each object's bounding circle on screen, from its centre's projection and its
        // distance to the camera (a generous bound: the perspective never widens a sphere
        // by more than radius / (distance - radius)).
        struct Circle {
            float x, y, r;
        };
        std::vector<Circle> circles;
        int centresLit = 0, centresShown = 0;
        for (int32_t i = 0; i < m_scene.trackCount; ++i) {
            if (m_scene.tracks[i].instance == m_scene.cameraInstance) continue;
            const CInstance* obj = GetInstance(m_scene.tracks[i].instance);
            ASSERT_NE(obj, nullptr);
            CVector p = obj->position;
            ASSERT_EQ(ProjectPoints(m_view, &p, 1), 1);
            ASSERT_EQ(p.z, 1.0f) << m_scene.tracks[i].name << " is behind the camera";
            float radius = 0.0f;
            for (const NamedShape& s : shapes)
                if (s.name == m_scene.tracks[i].name) radius = ShapeRadius(s.shape);
            const CVector d = obj->position.Sub(cam->position);
            const float scale = kW / 0.28f * kDefaultFocal;
            circles.push_back({p.x, p.y, radius * scale / (d.Length() - radius) + 3.0f});
            // The torus has a hole in the middle; every other object covers its centre.
            if (std::string(m_scene.tracks[i].name) == "TRING") continue;
            const int cx = static_cast<int>(p.x), cy = static_cast<int>(p.y);
            if (cx < 0 || cy < 0 || cx >= kW || cy >= kH) continue;
            ++centresShown;
            centresLit += frame[cy * kW + cx] != 0;
        }
        EXPECT_GE(centresShown, 3) << t;
        EXPECT_EQ(centresLit, centresShown) << t;
        int lit = 0, stray = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (frame[y * kW + x] == 0) continue;
                ++lit;
                bool inside = false;
                for (const Circle& c : circles)
                    inside |= (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= c.r * c.r;
                stray += !inside;
            }
        EXPECT_GT(lit, kW * kH / 50) << t;
        EXPECT_EQ(stray, 0) << t;
    }
}

TEST_F(TestWorldRender, FirstSceneKeepsTheStationAndTheMoonInTheShot) {
    LoadWorld("SCN3.PAL", "SCN\\SCENE1.SCN");
    const float length = GetDuration(m_scene);
    for (float t : {0.0f, length * 0.5f, length}) {
        const std::vector<uint16_t> frame = Draw(t);
        for (const char* name : {"STATION", "MOON"}) {
            const auto [x, y] = ScreenCentre(name);
            ASSERT_TRUE(x >= 0 && x < kW && y >= 0 && y < kH) << name << " at " << t;
            EXPECT_NE(frame[y * kW + x], 0) << name << " at " << t;
        }
    }
}
