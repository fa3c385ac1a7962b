// Scenes on the generated content with a recording renderer and a fake clock: passes at any
// frame rate, music cues and their guards, missing content, Escape during a wait.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/Show.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "platform/os/Clock.h"
#include "support/PushKey.h"
#include "support/RecordingRenderer.h"
#include "show/SceneFixture.h"

namespace {

// The cockpit scene on a fast machine (every pass drawn) and a slow one (frames dropped): the
// same passes and the same end, the world left empty.
TEST_F(SceneTest, CockpitTunnelRunsTheSamePassesAtAnyFrameRateAndLeavesTheWorldEmpty) {
    int passes[2] = {}, shown[2] = {};
    double lastZ[2] = {};
    for (int run = 0; run < 2; ++run) {
        frameMs = run == 0 ? 5 : 120;
        flips = 0;
        TheStage().endOfPass = [&] {
            ++passes[run];
            lastZ[run] = world.GetObject(4)->position[2];
        };
        CockpitTunnelScene();
        shown[run] = flips;
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.lights.haloCount, 0);
    }
    EXPECT_GT(passes[0], 100);
    EXPECT_EQ(passes[1], passes[0]);
    EXPECT_EQ(lastZ[1], lastZ[0]);
    EXPECT_LT(lastZ[0], -10000) << "the tunnel slides back past the camera";
    EXPECT_EQ(shown[0], passes[0]);
    EXPECT_GT(shown[1], 0);
    EXPECT_LT(shown[1], passes[1] / 2);
}

// A phase waiting for the music ends in the first pass after the counter moves, or, with no
// music at all, once the guard runs out; a wait that draws nothing ends on the sync or gives up
// after its limit on the engine clock.
TEST_F(SceneTest, CuesEndOnTheFirstSyncAfterTheMarkOrGiveUp) {
    Scene scene("Cues");
    scene.Mark();
    EXPECT_FALSE(scene.SyncSinceMark());
    syncs = 1;  // a sync before the phase's first test still ends it at once
    EXPECT_TRUE(scene.SyncSinceMark());
    scene.Mark();
    EXPECT_FALSE(scene.SyncSinceMark());

    int idles = 0;
    TheStage().idle = [&] {
        if (++idles == 3) ++syncs;
    };
    EXPECT_TRUE(scene.WaitForSync(10.0));
    EXPECT_EQ(idles, 3);
    idles = 0;
    TheStage().idle = [&] {
        ++idles;
        now += 100;
    };
    scene.Mark();
    EXPECT_FALSE(scene.WaitForSync(2.0));
    EXPECT_EQ(idles, 20);

    TheStage().syncCount = nullptr;  // no music: the counter reads 0 and never moves
    scene.Mark();
    for (int i = 0; i < Scene::kCueGuardPasses - 1; ++i) scene.Pass();
    EXPECT_FALSE(scene.SyncSinceMark());
    scene.Pass();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(scene.SyncSinceMark());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no music cue"), std::string::npos);
}

using SceneDeathTest = SceneTest;

TEST_F(SceneDeathTest, MissingContentIsReportedByName) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto empty = std::filesystem::path(::testing::TempDir()) / ("no_content_" + std::to_string(getpid()));
    std::filesystem::create_directories(empty);
    std::filesystem::current_path(empty);
    EXPECT_EXIT(CockpitTunnelScene(), testing::ExitedWithCode(25), "V3D Error: Missing model file : cockpit.3ds");

    std::filesystem::current_path(SOLMIRE_DATA_DIR);
    Scene scene("Lookup");
    scene.Load("tunnel.ase");
    EXPECT_EXIT(scene.Find("vitre"), testing::ExitedWithCode(25), "V3D Error: Missing object : vitre");
    EXPECT_EXIT(scene.At(7), testing::ExitedWithCode(25), "Missing object number 7");
}

// A wait that draws nothing still hears Escape: the real-play idle pumps the shell's messages.
void WaitThroughEscape() {
    StartTheShellOnTheDummyDriver();
    PushKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    TheStage().idle = RealPlayIdle;
    TheStage().syncCount = [] { return 0; };  // the music never cues
    Scene scene("Greetings");
    scene.Mark();
    os::SetClockSource({});
    scene.WaitForSync(5.0);
    std::exit(91);  // the wait gave up: Escape was not heard
}

TEST_F(SceneDeathTest, EscapeDuringAWaitEndsTheProgramWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(WaitThroughEscape(), testing::ExitedWithCode(0), "music closed");
}

}  // namespace
