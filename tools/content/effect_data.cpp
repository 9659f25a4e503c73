// Effect data files for the content pack: the fire start picture and run-length pictures.
#include "tools/content/effect_data.h"

#include <algorithm>
#include <cmath>

#include "tools/content/noise.h"

std::vector<uint8_t> MakeFireStart(uint32_t seed) {
    std::vector<uint8_t> fire(kFireSize * kFireSize, 0);
    for (int y = 0; y < kFireSize; ++y) {
        // Height above the bottom row, 0 at the bottom and 1 at the top.
        const float up = 1.0f - static_cast<float>(y) / (kFireSize - 1);
        for (int x = 0; x < kFireSize; ++x) {
            // Tongues: noise stretched upward, so columns of heat stand out.
            const float tongue = Fbm(x * 12.0f / kFireSize, y * 3.0f / kFireSize, seed, 4, 12);
            const float heat = (1.0f - up * 1.6f) * (0.5f + tongue);
            const float v = std::floor(std::clamp(heat, 0.0f, 1.0f) * 255.0f);
            fire[y * kFireSize + x] = static_cast<uint8_t>(v);
        }
    }
    return fire;
}

std::vector<uint8_t> EncodeRunLength(const GreyPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w < 1 || h < 1 || w > 65535 || h > 65535 ||
        picture.levels.size() < static_cast<size_t>(w) * h)
        return {};
    std::vector<uint32_t> rowStart;
    std::vector<uint8_t> runs;
    uint32_t count = 0;
    for (int y = 0; y < h; ++y) {
        rowStart.push_back(count);
        const uint8_t* row = &picture.levels[static_cast<size_t>(y) * w];
        for (int x = 0; x < w;) {
            int end = x + 1;
            while (end < w && row[end] == row[x]) ++end;
            const int length = end - x;
            runs.push_back(static_cast<uint8_t>(length));
            runs.push_back(static_cast<uint8_t>(length >> 8));
            runs.push_back(row[x]);
            ++count;
            x = end;
        }
    }
    rowStart.push_back(count);

    std::vector<uint8_t> out;
    out.reserve(4 + rowStart.size() * 4 + runs.size());
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(h));
    out.push_back(static_cast<uint8_t>(h >> 8));
    for (uint32_t s : rowStart)
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(s >> (8 * b)));
    out.insert(out.end(), runs.begin(), runs.end());
    return out;
}

GreyPicture MakeSprayPicture(int width, int height, uint32_t seed) {
    GreyPicture pic;
    pic.width = width;
    pic.height = height;
    pic.levels.assign(static_cast<size_t>(width) * height, 0);
    ContentRng rng(seed);
    const float rootX = width * 0.5f;
    const float rootY = static_cast<float>(height - 1);
    // Streaks fan out upward from the root at the bottom centre; each is a line of droplets
    // that thins and dims toward its tip.
    for (int s = 0; s < 90; ++s) {
        const float angle = rng.Range(-1.0f, 1.0f) * 0.6f;  // radians off vertical
        const float reach = rng.Range(0.45f, 1.0f) * (height - 1);
        const int drops = 60;
        for (int d = 0; d < drops; ++d) {
            const float f = static_cast<float>(d) / drops;
            const float px = rootX + std::sin(angle) * reach * f + rng.Range(-1.5f, 1.5f);
            const float py = rootY - std::cos(angle) * reach * f;
            const int ix = static_cast<int>(px), iy = static_cast<int>(py);
            if (ix < 0 || iy < 0 || ix >= width || iy >= height) continue;
            const int level = static_cast<int>(230.0f - 150.0f * f);
            uint8_t& cell = pic.levels[static_cast<size_t>(iy) * width + ix];
            cell = static_cast<uint8_t>(std::max<int>(cell, level));
        }
    }
    return pic;
}
