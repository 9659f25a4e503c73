// Dispatch table layout: which slots draw and which never do.
#include <gtest/gtest.h>

#include "raster/raster.h"

TEST(DispatchTables, UnusedSlotsAreNoOps) {
    for (const Filler* table :
         {g_rasterTable8, g_rasterTable16, g_rasterTable8Z, g_rasterTable16Z}) {
        for (int slot : {3, 7, 11, 12, 13, 14, 15}) EXPECT_EQ(table[slot], &FillNoOp) << slot;
    }
}

TEST(DispatchTables, SixteenBitSlotsAreFilled) {
    for (const Filler* table : {g_rasterTable16, g_rasterTable16Z}) {
        for (int slot : {0, 1, 2, 4, 5, 6, 8, 9, 10}) {
            EXPECT_NE(table[slot], nullptr);
            EXPECT_NE(table[slot], &FillNoOp) << slot;
        }
    }
    // Depth and non-depth tables never share a filler.
    for (int slot : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        EXPECT_NE(g_rasterTable16[slot], g_rasterTable16Z[slot]);
}
