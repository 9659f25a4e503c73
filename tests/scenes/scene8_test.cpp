// The tunnel chase: one key press ends one phase, and the flame and shadow meshes get their
// size back whichever way the scene ends.
#include "scenes/scene8.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/mesh.h"
#include "tests/scenes/scene_fixture.h"

namespace {

constexpr const char* kRestored[] = {"REACT1", "REACT2", "REACT3", "REACT5",
                                     "REACT6", "OMBPOL", "OMBECL", "OMBBMB"};

class TunnelChase : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UsePack();
        FreshWorld();
    }
    // The world of the scenes before, with the flame and shadow meshes loaded.
    void FreshWorld() {
        ASSERT_EQ(CreateWorld(), 1);
        for (const char* mesh : kRestored) ASSERT_EQ(LoadMesh(MakeKey(mesh)), 1) << mesh;
        ASSERT_EQ(LoadMesh(MakeKey("REACT7")), 1);
        for (int k = 0; k < 8; ++k) m_before[k] = Corner(kRestored[k]);
        m_react7 = Corner("REACT7");
    }
    // The mesh's vertex farthest from its origin.
    static CVector Corner(const char* name) {
        const MeshRecord* m = GetMesh(MakeKey(name));
        EXPECT_NE(m, nullptr) << name;
        if (!m) return CVector();
        CVector best;
        float far = -1.0f;
        for (int32_t i = 0; i < m->vertexCount; ++i) {
            const CVector& v = m->vertices[i];
            const float d = v.x * v.x + v.y * v.y + v.z * v.z;
            if (d > far) {
                far = d;
                best = v;
            }
        }
        return best;
    }
    void ExpectSizesBack() {
        for (int k = 0; k < 8; ++k) {
            const CVector now = Corner(kRestored[k]), was = m_before[k];
            EXPECT_LT(now.Sub(was).Length(), 1e-4f + 1e-5f * was.Length()) << kRestored[k];
        }
        // The missile's flame keeps its tunnel size: (0.6, 0.6, 0.8).
        const CVector r7 = Corner("REACT7");
        EXPECT_NEAR(r7.x, m_react7.x * 0.6f, 1e-4f);
        EXPECT_NEAR(r7.y, m_react7.y * 0.6f, 1e-4f);
        EXPECT_NEAR(r7.z, m_react7.z * 0.8f, 1e-4f);
    }

    CVector m_before[8];
    CVector m_react7;
};

TEST_F(TunnelChase, RunsItsFivePhasesAndOneKeyPressEndsOnlyTheRunningPhase) {
    EXPECT_EQ(RunTunnelChase(View()), 0);
    // 10 frames a second: 5, 4, 5, 4 and 4.7 s, each from t = 0 to its end (the frame at a
    // phase's exact end may fall either side of it in single precision).
    const int64_t full = m_backend->FramesShown();
    EXPECT_GE(full, 50 + 40 + 50 + 40 + 47);
    EXPECT_LE(full, 51 + 41 + 51 + 41 + 48);
    ASSERT_NE(g_context, nullptr);  // handed on to the next scene of the group
    ExpectSizesBack();
    ReleaseWorld();
    FreshWorld();
    // A key with the third frame of the first phase: that phase ends there, the other four
    // run in full.
    m_backend->ScheduleEvent(m_backend->FramesShown() + 3, VideoEventType::KeyDown);
    EXPECT_EQ(RunTunnelChase(View()), 1);
    const int64_t second = m_backend->FramesShown() - full;
    EXPECT_GE(second, full - 51 + 3);
    EXPECT_LE(second, full - 50 + 3);
    EXPECT_EQ(g_display.keyFlag, 0);
    ExpectSizesBack();
}

TEST_F(TunnelChase, KeysInEveryPhaseEndEachOneAndTheSizesStillComeBack) {
    int64_t at = 0;
    for (int phase = 0; phase < kTunnelPhases; ++phase) {
        at += 2;
        m_backend->ScheduleEvent(at, VideoEventType::KeyDown);
    }
    EXPECT_EQ(RunTunnelChase(View()), kTunnelPhases);
    EXPECT_EQ(m_backend->FramesShown(), 2 * kTunnelPhases);
    ExpectSizesBack();
}

}  // namespace
