// Fuzzes the TGA reader, resizing, sprite conversion and the blit with arbitrary bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "res/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIndexedImage image;
    if (!image.LoadFromMemory(data, size)) return 0;
    // Placement from the first header bytes, so the fuzzer steers the blit too.
    float place[4] = {0, 0, 0, 0};
    if (size >= 16) std::memcpy(place, data, 16);
    for (int mode = 0; mode < 3; ++mode) {
        for (int format : {1, 2, 3}) {
            CSprite sprite;
            if (!sprite.LoadFromImage(image, mode, format)) continue;
            std::vector<uint16_t> frame(48 * 40, 0);
            FrameView view;
            view.frame = frame.data();
            view.width = 48;
            view.height = 40;
            view.left = 3;
            view.top = 2;
            view.viewWidth = 40;
            view.viewHeight = 35;
            sprite.Draw(view, place[0], place[1], place[2], place[3]);
            sprite.Draw(view, 20.0f, 17.0f, static_cast<float>(image.GetWidth()) * 0.37f,
                        static_cast<float>(image.GetHeight()) * 2.5f);
        }
    }
    image.Resize(1 + data[size - 1] % 64, 1 + data[size / 2] % 64);
    return 0;
}
