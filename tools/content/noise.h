// Deterministic noise for the content generator: integer hashing, value and gradient noise.
#pragma once

#include <cstdint>

// A 32-bit integer hash (avalanching multiply-xorshift); the same bits on every host.
uint32_t HashU32(uint32_t x);
uint32_t Hash2(int32_t x, int32_t y, uint32_t seed);
uint32_t Hash3(int32_t x, int32_t y, int32_t z, uint32_t seed);

// A small sequence generator for placing things (stars of a texture, rivets, craters).
class ContentRng {
public:
    explicit ContentRng(uint32_t seed) : m_state(seed) {}
    uint32_t Next();
    // Uniform in [0, 1).
    float Unit();
    // Uniform in [lo, hi).
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
    // Uniform integer in [0, n); n must be positive.
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

private:
    uint32_t m_state;
};

// Value noise in [0, 1]: smoothed random lattice values. period > 0 makes it repeat every
// `period` lattice cells along each axis, so wrapped textures have no seam.
float ValueNoise(float x, float y, uint32_t seed, int period = 0);
// Gradient (Perlin) noise in about [-1, 1], with the same optional period.
float PerlinNoise(float x, float y, uint32_t seed, int period = 0);
// Gradient noise in three dimensions, for seamless colouring of spheres.
float PerlinNoise3(float x, float y, float z, uint32_t seed);

// Sums `octaves` octaves of gradient noise (each twice the frequency and half the amplitude
// of the one before) and maps the result to [0, 1]. The base period doubles with the octave.
float Fbm(float x, float y, uint32_t seed, int octaves, int period = 0);
float Fbm3(float x, float y, float z, uint32_t seed, int octaves);
