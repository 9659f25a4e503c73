// Vector, basis rotation and name-key tests: known values.
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

TEST(Basis, EachAngleTurnsItsOwnPlane) {
    CBasis roll, pitch, yaw;
    roll.Rotate(0, 0, kQuarterTurn);  // X-Y plane
    ExpectNear(roll.axisX, 0, 1, 0);
    ExpectNear(roll.axisZ, 0, 0, 1);
    pitch.Rotate(0, kQuarterTurn, 0);  // Y-Z plane
    ExpectNear(pitch.axisY, 0, 0, -1);
    ExpectNear(pitch.axisX, 1, 0, 0);
    yaw.origin.Set(10, 0, 0);
    yaw.Rotate(kQuarterTurn, 0, 0);  // X-Z plane; the origin turns as a point
    ExpectNear(yaw.axisX, 0, 0, 1);
    ExpectNear(yaw.axisY, 0, 1, 0);
    ExpectNear(yaw.origin, 0, 0, 10, 1e-3f);
    yaw.Translate(1, 2, 3);
    ExpectNear(yaw.origin, 1, 2, 13, 1e-3f);
    ExpectNear(yaw.axisX, 0, 0, 1);
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
