// Block allocation for the engine's tables: grow or shrink by reallocation, failures reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Reallocates a raw block to bytes (0 frees it and gives null). On failure returns null and
// leaves the old block alone.
void* EngineRealloc(void* block, size_t bytes);
void EngineFree(void* block);

// Tests: the next n allocations succeed and the one after fails (once). -1 turns it off.
void SetEngineAllocFailure(int32_t succeedCount);

// Resizes a table of count elements; the table is untouched when it fails. Only plain records
// may be moved by reallocation.
template <typename T>
bool ResizeTable(T*& table, int64_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (count < 0) return false;
    if (count == 0) {
        EngineFree(table);
        table = nullptr;
        return true;
    }
    if (static_cast<uint64_t>(count) > SIZE_MAX / sizeof(T)) return false;
    void* block = EngineRealloc(table, static_cast<size_t>(count) * sizeof(T));
    if (block == nullptr) return false;
    table = static_cast<T*>(block);
    return true;
}

template <typename T>
void FreeTable(T*& table) {
    EngineFree(table);
    table = nullptr;
}
