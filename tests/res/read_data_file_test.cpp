// Reading a whole data file: archive member first, then disk, empty and missing files.
#include <gtest/gtest.h>

#include <string>

#include "res/datafile.h"
#include "tests/support/support.h"
#include "tools/common/dtf_writer.h"

TEST(ReadDataFile, MemberThenDiskThenNothing) {
    g_archive.Reset();
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    const std::vector<uint8_t> member = {'m', 'e', 'm', 'b', 'e', 'r', ' ', ' ', ' ', 'm'};
    std::string error;
    ASSERT_TRUE(WriteDtfArchive(dir.Path() + "/T.DTF", {{"DATA\\A.BIN", member}}, &error)) << error;
    dir.Write("DATA/a.bin", {'d', 'i', 's', 'k'});
    dir.Write("DATA/EMPTY.BIN", {});

    std::vector<uint8_t> bytes = {1, 2, 3};
    ASSERT_TRUE(ReadDataFile("DATA\\A.BIN", bytes));  // no archive yet: the disk file
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'d', 'i', 's', 'k'}));
    ASSERT_EQ(g_archive.Open("T.DTF"), 1);
    ASSERT_TRUE(ReadDataFile("data\\a.bin", bytes));  // the member wins
    EXPECT_EQ(bytes, member);
    EXPECT_TRUE(ReadDataFile("DATA\\EMPTY.BIN", bytes));
    EXPECT_TRUE(bytes.empty());
    bytes = {7};
    EXPECT_FALSE(ReadDataFile("DATA\\NONE.BIN", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadDataFile(nullptr, bytes));
    g_archive.Reset();
}
