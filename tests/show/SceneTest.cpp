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

namespace {

// Runs scenes on the global world with a renderer that only records, in the content folder,
// on a fake clock the test controls.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(SOLMIRE_DATA_DIR);
        World::ResetProcessState();
        world.renderer = nullptr;
        world.SetRenderer(&renderer);
        renderer.onBeginFrame = [this] { now += frameMs; };
        os::SetClockSource([this] { return now; });
        TheStage() = Stage{};
        TheStage().flip = [this] { ++flips; };
        TheStage().syncCount = [this] { return syncs; };
    }
    void TearDown() override {
        TheStage() = Stage{};
        os::SetClockSource({});
        world.Clear();
        world.renderer = nullptr;
        World::ResetProcessState();
        std::filesystem::current_path(previousDir);
    }

    std::filesystem::path previousDir;
    RecordingRenderer renderer;
    long now = 0;
    long frameMs = 5;
    int flips = 0;
    int syncs = 0;
};

struct TunnelRun {
    int passes = 0;
    double lastZ = 0;
};

TunnelRun RunTunnel() {
    TunnelRun run;
    TheStage().endOfPass = [&run] {
        ++run.passes;
        run.lastZ = world.GetObject(4)->position[2];
    };
    CockpitTunnelScene();
    return run;
}

TEST_F(SceneTest, CockpitTunnelRunsTheSamePassesAtAnyFrameRate) {
    frameMs = 5;  // fast machine: every pass draws
    const TunnelRun fast = RunTunnel();
    EXPECT_EQ(fast.passes, 333);
    EXPECT_DOUBLE_EQ(fast.lastZ, -15028.75);
    EXPECT_EQ(flips, 333);
    EXPECT_EQ(world.GetObjectCount(), 0);  // the scene leaves the world empty
    EXPECT_EQ(world.lights.haloCount, 0);

    flips = 0;
    frameMs = 120;  // slow machine: frames are dropped, passes are not
    const TunnelRun slow = RunTunnel();
    EXPECT_EQ(slow.passes, 333);
    EXPECT_DOUBLE_EQ(slow.lastZ, -15028.75);
    EXPECT_LT(flips, 333 / 2);
    EXPECT_GT(flips, 0);
}

TEST_F(SceneTest, SyncMarksEndInTheFirstPassAfterTheMusicMoves) {
    Scene scene("Marks");
    scene.Mark();
    EXPECT_FALSE(scene.SyncSinceMark());
    syncs = 1;  // a sync before the phase's first test still ends it at once
    EXPECT_TRUE(scene.SyncSinceMark());
    scene.Mark();
    EXPECT_FALSE(scene.SyncSinceMark());
    // No music at all: the counter reads 0 and never moves, until the guard lets the phase go.
    TheStage().syncCount = nullptr;
    scene.Mark();
    EXPECT_FALSE(scene.SyncSinceMark());
    for (int i = 0; i < Scene::kCueGuardPasses - 1; ++i) scene.Pass();
    EXPECT_FALSE(scene.SyncSinceMark());
    scene.Pass();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(scene.SyncSinceMark());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no music cue"), std::string::npos);
}

TEST_F(SceneTest, BusyWaitsEndOnTheSyncOrGiveUp) {
    Scene scene("Wait");
    int idles = 0;
    TheStage().idle = [&] {
        if (++idles == 3) ++syncs;
    };
    scene.Mark();
    EXPECT_TRUE(scene.WaitForSync(10.0));
    EXPECT_EQ(idles, 3);

    // A module with no more sync commands: the wait ends after its limit, measured on the
    // engine clock, instead of hanging.
    idles = 0;
    TheStage().idle = [&] {
        ++idles;
        now += 100;
    };
    scene.Mark();
    EXPECT_FALSE(scene.WaitForSync(2.0));
    EXPECT_EQ(idles, 20);
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
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    video.windowProc = [](os::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        return app.WindowProc(w, m, wp, lp);
    };
    app.onShutdown = [] { std::fprintf(stderr, "music closed\n"); };
    app.Init(0, nullptr);
    if (video.hwnd == 0) std::exit(90);
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
