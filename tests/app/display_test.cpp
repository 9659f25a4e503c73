// The display: pixel packing, mask derivation, presenting and the key flag.
#include "app/display.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/video.h"
#include "tests/support/support.h"

TEST(MaskDerivation, ShiftAndBitCountOfChannelMasks) {
    // Both counts stop at 16; nothing in the low 16 bits gives shift 16 and the bits above.
    const struct {
        uint32_t mask;
        int shift, bits;
    } cases[] = {{0xF800, 11, 5},  {0x07E0, 5, 6},      {0x001F, 0, 5}, {0xFFFF, 0, 16},
                 {0x3FFFF, 0, 16}, {0x00FF0000, 16, 8}, {0, 16, 0}};
    for (const auto& c : cases) {
        uint8_t shift = 0, bits = 0;
        MaskToShiftAndBits(c.mask, &shift, &bits);
        EXPECT_EQ(shift, c.shift) << std::hex << c.mask;
        EXPECT_EQ(bits, c.bits) << std::hex << c.mask;
    }
}

TEST(PackRGB, FollowsTheFramesChannels) {
    // Bits (15 for 5-5-5), the colour, the packed value.
    const struct {
        int bits, r, g, b;
        uint32_t packed;
    } cases[] = {{16, 255, 255, 255, 0xFFFF}, {16, 255, 0, 0, 0xF800}, {16, 0, 255, 0, 0x07E0},
                 {16, 7, 7, 7, 0x0020},      // 7 survives only in the 6-bit green
                 {16, 0x1FF, 0, 0, 0xF800},  // only the low 8 bits count
                 {15, 255, 255, 255, 0x7FFF}, {15, 7, 7, 7, 0},        {15, 8, 8, 8, 0x0421},
                 {8, 255, 255, 255, 0},       {8, 12, 200, 3, 0}};
    for (const auto& c : cases) {
        UseHeadlessDisplay(64, 48, c.bits == 8 ? 8 : 16, c.bits == 15);
        EXPECT_EQ(g_display.PackRGB(c.r, c.g, c.b), c.packed) << c.bits << " " << c.r;
        EXPECT_EQ(g_display.IsPalettized(), c.bits == 8);
    }
}

TEST(Display, PresentBeforeSetModeDoesNothingAndSetModeNeedsAWindow) {
    g_display.Reset();
    g_display.UseBackend(std::make_unique<HeadlessBackend>());
    EXPECT_EQ(g_display.SetMode(640, 480, 16, 1), 0);  // no window yet
    auto backend = std::make_unique<HeadlessBackend>();
    HeadlessBackend* raw = backend.get();
    raw->PushEvent(VideoEventType::KeyDown);
    g_display.UseBackend(std::move(backend));
    g_display.InitWindow();
    g_display.Present();
    EXPECT_EQ(raw->FramesShown(), 0);
    EXPECT_EQ(g_display.keyFlag, 0);  // no event handled either
}

TEST(Display, PresentHandsTheFrameAndPaletteToTheBackend) {
    HeadlessBackend* backend = UseHeadlessDisplay(4, 2, 8);
    uint8_t palette[768] = {};
    palette[3 * 5 + 1] = 200;
    g_display.SetPalette(palette);
    static_cast<uint8_t*>(g_display.GetFrame())[7] = 5;
    int green = -1;
    backend->SetSink([&](const void* frame, int, int, int, const uint8_t* pal) {
        green = pal[3 * static_cast<const uint8_t*>(frame)[7] + 1];
    });
    g_display.Present();
    EXPECT_EQ(green, 200);
}

// The SDL backend on SDL's dummy driver: no screen needed; events are injected.
TEST(SdlVideo, DummyDriverPresentsAndDeliversKeysAndQuit) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    g_display.Reset();
    g_display.UseBackend(CreateSdlBackend());
    ASSERT_EQ(g_display.InitWindow(), 1);
    ASSERT_EQ(g_display.SetMode(640, 480, 16, 0), 1);
    EXPECT_EQ(g_display.PackRGB(255, 0, 0), 0xF800u);
    for (int i = 0; i < 3; ++i) g_display.Present();  // drains start-up window events
    EXPECT_EQ(g_display.keyFlag, 0);
    // Key down and up between two frames, then nothing, then the window closed.
    for (const auto& [types, flag] :
         {std::pair{std::vector<Uint32>{SDL_KEYDOWN, SDL_KEYUP}, 1}, {{}, 0}, {{SDL_QUIT}, 1}}) {
        for (Uint32 type : types) {
            SDL_Event e{};
            e.type = type;
            e.key.keysym.sym = SDLK_SPACE;
            ASSERT_EQ(SDL_PushEvent(&e), 1);
        }
        g_display.Present();
        EXPECT_EQ(g_display.keyFlag, flag);
    }
    g_display.Reset();
}
