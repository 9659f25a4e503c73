// The pack's worlds through the engine's loaders: scene files, meshes and their textures.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/animation.h"
#include "engine/mesh.h"
#include "engine/scene.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "res/palette.h"
#include "tests/content/content_fixture.h"
#include "tools/content/world.h"

namespace {

// A world created as the show creates it: from inside the pack folder, so the default set-up
// reads "DEFAULT.PAL" out of the archive.
class WorldFilesTest : public PackArchiveTest {
protected:
    // Loads the palette and the scene file and checks every track, mesh and texture.
    void ExpectWorldLoads(const char* palette, const char* sceneFile, const TrackScript& script,
                          const std::vector<NamedShape>& shapes,
                          const std::vector<NamedPicture>& textures) {
        ASSERT_EQ(LoadPalette(palette), 1);
        CScene scene;
        ASSERT_EQ(LoadScene(scene, sceneFile), 1) << sceneFile;
        ASSERT_EQ(scene.trackCount, static_cast<int32_t>(script.tracks.size()));
        EXPECT_NEAR(GetDuration(scene), ScriptDuration(script), 1e-4f);

        for (const NamedShape& s : shapes) {
            const MeshRecord* m = GetMesh(MakeKey(s.name.c_str()));
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
        for (const NamedPicture& t : textures) {
            const int32_t k = FindTexture(MakeKey(t.name.c_str()));
            ASSERT_GE(k, 0) << t.name;
            const TextureRecord& tex = g_context->textures[k];
            EXPECT_EQ(1 << tex.sizeLog2, t.picture.width) << t.name;
            // The companion level file matched: every smaller level is there.
            for (int j = 0; j < tex.sizeLog2; ++j) EXPECT_NE(tex.levels[j], nullptr) << t.name;
        }

        // At t = 0 the camera track's object sits on the first camera key, aimed as planned.
        ASSERT_EQ(PlayScene(scene, 0.0f), 1);
        const CInstance* cam = GetInstance(scene.cameraInstance);
        ASSERT_NE(cam, nullptr);
        const TrackKey& first = script.tracks[script.camera].keys[0];
        EXPECT_NEAR(cam->position.x, first.position.x, 1e-4f);
        EXPECT_NEAR(cam->position.y, first.position.y, 1e-4f);
        EXPECT_NEAR(cam->position.z, first.position.z, 1e-4f);
        EXPECT_NEAR(cam->angles.x, DegToRad(first.angles.x), 1e-4f);
        ClearScene(scene);
    }
};

}  // namespace

TEST_F(WorldFilesTest, TestWorldLoadsWithEveryMeshAndTexture) {
    ExpectWorldLoads("TEST.PAL", "SCN\\TEST.SCN", TestWorldScript(), TestWorldShapes(),
                     TestWorldTextures());
}

TEST_F(WorldFilesTest, FirstSceneLoadsWithEveryMeshAndTexture) {
    ExpectWorldLoads("SCN3.PAL", "scn\\scene1.scn", Scene1Script(), Scene1Shapes(),
                     Scene1Textures());
}

TEST_F(WorldFilesTest, MeshPlanesAgreeWithTheShapesWinding) {
    // The loader keeps the planes the writer computed: for the closed, convex test ball
    // every plane faces away from the mesh origin, so the engine culls its far side.
    ASSERT_EQ(LoadMesh(MakeKey("TBALL")), 1);
    const MeshRecord* m = GetMesh(MakeKey("TBALL"));
    ASSERT_NE(m, nullptr);
    for (int32_t f = 0; f < m->faceCount; ++f) EXPECT_GT(m->planes[f].d, 0.0f) << f;
}
