#include "fx/procedural.h"

#include "engine/texture.h"
#include "tests/fx/fx_fixture.h"

namespace {

class Procedural : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        ResetProceduralTextures();
    }
    // A texture of side size, every texel palette entry 7, in the world.
    uint8_t* AddSquare(const char* name, int size) {
        Tga((std::string(name) + ".TGA").c_str(), size, size,
            [](int, int) -> uint8_t { return 7; });
        EXPECT_EQ(AddTexture(MakeKey(name)), 1);
        int32_t side = 0;
        uint8_t* texels = GetTexturePixels(MakeKey(name), &side);
        EXPECT_EQ(side, size);
        return texels;
    }
    // The value the next Rand() gives after `draws` values from seed.
    static int After(uint32_t seed, int draws) {
        SRand(seed);
        for (int i = 0; i < draws; ++i) Rand();
        return Rand();
    }
    // FNV-1a over `count` frames of `size` texels, each taken after update(frame).
    template <typename Update>
    static uint32_t Stream(const uint8_t* texels, size_t size, int count, Update update) {
        uint32_t h = 2166136261u;
        for (int f = 0; f < count; ++f) {
            update(f);
            for (size_t i = 0; i < size; ++i) h = (h ^ texels[i]) * 16777619u;
        }
        return h;
    }
};

TEST_F(Procedural, FlickerFollowsTheRecordedStreamAndTakesTwoDrawsPerColumn) {
    // The hashes come from a plain model of the flicker.
    uint8_t* wide = AddSquare("SPACE2", 64);
    uint8_t* narrow = AddSquare("NARROW", 16);
    SRand(1234);
    EXPECT_EQ(Stream(wide, 64, 80, [](int) { UpdateFlicker(MakeKey("SPACE2")); }), 3206851412u);
    EXPECT_EQ(wide[64], 7);  // the rows below the profile row are left as they were
    // A narrower texture starts again from a zero buffer of its own width.
    SRand(77);
    EXPECT_EQ(Stream(narrow, 16, 40, [](int) { UpdateFlicker(MakeKey("NARROW")); }), 1163894725u);
    const int next = Rand();
    EXPECT_EQ(next, After(77, 40 * 2 * 16));
}

TEST_F(Procedural, MissingOrNot256WideTexturesDrawNoRandomValues) {
    uint8_t* tex = AddSquare("SMALL", 128);
    SRand(42);
    UpdateFlicker(MakeKey("NOSUCH"));
    UpdateCaustics(MakeKey("NOSUCH"), 1.0f);
    UpdateCaustics(MakeKey("SMALL"), 2.5f);
    const int next = Rand();
    EXPECT_EQ(next, After(42, 0));
    for (int i = 0; i < 128 * 128; ++i) ASSERT_EQ(tex[i], 7);
}

TEST_F(Procedural, CausticsFollowTheRecordedStream) {
    // The hash comes from a plain model of the caustics.
    uint8_t* tex = AddSquare("REFLETS", 256);
    const float times[] = {0.0f, 0.04f, 1.7f, 33.3f};
    SRand(31337);
    EXPECT_EQ(Stream(tex, 65536, 4, [&](int f) { UpdateCaustics(MakeKey("REFLETS"), times[f]); }),
              1043939653u);
    // 256 points with four draws each, at the first call only.
    const int next = Rand();
    EXPECT_EQ(next, After(31337, 1024));
}

}  // namespace
