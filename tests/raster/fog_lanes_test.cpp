// The fog pass's arithmetic lanes against the palette module's fog tables, looked up channel by
// channel: every 16-bit colour at every level, in both pixel modes and for several fog colours.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/raster.h"
#include "raster/raster_state.h"
#include "res/palette.h"

TEST(FogLanes, EqualTheTableLookupsForEveryColourAndLevel) {
    constexpr int kRow = 512;
    const uint8_t colours[][3] = {{0, 0, 0}, {255, 255, 255}, {90, 100, 120}, {200, 31, 70}};
    std::vector<uint32_t> depth(kRow, 0);
    std::vector<uint16_t> lanes(kRow), table(kRow);
    RasterState& rs = g_rasterState;
    rs.fogTop = 0;
    rs.fogBottom = 1;
    rs.fogLeft[0] = 0;
    rs.fogRight[0] = kRow;
    RasterTarget& t = g_rasterTarget;
    t.fogR = g_fogRed;
    t.fogG = g_fogGreen;
    t.fogB = g_fogBlue;
    t.fogOn = 1;
    t.fogNear = 1.0f / 500.0f;
    t.fogFar = 1.0f / 1000.0f;
    t.fogScale = 4122214.4f / (t.fogNear - t.fogFar);
    const float span = t.fogNear - t.fogFar;
    for (int mode = 1; mode <= 2; ++mode) {
        for (const auto& fog : colours) {
            g_pixelMode = mode;
            for (int c = 0; c < 3; ++c) g_fogColour[c] = fog[c];
            BuildFogTables();
            ASSERT_EQ(g_fogBaseMode, mode);
            t.pixelMode = mode;
            int differ = 0;
            // Flat runs at each level, then runs whose level climbs 1 .. 63 along the row
            // (lanes of different levels), over every colour.
            for (int k = 0; k <= 64; ++k) {
                const float rz0 = k < 64 ? t.fogFar + span * (k - 0.5f) / 63.0f : t.fogFar;
                const float drz = k < 64 ? 0.0f : span / kRow;
                for (int first = 0; first < 65536; first += kRow) {
                    for (int i = 0; i < kRow; ++i) lanes[i] = static_cast<uint16_t>(first + i);
                    table = lanes;
                    BuildVisibleRuns(1, 0, kRow - 3, depth.data(), rs.runs);
                    t.fogBase = g_fogBase;
                    ApplyFog16(lanes.data(), kRow - 3, 3, 0, rz0, drz);
                    t.fogBase = nullptr;
                    ApplyFog16(table.data(), kRow - 3, 3, 0, rz0, drz);
                    differ += lanes != table;
                    std::fill(depth.begin(), depth.end(), 0u);
                }
            }
            EXPECT_EQ(differ, 0) << "mode " << mode << " fog " << int(fog[0]) << "," << int(fog[1])
                                 << "," << int(fog[2]);
        }
    }
    g_rasterTarget = RasterTarget{};
}
