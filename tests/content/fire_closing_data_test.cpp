// The fire dome's and the closing's data as the scenes read them from the pack.
#include <gtest/gtest.h>

#include <string>

#include "engine/object.h"
#include "engine/world.h"
#include "res/image.h"
#include "tests/content/content_fixture.h"

namespace {

using FireClosingData = PackArchiveTest;

bool InPack(const std::string& name) {
    for (const auto& member : Pack())
        if (member.first == name) return true;
    return false;
}

}  // namespace

TEST_F(FireClosingData, SmokeTextureIs256TexelsWithoutLevels) {
    EXPECT_FALSE(InPack("DATA\\CC.TGM"));
    ASSERT_GE(AddInstance(MakeKey("hemit")), 0);
    int32_t size = 0;
    ASSERT_NE(GetTexturePixels(MakeKey("cc"), &size), nullptr);
    EXPECT_EQ(size, 256);
}

TEST_F(FireClosingData, DomeFitsInsideTheEndCameraAtItsLastScale) {
    ASSERT_GE(AddInstance(MakeKey("hemit")), 0);
    ASSERT_GE(AddInstance(MakeKey("ray")), 0);
    // Radius after the scene's 0.01 and its final 1950: inside the 3559 units to the camera,
    // but far past the 10 units of a dome that would never reach the view's edge.
    const float radius = GetMeshSize(MakeKey("hemit")) * 0.5f * 0.01f * 1950.0f;
    EXPECT_LT(radius, 3559.0f);
    EXPECT_GT(radius, 2500.0f);
}

TEST_F(FireClosingData, ClosingPicturesHaveTheirSizesAndTransparency) {
    CIndexedImage desol, end, names;
    ASSERT_EQ(desol.Load("DATA\\DESOL.TGA"), 1);
    EXPECT_EQ(desol.GetWidth(), 320);
    EXPECT_EQ(desol.GetHeight(), 240);
    // The backdrop covers the screen: no transparent pixel.
    for (int i = 0; i < 320 * 240; ++i) ASSERT_NE(desol.GetPixels()[i], 0) << i;
    ASSERT_EQ(end.Load("DATA\\END.TGA"), 1);
    EXPECT_EQ(end.GetPixels()[0], 0);  // the lettering stands on index 0
    ASSERT_EQ(names.Load("DATA\\NOMS.TGA"), 1);
    EXPECT_LE(names.GetHeight(), 240);  // it stops whole in the middle of the screen
    for (const char* logo : {"DATA\\KARVLD.TGA", "DATA\\QTX.TGA"}) {
        CIndexedImage image;
        EXPECT_EQ(image.Load(logo), 1) << logo;
    }
    // Fourteen animation frames, each fading out completely at intensity 0: light levels
    // (half the grey index) never above the neutral 64.
    for (int i = 1; i <= 14; ++i) {
        const std::string name = "DATA\\KARV" + std::to_string(i) + ".TGA";
        CSprite frame;
        ASSERT_EQ(frame.Load(name.c_str(), kSpriteLight, 0), 1) << name;
        for (int k = 0; k < frame.GetWidth() * frame.GetHeight(); ++k)
            ASSERT_LE(frame.GetData()[k], 64) << name;
    }
}
