// The capture tool's command line, frames and runs, and the tools' output writer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "res/datafile.h"
#include "res/load_report.h"
#include "tests/support/support.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/capture/png_writer.h"
#include "tools/common/dtf_writer.h"
#include "tools/common/mesh_writer.h"
#include "tools/common/output_file.h"
#include "tools/common/scene_writer.h"

namespace {

namespace fs = std::filesystem;

// Parses a command line given as one string of space-separated arguments.
bool Parse(const std::string& line, CaptureOptions* o, std::string* error) {
    std::istringstream in(line);
    std::vector<std::string> words{"karveld-capture"};
    for (std::string w; in >> w;) words.push_back(w);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

struct RunResult {
    int code = 0;
    std::string out, err;
};

// Each test runs in a fresh folder holding the smallest archive.
class CaptureRun : public ::testing::Test {
protected:
    void SetUp() override { m_dir.Write("KARVELD.DTF", MinimalArchive()); }
    static RunResult Run(const std::string& line) {
        CaptureOptions o;
        RunResult r;
        if (!Parse(line, &o, &r.err)) return {2, "", r.err};
        g_archive.Reset();
        ResetLoadFailures();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        r.code = RunCapture(o);
        r.err = testing::internal::GetCapturedStderr();
        r.out = testing::internal::GetCapturedStdout();
        g_archive.Reset();
        return r;
    }
    // An archive whose first scene lasts `duration`: a cube track of two keys.
    void EndlessScene(float duration) {
        SceneSource scene;
        scene.cameraTrack = 0;
        SceneTrackSource track;
        track.mesh = "A";
        track.keys.resize(2);
        track.keys[1].position = CVector{0.0f, 0.0f, -10.0f};
        for (SceneKeySource& key : track.keys) key.duration = duration;
        scene.tracks = {track, track};
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(BuildDtfArchive({{"DATA\\A.OBP", WriteMeshFile(MakeCubeMesh(1, 200, 100, 50))},
                                     {"SCN\\SCENE1.SCN", WriteSceneFile(scene)}},
                                    bytes));
        m_dir.Write("KARVELD.DTF", bytes);
    }
    TempDir m_dir;
    ScopedWorkingDir m_cwd{m_dir.Path()};
};

}  // namespace

TEST(CaptureOptions, AcceptsTheDocumentedFormsAndRefusesWhatCannotWork) {
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(
        Parse("--scene 3 --at 2 --at 12.5 --out d --fps 30 --size 320x240 --8bit", &o, &error));
    EXPECT_EQ(std::make_tuple(o.scene, o.at, o.fps, o.width, o.height, o.eightBit),
              std::make_tuple(3, std::vector<double>{2.0, 12.5}, 30, 320, 240, true));
    ASSERT_TRUE(Parse("--timedemo", &o, &error));
    EXPECT_EQ(std::make_tuple(o.timedemo, o.fps, o.width, o.maxSlotSeconds),
              std::make_tuple(true, 60, 640, 600.0));
    ASSERT_TRUE(Parse("--timedemo --max-slot-seconds 2.5", &o, &error));
    EXPECT_EQ(o.maxSlotSeconds, 2.5);
    for (const char* line :
         {"--scene 0", "--scene 16", "--scene", "--at 2 --out a.png", "--scene 1 --at 2",
          "--scene 1 --at -1 --out a.png", "--scene 1 --at nan --out a.png", "--size 63x48",
          "--size 801x600", "--size 640x480x", "--fps 0", "--max-slot-seconds 0",
          "--max-slot-seconds inf", "--max-slot-seconds", "--video show.avi",
          "--timedemo --video a.mp4", "--wat"}) {
        error.clear();
        EXPECT_FALSE(Parse(line, &o, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

TEST(FrameConversion, ChannelsWidenToFullRange) {
    std::vector<uint8_t> rgb;
    const uint16_t frame[3] = {0xFFFF, 0xF800, 0x0000};
    FrameToRgb24(frame, FrameDesc{3, 1, 16, 5, 11, 6, 5, 5, 0}, nullptr, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 0, 0}));
    // 3-3-2: the bits repeat until the byte is full, so 101 becomes 10110110.
    const uint16_t small[1] = {(5 << 5) | (7 << 2) | 3};
    FrameToRgb24(small, FrameDesc{1, 1, 16, 3, 5, 3, 2, 2, 0}, nullptr, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{182, 255, 255}));
    uint8_t palette[768] = {};
    palette[9] = 1, palette[10] = 2, palette[11] = 3;
    const uint8_t indexed[3] = {3, 0, 3};
    FrameToRgb24(indexed, FrameDesc{3, 1, 8, 3, 5, 3, 2, 2, 0}, palette, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{1, 2, 3, 0, 0, 0, 1, 2, 3}));
}

TEST_F(CaptureRun, SavesTheChosenFramesNeverWritingThroughPlantedLinks) {
    // Links at guessable temporary names are left alone; one at the picture's name is followed.
    m_dir.Write("victim", {'v'});
    m_dir.Write("real.png", {'o', 'l', 'd'});
    fs::create_directories("shots");
    const std::vector<std::string> planted = {"shots/s15-t0.png.part", "shots/.s15-t0.png",
                                              "one.png.tmp", "one.png.part"};
    for (const std::string& p : planted)
        ASSERT_EQ(symlink((m_dir.Path() + "/victim").c_str(), p.c_str()), 0) << p;
    ASSERT_EQ(symlink("real.png", "one.png"), 0);
    // The closing slot's white flash lasts a second even without its pictures.
    const RunResult r = Run("--scene 15 --at 0 --at 0.5 --out shots --size 160x120");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("The End.", 0), 0u) << r.out;  // the last slot prints the banner
    EXPECT_EQ(Names("shots"), (std::vector<std::string>{".s15-t0.png", "s15-t0.5.png", "s15-t0.png",
                                                        "s15-t0.png.part"}));
    // Width and height from the PNG's header.
    const std::string png = ReadText("shots/s15-t0.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\xA0\0\0\0\x78", 8));
    EXPECT_EQ(Run("--scene 15 --at 0 --out one.png --size 64x48").code, 0);
    EXPECT_EQ(ReadText("real.png").substr(1, 3), "PNG");
    EXPECT_EQ(ReadText("victim"), "v");
    for (const std::string& p : planted) EXPECT_TRUE(fs::is_symlink(p)) << p;
    EXPECT_TRUE(fs::is_symlink("one.png"));
}

TEST_F(CaptureRun, AnEndlessSceneEndsAtItsLastPictureOrATimedemoAtTheLimit) {
    for (float duration : {INFINITY, 1e30f}) {
        EndlessScene(duration);
        fs::remove_all("shots");
        // Without the stop after the last picture the slot would run to the limit and say so.
        const RunResult r = Run(
            "--scene 1 --at 0.2 --at 0.5 --out shots --fps 10 --size 64x48 --max-slot-seconds 60");
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err.find("still running"), std::string::npos) << r.err;
        EXPECT_EQ(Names("shots"), (std::vector<std::string>{"s01-t0.2.png", "s01-t0.5.png"}));
    }
    const RunResult r = Run("--timedemo --scene 1 --fps 10 --size 64x48 --max-slot-seconds 2");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: slot 1 still running after 2 s"), std::string::npos) << r.err;
    // Frames 0..20 are at 0 .. 2 s; the one after the limit ends the slot.
    int slot = 0, frames = -1;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "slot %d: %d frames", &slot, &frames), 2) << r.out;
    EXPECT_EQ(slot, 1);
    EXPECT_GE(frames, 20);
    EXPECT_LE(frames, 24);
    // A picture asked for past the limit is missed, and that is an error naming the slot.
    const RunResult late =
        Run("--scene 1 --at 5 --out late.png --fps 10 --size 64x48 --max-slot-seconds 2");
    EXPECT_EQ(late.code, 1);
    EXPECT_NE(late.err.find("slot 1 ended before 5 s"), std::string::npos) << late.err;
    EXPECT_FALSE(fs::exists("late.png"));
}

TEST_F(CaptureRun, FailuresAreCheckedEarlyAndNameTheirCause) {
    m_dir.Write("afile", {'x'});
    // No banner means nothing rendered; one picture goes to a file, two to a folder.
    for (const char* out : {"missing/one.png", "afile/one.png", "afile --at 0.5"}) {
        const RunResult r = Run(std::string("--scene 15 --at 0 --size 64x48 --out ") + out);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        const std::string path = std::string(out).substr(0, std::string(out).find(' '));
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    }
    // A run that fails after making its folder takes the folder away again when it is empty.
    const RunResult late = Run("--scene 15 --at 98 --at 99 --out new/shots --size 64x48");
    EXPECT_EQ(late.code, 1);
    EXPECT_NE(late.err.find("slot 15 ended before 98 s"), std::string::npos) << late.err;
    EXPECT_EQ(Names("."), (std::vector<std::string>{"KARVELD.DTF", "afile"}));
    // A missed picture names the slot's files that did not load.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(BuildDtfArchive({{"SCN\\SCENE1.SCN", {'n', 'o', 't', ' ', 'a'}}}, bytes));
    m_dir.Write("KARVELD.DTF", bytes);
    const RunResult r = Run("--scene 1 --at 30 --out x.png --size 64x48 --fps 10");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("slot 1 ended before 30 s; files that did not load: SCN\\SCENE1.SCN: "
                         "not a scene file"),
              std::string::npos)
        << r.err;
    // Named once, where it failed, and once more in the summary.
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
}

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
