// The space battle on the generated content: it ends by its own motion after the same passes
// at any frame rate; the fighters show in threes during the waves and all six in the fly-out,
// each of them drawn in both; the glows stay on the hull; the world is left empty.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// World indices of the loads: hull and glows, station, nebula, galaxy, then the six fighters.
constexpr int kHull = 0, kGlows[2] = {1, 2}, kFirstFighter = 6, kFighters = 6;

struct Watch {
    int passes = 0;
    int wavePasses = 0, flyOutPasses = 0, otherCounts = 0;
    bool drawnInWaves[kFighters] = {}, drawnInFlyOut[kFighters] = {};
    bool glowsOnHull = true;
    double firstHullZ = 0, lastHullZ = 0;

    void Pass() {
        Object3D* hull = world.GetObject(kHull);
        if (passes++ == 0) firstHullZ = hull->position[2];
        lastHullZ = hull->position[2];
        for (int g : kGlows) {
            const Object3D* glow = world.GetObject(g);
            glowsOnHull = glowsOnHull && std::equal(hull->position, hull->position + 3, glow->position) &&
                          std::equal(hull->angles, hull->angles + 3, glow->angles);
        }
        int shown = 0;
        for (int i = 0; i < kFighters; ++i) shown += world.GetObject(kFirstFighter + i)->visible;
        if (shown == 3) ++wavePasses;
        else if (shown == kFighters) ++flyOutPasses;
        else if (shown != 0) ++otherCounts;
        for (int i = 0; i < kFighters; ++i) {
            const Object3D* f = world.GetObject(kFirstFighter + i);
            if (!f->visible || !f->inView) continue;
            (shown == 3 ? drawnInWaves : drawnInFlyOut)[i] = true;
        }
    }
};

TEST_F(SceneTest, SpaceBattleEndsByItselfWithEveryFighterDrawnAndTheWorldEmpty) {
    int passes[2] = {}, shown[2] = {};
    for (int run = 0; run < 2; ++run) {
        frameMs = run == 0 ? 5 : 120;
        flips = 0;
        Watch watch;
        TheStage().endOfPass = [&] { watch.Pass(); };
        SpaceBattleScene();
        passes[run] = watch.passes;
        shown[run] = flips;
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
        EXPECT_EQ(world.lights.omniCount, 0) << "the axis lights belong to the sequence";
        EXPECT_TRUE(watch.glowsOnHull);
        EXPECT_EQ(watch.firstHullZ, -10000 + 200) << "the ship's first step";
        EXPECT_GT(watch.lastHullZ, -1600) << "it came forward and braked";
        if (run == 1) continue;  // with frames dropped, a fighter may be drawn only in passes skipped
        // Two waves of at least 200 passes (two of their three steps are 0.005) and a fly-out
        // of 450 (0.1 to 1 by 0.002).
        EXPECT_GE(watch.wavePasses, 400);
        EXPECT_GE(watch.flyOutPasses, 450);
        EXPECT_EQ(watch.otherCounts, 0) << "fighters show by waves of three, then all six";
        for (int i = 0; i < kFighters; ++i) {
            EXPECT_TRUE(watch.drawnInWaves[i]) << "fighter " << i << " in the waves";
            EXPECT_TRUE(watch.drawnInFlyOut[i]) << "fighter " << i << " in the fly-out";
        }
    }
    EXPECT_EQ(passes[1], passes[0]);
    // 43 passes of approach and 63 of braking come before the waves and the fly-out.
    EXPECT_GE(passes[0], 106 + 400 + 450);
    EXPECT_LE(passes[0], 106 + 400 + 460);
    EXPECT_EQ(shown[0], passes[0]);
    EXPECT_LT(shown[1], passes[1] / 2);
}

}  // namespace
