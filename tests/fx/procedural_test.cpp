// Flicker profile and caustics: the streams the formulas give from a known seed, the rand
// draws they take, their edges and the textures they leave alone.
#include "fx/procedural.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "engine/object.h"
#include "engine/texture.h"
#include "engine/world.h"
#include "platform/random.h"
#include "res/palette.h"
#include "tests/fx/fx_fixture.h"
#include "tests/support/support.h"
#include "tools/common/tga_writer.h"

namespace {

class Procedural : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::make_unique<TempDir>();
        cwd = std::make_unique<ScopedWorkingDir>(dir->Path());
        ASSERT_EQ(CreateWorld(), 1);
        LoadTestPalette();
        ResetProceduralTextures();
    }
    void TearDown() override {
        ReleaseWorld();
        cwd.reset();
        dir.reset();
    }
    // A texture of side size, every texel palette entry 7, in the world.
    uint8_t* AddSquare(const char* name, int size) {
        std::vector<uint8_t> pixels(static_cast<size_t>(size) * size, 7);
        dir->Write(std::string("DATA/") + name + ".TGA",
                   WriteTgaIndexed(size, size, pixels.data(), TestPalette()));
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

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<ScopedWorkingDir> cwd;
};

// The flicker written out plainly: 64 rows, fresh random rows 0 and 1, the smoothing pass,
// and row 30 sharpened into the profile.
struct FlickerModel {
    int w;
    std::vector<std::vector<int>> b;
    explicit FlickerModel(int width) : w(width), b(64, std::vector<int>(width, 0)) {}
    std::vector<int> Step() {
        for (int k = 0; k < w; ++k) {
            b[0][k] = Rand() & 0xFF;
            b[1][k] = Rand() & 0xFF;
        }
        for (int j = 2; j < 64; ++j)
            for (int k = 2; k <= w - 3; ++k)
                b[j][k] = std::max(
                    0, ((b[j - 1][k - 1] + b[j - 1][k] + b[j - 1][k + 1] + b[j][k]) >> 2) - 1);
        std::vector<int> out(w);
        for (int k = 0; k < w; ++k) {
            const float x = std::min(1.0f, static_cast<float>(b[30][k]) * 0.011111111f);
            out[k] = static_cast<int>(std::pow(static_cast<double>(x), 10.0) * 255.0);
        }
        return out;
    }
};

TEST_F(Procedural, FlickerFollowsTheRecordedStreamFrameAfterFrame) {
    uint8_t* tex = AddSquare("SPACE2", 64);
    SRand(1234);
    FlickerModel model(64);
    std::vector<std::vector<int>> expected;
    for (int f = 0; f < 80; ++f) expected.push_back(model.Step());
    SRand(1234);
    int lit = 0;
    for (int f = 0; f < 80; ++f) {
        UpdateFlicker(MakeKey("SPACE2"));
        for (int k = 0; k < 64; ++k) {
            ASSERT_EQ(tex[k], expected[f][k]) << "frame " << f << " column " << k;
            lit += tex[k] > 0;
        }
    }
    // The rows below the profile row are left as they were.
    EXPECT_EQ(tex[64], 7);
    // The smoothing takes about 30 frames to bring light down to row 30; afterwards some
    // columns are lit.
    EXPECT_GT(lit, 0);
}

TEST_F(Procedural, FlickerDrawsTwoRandomBytesPerColumnAndKeepsItsEdgeColumnsDark) {
    uint8_t* tex = AddSquare("SPACE2", 32);
    SRand(99);
    int lit = 0;
    for (int f = 0; f < 60; ++f) {
        UpdateFlicker(MakeKey("SPACE2"));
        for (int k : {0, 1, 30, 31}) ASSERT_EQ(tex[k], 0) << k;
        for (int k = 2; k < 30; ++k) lit += tex[k] > 0;
    }
    EXPECT_GT(lit, 0);
    const int next = Rand();
    EXPECT_EQ(next, After(99, 60 * 2 * 32));
}

TEST_F(Procedural, FlickerBufferFollowsTheTextureWidth) {
    uint8_t* wide = AddSquare("WIDE", 64);
    uint8_t* narrow = AddSquare("NARROW", 16);
    SRand(5);
    for (int f = 0; f < 40; ++f) UpdateFlicker(MakeKey("WIDE"));
    // A narrower texture starts again from a zero buffer of its own width.
    const uint32_t seed = 77;
    SRand(seed);
    FlickerModel model(16);
    std::vector<std::vector<int>> expected;
    for (int f = 0; f < 40; ++f) expected.push_back(model.Step());
    SRand(seed);
    for (int f = 0; f < 40; ++f) {
        UpdateFlicker(MakeKey("NARROW"));
        for (int k = 0; k < 16; ++k) ASSERT_EQ(narrow[k], expected[f][k]) << f << ":" << k;
    }
    EXPECT_EQ(wide[64], 7);
}

TEST_F(Procedural, MissingTexturesDrawNoRandomValues) {
    AddSquare("SPACE2", 64);
    SRand(42);
    UpdateFlicker(MakeKey("NOSUCH"));
    UpdateCaustics(MakeKey("NOSUCH"), 1.0f);
    const int next = Rand();
    EXPECT_EQ(next, After(42, 0));
}

TEST_F(Procedural, CausticsLeaveATextureThatIsNot256WideAloneAndDrawNothing) {
    uint8_t* tex = AddSquare("SMALL", 128);
    SRand(42);
    UpdateCaustics(MakeKey("SMALL"), 2.5f);
    const int next = Rand();
    EXPECT_EQ(next, After(42, 0));
    for (int i = 0; i < 128 * 128; ++i) ASSERT_EQ(tex[i], 7);
}

// The caustics written out plainly from the seed.
std::vector<uint8_t> CausticsModel(uint32_t seed, const std::vector<float>& times) {
    SRand(seed);
    float phase[256], amp[256], speed[256];
    for (int i = 0; i < 256; ++i) {
        phase[i] = static_cast<float>(Rand() % 12799) * 0.01f;
        amp[i] = static_cast<float>(Rand() % 12799) * 0.01f;
        const int a = Rand() % 10000;
        const int b = Rand() % 10000;
        speed[i] = static_cast<float>(b) * 0.0002f + static_cast<float>(a) * 2e-6f + 1.0f;
    }
    int bright[64];
    for (int k = 0; k < 64; ++k)
        bright[k] = static_cast<int>(
            std::pow(static_cast<double>(static_cast<float>(k) * 0.015873017f), 8.0) * 25.0);
    const int water = NearestColour(0, 60, 160);
    std::vector<uint8_t> out;
    for (float t : times) {
        std::vector<int> grid(256 * 16);
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q) {
                const int i = 16 * r + q;
                grid[16 * r * 16 + q] = static_cast<int>(
                    (std::cos(t * speed[i] + phase[i]) * amp[i] + 128.0f) * 256.0f);
            }
        for (int r = 0; r < 16; ++r)
            for (int q = 0; q < 16; ++q) {
                const int b = grid[16 * r * 16 + q], e = grid[16 * ((r + 1) % 16) * 16 + q];
                for (int m = 1; m < 16; ++m) grid[(16 * r + m) * 16 + q] = b + m * ((e - b) >> 4);
            }
        for (int y = 0; y < 256; ++y)
            for (int q = 0; q < 16; ++q) {
                const int d = grid[y * 16 + q], n = grid[y * 16 + (q + 1) % 16];
                for (int m = 0; m < 16; ++m) {
                    const int b = ((d + m * ((n - d) >> 4)) >> 8) & 0xFF;
                    const int k = b < 128 ? b >> 1 : (b >> 1) ^ 127;
                    out.push_back(g_shade8[(64 + bright[k]) * 256 + water]);
                }
            }
    }
    return out;
}

TEST_F(Procedural, CausticsFollowTheRecordedStream) {
    uint8_t* tex = AddSquare("REFLETS", 256);
    const std::vector<float> times = {0.0f, 0.04f, 1.7f, 33.3f};
    const std::vector<uint8_t> expected = CausticsModel(31337, times);
    SRand(31337);
    std::set<int> colours;
    for (size_t f = 0; f < times.size(); ++f) {
        UpdateCaustics(MakeKey("REFLETS"), times[f]);
        for (int i = 0; i < 256 * 256; ++i) {
            ASSERT_EQ(tex[i], expected[f * 65536 + i]) << "time " << times[f] << " texel " << i;
            colours.insert(tex[i]);
        }
    }
    // 256 points with four draws each, at the first call only.
    const int next = Rand();
    EXPECT_EQ(next, After(31337, 1024));
    EXPECT_GT(colours.size(), 8u);
}

TEST_F(Procedural, CausticBrightnessPeaksAtMidHeightAndIsPlainWaterAtTheEnds) {
    // Facts of the colouring: heights 127 and 128 give the brightest row (64 + 25), heights 0
    // and 255 the water colour itself, and nothing is ever darker than the water colour.
    uint8_t* tex = AddSquare("REFLETS", 256);
    SRand(7);
    UpdateCaustics(MakeKey("REFLETS"), 0.5f);
    const int water = NearestColour(0, 60, 160);
    std::set<int> allowed;
    for (int level = 64; level <= 64 + 25; ++level) allowed.insert(g_shade8[level * 256 + water]);
    for (int i = 0; i < 256 * 256; ++i) ASSERT_TRUE(allowed.count(tex[i])) << i;
    EXPECT_TRUE(allowed.count(g_shade8[64 * 256 + water]));
}

}  // namespace
