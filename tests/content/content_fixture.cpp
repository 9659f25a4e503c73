// Shared set-up for the content tests: the pack built once and opened as the show opens it.
#include "tests/content/content_fixture.h"

#include <algorithm>

#include "app/display.h"
#include "engine/object.h"
#include "engine/render_context.h"
#include "engine/world.h"
#include "res/datafile.h"
#include "tools/content/pack.h"

const DtfMemberList& Pack() {
    static const DtfMemberList pack = BuildContentPack();
    return pack;
}

void PackArchiveTest::SetUp() {
    // The folder with KARVELD.DTF, written on first use and removed at exit.
    static TempDir dir;
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

void PackArchiveTest::TearDown() {
    if (g_context) ReleaseWorld();
    g_display.Reset();
    g_archive.Reset();
    m_cwd.reset();
}

std::vector<uint8_t> PackArchiveTest::ReadMember(const char* name) {
    CDataFile f;
    EXPECT_EQ(f.Open(name), 1) << name;
    const long size = f.Size();
    std::vector<uint8_t> bytes(size > 0 ? size : 0);
    if (!bytes.empty()) {
        EXPECT_EQ(f.Read(bytes.data(), 1, static_cast<int>(size)), 1);
    }
    return bytes;
}

const MeshRecord* PackArchiveTest::Load(const std::string& name) {
    EXPECT_EQ(LoadMesh(MakeKey(name.c_str())), 1) << name;
    return GetMesh(MakeKey(name.c_str()));
}

PackArchiveTest::Extent PackArchiveTest::Bounds(const MeshRecord& m) {
    Extent e{m.vertices[0], m.vertices[0]};
    for (int32_t k = 1; k < m.vertexCount; ++k) {
        const CVector& v = m.vertices[k];
        e.lo = {std::min(e.lo.x, v.x), std::min(e.lo.y, v.y), std::min(e.lo.z, v.z)};
        e.hi = {std::max(e.hi.x, v.x), std::max(e.hi.y, v.y), std::max(e.hi.z, v.z)};
    }
    return e;
}

std::string PackArchiveTest::MeshName(int32_t instance) {
    const CInstance* inst = GetInstance(instance);
    char name[9] = {};
    if (inst) KeyToString(g_context->meshes[inst->mesh].key, name);
    return name;
}
