// Deterministic noise for the content generator: integer hashing, value and gradient noise.
#include "tools/content/noise.h"

#include <cmath>

uint32_t HashU32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t Hash2(int32_t x, int32_t y, uint32_t seed) {
    return HashU32(static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                   HashU32(seed));
}

uint32_t Hash3(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    return HashU32(Hash2(x, y, seed) ^ static_cast<uint32_t>(z) * 0xCB1AB31Fu);
}

uint32_t ContentRng::Next() {
    // Weyl sequence through the hash: every seed gives a full-period stream.
    m_state += 0x9E3779B9u;
    return HashU32(m_state);
}

float ContentRng::Unit() {
    return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
}

namespace {

int Wrap(int v, int period) {
    if (period <= 0) return v;
    v %= period;
    return v < 0 ? v + period : v;
}

// Quintic fade: zero first and second derivative at the lattice points.
float Fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

float LatticeValue(int x, int y, uint32_t seed) {
    return static_cast<float>(Hash2(x, y, seed) >> 8) * (1.0f / 16777215.0f);
}

// Eight gradient directions of equal length, chosen by the hash; no trigonometry.
float Gradient2(uint32_t h, float dx, float dy) {
    switch (h & 7) {
        case 0:
            return dx + dy;
        case 1:
            return dx - dy;
        case 2:
            return -dx + dy;
        case 3:
            return -dx - dy;
        case 4:
            return 1.41421356f * dx;
        case 5:
            return -1.41421356f * dx;
        case 6:
            return 1.41421356f * dy;
        default:
            return -1.41421356f * dy;
    }
}

// The twelve cube-edge gradients of improved noise.
float Gradient3(uint32_t h, float x, float y, float z) {
    switch (h % 12) {
        case 0:
            return x + y;
        case 1:
            return -x + y;
        case 2:
            return x - y;
        case 3:
            return -x - y;
        case 4:
            return x + z;
        case 5:
            return -x + z;
        case 6:
            return x - z;
        case 7:
            return -x - z;
        case 8:
            return y + z;
        case 9:
            return -y + z;
        case 10:
            return y - z;
        default:
            return -y - z;
    }
}

}  // namespace

float ValueNoise(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Fade(x - fx), ty = Fade(y - fy);
    const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const float a = Lerp(LatticeValue(x0, y0, seed), LatticeValue(x1, y0, seed), tx);
    const float b = Lerp(LatticeValue(x0, y1, seed), LatticeValue(x1, y1, seed), tx);
    return Lerp(a, b, ty);
}

float PerlinNoise(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float dx = x - fx, dy = y - fy;
    const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const float g00 = Gradient2(Hash2(x0, y0, seed), dx, dy);
    const float g10 = Gradient2(Hash2(x1, y0, seed), dx - 1.0f, dy);
    const float g01 = Gradient2(Hash2(x0, y1, seed), dx, dy - 1.0f);
    const float g11 = Gradient2(Hash2(x1, y1, seed), dx - 1.0f, dy - 1.0f);
    const float tx = Fade(dx), ty = Fade(dy);
    // The corner gradients have length sqrt(2); scale the sum back to about [-1, 1].
    return 0.70710678f * Lerp(Lerp(g00, g10, tx), Lerp(g01, g11, tx), ty);
}

float PerlinNoise3(float x, float y, float z, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    const float dx = x - fx, dy = y - fy, dz = z - fz;
    float corner[8];
    for (int c = 0; c < 8; ++c) {
        const int ox = c & 1, oy = (c >> 1) & 1, oz = (c >> 2) & 1;
        corner[c] = Gradient3(Hash3(ix + ox, iy + oy, iz + oz, seed), dx - ox, dy - oy, dz - oz);
    }
    const float tx = Fade(dx), ty = Fade(dy), tz = Fade(dz);
    const float a = Lerp(Lerp(corner[0], corner[1], tx), Lerp(corner[2], corner[3], tx), ty);
    const float b = Lerp(Lerp(corner[4], corner[5], tx), Lerp(corner[6], corner[7], tx), ty);
    return Lerp(a, b, tz);
}

float Fbm(float x, float y, uint32_t seed, int octaves, int period) {
    float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * PerlinNoise(x, y, seed + 101u * static_cast<uint32_t>(o), period);
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        if (period > 0) period *= 2;
        amplitude *= 0.5f;
    }
    const float v = 0.5f + 0.5f * sum / total;
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float Fbm3(float x, float y, float z, uint32_t seed, int octaves) {
    float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * PerlinNoise3(x, y, z, seed + 101u * static_cast<uint32_t>(o));
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        z *= 2.0f;
        amplitude *= 0.5f;
    }
    const float v = 0.5f + 0.5f * sum / total;
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
