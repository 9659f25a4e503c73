// Vector and name-key tests: known values (the basis turns are pinned by the object and
// pipeline tests).
#include <gtest/gtest.h>

#include <cstring>

#include "engine/vector.h"
#include "tests/engine/engine_fixture.h"

TEST(Vector, NormalizeAndToAngles) {
    CVector zero, v(3, 0, -4);
    zero.Normalize();
    ExpectNear(zero, 0, 0, 0, 0);
    v.Normalize();
    ExpectNear(v, 0.6f, 0, -0.8f, 1e-6f);
    // Any length works, and a slightly long unit vector must not give NaN.
    const struct {
        CVector d;
        float heading, pitch;
    } cases[] = {{{0, 0, 1}, 0, 0}, {{1, 0, 0}, -90, 0}, {{0, 5, 0}, 0, 90}, {{0, -1, 0}, 0, -90}};
    for (const auto& c : cases) {
        float heading = 1, pitch = 1;
        c.d.ToAngles(&heading, &pitch);
        if (c.d.y == 0) {
            EXPECT_NEAR(heading, c.heading, 1e-3);
        }
        EXPECT_NEAR(pitch, c.pitch, 1e-3);
    }
}

TEST(NameKey, MakeKeyUpperCasesPadsAndCuts) {
    const NameKey earth = MakeKey("earth"), cut = MakeKey("reactor12x");
    EXPECT_EQ(std::memcmp(earth.bytes, "EARTH\0\0\0", 8), 0);
    EXPECT_EQ(std::memcmp(cut.bytes, "REACTOR1", 8), 0);
    EXPECT_TRUE(MakeKey(nullptr).IsEmpty());
    EXPECT_NE(MakeKey("DEFAUT"), MakeKey("DEFAUT2"));
    char text[9];
    KeyToString(cut, text);
    EXPECT_STREQ(text, "REACTOR1");
    KeyToString(earth, text);
    EXPECT_STREQ(text, "EARTH");
}
