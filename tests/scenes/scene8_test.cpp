// The tunnel chase: a key ends one phase; flame and shadow meshes get their size back.
#include "scenes/scene8.h"

#include "tests/scenes/scene_fixture.h"

namespace {

constexpr const char* kMeshes[] = {"REACT1", "REACT2", "REACT3", "REACT5", "REACT6",
                                   "OMBPOL", "OMBECL", "OMBBMB", "REACT7"};

class TunnelChase : public SceneTest {
protected:
    // The world of the scenes before, with the flame and shadow meshes loaded.
    void FreshWorld() {
        ASSERT_EQ(CreateWorld(), 1);
        for (int k = 0; k < 9; ++k) {
            ASSERT_EQ(LoadMesh(MakeKey(kMeshes[k])), 1) << kMeshes[k];
            m_before[k] = Corner(kMeshes[k]);
        }
    }
    // The mesh's vertex farthest from its origin.
    static CVector Corner(const char* name) {
        const MeshRecord* m = GetMesh(MakeKey(name));
        CVector best;
        for (int32_t i = 0; m && i < m->vertexCount; ++i)
            if (m->vertices[i].Length() > best.Length()) best = m->vertices[i];
        return best;
    }
    // Every size back but the missile's flame, which keeps its tunnel size (0.6, 0.6, 0.8).
    void ExpectSizesBack() {
        for (int k = 0; k < 9; ++k) {
            CVector was = m_before[k];
            if (k == 8) was = CVector(was.x * 0.6f, was.y * 0.6f, was.z * 0.8f);
            EXPECT_LT(Corner(kMeshes[k]).Sub(was).Length(), 1e-4f + 1e-5f * was.Length())
                << kMeshes[k];
        }
    }
    CVector m_before[9];
};

}  // namespace

TEST_F(TunnelChase, RunsItsFivePhasesAndOneKeyPressEndsOnlyTheRunningPhase) {
    UsePack();
    FreshWorld();
    EXPECT_EQ(RunTunnelChase(View()), 0);
    // Phases of 5, 4, 5, 4 and 4.7 s at 10 frames a second, +1 at an end met in float or not.
    const int64_t full = m_backend->FramesShown();
    EXPECT_GE(full, 50 + 40 + 50 + 40 + 47);
    EXPECT_LE(full, 51 + 41 + 51 + 41 + 48);
    ASSERT_NE(g_context, nullptr);  // handed on to the next scene of the group
    ExpectSizesBack();
    ReleaseWorld();
    FreshWorld();
    // A key with the third frame of the first phase: that phase ends there, the others run.
    m_backend->ScheduleEvent(m_backend->FramesShown() + 3, VideoEventType::KeyDown);
    EXPECT_EQ(RunTunnelChase(View()), 1);
    const int64_t second = m_backend->FramesShown() - full;
    EXPECT_GE(second, full - 51 + 3);
    EXPECT_LE(second, full - 50 + 3);
    EXPECT_EQ(g_display.keyFlag, 0);
    ExpectSizesBack();
}
