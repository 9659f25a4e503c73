// The tools' output writer: links followed and kept, devices and FIFOs written in place,
// nothing left behind by a failure or a fatal signal.
#include "tools/common/output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

mode_t TypeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

TEST(OutputFile, WritesNewAndRegularFilesWithoutLeavingATemporaryFile) {
    TempDir dir;
    const std::string path = dir.Path() + "/out.bin";
    std::string error;
    ASSERT_TRUE(WriteOutputFile(path, Text("first"), &error)) << error;
    EXPECT_EQ(ReadText(path), "first");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteOutputFile(path, Text("second, longer"), &error)) << error;
    EXPECT_EQ(ReadText(path), "second, longer");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its mode
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.bin"});
    ASSERT_TRUE(WriteOutputFile(path, {}, &error)) << error;
    EXPECT_EQ(ReadText(path), "");
}

TEST(OutputFile, ALinkIsFollowedAndStaysALink) {
    TempDir dir;
    fs::create_directories(dir.Path() + "/real");
    fs::create_directories(dir.Path() + "/links");
    const std::string target = dir.Path() + "/real/file.bin";
    dir.Write("real/file.bin", Text("old"));
    // A relative link in another folder, and a link to that link.
    ASSERT_EQ(symlink("../real/file.bin", (dir.Path() + "/links/one").c_str()), 0);
    ASSERT_EQ(symlink("one", (dir.Path() + "/links/two").c_str()), 0);
    std::string error;
    ASSERT_TRUE(WriteOutputFile(dir.Path() + "/links/two", Text("through two"), &error)) << error;
    EXPECT_EQ(TypeOf(dir.Path() + "/links/one"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(TypeOf(dir.Path() + "/links/two"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(fs::read_symlink(dir.Path() + "/links/one").string(), "../real/file.bin");
    EXPECT_EQ(ReadText(target), "through two");
    EXPECT_EQ(Names(dir.Path() + "/links"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(Names(dir.Path() + "/real"), std::vector<std::string>{"file.bin"});

    // A dangling link gets its file made where it points.
    ASSERT_EQ(symlink("real/new.bin", (dir.Path() + "/dangling").c_str()), 0);
    ASSERT_TRUE(WriteOutputFile(dir.Path() + "/dangling", Text("made"), &error)) << error;
    EXPECT_EQ(TypeOf(dir.Path() + "/dangling"), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(ReadText(dir.Path() + "/real/new.bin"), "made");

    // A loop is refused with a reason.
    ASSERT_EQ(symlink("loop", (dir.Path() + "/loop").c_str()), 0);
    EXPECT_FALSE(WriteOutputFile(dir.Path() + "/loop", Text("x"), &error));
    EXPECT_NE(error.find("links"), std::string::npos) << error;
}

TEST(OutputFile, AFifoIsWrittenIntoAndStaysAFifo) {
    TempDir dir;
    const std::string fifo = dir.Path() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadText(fifo); });
    std::string error;
    const bool ok = WriteOutputFile(fifo, Text("through the pipe"), &error);
    reader.join();
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(received, "through the pipe");
    EXPECT_EQ(TypeOf(fifo), static_cast<mode_t>(S_IFIFO));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"pipe"});

    // A descriptor's /proc entry links to "pipe:[N]", which is no path: it is opened as named.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_TRUE(WriteOutputFile("/proc/self/fd/" + std::to_string(fds[1]), Text("by fd"), &error))
        << error;
    close(fds[1]);
    char buffer[16] = {};
    EXPECT_EQ(read(fds[0], buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "by fd");
    close(fds[0]);
}

TEST(OutputFile, ACharacterDeviceIsWrittenIntoAndStaysADevice) {
    if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    TempDir dir;
    const std::string node = dir.Path() + "/null";
    // The same device as the system's null device, made in the test folder.
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";
    std::string error;
    EXPECT_TRUE(WriteOutputFile(node, Text("into the device"), &error)) << error;
    struct stat st;
    ASSERT_EQ(lstat(node.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"null"});
}

TEST(OutputFile, FailuresNameThePathAndLeaveNothing) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteOutputFile(dir.Path() + "/no/such/out.bin", Text("x"), &error));
    EXPECT_NE(error.find("/no/such/out.bin"), std::string::npos) << error;
    fs::create_directories(dir.Path() + "/folder");
    EXPECT_FALSE(WriteOutputFile(dir.Path() + "/folder", Text("x"), &error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    // Written then dropped: the temporary file goes, the target is untouched.
    dir.Write("keep.bin", Text("kept"));
    {
        COutputFile out;
        ASSERT_TRUE(out.Open(dir.Path() + "/keep.bin", &error)) << error;
        std::fputs("half", out.Stream());
    }
    EXPECT_EQ(ReadText(dir.Path() + "/keep.bin"), "kept");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "keep.bin"}));
}

TEST(OutputFile, ExclusiveCreationNeverWritesThroughAPlantedName) {
    TempDir dir;
    dir.Write("victim", Text("victim"));
    const std::string planted = dir.Path() + "/planted";
    ASSERT_EQ(symlink((dir.Path() + "/victim").c_str(), planted.c_str()), 0);
    EXPECT_LT(CreateExclusive(planted), 0);
    dir.Write("plain", Text("plain"));
    EXPECT_LT(CreateExclusive(dir.Path() + "/plain"), 0);
    EXPECT_EQ(ReadText(dir.Path() + "/victim"), "victim");
    EXPECT_EQ(ReadText(dir.Path() + "/plain"), "plain");
    const int fd = CreateExclusive(dir.Path() + "/fresh");
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);
}

TEST(OutputFolder, MadeWhenMissingAndRemovedWhenLeftEmpty) {
    TempDir dir;
    std::string error;
    {
        COutputFolder folder;
        ASSERT_TRUE(folder.Prepare(dir.Path() + "/a/b/c", &error)) << error;
        EXPECT_TRUE(fs::is_directory(dir.Path() + "/a/b/c"));
    }
    EXPECT_FALSE(fs::exists(dir.Path() + "/a"));  // nothing was written: all three go
    {
        COutputFolder folder;
        ASSERT_TRUE(folder.Prepare(dir.Path() + "/a/b", &error)) << error;
        dir.Write("a/b/picture.png", Text("png"));
    }
    EXPECT_TRUE(fs::exists(dir.Path() + "/a/b/picture.png"));
    {
        COutputFolder folder;  // an existing folder is never removed
        fs::remove(dir.Path() + "/a/b/picture.png");
        ASSERT_TRUE(folder.Prepare(dir.Path() + "/a/b", &error)) << error;
    }
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/a/b"));
    dir.Write("file", Text("x"));
    COutputFolder folder;
    EXPECT_FALSE(folder.Prepare(dir.Path() + "/file", &error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_FALSE(folder.Prepare(dir.Path() + "/file/sub", &error));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a", "file"}));
}

TEST(OutputCleanup, AFatalSignalLeavesNoTemporaryFileNorNewFolder) {
    TempDir dir;
    dir.Write("keep.bin", Text("kept"));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        InstallOutputCleanup();
        COutputFolder folder;
        COutputFile out;
        std::string error;
        if (!folder.Prepare(dir.Path() + "/new/deeper", &error)) _exit(3);
        if (!out.Open(dir.Path() + "/keep.bin", &error)) _exit(4);
        COutputFile inside;
        if (!inside.Open(dir.Path() + "/new/deeper/x.png", &error)) _exit(5);
        std::fputs("partial", out.Stream());
        std::fflush(out.Stream());
        kill(getpid(), SIGTERM);
        _exit(6);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"keep.bin"});
    EXPECT_EQ(ReadText(dir.Path() + "/keep.bin"), "kept");
}

}  // namespace
