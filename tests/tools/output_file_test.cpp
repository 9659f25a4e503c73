// The tools' output writer: links followed and kept, FIFOs written in place, nothing left behind.
#include "tools/common/output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/support.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class OutputFile : public ::testing::Test {
protected:
    std::string P(const std::string& relative) const { return dir.Path() + "/" + relative; }
    bool Write(const std::string& relative, const std::string& text) {
        return WriteOutputFile(P(relative), Text(text), &error);
    }
    TempDir dir;
    std::string error;
};

TEST_F(OutputFile, WritesNewAndRegularFilesWithoutLeavingATemporaryFile) {
    ASSERT_TRUE(Write("out.bin", "first")) << error;
    ASSERT_EQ(chmod(P("out.bin").c_str(), 0640), 0);
    ASSERT_TRUE(Write("out.bin", "second, longer")) << error;
    EXPECT_EQ(ReadText(P("out.bin")), "second, longer");
    EXPECT_EQ(fs::status(P("out.bin")).permissions(), fs::perms(0640));  // a replaced file keeps it
    EXPECT_EQ(Names(dir.Path()), Strings{"out.bin"});
    ASSERT_TRUE(Write("out.bin", "")) << error;
    EXPECT_EQ(ReadText(P("out.bin")), "");
}

TEST_F(OutputFile, ALinkIsFollowedAndStaysALink) {
    fs::create_directories(P("real"));
    fs::create_directories(P("links"));
    dir.Write("real/file.bin", Text("old"));
    // A relative link in another folder, and a link to that link.
    ASSERT_EQ(symlink("../real/file.bin", P("links/one").c_str()), 0);
    ASSERT_EQ(symlink("one", P("links/two").c_str()), 0);
    ASSERT_TRUE(Write("links/two", "through two")) << error;
    EXPECT_EQ(fs::read_symlink(P("links/one")).string(), "../real/file.bin");
    EXPECT_TRUE(fs::is_symlink(P("links/two")));
    EXPECT_EQ(ReadText(P("real/file.bin")), "through two");
    EXPECT_EQ(Names(P("links")), (Strings{"one", "two"}));
    EXPECT_EQ(Names(P("real")), Strings{"file.bin"});
    // A dangling link gets its file made where it points; a loop is refused with a reason.
    ASSERT_EQ(symlink("real/new.bin", P("dangling").c_str()), 0);
    ASSERT_TRUE(Write("dangling", "made")) << error;
    EXPECT_TRUE(fs::is_symlink(P("dangling")));
    EXPECT_EQ(ReadText(P("real/new.bin")), "made");
    ASSERT_EQ(symlink("loop", P("loop").c_str()), 0);
    EXPECT_FALSE(Write("loop", "x"));
    EXPECT_NE(error.find("links"), std::string::npos) << error;
}

TEST_F(OutputFile, AFifoIsWrittenIntoAndStaysAFifo) {
    ASSERT_EQ(mkfifo(P("pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadText(P("pipe")); });
    const bool ok = Write("pipe", "through the pipe");
    reader.join();
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(P("pipe")));
    EXPECT_EQ(Names(dir.Path()), Strings{"pipe"});
    // A descriptor's /proc entry links to "pipe:[N]", which is no path: it is opened as named.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_TRUE(WriteOutputFile("/proc/self/fd/" + std::to_string(fds[1]), Text("by fd"), &error));
    close(fds[1]);
    char buffer[16] = {};
    EXPECT_EQ(read(fds[0], buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "by fd");
    close(fds[0]);
}

TEST_F(OutputFile, FailuresNameThePathAndLeaveNothingAndPlantedNamesAreRefused) {
    EXPECT_FALSE(Write("no/such/out.bin", "x"));
    EXPECT_NE(error.find("/no/such/out.bin"), std::string::npos) << error;
    fs::create_directories(P("folder"));
    EXPECT_FALSE(Write("folder", "x"));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    // Written then dropped: the temporary file goes, the target is untouched.
    dir.Write("keep.bin", Text("kept"));
    {
        COutputFile out;
        ASSERT_TRUE(out.Open(P("keep.bin"), &error)) << error;
        std::fputs("half", out.Stream());
    }
    EXPECT_EQ(ReadText(P("keep.bin")), "kept");
    EXPECT_EQ(Names(dir.Path()), (Strings{"folder", "keep.bin"}));
    // Exclusive creation never opens an existing name, nor writes through a planted link.
    ASSERT_EQ(symlink(P("keep.bin").c_str(), P("planted").c_str()), 0);
    EXPECT_LT(CreateExclusive(P("planted")), 0);
    EXPECT_LT(CreateExclusive(P("keep.bin")), 0);
    EXPECT_EQ(ReadText(P("keep.bin")), "kept");
    const int fd = CreateExclusive(P("fresh"));
    EXPECT_GE(fd, 0);
    close(fd);
}

TEST_F(OutputFile, FolderMadeWhenMissingAndRemovedWhenLeftEmpty) {
    {
        COutputFolder folder;
        ASSERT_TRUE(folder.Prepare(P("a/b/c"), &error)) << error;
        EXPECT_TRUE(fs::is_directory(P("a/b/c")));
    }
    EXPECT_FALSE(fs::exists(P("a")));  // nothing was written: all three go
    {
        COutputFolder folder;
        ASSERT_TRUE(folder.Prepare(P("a/b"), &error)) << error;
        dir.Write("a/b/picture.png", Text("png"));
    }
    EXPECT_TRUE(fs::exists(P("a/b/picture.png")));
    {
        COutputFolder folder;  // an existing folder is never removed
        fs::remove(P("a/b/picture.png"));
        ASSERT_TRUE(folder.Prepare(P("a/b"), &error)) << error;
    }
    EXPECT_TRUE(fs::is_directory(P("a/b")));
    dir.Write("file", Text("x"));
    COutputFolder folder;
    EXPECT_FALSE(folder.Prepare(P("file"), &error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_FALSE(folder.Prepare(P("file/sub"), &error));
    EXPECT_EQ(Names(dir.Path()), (Strings{"a", "file"}));
}

TEST_F(OutputFile, AFatalSignalLeavesNoTemporaryFileNorNewFolder) {
    dir.Write("keep.bin", Text("kept"));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        InstallOutputCleanup();
        COutputFolder folder;
        COutputFile out, inside;
        if (!folder.Prepare(P("new/deeper"), &error) || !out.Open(P("keep.bin"), &error) ||
            !inside.Open(P("new/deeper/x.png"), &error))
            _exit(3);
        std::fputs("partial", out.Stream());
        std::fflush(out.Stream());
        kill(getpid(), SIGTERM);
        _exit(6);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(Names(dir.Path()), Strings{"keep.bin"});
    EXPECT_EQ(ReadText(P("keep.bin")), "kept");
}

}  // namespace
