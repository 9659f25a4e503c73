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
    if (width < 2 || height < 2) return pic;
    ContentRng rng(seed);
    // A plume bursting up from a foaming base at the bottom centre: dense and white in its
    // core, torn into streaks that fan out, thinning toward the top, with loose droplets
    // around its edge.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float dx = (x - width * 0.5f) / (width * 0.5f);
            const float up = static_cast<float>(height - 1 - y) / (height - 1);
            const float spread = 0.22f + 0.75f * std::pow(up, 0.8f);
            const float core = std::max(0.0f, 1.0f - std::fabs(dx) / spread);
            const float angle = std::atan2(dx, up + 0.15f);
            const float streak = Fbm(angle * 5.0f + 10.0f, up * 2.5f, seed, 3);
            const float grain = Fbm(x / 6.0f, y / 6.0f, seed + 1u, 3);
            const float fade = 1.0f - std::pow(up, 1.6f);
            float d = core * (0.35f + 0.75f * streak) * fade * (0.7f + 0.6f * grain);
            if (up < 0.14f)
                d += 0.7f * (1.0f - up / 0.14f) * (0.6f + 0.5f * grain) *
                     std::max(0.0f, 1.0f - std::fabs(dx) * 0.9f);
            uint8_t level = 0;
            if (d > 0.33f) {
                level = static_cast<uint8_t>(120.0f + 135.0f * std::min(1.0f, (d - 0.33f) * 1.7f));
            } else if (d > 0.12f && rng.Unit() < 0.12f) {
                level = static_cast<uint8_t>(170 + rng.Below(60));
            }
            pic.levels[static_cast<size_t>(y) * width + x] = level;
        }
    return pic;
}
