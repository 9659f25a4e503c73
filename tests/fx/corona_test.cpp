#include "fx/corona.h"

#include "tests/fx/fx_fixture.h"

namespace {

uint8_t CoreTexel(int x, int y) {
    const int dx = x - 8, dy = y - 8;
    return dx * dx + dy * dy < 49 ? 120 : 0;
}
uint8_t BlankTexel(int, int) {
    return 1;
}

TEST(RayLine, TouchesOnePixelPerStepAlongTheLongerAxis) {
    const int w = 32, h = 32;
    // Coincident ends draw nothing.
    const int ends[][4] = {{2, 3, 20, 9}, {20, 9, 2, 3}, {5, 30, 9, 1}, {0, 0, 31, 31},
                           {31, 0, 0, 0}, {7, 7, 7, 25}, {5, 5, 5, 5}};
    for (const auto& e : ends) {
        std::vector<uint8_t> buf(w * h, 64);
        AddRayLine(buf.data(), w, h, e[0], e[1], e[2], e[3]);
        const int major = std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1]));
        const int touched = major ? major + 1 : 0;
        EXPECT_EQ(std::count(buf.begin(), buf.end(), 72), touched);
        EXPECT_EQ(std::count(buf.begin(), buf.end(), 64), w * h - touched);
        EXPECT_TRUE(!major || buf[e[1] * w + e[0]] + buf[e[3] * w + e[2]] == 144) << "ends";
        // Every touched pixel lies within half a pixel of the ideal line.
        const double lx = e[2] - e[0], ly = e[3] - e[1], len = std::hypot(lx, ly);
        for (int k = 0; k < w * h; ++k)
            EXPECT_TRUE(buf[k] == 64 ||
                        std::fabs((k % w - e[0]) * ly - (k / w - e[1]) * lx) <= 0.71 * len)
                << k % w << "," << k / w;
    }
}

TEST(RayLine, CrossingsAddUpAndSaturateAt126AndPixelsOutsideTheBufferAreSkipped) {
    const int w = 41, h = 41;
    std::vector<uint8_t> buf(w * h, 64);
    // Lines through the centre from all around it: seven crossings give 120, ten 126.
    for (int k = 0; k < 10; ++k) {
        AddRayLine(buf.data(), w, h, 20, 20, 20 + static_cast<int>(18 * std::cos(k * 0.31)),
                   20 - static_cast<int>(18 * std::sin(k * 0.31)));
        EXPECT_EQ(buf[20 * w + 20], k < 7 ? 72 + 8 * k : 126) << k;
    }
    EXPECT_EQ(*std::max_element(buf.begin(), buf.end()), 126);
    // Guard bytes either side of a 10 x 10 buffer catch any stray write.
    std::vector<uint8_t> mem(300, 64);
    AddRayLine(mem.data() + 100, 10, 10, 5, 5, 5, -40);
    AddRayLine(mem.data() + 100, 10, 10, 5, 5, 5, 60);
    AddRayLine(mem.data() + 100, 10, 10, -20, -20, 30, 30);
    EXPECT_EQ(std::count(mem.begin(), mem.begin() + 100, 64), 100);
    EXPECT_EQ(std::count(mem.begin() + 200, mem.end(), 64), 100);
    EXPECT_EQ(mem[100 + 5 * 10 + 5], 64 + 3 * 8);
}

class CoronaTest : public FxTest {
protected:
    void SetUp() override {
        FxTest::SetUp();
        Tga("CENTRE.TGA", 16, 16, CoreTexel);
        Tga("VIDE.TGA", 64, 60, BlankTexel);
        corona.Create(640, 480, 16);
        ASSERT_EQ(corona.Load("DATA\\CENTRE.TGA", "DATA\\VIDE.TGA"), 1);
    }

    CCorona corona;
};

TEST_F(CoronaTest, RayCountIsTwiceTheRequestAtLeastTwoAndNoneWithoutImages) {
    const uint8_t* rays = corona.GetRaysBuffer().GetData();
    EXPECT_EQ(std::count(rays, rays + 64 * 60, 0), 64 * 60) << "the rays buffer is cleared at load";
    for (const auto& [asked, made] : {std::pair{0, 2}, std::pair{-7, 2}, std::pair{400, 800}}) {
        corona.CreateRays(asked);
        EXPECT_EQ(corona.GetRayCount(), made);
    }
    // Without its images a corona creates no rays and draws nothing.
    CCorona bare;
    bare.Create(640, 480, 16);
    EXPECT_EQ(bare.Load("DATA\\CENTRE.TGA", "DATA\\MISSING.TGA"), 0);
    bare.CreateRays(10);
    EXPECT_EQ(bare.GetRayCount(), 0);
    EXPECT_EQ(DrawnBox(640, 480, 16, [&](TestFrame& f) { bare.Draw(f.View(), 1.0f); }).count, 0);
}

TEST_F(CoronaTest, RaysStayInsideTheBlitBoxAndTurnCounterClockwiseAtAnEighthRadianPerSecond) {
    SRand(5);
    corona.CreateRays(400);
    corona.SetPosition(410.0f, 307.5f);
    for (float t : {0.0f, 3.5f, 21.0f}) {
        const Box box = DrawnBox(640, 480, 16, [&](TestFrame& f) { corona.Draw(f.View(), t); });
        ASSERT_GT(box.count, 0);
        // The rays blit is 170 x 170 around (410, 307.5).
        EXPECT_TRUE(box.left >= 410 - 86 && box.right <= 410 + 85) << box.left << " " << box.right;
        EXPECT_TRUE(box.top >= 307 - 86 && box.bottom <= 307 + 85) << box.top << " " << box.bottom;
        // Light levels stay in 64..127, and the lit ones lie within the longest ray.
        const uint8_t* buf = corona.GetRaysBuffer().GetData();
        for (int i = 0; i < 64 * 60; ++i) {
            ASSERT_TRUE(buf[i] >= 64 && buf[i] <= 127) << i;
            ASSERT_TRUE(buf[i] == 64 || std::hypot(i % 64 - 32, i / 64 - 30) <= 0.9 * 32 + 1.5)
                << i;
        }
    }
    SRand(11);
    corona.CreateRays(2);
    corona.SetPosition(320, 240);
    // Angles measured on screen, rows growing downwards: counter-clockwise is positive.
    auto angleOff = [](double a, double b) {
        return std::fabs(std::remainder(a - b, 6.283185307));
    };
    for (const float t : {0.0f, 8.0f, 20.0f, 52.0f}) {
        TestFrame frame(640, 480, 16, 0);
        corona.Draw(frame.View(), t);
        const uint8_t* buf = corona.GetRaysBuffer().GetData();
        int far = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 64; ++x) {
                if (buf[y * 64 + x] <= 64 || std::hypot(x - 32, y - 30) < 6) continue;
                ++far;
                const double seen = std::atan2(30.0 - y, x - 32.0);
                double best = 10, wrongWay = 10;
                for (int i = 0; i < corona.GetRayCount(); ++i) {
                    const double base = corona.GetRays()[i].baseAngle;
                    best = std::min(best, angleOff(seen, base + 0.125 * t));
                    wrongWay = std::min(wrongWay, angleOff(seen, base - 0.125 * t));
                }
                EXPECT_LT(best, 0.2) << "t " << t << " at " << x << "," << y;
                EXPECT_TRUE(t == 0 || wrongWay > 0.2) << "t " << t << " at " << x << "," << y;
            }
        EXPECT_GT(far, 4) << t;
    }
}

}  // namespace
