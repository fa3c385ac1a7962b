// The picture effects as the show runs them: through the display, the glide layer's front
// buffer, the world's renderer and the scene passes, with a fake music counter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/effects/Fade.h"
#include "app/effects/Lighthouse.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Face.h"
#include "engine/world/Object3D.h"
#include "platform/glide/Glide.h"
#include "support/ModelFiles.h"
#include "support/RecordingRenderer.h"
#include "support/BmpFiles.h"
#include "support/Headless.h"

namespace {

// Notes which background each drawn frame had.
struct BackgroundRenderer : RecordingRenderer {
    Surface* background = nullptr;
    std::vector<Surface*> frames;
    unsigned colorKey = 0xFFFFFFFF;
    void SetBackground(Surface* picture) override { background = picture; }
    void SetColorKey(unsigned key) override { colorKey = key; }
    void BeginFrame() override { frames.push_back(background); }
};

BackgroundRenderer& TestRenderer() {
    static BackgroundRenderer renderer;
    return renderer;
}

class EffectRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartHeadlessDisplay(video);
        video.StartGlide();  // the front buffer the fade starts from
        world.SetRenderer(&TestRenderer());
    }

    void SetUp() override {
        saved = TheStage();
        TheStage() = Stage{};
        TheStage().endOfPass = [this] { ++passes; };
        TheStage().syncCount = [this] { return passes >= syncAtPass ? 1 : 0; };
        TestRenderer().frames.clear();
        dir = std::filesystem::temp_directory_path() / ("solmire_effects_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        oldDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(oldDirectory);
        std::filesystem::remove_all(dir);
        TheStage() = saved;
    }

    static void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<std::uint16_t> Pixels(const Surface* s) { return {s->Pixels(), s->Pixels() + s->PixelCount()}; }

    int passes = 0;
    int syncAtPass = 1 << 30;
    Stage saved;
    std::filesystem::path dir, oldDirectory;
};

TEST_F(EffectRun, FadeToBlackAndToAPicture) {
    Camera sceneCamera;
    world.SetCamera(&sceneCamera);

    // Black to black: one pass that finds nothing to change.
    grBufferClear(0, 0, 0xFFFF);  // what the 3D card shows: the whole front buffer black
    grBufferSwap(0);
    FadeToPicture(nullptr);
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(world.camera, &sceneCamera);  // the fade's own camera is gone with it
    EXPECT_EQ(TestRenderer().background, nullptr);

    // Full white to black: 31 steps and the pass that finds nothing more.
    passes = 0;
    grBufferClear(0xFFFF, 0, 0xFFFF);
    grBufferSwap(0);
    FadeToPicture(nullptr);
    EXPECT_EQ(passes, 32);
    EXPECT_EQ(Pixels(video.screen1), std::vector<std::uint16_t>(video.screen1->PixelCount(), 0));
    for (Surface* background : TestRenderer().frames) EXPECT_EQ(background, video.screen1);

    // To a picture: it ends in Screen1 exactly as loaded into Screen2.
    Write("target.bmp", bmp::Bmp24(8, 6, [](int x, int y) {
              return bmp::Rgb{static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(130 + y * 20), 200};
          }));
    passes = 0;
    FadeToPicture("target.bmp");
    EXPECT_LE(passes, 32);
    EXPECT_EQ(video.screen2->Pixels()[0], bmp::Pack565({0, 130, 200}));
    EXPECT_EQ(Pixels(video.screen1), Pixels(video.screen2));
    world.SetCamera(nullptr);
}

TEST_F(EffectRun, LighthouseEntersInFiftyNinePassesThenSweepsUntilTheSync) {
    std::vector<bmp::Rgb> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    Write("pevin8.bmp", bmp::Bmp8(640, 200, grey, [](int x, int y) { return static_cast<std::uint8_t>((x * 3 + y * 5) % 40); }));
    Write("phare.bmp", bmp::Bmp8(64, 64, grey, [](int x, int y) { return static_cast<std::uint8_t>(x > 16 && y > 16 ? 1 : 0); }));
    Write("pevin.bmp", bmp::Bmp24(16, 12, [](int x, int) { return bmp::Rgb{static_cast<std::uint8_t>(x * 8), 40, 60}; }));

    // A sync during the entry ends the sweep in its first pass; the entry runs whole.
    syncAtPass = 1;
    LighthouseEffect();
    EXPECT_EQ(passes, 59);
    EXPECT_EQ(world.camera, &effectCamera);
    EXPECT_EQ(TestRenderer().background, nullptr);
    ASSERT_FALSE(TestRenderer().frames.empty());
    for (Surface* background : TestRenderer().frames) EXPECT_EQ(background, video.screen1);

    // Later, the first pass after the sync ends it.
    passes = 0;
    syncAtPass = 80;
    LighthouseEffect();
    EXPECT_EQ(passes, 80);

    // The light falls on the relief band only; the rest is the picture as loaded.
    const std::uint16_t* lit = video.screen1->Pixels();
    const std::uint16_t* picture = video.screen2->Pixels();
    int brighter = 0;
    for (int y = 1; y <= 198; ++y)
        for (int x = 1; x <= 499; ++x) brighter += lit[y * 640 + x] != picture[y * 640 + x];
    EXPECT_GT(brighter, 1000);
    for (int y = 199; y < 480; ++y)
        for (int x = 0; x < 640; x += 7) ASSERT_EQ(lit[y * 640 + x], picture[y * 640 + x]);
    world.SetCamera(nullptr);
}

TEST_F(EffectRun, FountainParkUntilTheSyncThenTheCardSwellsAndTheSunsetFadesIn) {
    const modelfiles::Mesh card = modelfiles::GridMesh("card", 2, 2, 2);
    modelfiles::WriteFile("fondv.ase", modelfiles::MakeAse({std::nullopt}, {card}));
    modelfiles::WriteFile("fontaine.ase", modelfiles::MakeAse({std::nullopt}, {card}));
    Write("paysage2.bmp", bmp::Bmp24(16, 12, [](int x, int y) {
              return bmp::Rgb{static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 20), 90};
          }));
    // Something in front of the pond at (400..439, 400..439).
    Write("cache.bmp", bmp::Bmp24(16, 12, [](int x, int y) { return x == 10 && y == 10 ? bmp::Rgb{255, 0, 0} : bmp::Rgb{}; }));
    Write("montsoleil.bmp", bmp::Bmp24(8, 6, [](int, int) { return bmp::Rgb{250, 120, 20}; }));

    struct Park {
        double pigeon[3], pigeonTurn;
        int pigeonTexture, fountainTexture;
        unsigned colorKey;
        std::uint16_t inFrontOfThePond;
    };
    std::vector<Park> park;
    int swellPasses = 0;
    double lastCloudX = 0;
    TheStage().syncCount = [&] { return park.size() >= 450 ? 1 : 0; };
    std::set<Object3D*> loaded;  // the scene run frees them when it ends
    TheStage().endOfPass = [&] {
        ++passes;
        for (int i = 0; i < world.GetObjectCount(); ++i) loaded.insert(world.GetObject(i));
        if (world.GetObjectCount() != 4 || !world.GetObject(2)->visible) return;  // a fade
        const Object3D* pigeon = world.GetObject(1);
        const Object3D* cloud = world.GetObject(2);
        if (cloud->position[0] == lastCloudX) {
            ++swellPasses;  // only the card moves now
            return;
        }
        lastCloudX = cloud->position[0];
        park.push_back({{pigeon->position[0], pigeon->position[1], pigeon->position[2]}, pigeon->angles[2],
                        pigeon->faces[0]->texture, world.GetObject(3)->faces[0]->texture, TestRenderer().colorKey,
                        video.screen1->Pixels()[420 * 640 + 420]});
    };
    FountainScene();
    ASSERT_EQ(loaded.size(), 4u);

    // The park runs until the first pass after the sync.
    ASSERT_EQ(park.size(), 450u);
    EXPECT_GT(swellPasses, 3);
    EXPECT_EQ(park[0].colorKey, 0u);
    EXPECT_EQ(park[0].inFrontOfThePond, bmp::Pack565({255, 0, 0}));

    // The pigeon flies right, turns past 500 and flies back, turns past -500.
    EXPECT_EQ(park[0].pigeon[0], -495);
    EXPECT_EQ(park[200].pigeon[0], 505);
    EXPECT_NEAR(park[200].pigeonTurn, 3.14159265, 1e-6);
    EXPECT_EQ(park[201].pigeon[0], 500);
    EXPECT_EQ(park[402].pigeon[0], -505);
    EXPECT_EQ(park[403].pigeonTurn, 0);

    // Textures by the name the scene asked for: the spray's 8-pass and the wings' 10-pass cycles.
    auto handle = [](const char* name) {
        const auto& names = TestRenderer().loadedTextures;
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin()) + 1;
    };
    const std::vector<const char*> spray{"fontaine1", "fontaine2", "fontaine2", "fontaine3",
                                         "fontaine3", "fontaine4", "fontaine4", "fontaine4"};
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(park[i].fountainTexture, handle(spray[i % 8])) << i;
    for (std::size_t i = 0; i < 20; ++i)
        EXPECT_EQ(park[i].pigeonTexture, handle(i % 10 >= 4 && i % 10 <= 8 ? "pigeon2" : "pigeon1")) << i;

    // Afterwards: an empty world, no background, no colour key, no camera left behind, and
    // the sunset on the screen.
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(TestRenderer().background, nullptr);
    EXPECT_EQ(TestRenderer().colorKey, 0xFFFFFFFFu);
    EXPECT_EQ(world.camera, nullptr);
    EXPECT_EQ(video.screen1->Pixels()[100], bmp::Pack565({250, 120, 20}));
    EXPECT_EQ(Pixels(video.screen1), Pixels(video.screen2));
}

}  // namespace
