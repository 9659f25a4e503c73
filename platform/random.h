// The project's one random generator: rand()/srand() with values 0..32767 on every host.
#pragma once

#include <cstdint>

// Next value in 0..32767: state = state * 214013 + 2531011 (mod 2^32), value = bits 16..30.
int Rand();
// Sets the state; the initial state is 1.
void SRand(uint32_t seed);

inline constexpr int kRandMax = 32767;

// The state SRand sets. Code that draws many numbers in a row can run them on a local copy
// (RandStream) and hand the state back with SRand: the same numbers, the same state after.
uint32_t GetRandState();

// The generator on a local state: each call gives what the next Rand() would.
struct RandStream {
    uint32_t state;
    int operator()() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};
