// The pack's worlds through the engine's loaders: every mesh and texture as its module made
// it, every scene file with its length and the objects its script addresses, and the test
// world drawn: something on screen, only where the objects are.

#include <cmath>
#include <set>
#include <utility>

#include "engine/animation.h"
#include "engine/pipeline.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/content_flight.h"
#include "tools/content/world.h"

using WorldsTest = PackArchiveTest;

TEST_F(WorldsTest, EveryMeshLoadsAsItsShapeWithItsTexturesFound) {
    const struct {
        const char* palette;
        std::vector<NamedShape> shapes;
        std::vector<NamedPicture> textures;
    } worlds[] = {{"TEST.PAL", TestWorldShapes(), TestWorldTextures()},
                  {"SCN3.PAL", Scene1Shapes(), Scene1Textures()},
                  {"SCN3.PAL", FlightShapes(), FlightTextures()}};
    for (const auto& world : worlds) {
        ASSERT_EQ(CreateWorld(), 1);
        ASSERT_EQ(LoadPalette(world.palette), 1);
        for (const NamedShape& s : world.shapes) {
            const MeshRecord* m = Load(s.name);
            ASSERT_NE(m, nullptr) << s.name;
            EXPECT_EQ(m->vertexCount, static_cast<int32_t>(s.shape.positions.size())) << s.name;
            ASSERT_EQ(m->faceCount, static_cast<int32_t>(s.shape.faces.size())) << s.name;
            EXPECT_NEAR(m->radius, ShapeRadius(s.shape), 1e-3f) << s.name;
            // A textured face whose texture is missing comes back flat grey: every face
            // keeping its surface mode shows that each texture was found under its name.
            for (int32_t f = 0; f < m->faceCount; ++f)
                ASSERT_EQ(m->faces[f].flags & 0x0F, s.shape.faces[f].look.ModeBits())
                    << s.name << " face " << f;
        }
        for (const NamedPicture& t : world.textures) {
            const int32_t k = FindTexture(MakeKey(t.name.c_str()));
            ASSERT_GE(k, 0) << t.name;
            const TextureRecord& tex = g_context->textures[k];
            EXPECT_EQ(1 << tex.sizeLog2, t.picture.width) << t.name;
            // The companion level file matched: every smaller level is there.
            for (int j = 0; j < tex.sizeLog2; ++j) EXPECT_NE(tex.levels[j], nullptr) << t.name;
        }
    }
}

TEST_F(WorldsTest, BuiltWorldsStartOnTheirFirstCameraKeyAndLastAsScripted) {
    const struct {
        const char* palette;
        const char* file;
        TrackScript script;
    } worlds[] = {{"TEST.PAL", "SCN\\TEST.SCN", TestWorldScript()},
                  {"SCN3.PAL", "scn\\scene1.scn", Scene1Script()}};
    for (const auto& w : worlds) {
        ASSERT_EQ(LoadPalette(w.palette), 1);
        CScene scene;
        ASSERT_EQ(LoadScene(scene, w.file), 1) << w.file;
        ASSERT_EQ(scene.trackCount, static_cast<int32_t>(w.script.tracks.size()));
        EXPECT_NEAR(GetDuration(scene), ScriptDuration(w.script), 1e-4f);
        // At t = 0 the camera track's object sits on the first camera key, aimed as planned.
        ASSERT_EQ(PlayScene(scene, 0.0f), 1);
        const CInstance* cam = GetInstance(scene.cameraInstance);
        ASSERT_NE(cam, nullptr);
        const TrackKey& first = w.script.tracks[w.script.camera].keys[0];
        EXPECT_NEAR(
            cam->position.Sub({first.position.x, first.position.y, first.position.z}).Length(), 0,
            1e-4f);
        EXPECT_NEAR(cam->angles.x, DegToRad(first.angles.x), 1e-4f);
        ClearScene(scene);
    }
    // The loader keeps the planes the writer computed: for the closed, convex test ball
    // every plane faces away from the mesh origin, so the engine culls its far side.
    const MeshRecord* ball = Load("TBALL");
    ASSERT_NE(ball, nullptr);
    for (int32_t f = 0; f < ball->faceCount; ++f) EXPECT_GT(ball->planes[f].d, 0.0f) << f;
}

TEST_F(WorldsTest, SceneFilesLastAsLongAsTheirScenesAndHoldTheirObjects) {
    const struct {
        const char* file;
        float least, most;                  // the scene's own length, more than its end rule cuts
        std::multiset<std::string> tracks;  // exactly this many tracks of these meshes
        const char* loaded;                 // and this mesh loaded with them,
        int track;                          // as the track the script addresses by number
    } scenes[] = {
        {"SCN\\SCENE2.SCN",
         20,
         25,
         {"LAMPE", "LAMPE", "LPSHAD", "LPSHAD", "LIGHT", "LIGHT"},
         "",
         -1},
        {"SCN\\SCENE3.SCN", 32, 36, {}, "CHASSE", 1},
        {"SCN\\SCENE4.SCN", 12, 60, {"ECLAIROR", "ECLAIROR"}, "BOMBER", -1},
        {"SCN\\SCENE4B.SCN", 12.2f, 60, {}, "", -1},
        {"SCN\\SCENE5.SCN", 7, 12, {}, "", -1},
        {"SCN\\SCENE5b.SCN", 24, 30, {}, "", -1},
        {"SCN\\SCENE6.SCN", 15, 60, {"PANO", "LUNESOL", "PLAN", "ECLAIROR", "BOMBER"}, "", -1},
        {"SCN\\SCENE7a.SCN", 12, 60, {}, "POLICE", 2},
        {"SCN\\SCENE7b.SCN", 15, 60, {"ECLAIROR", "BOMBER", "POLICE"}, "", -1},
        {"SCN\\SCENE7C.SCN", 12, 60, {}, "", -1},
        {"SCN\\SCENE8B.SCN", 10, 60, {}, "BOMBER", 19},
        {"SCN\\SCENE9b.SCN", 5, 60, {}, "CANAL2", -1},
        {"SCN\\SCENE10.SCN", 5, 60, {}, "TIR", -1}};
    for (const auto& s : scenes) {
        SCOPED_TRACE(s.file);
        ASSERT_EQ(CreateWorld(), 1);
        CScene scene;
        ASSERT_EQ(LoadScene(scene, s.file), 1);
        EXPECT_GE(GetDuration(scene), s.least);
        EXPECT_LE(GetDuration(scene), s.most);
        std::multiset<std::string> names;
        for (int32_t k = 0; k < scene.trackCount; ++k)
            names.insert(MeshName(scene.tracks[k].instance));
        for (const std::string& m : s.tracks) EXPECT_EQ(names.count(m), s.tracks.count(m)) << m;
        EXPECT_TRUE(!*s.loaded || GetMesh(MakeKey(s.loaded))) << s.loaded;
        if (s.track >= 0) {
            ASSERT_GT(scene.trackCount, s.track);
            EXPECT_EQ(MeshName(scene.tracks[s.track].instance), s.loaded);
        }
        ClearScene(scene);
    }
}

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
            CVector p = GetInstance(m_scene.tracks[i].instance)->position;
            if (std::string(m_scene.tracks[i].name) == name && ProjectPoints(m_view, &p, 1) == 1 &&
                p.z == 1.0f)
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
