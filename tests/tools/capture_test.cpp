// The capture tool: its command line, frame conversion and a headless run of the show.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/capture/png_writer.h"

namespace {

bool Parse(std::initializer_list<const char*> args, CaptureOptions* o, std::string* error) {
    std::vector<char*> argv{const_cast<char*>("karveld-capture")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    return ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

const std::vector<uint8_t> kMinimalArchive = {'D', 'T', 'F', 'F', 1, 0,  0, 0, 'A', 0, 0, 0, 0,
                                              0,   0,   0,   0,   0, 22, 0, 0, 0,   0, 0, 0, 0};

// Width and height from a PNG's header.
bool PngSize(const std::string& path, int* w, int* h) {
    std::ifstream in(path, std::ios::binary);
    uint8_t b[24];
    if (!in.read(reinterpret_cast<char*>(b), 24)) return false;
    if (b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return false;
    *w = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
    *h = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
    return true;
}

}  // namespace

TEST(CaptureOptions, AcceptsTheDocumentedForms) {
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--scene", "3", "--at", "2", "--at", "12.5", "--out", "dir", "--fps", "30",
                       "--size", "320x240", "--8bit"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.scene, 3);
    EXPECT_EQ(o.at, (std::vector<double>{2.0, 12.5}));
    EXPECT_EQ(o.fps, 30);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_TRUE(o.eightBit);
    ASSERT_TRUE(Parse({"--timedemo"}, &o, &error));
    EXPECT_TRUE(o.timedemo);
    EXPECT_EQ(o.fps, 60);
    EXPECT_EQ(o.width, 640);
}

TEST(CaptureOptions, RefusesWhatCannotWork) {
    CaptureOptions o;
    std::string error;
    for (auto args :
         std::vector<std::vector<const char*>>{{"--scene", "0"},
                                               {"--scene", "16"},
                                               {"--scene"},
                                               {"--at", "2", "--out", "a.png"},  // no --scene
                                               {"--scene", "1", "--at", "2"},    // no --out
                                               {"--scene", "1", "--at", "-1", "--out", "a.png"},
                                               {"--scene", "1", "--at", "nan", "--out", "a.png"},
                                               {"--size", "63x48"},
                                               {"--size", "801x600"},
                                               {"--size", "640x480x"},
                                               {"--fps", "0"},
                                               {"--video", "show.avi"},
                                               {"--timedemo", "--video", "a.mp4"},
                                               {"--wat"}}) {
        std::vector<char*> argv{const_cast<char*>("karveld-capture")};
        for (const char* a : args) argv.push_back(const_cast<char*>(a));
        EXPECT_FALSE(ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), &o, &error))
            << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(FrameConversion, ChannelsWidenToFullRange) {
    FrameDesc d;
    d.width = 3;
    d.height = 1;
    d.bits = 16;
    d.redBits = 5, d.redShift = 11, d.greenBits = 6, d.greenShift = 5, d.blueBits = 5,
    d.blueShift = 0;
    const uint16_t frame[3] = {0xFFFF, 0xF800, 0x0000};
    std::vector<uint8_t> rgb;
    FrameToRgb24(frame, d, nullptr, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 0, 0}));
    // 3-3-2: the bits repeat until the byte is full, so 101 becomes 10110110.
    d.redBits = 3, d.redShift = 5, d.greenBits = 3, d.greenShift = 2, d.blueBits = 2,
    d.blueShift = 0;
    const uint16_t small[1] = {(5 << 5) | (7 << 2) | 3};
    d.width = 1;
    FrameToRgb24(small, d, nullptr, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{182, 255, 255}));
    d.width = 3;
    d.bits = 8;
    uint8_t palette[768] = {};
    palette[9] = 1, palette[10] = 2, palette[11] = 3;
    const uint8_t indexed[3] = {3, 0, 3};
    FrameToRgb24(indexed, d, palette, &rgb);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{1, 2, 3, 0, 0, 0, 1, 2, 3}));
}

TEST(CaptureRun, SavesTheFramesOfTheChosenSlot) {
    TempDir dir;
    dir.Write("KARVELD.DTF", kMinimalArchive);
    ScopedWorkingDir cwd(dir.Path());
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(
        // The closing slot's white flash lasts a second even without its pictures.
        Parse({"--scene", "15", "--at", "0", "--at", "0.5", "--out", "shots", "--size", "160x120"},
              &o, &error));
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunCapture(o), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("The End.", 0), 0u) << out;  // the last slot prints the banner
    int w = 0, h = 0;
    ASSERT_TRUE(PngSize(dir.Path() + "/shots/s15-t0.png", &w, &h));
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    EXPECT_TRUE(PngSize(dir.Path() + "/shots/s15-t0.5.png", &w, &h));
}
