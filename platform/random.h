// The project's one random generator: rand()/srand() with values 0..32767 on every host.
#pragma once

#include <cstdint>

// Next value in 0..32767: state = state * 214013 + 2531011 (mod 2^32), value = bits 16..30.
int Rand();
// Sets the state; the initial state is 1.
void SRand(uint32_t seed);

inline constexpr int kRandMax = 32767;
