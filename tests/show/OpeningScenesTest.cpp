// The mothership ring and the fleet launch on the generated content: when their music cues
// let them move on, and what they leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// Remembers the far distance and the background the scenes hand to the renderer.
class StateRenderer : public RecordingRenderer {
public:
    int farZ = 10000;
    Surface* background = nullptr;
    int backgroundsShown = 0;
    int GetFarZ() override { return farZ; }
    void SetFarZ(int z) override { farZ = z; }
    void SetBackground(Surface* picture) override {
        background = picture;
        if (picture) ++backgroundsShown;
    }
};

class OpeningScenesTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        World::ResetProcessState();
        world.renderer = nullptr;
        world.SetRenderer(&state);
        state.onBeginFrame = [this] { now += frameMs; };
        savedScreen1 = video.screen1;
        std::uint16_t* pixels = nullptr;
        video.screen1 = video.CreateSurface(640, 480, &pixels);
        ASSERT_NE(video.screen1, nullptr);
        screen1Pixels = pixels;
    }
    void TearDown() override {
        video.screen1 = savedScreen1;
        SceneTest::TearDown();
    }

    // Runs the ring scene with the sync counter raised after pass syncAfter; the hull's z after
    // each pass.
    std::vector<double> RingHullPath(int syncAfter) {
        std::vector<double> z;
        TheStage().endOfPass = [&] {
            z.push_back(world.GetObject(0)->position[2]);
            if (static_cast<int>(z.size()) == syncAfter) ++syncs;
        };
        MothershipRingScene();
        return z;
    }

    void ExpectEmptyWorld() {
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.camera, nullptr);
    }

    StateRenderer state;
    Surface* savedScreen1 = nullptr;
    std::uint16_t* screen1Pixels = nullptr;
};

// The three rushes take 50 passes; the ship then waits for a sync counted from the scene's
// start (one before the scene does not count, one during the rushes does), and once going
// it flies on to the end without another.
TEST_F(OpeningScenesTest, TheMothershipWaitsForASyncSinceTheSceneBeganThenFliesOnByItself) {
    constexpr int kRushPasses = 20 + 15 + 15;
    syncs = 4;  // cues heard before the scene
    for (int syncAfter : {120, 10}) {
        const std::vector<double> z = RingHullPath(syncAfter);
        const int firstMove = std::max(syncAfter, kRushPasses);
        ASSERT_GT(static_cast<int>(z.size()), firstMove + 10);
        for (int p = 0; p < firstMove; ++p) ASSERT_EQ(z[p], 1700) << "pass " << p + 1;
        for (size_t p = firstMove; p < z.size(); ++p) ASSERT_LT(z[p], z[p - 1]) << "pass " << p + 1;
        EXPECT_LT(z.back(), -1200);
        EXPECT_GE(z[z.size() - 2], -1200) << "the scene ends on the pass the ship gets past";
        EXPECT_LT(static_cast<int>(z.size()), firstMove + 100);
    }
}

// It leaves no object, light, camera or background and restores the far distance; the sky
// was drawn into the background screen.
TEST_F(OpeningScenesTest, TheRingSceneTidiesUpAfterItself) {
    int omnisDuring = 0;
    Surface* backgroundDuring = nullptr;
    TheStage().endOfPass = [&] {
        omnisDuring = world.lights.omniCount;
        backgroundDuring = state.background;
        ++syncs;  // the music is already past the cue: the ship leaves as soon as it is shown
    };
    testing::internal::CaptureStderr();
    TheStage().trace = true;
    MothershipRingScene();
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_EQ(omnisDuring, 2);
    EXPECT_EQ(backgroundDuring, video.screen1);
    EXPECT_NE(trace.find("cue MothershipRingScene ship at pass 50 ready"), std::string::npos) << trace;

    ExpectEmptyWorld();
    EXPECT_EQ(world.lights.omniCount, 0);
    EXPECT_EQ(state.background, nullptr);
    EXPECT_EQ(state.farZ, 20000);
    int lit = 0;
    for (int i = 0; i < 640 * 480; ++i) lit += screen1Pixels[i] != 0;
    EXPECT_GT(lit, 640 * 480 / 2) << "the sky picture was laid over the screen";
}

// A sync while the fleet is leaving ends the scene in that pass, with the cue ready then; without
// one the lead reaches 2200, every follower has left by then, and all fly on faster and
// faster until the music moves on.
TEST_F(OpeningScenesTest, TheFleetEndsAtOnceOnASyncDuringTheLaunchOrFliesOnUntilOne) {
    testing::internal::CaptureStderr();
    TheStage().trace = true;
    int passes = 0;
    TheStage().endOfPass = [&] {
        if (++passes == 30) ++syncs;
    };
    FleetLaunchScene();
    EXPECT_EQ(passes, 30);
    ExpectEmptyWorld();

    passes = 0;
    std::vector<double> leadZ;
    bool allLeft = false;
    TheStage().endOfPass = [&] {
        leadZ.push_back(world.GetObject(3)->position[2]);
        if (leadZ.back() >= 2200 && !allLeft) {
            allLeft = true;
            for (int i = 4; i < 10; ++i) allLeft = allLeft && world.GetObject(i)->position[2] > -300;
        }
        if (++passes == 400) ++syncs;
    };
    FleetLaunchScene();
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_NE(trace.find("cue FleetLaunchScene end at pass 30 ready 30"), std::string::npos) << trace;
    ASSERT_EQ(passes, 400);
    EXPECT_TRUE(allLeft);
    int reached = 0;
    while (leadZ[reached] < 2200) ++reached;
    EXPECT_NE(trace.find("end at pass 400 ready " + std::to_string(reached + 1)), std::string::npos) << trace;
    for (int p = 1; p <= reached; ++p) EXPECT_EQ(leadZ[p] - leadZ[p - 1], 15);
    EXPECT_GT(leadZ[399] - leadZ[398], leadZ[reached + 1] - leadZ[reached]);
    ExpectEmptyWorld();
}

}  // namespace
