// Scenes headless on a fixed-step clock (64 x 48, 16 bits, 10 fps) in a folder of their own
// or the show's pack (built once per run); with the headers the scene tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/sequence.h"
#include "app/timer.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/scene.h"
#include "engine/world.h"
#include "platform/clock.h"
#include "platform/video.h"
#include "res/datafile.h"
#include "scenes/runner.h"
#include "scenes/scenes.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/palette_compiler.h"
#include "tools/common/scene_writer.h"
#include "tools/content/pack.h"
#include "tools/content/picture.h"

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseDisplay(64, 48);
        UseClock(10);
    }
    void TearDown() override {
        g_timer.UseClock(nullptr);
        m_backend->SetSink(nullptr);
        g_display.keyFlag = 0;
        if (g_context) ReleaseWorld();
        g_archive.Reset();
    }
    void UseDisplay(int width, int height) { m_backend = UseHeadlessDisplay(width, height, 16); }
    // Frames `fps` a second from now on, counted from 0.
    void UseClock(int fps) {
        m_clock = std::make_unique<FixedStepClock>(fps);
        g_timer.UseClock(m_clock.get());
    }
    // The show's pack as KARVELD.DTF in the working folder, opened as the show opens it.
    void UsePack() {
        static TempDir pack;
        static std::string error;
        static const bool written =
            WriteDtfArchive(pack.Path() + "/KARVELD.DTF", BuildContentPack(), &error);
        ASSERT_TRUE(written) << error;
        m_cwd.reset();
        m_cwd = std::make_unique<ScopedWorkingDir>(pack.Path());
        g_archive.Reset();
        ASSERT_EQ(g_archive.Open("KARVELD.DTF"), 1);
    }
    // Calls probe with each frame as it is presented (nullptr: no more calls).
    void OnPresent(std::function<void(const uint16_t* frame)> probe) {
        if (!probe) return m_backend->SetSink(nullptr);
        m_backend->SetSink([probe](const void* frame, int, int, int, const uint8_t*) {
            probe(static_cast<const uint16_t*>(frame));
        });
    }
    // Runs the scene at fps frames a second; what probe() gave as each frame was presented.
    template <typename Probe>
    auto Record(const std::function<void(FrameView)>& scene, int fps, Probe probe) {
        UseClock(fps);
        std::vector<decltype(probe())> frames;
        OnPresent([&](const uint16_t*) { frames.push_back(probe()); });
        scene(View());
        OnPresent(nullptr);
        return frames;
    }
    // DATA/CUBE.OBP and a scene file of a cube track of `seconds` and a camera track.
    void WriteCubeScene(const std::string& path, float seconds) {
        m_dir.Write("DATA/CUBE.OBP", WriteMeshFile(MakeCubeMesh(5.0f, 200, 40, 40)));
        SceneSource scene;
        scene.cameraTrack = 1;
        SceneKeySource k;
        k.position = CVector(0, 0, 50);
        k.duration = seconds;
        scene.tracks = {SceneTrackSource{"CUBE", {k, k}}, SceneTrackSource{"CUBE", {{}}}};
        m_dir.Write(path, WriteSceneFile(scene));
    }
    // Instances of a mesh, in table order.
    static std::vector<int32_t> InstancesOf(const char* mesh) {
        std::vector<int32_t> out;
        const int32_t m = FindMesh(MakeKey(mesh));
        for (int32_t i = 0; m >= 0 && g_context && i < g_context->instanceCount; ++i)
            if (g_context->instances[i].mesh == m) out.push_back(i);
        return out;
    }
    static int Shown(int32_t i) { return (GetInstance(i)->flags & kInstanceHidden) ? 0 : 1; }
    // The whole headless frame, as the show hands it to every scene.
    static FrameView View() { return MakeShowFrameView(); }

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd = std::make_unique<ScopedWorkingDir>(m_dir.Path());
    std::unique_ptr<FixedStepClock> m_clock;
    HeadlessBackend* m_backend = nullptr;
};
