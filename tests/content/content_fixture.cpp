// Shared set-up for the content tests: the pack built once and opened as the show opens it.
#include "tests/content/content_fixture.h"

#include "res/datafile.h"
#include "tools/content/pack.h"

namespace {

// The folder with KARVELD.DTF, written on first use and removed at exit.
const TempDir* PackFolder(bool* ok) {
    static TempDir dir;
    static bool written = [] {
        std::string error;
        const bool done = WriteDtfArchive(dir.Path() + "/KARVELD.DTF", Pack(), &error);
        EXPECT_TRUE(done) << error;
        return done;
    }();
    *ok = written;
    return &dir;
}

}  // namespace

const DtfMemberList& Pack() {
    static const DtfMemberList pack = BuildContentPack();
    return pack;
}

void PackArchiveTest::SetUp() {
    bool ok = false;
    const TempDir* dir = PackFolder(&ok);
    ASSERT_TRUE(ok);
    g_archive.Reset();
    m_cwd = std::make_unique<ScopedWorkingDir>(dir->Path());
    ASSERT_EQ(g_archive.Open("KARVELD.DTF"), 1);
}

void PackArchiveTest::TearDown() {
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
