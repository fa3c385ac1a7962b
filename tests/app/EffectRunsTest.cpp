// The picture effects as the show runs them: through the display, the glide layer's front
// buffer, the world's renderer and the scene passes, with a fake music counter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
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
    }

    static void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        modelfiles::WriteFile(name, std::string(bytes.begin(), bytes.end()));
    }
    static std::vector<std::uint16_t> Pixels(const Surface* s) { return {s->Pixels(), s->Pixels() + s->PixelCount()}; }

    int passes = 0;
    int syncAtPass = 1 << 30;
    std::filesystem::path dir, oldDirectory;
};

// The fade runs until a pass finds nothing to change, over Screen1 as the background, and
// ends exactly on its target; the caller's camera comes back.
TEST_F(EffectRun, FadeToBlackAndToAPicture) {
    Camera sceneCamera;
    world.SetCamera(&sceneCamera);
    grBufferClear(0, 0, 0xFFFF);  // what the 3D card shows: the front buffer black
    grBufferSwap(0);
    FadeToPicture(nullptr);
    EXPECT_EQ(passes, 1);

    passes = 0;
    grBufferClear(0xFFFFFF, 0, 0xFFFF);  // from white
    grBufferSwap(0);
    Write("target.bmp", bmp::Bmp24(8, 6, [](int x, int y) {
              return bmp::Rgb{static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(130 + y * 20), 200};
          }));
    FadeToPicture("target.bmp");
    EXPECT_EQ(passes, 32);  // one step of 31 a pass (red's white to 0), and the pass that finds nothing
    EXPECT_EQ(video.screen2->Pixels()[0], bmp::Pack565({0, 130, 200}));
    EXPECT_EQ(Pixels(video.screen1), Pixels(video.screen2));
    for (Surface* background : TestRenderer().frames) EXPECT_EQ(background, video.screen1);
    EXPECT_EQ(world.camera, &sceneCamera);
    EXPECT_EQ(TestRenderer().background, nullptr);
    world.SetCamera(nullptr);
}

// The light's entry runs whole however early the music moves on; the sweep after it ends in
// the first pass after a sync. The light falls on the relief band only.
TEST_F(EffectRun, LighthouseEntryRunsWholeThenTheSweepEndsOnTheSync) {
    std::vector<bmp::Rgb> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    Write("pevin8.bmp", bmp::Bmp8(640, 200, grey, [](int x, int y) { return static_cast<std::uint8_t>((x * 3 + y * 5) % 40); }));
    Write("phare.bmp", bmp::Bmp8(64, 64, grey, [](int x, int y) { return static_cast<std::uint8_t>(x > 16 && y > 16 ? 1 : 0); }));
    Write("pevin.bmp", bmp::Bmp24(16, 12, [](int x, int) { return bmp::Rgb{static_cast<std::uint8_t>(x * 8), 40, 60}; }));

    syncAtPass = 1;
    LighthouseEffect();
    const int entry = passes;
    EXPECT_GT(entry, 1);
    EXPECT_EQ(world.camera, &effectCamera);
    EXPECT_EQ(TestRenderer().background, nullptr);
    ASSERT_FALSE(TestRenderer().frames.empty());
    for (Surface* background : TestRenderer().frames) EXPECT_EQ(background, video.screen1);

    passes = 0;
    syncAtPass = entry + 20;
    LighthouseEffect();
    EXPECT_EQ(passes, entry + 20);

    const std::uint16_t* lit = video.screen1->Pixels();
    const std::uint16_t* picture = video.screen2->Pixels();
    int brighter = 0, outside = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool band = y >= 1 && y <= BumpState::kReliefRows - 2 && x >= 1 && x <= BumpState::kLastColumn;
            (band ? brighter : outside) += lit[y * 640 + x] != picture[y * 640 + x];
        }
    EXPECT_GT(brighter, 1000);
    EXPECT_EQ(outside, 0);
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
        double pigeonX, pigeonTurn;
        int pigeonTexture, fountainTexture;
        unsigned colorKey;
        std::uint16_t inFrontOfThePond;
    };
    std::vector<Park> park;
    int swellPasses = 0;
    double lastCloudX = 0;
    TheStage().syncCount = [&] { return park.size() >= 450 ? 1 : 0; };
    TheStage().endOfPass = [&] {
        if (world.GetObjectCount() != 4 || !world.GetObject(2)->visible) return;  // a fade
        const Object3D* pigeon = world.GetObject(1);
        const Object3D* cloud = world.GetObject(2);
        if (cloud->position[0] == lastCloudX) {
            ++swellPasses;  // only the card moves now
            return;
        }
        lastCloudX = cloud->position[0];
        park.push_back({pigeon->position[0], pigeon->angles[2], pigeon->faces[0]->texture,
                        world.GetObject(3)->faces[0]->texture, TestRenderer().colorKey,
                        video.screen1->Pixels()[420 * 640 + 420]});
    };
    FountainScene();

    // The park runs until the first pass after the sync.
    ASSERT_EQ(park.size(), 450u);
    EXPECT_GT(swellPasses, 3);
    EXPECT_EQ(park[0].colorKey, 0u);
    EXPECT_EQ(park[0].inFrontOfThePond, bmp::Pack565({255, 0, 0}));

    // The pigeon flies to and fro across the view, turning at mirrored places, facing the way
    // it flies next.
    std::vector<double> turns;
    for (std::size_t i = 1; i + 1 < park.size(); ++i) {
        const double step = park[i + 1].pigeonX - park[i].pigeonX;
        if ((step > 0) != (park[i].pigeonX > park[i - 1].pigeonX)) turns.push_back(park[i].pigeonX);
        EXPECT_NEAR(park[i].pigeonTurn, step > 0 ? 0 : 3.14159265, 1e-6) << i;
    }
    ASSERT_GE(turns.size(), 2u);
    for (std::size_t k = 1; k < turns.size(); ++k) EXPECT_EQ(turns[k], -turns[k - 1]);

    // Within any 20 passes the spray shows all four of its pictures and the wings both theirs.
    auto handle = [](const char* name) {
        const auto& names = TestRenderer().loadedTextures;
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin()) + 1;
    };
    const std::set<int> allSpray = {handle("fontaine1"), handle("fontaine2"), handle("fontaine3"), handle("fontaine4")},
                        allWings = {handle("pigeon1"), handle("pigeon2")};
    for (std::size_t from = 0; from + 20 <= park.size(); from += 10) {
        std::set<int> spray, wings;
        for (std::size_t i = from; i < from + 20; ++i) spray.insert(park[i].fountainTexture), wings.insert(park[i].pigeonTexture);
        EXPECT_EQ(std::make_pair(spray, wings), std::make_pair(allSpray, allWings)) << from;
    }

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
