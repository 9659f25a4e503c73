// Vector, basis rotation and name-key tests: identities and known values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/vector.h"

namespace {

void ExpectNear(const CVector& v, float x, float y, float z, float tol = 1e-4f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

CBasis SampleBasis() {
    CBasis b;
    b.axisX.Set(0.3f, -1.2f, 2.0f);
    b.axisY.Set(-4.0f, 0.5f, 0.25f);
    b.axisZ.Set(1.0f, 1.0f, -1.0f);
    b.origin.Set(10.0f, -20.0f, 30.0f);
    return b;
}

}  // namespace

TEST(Vector, NormalizeZeroStaysZeroAndOthersBecomeUnit) {
    CVector zero;
    zero.Normalize();
    ExpectNear(zero, 0, 0, 0, 0);
    CVector v(3, 0, -4);
    v.Normalize();
    ExpectNear(v, 0.6f, 0, -0.8f, 1e-6f);
}

TEST(Vector, ToAnglesOfTheAxes) {
    float heading = 1, pitch = 1;
    CVector(0, 0, 1).ToAngles(&heading, &pitch);
    EXPECT_NEAR(heading, 0, 1e-3);
    EXPECT_NEAR(pitch, 0, 1e-3);
    CVector(1, 0, 0).ToAngles(&heading, &pitch);
    EXPECT_NEAR(heading, -90, 1e-3);
    CVector(0, 1, 0).ToAngles(&heading, &pitch);
    EXPECT_NEAR(pitch, 90, 1e-3);
    // The length does not matter, and a slightly long unit vector must not give NaN.
    CVector(0, 5, 0).ToAngles(&heading, &pitch);
    EXPECT_NEAR(pitch, 90, 1e-3);
    CVector(0, -1, 0).ToAngles(&heading, &pitch);
    EXPECT_NEAR(pitch, -90, 1e-3);
}

TEST(Basis, RotateByZeroLeavesTheBasisUntouched) {
    CBasis b = SampleBasis();
    b.Rotate(0, 0, 0);
    const CBasis ref = SampleBasis();
    EXPECT_EQ(std::memcmp(&b, &ref, sizeof b), 0);
}

TEST(Basis, UnrotateUndoesRotate) {
    const float angles[][3] = {{0.7f, -0.3f, 2.1f}, {3.0f, 1.2f, -0.4f}, {-1.570795f, 0, 0.2f}};
    for (const auto& a : angles) {
        CBasis b = SampleBasis();
        b.Rotate(a[0], a[1], a[2]);
        b.Unrotate(a[0], a[1], a[2]);
        const CBasis ref = SampleBasis();
        ExpectNear(b.axisX, ref.axisX.x, ref.axisX.y, ref.axisX.z);
        ExpectNear(b.axisY, ref.axisY.x, ref.axisY.y, ref.axisY.z);
        ExpectNear(b.axisZ, ref.axisZ.x, ref.axisZ.y, ref.axisZ.z);
        ExpectNear(b.origin, ref.origin.x, ref.origin.y, ref.origin.z, 1e-3f);
    }
}

TEST(Basis, RotationKeepsLengthsAndRightAngles) {
    CBasis b;
    b.Rotate(0.4f, 1.1f, -2.5f);
    EXPECT_NEAR(b.axisX.Length(), 1, 1e-6);
    EXPECT_NEAR(b.axisY.Length(), 1, 1e-6);
    EXPECT_NEAR(b.axisX.Dot(b.axisY), 0, 1e-6);
    EXPECT_NEAR(b.axisY.Dot(b.axisZ), 0, 1e-6);
    // Right-handedness is kept: X x Y stays Z.
    const CVector z = b.axisX.Cross(b.axisY);
    ExpectNear(z, b.axisZ.x, b.axisZ.y, b.axisZ.z, 1e-5f);
}

TEST(Basis, EachAngleTurnsItsOwnPlane) {
    CBasis roll;
    roll.Rotate(0, 0, kQuarterTurn);  // X-Y plane
    ExpectNear(roll.axisX, 0, 1, 0);
    ExpectNear(roll.axisZ, 0, 0, 1);
    CBasis pitch;
    pitch.Rotate(0, kQuarterTurn, 0);  // Y-Z plane
    ExpectNear(pitch.axisY, 0, 0, -1);
    ExpectNear(pitch.axisX, 1, 0, 0);
    CBasis yaw;
    yaw.Rotate(kQuarterTurn, 0, 0);  // X-Z plane
    ExpectNear(yaw.axisX, 0, 0, 1);
    ExpectNear(yaw.axisY, 0, 1, 0);
}

TEST(Basis, TheOriginRotatesAsAPointAndTranslatesAlone) {
    CBasis b;
    b.origin.Set(10, 0, 0);
    b.Rotate(kQuarterTurn, 0, 0);
    ExpectNear(b.origin, 0, 0, 10, 1e-3f);
    b.Translate(1, 2, 3);
    ExpectNear(b.origin, 1, 2, 13, 1e-3f);
    ExpectNear(b.axisX, 0, 0, 1);
}

TEST(Basis, UnrotateCSTakesYawRollPitchInThatOrder) {
    const float yaw = 0.8f, pitch = -0.6f, roll = 1.9f;
    CBasis a = SampleBasis();
    a.Unrotate(yaw, pitch, roll);
    CBasis b = SampleBasis();
    b.UnrotateCS(std::cos(-yaw), std::sin(-yaw), std::cos(-roll), std::sin(-roll), std::cos(-pitch),
                 std::sin(-pitch));
    ExpectNear(b.axisX, a.axisX.x, a.axisX.y, a.axisX.z, 1e-6f);
    ExpectNear(b.origin, a.origin.x, a.origin.y, a.origin.z, 1e-4f);
}

TEST(NameKey, MakeKeyUpperCasesPadsAndCuts) {
    const NameKey earth = MakeKey("earth");
    EXPECT_EQ(std::memcmp(earth.bytes, "EARTH\0\0\0", 8), 0);
    const NameKey cut = MakeKey("reactor12x");
    EXPECT_EQ(std::memcmp(cut.bytes, "REACTOR1", 8), 0);
    EXPECT_TRUE(MakeKey(nullptr).IsEmpty());
    EXPECT_EQ(MakeKey("Defaut"), MakeKey("DEFAUT"));
    EXPECT_NE(MakeKey("DEFAUT"), MakeKey("DEFAUT2"));
    char text[9];
    KeyToString(cut, text);
    EXPECT_STREQ(text, "REACTOR1");
    KeyToString(earth, text);
    EXPECT_STREQ(text, "EARTH");
}
