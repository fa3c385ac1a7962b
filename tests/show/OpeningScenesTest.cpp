// The mothership ring and the fleet launch on the generated content: when their music cues
// let them move on, and what they leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// Remembers the far distance and the background the scenes hand to the renderer.
struct StateRenderer : RecordingRenderer {
    int farZ = 10000;
    Surface* background = nullptr;
    int GetFarZ() override { return farZ; }
    void SetFarZ(int z) override { farZ = z; }
    void SetBackground(Surface* picture) override { background = picture; }
};

class OpeningScenesTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        World::ResetProcessState();
        world.renderer = nullptr;
        world.SetRenderer(&state);
        state.onBeginFrame = [this] { now += frameMs; };
        savedScreen = video.screen1;
        video.screen1 = video.CreateSurface(640, 480, nullptr);  // the sky's background
        ASSERT_NE(video.screen1, nullptr);
    }
    void TearDown() override {
        video.screen1 = savedScreen;
        SceneTest::TearDown();
    }
    void ExpectEmptyWorld() {
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.camera, nullptr);
    }
    StateRenderer state;
    Surface* savedScreen = nullptr;
};

// The three rushes take 50 passes; the ship then waits for a sync counted from the scene's
// start (one before the scene does not count, one during the rushes does) and, once going,
// flies on to the end without another. Lights, background and far distance are given back.
TEST_F(OpeningScenesTest, TheMothershipWaitsForASyncSinceTheSceneBeganThenFliesOnByItself) {
    syncs = 4;  // cues heard before the scene
    for (int syncAfter : {120, 10}) {
        std::vector<double> z;
        int omnis = 0;
        TheStage().endOfPass = [&] {
            z.push_back(world.GetObject(0)->position[2]);
            omnis = world.lights.omniCount * (state.background == video.screen1);
            if (static_cast<int>(z.size()) == syncAfter) ++syncs;
        };
        MothershipRingScene();
        const int firstMove = std::max(syncAfter, 50);
        ASSERT_GT(static_cast<int>(z.size()), firstMove + 10);
        for (int p = 0; p < firstMove; ++p) ASSERT_EQ(z[p], 1700) << "pass " << p + 1;
        for (size_t p = firstMove; p < z.size(); ++p) ASSERT_LT(z[p], z[p - 1]) << "pass " << p + 1;
        EXPECT_LT(z.back(), -1200);
        EXPECT_GE(z[z.size() - 2], -1200) << "the scene ends on the pass the ship gets past";
        EXPECT_EQ(omnis, 2) << "two lights over the sky in the background";
        ExpectEmptyWorld();
        EXPECT_EQ(world.lights.omniCount, 0);
        EXPECT_EQ(state.background, nullptr);
        EXPECT_EQ(state.farZ, 20000);
    }
}

// A sync while the fleet is leaving ends the scene in that pass, the cue ready then; without
// one the lead reaches 2200, and all fly on faster and faster until
// the music moves on.
TEST_F(OpeningScenesTest, TheFleetEndsAtOnceOnASyncDuringTheLaunchOrFliesOnUntilOne) {
    testing::internal::CaptureStderr();
    TheStage().trace = true;
    std::vector<double> leadZ;
    int syncAfter = 30;
    TheStage().endOfPass = [&] {
        leadZ.push_back(world.GetObject(3)->position[2]);
        if (static_cast<int>(leadZ.size()) == syncAfter) ++syncs;
    };
    FleetLaunchScene();
    EXPECT_EQ(leadZ.size(), 30u);
    ExpectEmptyWorld();

    leadZ.clear();
    syncAfter = 400;
    FleetLaunchScene();
    const std::string trace = testing::internal::GetCapturedStderr();
    ASSERT_EQ(leadZ.size(), 400u);
    const int reached = static_cast<int>(std::find_if(leadZ.begin(), leadZ.end(), [](double z) { return z >= 2200; }) -
                                         leadZ.begin());
    EXPECT_NE(trace.find("end at pass 30 ready 30\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("end at pass 400 ready " + std::to_string(reached + 1) + "\n"), std::string::npos) << trace;
    EXPECT_GT(leadZ[399] - leadZ[398], leadZ[reached] - leadZ[reached - 1]);
    ExpectEmptyWorld();
}

}  // namespace
