// Archives, data files over archive and disk, and the report of files that do not load.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "res/datafile.h"
#include "res/image.h"
#include "res/load_report.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/tga_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Runs in a fresh working folder; the global archive and the load report start and end empty.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_archive.Reset();
        ResetLoadFailures();
    }
    void TearDown() override { SetUp(); }

    static Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }
    static Bytes ArchiveBytes(const DtfMemberList& members) {
        Bytes out;
        EXPECT_TRUE(BuildDtfArchive(members, out));
        return out;
    }
    static Bytes ReadAll(CDataFile& f) {
        Bytes out(std::max(f.Size(), 0L));
        EXPECT_EQ(out.empty() || f.Read(out.data(), 1, static_cast<int>(out.size())), 1);
        return out;
    }
    // The whole data file, or "missing".
    static Bytes Content(const char* name) {
        CDataFile f;
        return f.Open(name) ? ReadAll(f) : Of("missing");
    }
    // Result, archive and member.
    static std::tuple<int, int, int> Find(const char* name) {
        int a = -1, m = -1;
        const int found = g_archive.Find(name, &a, &m);
        return {found, a, m};
    }

    void Open(const char* path, const Bytes& archive) {
        m_temp.Write(path, archive);
        ASSERT_EQ(g_archive.Open(path), 1) << path;
    }

    TempDir m_temp;
    ScopedWorkingDir m_cwd{m_temp.Path()};
};

TEST_F(ArchiveTest, MembersAreFoundInAnyCaseAndExtractedWhole) {
    Bytes earth(3000);
    for (size_t i = 0; i < earth.size(); i++) earth[i] = static_cast<uint8_t>(i * i >> 3);
    m_temp.Write("KARVELD.DTF", ArchiveBytes({{"DATA\\EARTH.TGA", earth},
                                              {"scn3.pal", Of("palette")},
                                              {"EMPTY.BIN", {}},
                                              {"FLAT.BIN", Bytes(40000, 7)}}));
    ASSERT_EQ(g_archive.Open("karveld.dtf"), 1);  // the upper-cased path is the one on disk
    // Separators are not normalised.
    EXPECT_EQ(Find("data\\earth.tga"), std::make_tuple(1, 0, 0));
    EXPECT_EQ(Find("SCN3.PAL"), std::make_tuple(1, 0, 1));
    EXPECT_EQ(Find("DATA/EARTH.TGA"), std::make_tuple(0, 0, 0));
    EXPECT_EQ(g_archive.GetSize("DATA\\EARTH.TGA"), 3000);
    EXPECT_EQ(g_archive.GetSize("NOPE"), -1);
    EXPECT_EQ(Content("FLAT.BIN"), Bytes(40000, 7));
    CDataFile f;
    ASSERT_EQ(f.Open("Data\\Earth.tga"), 1);
    EXPECT_EQ(std::make_pair(f.Tell(), f.Eof()), std::make_pair(-1L, 0));  // memory-backed
    EXPECT_EQ(ReadAll(f), earth);
    EXPECT_EQ(f.Close(), 1);
    EXPECT_EQ(f.Size(), -1);
    ASSERT_EQ(f.Open("EMPTY.BIN"), 1);
    EXPECT_EQ(f.Size(), 0);
}

TEST_F(ArchiveTest, TheArchiveIsTheFileNamedNotItsUpperCaseTwin) {
    m_temp.Write("A.DTF", ArchiveBytes({{"WHO", Of("upper")}}));
    Open("a.dtf", ArchiveBytes({{"WHO", Of("lower")}}));
    EXPECT_EQ(Content("who"), Of("lower"));
}

TEST_F(ArchiveTest, MemoryReadsNeverReportTheEndAndSeeksClamp) {
    Open("A.DTF", ArchiveBytes({{"SIX", Of("abcdef")}}));
    CDataFile f;
    ASSERT_EQ(f.Open("six"), 1);
    char buf[4] = "zzz";
    EXPECT_EQ(f.Seek(4), 1);
    EXPECT_EQ(f.Read(buf, 10, 1), 1);  // 2 bytes left: copied, result still 1
    EXPECT_EQ(std::string(buf), "efz");
    buf[0] = 'z';
    EXPECT_EQ(f.Read(buf, 1, 4), 1);  // at the end: nothing copied
    EXPECT_EQ(buf[0], 'z');
    for (const auto& [to, want] : {std::pair{-5L, 'a'}, {106L, 'z'}, {3L, 'd'}}) {
        buf[0] = 'z';
        EXPECT_EQ(f.Seek(to), 1);
        EXPECT_EQ(f.ReadByte(buf), 1);
        EXPECT_EQ(buf[0], want) << to;
    }
    EXPECT_EQ(f.Read(buf, -1, 5), 1);
}

TEST_F(ArchiveTest, FirstOpenedArchiveWinsAndMissingNamesFallBackToDisk) {
    Open("ONE.DTF", ArchiveBytes({{"SAME", Of("first")}}));
    Open("TWO.DTF", ArchiveBytes({{"same", Of("second")}, {"ONLY2", Of("2")}}));
    EXPECT_EQ(Content("Same"), Of("first"));
    EXPECT_EQ(Find("only2"), std::make_tuple(1, 1, 1));
    CDataFile f;

    m_temp.Write("DATA/Plain.txt", Of("from disk"));
    ASSERT_EQ(f.Open("data\\PLAIN.TXT"), 1);
    EXPECT_NE(f.Tell(), -1);
    EXPECT_EQ(ReadAll(f), Of("from disk"));
    EXPECT_EQ(f.Open("DATA\\MISSING.TXT"), 0);
    EXPECT_EQ(f.Open("data"), 0);  // a folder is not a file
}

TEST_F(ArchiveTest, DiskReadsReportShortReads) {
    m_temp.Write("disk.bin", Of("12345"));
    CDataFile f;
    ASSERT_EQ(f.Open("DISK.BIN"), 1);
    char buf[8];
    EXPECT_EQ(f.Read(buf, 2, 2), 1);
    EXPECT_EQ(f.Size(), 5);
    EXPECT_EQ(f.Tell(), 4);           // Size keeps the position
    EXPECT_EQ(f.Read(buf, 1, 2), 0);  // one byte left
    EXPECT_EQ(f.Seek(1), 1);
    EXPECT_EQ(f.ReadByte(buf), 1);
    EXPECT_EQ(buf[0], '2');
    EXPECT_EQ(f.Seek(-1), 0);
    EXPECT_EQ(f.Close(), 1);
    EXPECT_EQ(std::make_tuple(f.Close(), f.Read(buf, 1, 1), f.Size()), std::make_tuple(0, 0, -1L));
}

TEST_F(ArchiveTest, DiskNamesResolveCaseInsensitivelyPerComponent) {
    m_temp.Write("Data/Sub/gerbe1.MYO", Of("x"));
    for (const auto& [in, out] : {std::pair{"data\\sub\\GERBE1.myo", "Data/Sub/gerbe1.MYO"},
                                  {"DATA/SUB/gerbe1.myo", "Data/Sub/gerbe1.MYO"},
                                  {"DATA\\NEW.TXT", "Data/NEW.TXT"},
                                  {"NONE\\NEW.TXT", "NONE/NEW.TXT"}})
        EXPECT_EQ(ResolveDiskName(in), out);
    EXPECT_EQ(ResolveDiskName((m_temp.Path() + "/DATA/SUB/GERBE1.MYO").c_str()),
              m_temp.Path() + "/Data/Sub/gerbe1.MYO");
    m_temp.Write("data/sub/GERBE1.myo", Of("y"));  // the exact spelling wins over others
    EXPECT_EQ(ResolveDiskName("data\\sub\\GERBE1.myo"), "data/sub/GERBE1.myo");
    EXPECT_EQ(ResolveDiskName("DATA/SUB/gerbe1.myo"), "Data/Sub/gerbe1.MYO");  // first by name
}

// Directory: "DTFF", count, then per member the name and its 0, size, second value, offset.
TEST_F(ArchiveTest, DamagedDirectoryEntries) {
    uint8_t* block = reinterpret_cast<uint8_t*>(1);
    // An offset past the end: the member cannot be extracted and the disk file is read.
    Bytes far = ArchiveBytes({{"FAR.BIN", Of("archived")}});
    far[8 + 8 + 8 + 1] = 0xFF;
    Open("FAR.DTF", far);
    m_temp.Write("FAR.BIN", Of("on disk"));
    EXPECT_EQ(g_archive.Extract("FAR.BIN", &block), 0);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(Content("FAR.BIN"), Of("on disk"));

    // A size that the bytes after the offset could never produce is refused.
    Bytes huge = ArchiveBytes({{"HUGE.BIN", Of("x")}});
    huge[8 + 9 + 3] = 0x40;
    Open("HUGE.DTF", huge);
    EXPECT_EQ(g_archive.Extract("HUGE.BIN", &block), 0);
    EXPECT_EQ(g_archive.LastError(), "member size larger than its data can hold");

    // A size above what the stream holds: the rest reads as zeros.
    Bytes more = ArchiveBytes({{"S", Of("abc")}});
    more[8 + 2] = 6;
    Open("S.DTF", more);
    EXPECT_EQ(Content("S"), (Bytes{'a', 'b', 'c', 0, 0, 0}));
}

TEST_F(ArchiveTest, AnInvalidArchiveSaysWhy) {
    auto why = [this](const Bytes& bytes, const char* path = "BAD.DTF") {
        std::string reason = "unset";
        if (!bytes.empty()) m_temp.Write(path, bytes);
        EXPECT_EQ(g_archive.Open(path, &reason), 0);
        return reason;
    };
    EXPECT_EQ(why({}), "");  // a missing file has nothing wrong with it to tell
    const Bytes good = ArchiveBytes({{"M", Of("member")}, {"N", Of("other")}});
    // A count or a name that runs past the end of the file fails the whole open.
    for (size_t cut = 8; cut < 8 + 2 + 12; cut++)
        EXPECT_NE(why(Bytes(good.begin(), good.begin() + cut)), "unset") << cut;
    Bytes many = good;
    many[6] = 1;  // 65538 members in a file of a few dozen bytes
    // Cut inside the second name (the first entry takes 26 + 12 bytes): the count still fits.
    Bytes named = ArchiveBytes(
        {{"A_RATHER_LONG_NAME_ONE.BIN", Of("1")}, {"A_RATHER_LONG_NAME_TWO.BIN", Of("2")}});
    named.resize(8 + 39 + 20);
    for (const auto& [bytes, reason] : {std::pair{Of("DT"), "not an archive"},
                                        {Bytes{'D', 'T', 'F', 'f', 1, 0, 0, 0}, "no DTFF"},
                                        {Bytes{'D', 'T', 'F', 'F', 0, 0, 0, 0}, "count is 0"},
                                        {many, "count 65538 out of range"},
                                        {named, "cut short at entry 2 of 2"}})
        EXPECT_NE(why(bytes).find(reason), std::string::npos) << reason;
    EXPECT_TRUE(g_archive.Archives().empty());
    ASSERT_EQ(mkdir("FOLDER.DTF", 0755), 0);
    EXPECT_NE(why({}, "FOLDER.DTF").find("folder"), std::string::npos);
    Open("GOOD.DTF", good);
    EXPECT_EQ(g_archive.Archives().size(), 1u);
}

TEST_F(ArchiveTest, ReadDataFileTakesTheMemberThenTheDiskFile) {
    m_temp.Write("DATA/a.bin", Of("disk"));
    m_temp.Write("DATA/EMPTY.BIN", {});
    ASSERT_TRUE(WriteDtfArchive("T.DTF", {{"DATA\\A.BIN", Of("member")}}));
    Bytes bytes = {1, 2, 3};
    ASSERT_TRUE(ReadDataFile("DATA\\A.BIN", bytes));  // no archive yet: the disk file
    EXPECT_EQ(bytes, Of("disk"));
    ASSERT_EQ(g_archive.Open("T.DTF"), 1);
    ASSERT_TRUE(ReadDataFile("data\\a.bin", bytes));
    EXPECT_EQ(bytes, Of("member"));
    EXPECT_TRUE(ReadDataFile("DATA\\EMPTY.BIN", bytes));
    EXPECT_TRUE(bytes.empty());
    bytes = {7};
    EXPECT_FALSE(ReadDataFile("DATA\\NONE.BIN", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadDataFile(nullptr, bytes));
}

TEST_F(ArchiveTest, EachBrokenFileIsReportedOnceWithItsReason) {
    const uint8_t pixels[4] = {0, 1, 2, 3}, palette[768] = {};
    Bytes noise(4000);
    uint32_t seed = 5;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    Bytes archive = ArchiveBytes({{"DATA\\GOOD.TGA", WriteTgaIndexed(2, 2, pixels, palette)},
                                  {"DATA\\JUNK.TGA", {1, 2, 3}},
                                  {"SHORT.PAL", {1, 2, 3, 4}},
                                  {"DATA\\CUT.TGA", noise}});
    archive.pop_back();  // the last member loses its last byte
    Open("T.DTF", archive);
    testing::internal::CaptureStderr();
    CIndexedImage image;
    EXPECT_EQ(image.Load("DATA\\GOOD.TGA"), 1);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(image.Load(i ? "Data\\Junk.tga" : "DATA\\JUNK.TGA"), 0);
        EXPECT_EQ(image.Load("data\\cut.tga"), 0);
        EXPECT_EQ(LoadPalette("SHORT.PAL"), 0);
        EXPECT_EQ(image.Load("DATA\\MISSING.TGA"), 0);  // a missing file is not a broken one
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "karveld: cannot load DATA\\JUNK.TGA: not an 8-bit TGA image the show can read\n"
              "karveld: cannot load data\\cut.tga: member data cut short\n"
              "karveld: cannot load SHORT.PAL: shorter than a palette file (4 of 197376 bytes)\n");
    ASSERT_EQ(LoadFailures().size(), 3u);
    EXPECT_EQ(LoadFailures()[1], "data\\cut.tga: member data cut short");
}

}  // namespace
