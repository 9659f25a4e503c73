// The pack's worlds through the engine's loaders: every mesh and texture as its module made
// it, and every scene file with its length and the objects its script addresses.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/animation.h"
#include "engine/object.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/content_flight.h"
#include "tools/content/world.h"

namespace {

using WorldsTest = PackArchiveTest;

// The names of the meshes of a scene's tracks.
std::multiset<std::string> TrackMeshes(const CScene& scene) {
    std::multiset<std::string> names;
    for (int32_t k = 0; k < scene.trackCount; ++k)
        names.insert(PackArchiveTest::MeshName(scene.tracks[k].instance));
    return names;
}

}  // namespace

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
        EXPECT_NEAR(cam->position.x, first.position.x, 1e-4f);
        EXPECT_NEAR(cam->position.y, first.position.y, 1e-4f);
        EXPECT_NEAR(cam->position.z, first.position.z, 1e-4f);
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
        const char* loaded;                 // and this mesh loaded with them
    } scenes[] = {
        {"SCN\\SCENE2.SCN", 20, 25, {"LAMPE", "LAMPE", "LPSHAD", "LPSHAD", "LIGHT", "LIGHT"}, ""},
        {"SCN\\SCENE3.SCN", 32, 36, {}, "CHASSE"},
        {"SCN\\SCENE4.SCN", 12, 60, {"ECLAIROR", "ECLAIROR"}, "BOMBER"},
        {"SCN\\SCENE4B.SCN", 12.2f, 60, {}, ""},
        {"SCN\\SCENE5.SCN", 7, 12, {}, ""},
        {"SCN\\SCENE5b.SCN", 24, 30, {}, ""},
        {"SCN\\SCENE6.SCN", 15, 60, {"PANO", "LUNESOL", "PLAN", "ECLAIROR", "BOMBER"}, ""},
        {"SCN\\SCENE7a.SCN", 12, 60, {}, "POLICE"},
        {"SCN\\SCENE7b.SCN", 15, 60, {"ECLAIROR", "BOMBER", "POLICE"}, ""},
        {"SCN\\SCENE7C.SCN", 12, 60, {}, ""},
        {"SCN\\SCENE8B.SCN", 10, 60, {}, "BOMBER"},
        {"SCN\\SCENE9b.SCN", 5, 60, {}, "CANAL2"},
        {"SCN\\SCENE10.SCN", 5, 60, {}, "TIR"}};
    for (const auto& s : scenes) {
        ASSERT_EQ(CreateWorld(), 1);
        CScene scene;
        ASSERT_EQ(LoadScene(scene, s.file), 1) << s.file;
        EXPECT_GE(GetDuration(scene), s.least) << s.file;
        EXPECT_LE(GetDuration(scene), s.most) << s.file;
        const std::multiset<std::string> names = TrackMeshes(scene);
        for (const std::string& m : s.tracks)
            EXPECT_EQ(names.count(m), s.tracks.count(m)) << s.file << " " << m;
        EXPECT_TRUE(!*s.loaded || GetMesh(MakeKey(s.loaded))) << s.file << " " << s.loaded;
        ClearScene(scene);
    }
    // The scripts address these tracks by number.
    const struct {
        const char* file;
        int track;
        const char* mesh;
    } addressed[] = {{"SCN\\SCENE3.SCN", 1, "CHASSE"},
                     {"SCN\\SCENE7a.SCN", 2, "POLICE"},
                     {"SCN\\SCENE8B.SCN", 19, "BOMBER"}};
    for (const auto& a : addressed) {
        CScene scene;
        ASSERT_EQ(LoadScene(scene, a.file), 1) << a.file;
        ASSERT_GT(scene.trackCount, a.track);
        EXPECT_EQ(MeshName(scene.tracks[a.track].instance), a.mesh) << a.file;
        ClearScene(scene);
    }
}

TEST_F(WorldsTest, HoldsEveryNameTheScenesAskFor) {
    for (const char* name :
         {"SCN2.PAL", "DATA\\BUMP.TGA", "DATA\\TITTLE.TGA", "DATA\\LAMPE.OBP", "DATA\\LPSHAD.OBP",
          "DATA\\LIGHT.OBP", "scn5.PAL", "DATA\\SKY1.TGA", "DATA\\SPSKY.TGA", "DATA\\ile1.TGA",
          "DATA\\ile2.TGA", "DATA\\ile3.TGA", "DATA\\ile4.TGA", "DATA\\ville.TGA",
          "DATA\\WATER.OBP", "data\\gerbe1.myo"}) {
        int a = -1, m = -1;
        EXPECT_EQ(g_archive.Find(name, &a, &m), 1) << name;
    }
}
