// Block allocation for the engine's tables, with a failure switch for tests.
#include "engine/alloc.h"

#include <cstdlib>

namespace {
int32_t g_failCountdown = -1;
}

void SetEngineAllocFailure(int32_t succeedCount) {
    g_failCountdown = succeedCount;
}

void* EngineRealloc(void* block, size_t bytes) {
    if (bytes == 0) {
        std::free(block);
        return nullptr;
    }
    if (g_failCountdown == 0) {
        g_failCountdown = -1;
        return nullptr;
    }
    if (g_failCountdown > 0) --g_failCountdown;
    return std::realloc(block, bytes);
}

void EngineFree(void* block) {
    std::free(block);
}
