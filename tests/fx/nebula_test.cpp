#include "fx/nebula.h"

#include "tests/fx/fx_fixture.h"

namespace {

uint8_t Warm(int, int) {
    return 150;
}
uint8_t Cool(int, int) {
    return 220;
}
// A ring: index 0 outside radius 6 and inside radius 3.
uint8_t Ring(int x, int y) {
    const int d2 = (x - 8) * (x - 8) + (y - 8) * (y - 8);
    return d2 < 36 && d2 >= 9 ? 200 : 0;
}

class NebulaTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        Tga("NEBUL2.TGA", 64, 64, Warm);
        Tga("COOL.TGA", 16, 16, Cool);
        Tga("RING.TGA", 16, 16, Ring);
    }
    void Add(CNebula& list, const char* name, float x, float y, float z) {
        EXPECT_EQ(list.Add(name, x, y, z), 1);
    }
};

TEST_F(NebulaTest, SpriteSizeFollowsTheReferenceScreenAndEntriesBehindTheCameraAreSkipped) {
    CNebula list;
    Add(list, "DATA\\NEBUL2.TGA", 0.0f, 0.0f, 1000.0f);
    // A 64-texel sprite is 128 pixels on 640 x 480; width and height scale on their own.
    for (const auto& [w, h, sw, sh] : {std::array{640, 480, 128, 128}, std::array{320, 240, 64, 64},
                                       std::array{640, 240, 128, 64}}) {
        const Box b = DrawnBox(w, h, 16, [&](TestFrame& f) { list.Draw(f.View()); });
        EXPECT_EQ(std::tuple(b.count, b.Width(), b.Height()), std::tuple(sw * sh, sw, sh)) << w;
    }
    list.Release();
    Add(list, "DATA\\COOL.TGA", 0.0f, 0.0f, -500.0f);
    Add(list, "DATA\\COOL.TGA", 0.0f, 0.0f, 800.0f);
    EXPECT_EQ(DrawnBox(640, 480, 16, [&](TestFrame& f) { list.Draw(f.View()); }).count, 32 * 32);
}

TEST_F(NebulaTest, LaterEntriesDrawOverEarlierOnesAndEmptyOrMissingOnesDrawNothing) {
    CNebula list;
    Add(list, "DATA\\COOL.TGA", 0.0f, 0.0f, 1000.0f);
    Add(list, "DATA\\RING.TGA", 0.0f, 0.0f, 1000.0f);
    TestFrame frame(640, 480, 16, 0);
    list.Draw(frame.View());
    // The ring covers the square's middle band; its hole and corners show the square.
    const uint32_t square = frame.At(320 - 15, 240 - 15), ring = frame.At(320 + 8, 240);
    EXPECT_TRUE(square && ring && square != ring);
    EXPECT_EQ(frame.At(320, 240), square);
    list.Release();  // an empty list, then one of a missing image
    list.Draw(TestFrame(64, 48, 16, 0).View());
    Add(list, "DATA\\ABSENT.TGA", 0.0f, 0.0f, 1000.0f);
    EXPECT_TRUE(list.GetCount() == 1 && !list.GetSprite(0)->IsLoaded());
    EXPECT_EQ(DrawnBox(640, 480, 16, [&](TestFrame& f) { list.Draw(f.View()); }).count, 0);
    list.Release();
    list.Release();  // twice is safe
    EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
