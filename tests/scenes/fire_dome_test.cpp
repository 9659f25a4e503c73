// The fire dome on scripted clocks with the pack's own dome, ray, texture and camera script.

#include <cstdio>

#include "tests/scenes/scene_fixture.h"
#include "tools/content/scene_content.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;

// Time in milliseconds after n presented frames, from a rule.
struct RuleClock : Clock {
    explicit RuleClock(std::function<int64_t(int64_t)> r) : rule(std::move(r)) {}
    bool Frequency(int64_t* countsPerSecond) override { return *countsPerSecond = 1000, true; }
    bool Counter(int64_t* count) override { return *count = rule(presents), true; }
    void FramePresented() override { ++presents; }
    std::function<int64_t(int64_t)> rule;
    int64_t presents = 0;
};

// What one presented frame showed; smokeWhite: every smoke texel is the white entry.
struct Shot {
    bool domeShown = false, rayShown = false, white = true, smokeWhite = true;
    float domeScale = 0.0f, yaw = 0.0f, pitch = 0.0f;
    CVector rayScale, camera;
};

class FireDomeTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        UseDisplay(kWidth, kHeight);
        DtfMemberList pack;
        AddFireClosingMembers(pack);
        for (auto [name, bytes] : pack)
            m_dir.Write((std::replace(name.begin(), name.end(), '\\', '/'), name), bytes);
        MeshSource camera = MakeCubeMesh(0.5f, 100, 100, 100);
        camera.name = "CAMERA";
        m_dir.Write("DATA/CAMERA.OBP", WriteMeshFile(camera));
        // Entry i is (i, i, i): white is 255.
        const PaletteBytes grey = GreyPalette();
        m_dir.Write("scn6.PAL", CompilePalette(grey.data()));
        OnPresent([this](const uint16_t* frame) { Record(frame); });
    }

    void Run(std::function<int64_t(int64_t)> rule) {
        RuleClock clock(std::move(rule));
        g_timer.UseClock(&clock);
        Scene11(View());
        g_timer.UseClock(nullptr);
    }
    // Frames of `ms` milliseconds each.
    void RunSteady(int64_t ms) {
        Run([ms](int64_t n) { return n * ms; });
    }

    void Record(const uint16_t* frame) {
        Shot s;
        for (int i = 0; i < kWidth * kHeight; ++i) s.white = s.white && frame[i] == 0xFFFF;
        for (int32_t i : InstancesOf("hemit"))
            s.domeShown = Shown(i), s.domeScale = GetInstance(i)->scale.x;
        for (int32_t i : InstancesOf("ray"))
            s.rayShown = Shown(i), s.rayScale = GetInstance(i)->scale;
        if (g_context)
            s.camera = g_context->cameraPos, s.yaw = GetCameraYaw(), s.pitch = GetCameraPitch();
        int32_t size = 0;
        const uint8_t* texels = g_context ? GetTexturePixels(MakeKey("cc"), &size) : nullptr;
        for (int i = 0; texels && i < size * size; ++i)
            s.smokeWhite = s.smokeWhite && texels[i] == 255;
        m_shots.push_back(s);
    }
    static bool AtEndCamera(const Shot& s) {
        return s.camera.x == -1970.0f && s.camera.y == -2208.0f && s.camera.z == -1978.0f;
    }

    std::vector<Shot> m_shots;
};

}  // namespace

TEST_F(FireDomeTest, DomeAppearsAfterTheStrikeGrowsTo400At13And1950At21Point5) {
    // Frames of 200 ms: one falls on 8.6 s exactly and still holds the pose of 8 s.
    for (int ms : {200, 125}) {
        m_shots.clear();
        RunSteady(ms);
        const size_t at8 = 8000 / ms, at86 = 8600 / ms;
        ASSERT_GE(m_shots.size(), 80u);
        for (size_t k = 0; k <= at8; ++k) EXPECT_FALSE(m_shots[k].domeShown) << ms << " " << k;
        EXPECT_TRUE(m_shots[at86 + 1].domeShown) << ms;
        // The pose of 8 s up to 8.6 s, while the scene file's camera moves on either side.
        for (size_t k = at8 + 1; k <= at86; ++k)
            EXPECT_EQ(m_shots[k].camera.Sub(m_shots[at8].camera).Length(), 0.0f) << ms << k;
        EXPECT_NE(m_shots[at86 + 1].camera.x, m_shots[at8].camera.x) << ms;
        EXPECT_NE(m_shots[at8 - 1].camera.x, m_shots[at8].camera.x) << ms;
        ReleaseWorld();
    }
    // 125 ms: frame k at T = k / 8, up to 21.625 (the first past 21.5), then the white frame.
    ASSERT_EQ(m_shots.size(), 175u);
    EXPECT_NEAR(m_shots[104].domeScale, 400.0f, 0.01f);
    EXPECT_FALSE(AtEndCamera(m_shots[104]));
    for (size_t k = 105; k < 174; ++k) ASSERT_TRUE(AtEndCamera(m_shots[k])) << k;
    // Aimed at the dome at the origin, along (1970, 2208, 1978): yaw 45.116 - 90, pitch 38.341.
    EXPECT_NEAR(m_shots[105].yaw, -44.884, 0.05);
    EXPECT_NEAR(m_shots[105].pitch, 38.341, 0.05);
    // 1950 at 21.5 s, and no further; 1 (its own size) until the growth starts after 8 s.
    EXPECT_NEAR(m_shots[172].domeScale, 1950.0f, 0.01f);
    EXPECT_NEAR(m_shots[173].domeScale, 1950.0f, 0.01f);
    EXPECT_FLOAT_EQ(m_shots[64].domeScale, 1.0f);
    EXPECT_GT(m_shots[66].domeScale, m_shots[65].domeScale);
    EXPECT_TRUE(m_shots.back().white);
    EXPECT_FALSE(m_shots[173].white);
}

TEST_F(FireDomeTest, TheRayStretchesInTheTenthBefore6SecondsThenThins) {
    RunSteady(50);
    ASSERT_GT(m_shots.size(), 150u);
    // (frame, x, y; 0: hidden): 5.9 s; 5.95 s, (5.95 - 5.9) x 235 + 1 long; 6.5 s; 7.1 s,
    // thinning from 10 toward 0.1; 7.25 s.
    const float want[][3] = {
        {118, 0, 0}, {119, 10, 12.75f}, {130, 10, 24.5f}, {142, 5.05f, 24.5f}, {145, 0, 0}};
    for (const auto& [k, x, y] : want) {
        const Shot& s = m_shots[static_cast<size_t>(k)];
        EXPECT_EQ(s.rayShown, x > 0) << k;
        EXPECT_LT(x > 0 ? s.rayScale.Sub(CVector(x, y, x)).Length() : 0.0f, 0.07f) << k;
    }
    // Frames of 140 ms (5.88, then 6.02 s) skip the stretch: the ray shows first after 7 s.
    ReleaseWorld();
    m_shots.clear();
    RunSteady(140);
    size_t first = 0;
    while (first < m_shots.size() && !m_shots[first].rayShown) ++first;
    ASSERT_LT(first, m_shots.size());
    EXPECT_GT(first * 0.14, 7.0);
    EXPECT_LT(m_shots[first].rayScale.x, 10.0f);
    for (const Shot& s : m_shots) EXPECT_TRUE(!s.rayShown || s.rayScale.y == 24.5f);
}

TEST_F(FireDomeTest, ALateFrameLandsOnTheTargetInsteadOfOvershooting) {
    // Whole seconds but 12.65 s for 13 and 21.45 s for 21.
    Run([](int64_t n) {
        return n == 13 ? 12650 : n == 21 ? 21450 : 1000 * std::min<int64_t>(n, 23);
    });
    ASSERT_EQ(m_shots.size(), 24u);  // 23 frames and the white one
    for (int k = 0; k < 23; ++k) EXPECT_LE(m_shots[k].domeScale, k < 14 ? 400.0f : 1950.0f) << k;
    EXPECT_FLOAT_EQ(m_shots[13].domeScale, 400.0f);
    EXPECT_FLOAT_EQ(m_shots[21].domeScale, 1950.0f);
    EXPECT_FLOAT_EQ(m_shots[22].domeScale, 1950.0f);
}

TEST_F(FireDomeTest, AKeyEndsTheSceneAndOnlyTheFullSizeSmokeTextureCarriesSmoke) {
    m_backend->ScheduleEvent(20, VideoEventType::KeyDown);
    RunSteady(50);
    // The key comes with the twentieth present; then the white frame.
    ASSERT_EQ(m_shots.size(), 21u);
    EXPECT_TRUE(m_shots.back().white);
    EXPECT_FALSE(m_shots[19].white);
    EXPECT_FALSE(m_shots[5].smokeWhite);
    EXPECT_EQ(g_display.keyFlag, 0);
    // The world stays for the closing, without instances.
    ASSERT_NE(g_context, nullptr);
    EXPECT_EQ(g_context->instanceCount, 0);
    EXPECT_GE(FindMesh(MakeKey("hemit")), 0);
    // A 128-texel texture is filled white once and never written.
    ReleaseWorld();
    m_shots.clear();
    m_dir.Write("DATA/CC.TGA", EncodePicture(MakeFilled(128, 128, GreyPalette(), 40)));
    m_backend->ScheduleEvent(m_backend->FramesShown() + 20, VideoEventType::KeyDown);
    RunSteady(50);
    ASSERT_EQ(m_shots.size(), 21u);
    for (size_t k = 0; k + 1 < m_shots.size(); ++k) EXPECT_TRUE(m_shots[k].smokeWhite) << k;
}

TEST_F(FireDomeTest, WithoutTheRayOrTheSmokeTextureOnlyTheWhiteFrameShows) {
    for (const char* missing : {"DATA/RAY.OBP", "DATA/CC.TGA"}) {
        const std::string path = m_dir.Path() + "/" + missing;
        std::rename(path.c_str(), (path + ".off").c_str());
        RunSteady(50);
        std::rename((path + ".off").c_str(), path.c_str());
        ASSERT_EQ(m_shots.size(), 1u) << missing;
        EXPECT_TRUE(m_shots[0].white);
        ASSERT_NE(g_context, nullptr);
        EXPECT_EQ(g_context->instanceCount, 0);
        ReleaseWorld();
        m_shots.clear();
    }
}

TEST_F(FireDomeTest, ADomeWithoutSizeKeepsScaleOne) {
    // Every corner at the origin: the mesh size is 0.
    MeshSource flat;
    flat.name = "hemit";
    flat.positions = {CVector(0, 0, 0), CVector(0, 0, 0), CVector(0, 0, 0)};
    flat.faces = {MeshFaceSource{}};
    flat.faces[0].vertex[1] = 1, flat.faces[0].vertex[2] = 2, flat.faces[0].flags = 1;
    flat.faces[0].texture = "cc";
    m_dir.Write("DATA/HEMIT.OBP", WriteMeshFile(flat));
    RunSteady(125);
    ASSERT_EQ(m_shots.size(), 175u);
    for (size_t k = 0; k + 1 < m_shots.size(); ++k)
        ASSERT_FLOAT_EQ(m_shots[k].domeScale, 1.0f) << "T " << k / 8.0;
}
