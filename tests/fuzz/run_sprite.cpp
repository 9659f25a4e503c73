// Fuzz target: the run-length sprite's loader on arbitrary bytes, then draws at a few
// placements in 8-bit and 16-bit frames; no pixel outside the viewport may change.
#include "fx/run_sprite.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "res/palette.h"

namespace {

constexpr int kW = 41, kH = 29, kGuard = 8, kPitch = kW + 2 * kGuard, kRows = kH + 2 * kGuard;

template <typename Pixel>
void DrawChecked(const CRunSprite& sprite, const float (*places)[4], int count, Pixel empty) {
    std::vector<Pixel> frame(static_cast<size_t>(kPitch) * kRows, empty);
    FrameView view;
    view.frame = frame.data();
    view.width = kPitch;
    view.height = kRows;
    view.left = kGuard;
    view.top = kGuard;
    view.viewWidth = kW;
    view.viewHeight = kH;
    for (int i = 0; i < count; ++i)
        sprite.Draw(view, places[i][0], places[i][1], places[i][2], places[i][3]);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kPitch; ++x) {
            const bool inside = x >= kGuard && x < kGuard + kW && y >= kGuard && y < kGuard + kH;
            if (!inside && frame[static_cast<size_t>(y) * kPitch + x] != empty) std::abort();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRunSprite sprite;
    if (!sprite.LoadFromMemory(data, size)) {
        if (sprite.IsLoaded()) std::abort();
        return 0;
    }
    sprite.ConvertColours();
    const float w = static_cast<float>(sprite.GetWidth());
    const float h = static_cast<float>(sprite.GetHeight());
    float places[6][4] = {
        {20.0f, 20.0f, w, h},       {0.0f, 3.0f, w * 3.5f, h * 2.25f}, {40.5f, 40.25f, 9.0f, 33.7f},
        {-3.2f, 28.9f, 0.6f, 0.4f}, {20.0f, 1e6f, 1e7f, 2e6f},         {0.0f, 0.0f, 0.0f, 0.0f},
    };
    // Trailing bytes steer the last placement.
    if (size >= 20) std::memcpy(places[5], data + size - 16, 16);
    g_pixelMode = 0;
    DrawChecked<uint8_t>(sprite, places, 6, 0xA5);
    g_pixelMode = 2;
    DrawChecked<uint16_t>(sprite, places, 6, 0xA5A5);
    return 0;
}
