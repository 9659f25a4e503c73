// The pack's worlds through the engine: meshes, textures, scene files, and the drawn worlds.
#include <cmath>
#include <map>
#include <set>

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
            SCOPED_TRACE(s.name);
            const MeshRecord* m = Load(s.name);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->vertexCount, static_cast<int32_t>(s.shape.positions.size()));
            ASSERT_EQ(m->faceCount, static_cast<int32_t>(s.shape.faces.size()));
            EXPECT_NEAR(m->radius, ShapeRadius(s.shape), 1e-3f);
            // A face whose texture is missing comes back flat: its mode shows the texture found.
            for (int32_t f = 0; f < m->faceCount; ++f)
                ASSERT_EQ(m->faces[f].flags & 0x0F, s.shape.faces[f].look.ModeBits()) << f;
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
    // The planes the writer computed for the convex test ball all face away from its origin.
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
        {"SCENE2", 20, 25, {"LAMPE", "LAMPE", "LPSHAD", "LPSHAD", "LIGHT", "LIGHT"}, "", -1},
        {"SCENE3", 32, 36, {}, "CHASSE", 1},
        {"SCENE4", 12, 60, {"ECLAIROR", "ECLAIROR"}, "BOMBER", -1},
        {"SCENE4B", 12.2f, 60, {}, "", -1},
        {"SCENE5", 7, 12, {}, "", -1},
        {"SCENE5b", 24, 30, {}, "", -1},
        {"SCENE6", 15, 60, {"PANO", "LUNESOL", "PLAN", "ECLAIROR", "BOMBER"}, "", -1},
        {"SCENE7a", 12, 60, {}, "POLICE", 2},
        {"SCENE7b", 15, 60, {"ECLAIROR", "BOMBER", "POLICE"}, "", -1},
        {"SCENE7C", 12, 60, {}, "", -1},
        {"SCENE8B", 10, 60, {}, "BOMBER", 19},
        {"SCENE9b", 5, 60, {}, "CANAL2", -1},
        {"SCENE10", 5, 60, {}, "TIR", -1}};
    for (const auto& s : scenes) {
        SCOPED_TRACE(s.file);
        ASSERT_EQ(CreateWorld(), 1);
        CScene scene;
        ASSERT_EQ(LoadScene(scene, ("SCN\\" + std::string(s.file) + ".SCN").c_str()), 1);
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

class WorldRender : public PackArchiveTest {
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
    const std::vector<uint16_t>& Draw(float t) {
        DisableZBuffer();
        PlayScene(m_scene, t);
        ViewFromInstance(m_scene.cameraInstance, 0.0f);
        std::fill(m_frame.begin(), m_frame.end(), 0);
        RenderWorld(m_view);
        return m_frame;
    }
    // Track i's object projected on screen (z is 1 when it is in front of the camera).
    CVector OnScreen(int32_t i) {
        CVector p = GetInstance(m_scene.tracks[i].instance)->position;
        EXPECT_EQ(ProjectPoints(m_view, &p, 1), 1);
        return p;
    }
    // Whether the frame is drawn at the point (false outside the frame).
    bool Lit(const CVector& p) const {
        const int x = static_cast<int>(std::floor(p.x)), y = static_cast<int>(std::floor(p.y));
        return x >= 0 && y >= 0 && x < kW && y < kH && m_frame[y * kW + x] != 0;
    }

    CScene m_scene;
    std::vector<uint16_t> m_frame = std::vector<uint16_t>(kW * kH);
    FrameView m_view{m_frame.data(), kW, kH, 0, 0, kW, kH, 0.28f, 0.21f};
};

}  // namespace

TEST_F(WorldRender, TestWorldObjectsShowWhereTheCameraPutsThemAndNowhereElse) {
    LoadWorld("TEST.PAL", "SCN\\TEST.SCN");
    std::map<std::string, float> radius;
    for (const NamedShape& s : TestWorldShapes()) radius[s.name] = ShapeRadius(s.shape);
    for (float t : {0.0f, 3.3f, 7.9f}) {
        SCOPED_TRACE(t);
        const std::vector<uint16_t>& frame = Draw(t);
        const CVector eye = GetInstance(m_scene.cameraInstance)->position;
        // Bounding circles: perspective widens a sphere by radius / (distance - radius) at most.
        std::vector<CVector> circles;
        int centresLit = 0, centresShown = 0;
        for (int32_t i = 0; i < m_scene.trackCount; ++i) {
            if (m_scene.tracks[i].instance == m_scene.cameraInstance) continue;
            const std::string name = m_scene.tracks[i].name;
            const CVector p = OnScreen(i);
            ASSERT_EQ(p.z, 1.0f) << name << " is behind the camera";
            const float r = radius[name],
                        d = GetInstance(m_scene.tracks[i].instance)->position.Sub(eye).Length();
            circles.push_back({p.x, p.y, r * kW / 0.28f * kDefaultFocal / (d - r) + 3.0f});
            // The torus has a hole in the middle; every other object covers its centre.
            const bool shown = name != "TRING" && p.x >= 0 && p.y >= 0 && p.x < kW && p.y < kH;
            centresShown += shown;
            centresLit += shown && Lit(p);
        }
        EXPECT_GE(centresShown, 3);
        EXPECT_EQ(centresLit, centresShown);
        int stray = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (frame[y * kW + x] == 0) continue;
                bool inside = false;
                for (const CVector& c : circles)
                    inside |= (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= c.z * c.z;
                stray += !inside;
            }
        EXPECT_EQ(stray, 0);
    }
}

TEST_F(WorldRender, BuiltWorldsStartOnTheirFirstCameraKeyAndKeepTheirMainObjectsInTheShot) {
    const struct {
        const char *palette, *file;
        TrackScript script;
        std::set<std::string> shown;  // objects whose centres are drawn from start to end
    } worlds[] = {{"TEST.PAL", "SCN\\TEST.SCN", TestWorldScript(), {}},
                  {"SCN3.PAL", "scn\\scene1.scn", Scene1Script(), {"STATION", "MOON"}}};
    for (const auto& w : worlds) {
        SCOPED_TRACE(w.file);
        ClearScene(m_scene);
        LoadWorld(w.palette, w.file);
        ASSERT_EQ(m_scene.trackCount, static_cast<int32_t>(w.script.tracks.size()));
        const float length = GetDuration(m_scene);
        EXPECT_NEAR(length, ScriptDuration(w.script), 1e-4f);
        // At t = 0 the camera track's object sits on the first camera key, aimed as planned.
        ASSERT_EQ(PlayScene(m_scene, 0.0f), 1);
        const CInstance* cam = GetInstance(m_scene.cameraInstance);
        ASSERT_NE(cam, nullptr);
        const TrackKey& first = w.script.tracks[w.script.camera].keys[0];
        EXPECT_NEAR(
            cam->position.Sub({first.position.x, first.position.y, first.position.z}).Length(), 0,
            1e-4f);
        EXPECT_NEAR(cam->angles.x, DegToRad(first.angles.x), 1e-4f);
        for (float t : {0.0f, length * 0.5f, length}) {
            Draw(t);
            for (int32_t i = 0; i < m_scene.trackCount; ++i)
                EXPECT_TRUE(!w.shown.count(m_scene.tracks[i].name) || Lit(OnScreen(i)))
                    << i << " at " << t;
        }
    }
}
