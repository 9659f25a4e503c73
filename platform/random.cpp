// The project's random generator, the classic linear congruential one with 15-bit results.
#include "platform/random.h"

namespace {
uint32_t g_randState = 1;
}

int Rand() {
    g_randState = g_randState * 214013u + 2531011u;  // unsigned: wraps mod 2^32
    return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

void SRand(uint32_t seed) {
    g_randState = seed;
}

uint32_t GetRandState() {
    return g_randState;
}
