// Shared set-up for the content tests: the pack built once and opened as the show opens it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/display.h"
#include "engine/mesh.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/content/pack.h"

inline const DtfMemberList& Pack() {
    static const DtfMemberList pack = BuildContentPack();
    return pack;
}

// Each test: the pack opened as KARVELD.DTF, a 640 x 480 16-bit headless display, a fresh world.
class PackArchiveTest : public ::testing::Test {
public:
    void SetUp() override {
        static TempDir dir;  // removed at exit
        static const bool written = [] {
            std::string error;
            const bool done = WriteDtfArchive(dir.Path() + "/KARVELD.DTF", Pack(), &error);
            EXPECT_TRUE(done) << error;
            return done;
        }();
        ASSERT_TRUE(written);
        g_archive.Reset();
        m_cwd = std::make_unique<ScopedWorkingDir>(dir.Path());
        ASSERT_EQ(g_archive.Open("KARVELD.DTF"), 1);
        UseHeadlessDisplay(640, 480, 16);
        ASSERT_EQ(CreateWorld(), 1);
        ChoosePixelMode();
    }
    void TearDown() override {
        if (g_context) ReleaseWorld();
        g_display.Reset();
        g_archive.Reset();
        m_cwd.reset();
    }
    // The member's bytes read through CDataFile.
    static std::vector<uint8_t> ReadMember(const char* name) {
        CDataFile f;
        EXPECT_EQ(f.Open(name), 1) << name;
        std::vector<uint8_t> bytes(std::max(f.Size(), 0L));
        EXPECT_TRUE(bytes.empty() || f.Read(bytes.data(), 1, static_cast<int>(bytes.size())) == 1);
        return bytes;
    }
    // The mesh loaded from the pack into the world (nullptr when it does not load).
    static const MeshRecord* Load(const std::string& name) {
        EXPECT_EQ(LoadMesh(MakeKey(name.c_str())), 1) << name;
        return GetMesh(MakeKey(name.c_str()));
    }
    struct Extent {
        CVector lo, hi;
    };
    static Extent Bounds(const MeshRecord& m) {
        Extent e{m.vertices[0], m.vertices[0]};
        for (int32_t k = 1; k < m.vertexCount; ++k) {
            const CVector& v = m.vertices[k];
            e.lo = {std::min(e.lo.x, v.x), std::min(e.lo.y, v.y), std::min(e.lo.z, v.z)};
            e.hi = {std::max(e.hi.x, v.x), std::max(e.hi.y, v.y), std::max(e.hi.z, v.z)};
        }
        return e;
    }
    static std::string MeshName(int32_t instance) {
        const CInstance* inst = GetInstance(instance);
        char name[9] = {};
        if (inst) KeyToString(g_context->meshes[inst->mesh].key, name);
        return name;
    }

    std::unique_ptr<ScopedWorkingDir> m_cwd;
};
