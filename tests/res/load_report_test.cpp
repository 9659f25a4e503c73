// Files that exist but do not load are named once each on standard error.
#include "res/load_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/datafile.h"
#include "res/image.h"
#include "res/palette.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/tga_writer.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

class LoadReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_archive.Reset();
        ResetLoadFailures();
    }
    void TearDown() override {
        g_archive.Reset();
        ResetLoadFailures();
    }
    TempDir m_temp;
    ScopedWorkingDir m_cwd{m_temp.Path()};
};

TEST_F(LoadReportTest, EachBrokenFileIsNamedOnceWithItsReason) {
    const uint8_t pixels[4] = {0, 1, 2, 3};
    uint8_t palette[256 * 3] = {};
    const std::vector<uint8_t> tga = WriteTgaIndexed(2, 2, pixels, palette);
    std::vector<uint8_t> noise(4000);
    uint32_t seed = 5;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    std::vector<uint8_t> archive;
    ASSERT_TRUE(BuildDtfArchive({{"DATA\\GOOD.TGA", tga},
                                 {"DATA\\JUNK.TGA", {1, 2, 3}},
                                 {"SHORT.PAL", {1, 2, 3, 4}},
                                 {"DATA\\CUT.TGA", noise}},
                                archive));
    archive.pop_back();  // the last member loses its last byte
    m_temp.Write("T.DTF", archive);
    ASSERT_EQ(g_archive.Open("T.DTF"), 1);

    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    CIndexedImage image;
    EXPECT_EQ(image.Load("DATA\\GOOD.TGA"), 1);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(image.Load("DATA\\JUNK.TGA"), 0);
        EXPECT_EQ(image.Load("data\\cut.tga"), 0);
        EXPECT_EQ(LoadPalette("SHORT.PAL"), 0);
        EXPECT_EQ(image.Load("DATA\\MISSING.TGA"), 0);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(Count(err, "\n"), 3u) << err;
    EXPECT_EQ(Count(err, "DATA\\JUNK.TGA: not an 8-bit TGA"), 1u) << err;
    EXPECT_EQ(Count(err, "data\\cut.tga: member data cut short"), 1u) << err;
    EXPECT_EQ(Count(err, "SHORT.PAL: shorter than a palette file (4 of"), 1u) << err;
    EXPECT_EQ(Count(err, "MISSING"), 0u) << err;  // a missing file is not a broken one
    ASSERT_EQ(LoadFailures().size(), 3u);
    EXPECT_EQ(LoadFailures()[1], "data\\cut.tga: member data cut short");
}

}  // namespace
