// The missile scene on the generated content: the salvo flies until its first missile is
// within 150 of the pedestal, the letters then join the burst at their counts, and the scene
// ends on the first sync since it began (at once if one came early), or on the cue guard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// World indices of the loads: thirty missiles, three ships, mountains, six suns, then the
// logo's letters "1" to "13", its frame and its pedestal.
constexpr int kFirstPart = 40, kParts = 13, kSocle = 54, kObjects = 55, kSuns = 6;
constexpr double kJoinCounts[kParts] = {0, 4, 6, 8, 13, 18, 21, 23, 24, 26, 27, 30, 31};
constexpr double kLastSunEnds = 52;

struct Watch {
    int passes = 0;
    int maxObjects = 0, maxAdditive = 0;
    int launchedAt = 0;  // first pass with the missiles out
    int nearAt = 0;      // first pass with the first missile within 150 of the pedestal in z
    int joinedAt[kParts] = {};

    void Pass() {
        ++passes;
        maxObjects = std::max(maxObjects, world.GetObjectCount());
        maxAdditive = std::max(maxAdditive, world.additiveCount);
        const Object3D* missile = world.GetObject(0);
        if (missile->visible && !launchedAt) launchedAt = passes;
        if (missile->visible && !nearAt && world.GetObject(kSocle)->position[2] - missile->position[2] <= 150)
            nearAt = passes;
        for (int i = 0; i < kParts; ++i)
            if (!joinedAt[i] && world.GetObject(kFirstPart + i)->exploding) joinedAt[i] = passes;
    }
};

void ExpectLeftEmpty(const Watch& watch) {
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
    EXPECT_EQ(world.lights.omniCount, 0) << "the axis lights belong to the sequence";
    EXPECT_EQ(watch.maxObjects, kObjects);
    EXPECT_LE(watch.maxObjects, World::kMaxObjects);
    EXPECT_EQ(watch.maxAdditive, kSuns);
    EXPECT_LE(watch.maxAdditive, World::kMaxAdditive);
}

TEST_F(SceneTest, MissileSceneBurstsAtItsCountsAndWaitsForTheMusicUpToTheGuard) {
    Watch watch;
    TheStage().endOfPass = [&] { watch.Pass(); };
    TheStage().trace = true;
    testing::internal::CaptureStderr();
    MissileScene();
    const std::string trace = testing::internal::GetCapturedStderr();

    ExpectLeftEmpty(watch);
    EXPECT_EQ(watch.passes, Scene::kCueGuardPasses) << "no sync: the guard of the scene's mark ends it";
    ASSERT_GT(watch.launchedAt, 1) << "the ships fly before the salvo";
    ASSERT_GT(watch.nearAt, watch.launchedAt);
    EXPECT_EQ(watch.joinedAt[0], watch.nearAt + 1) << "the burst follows the salvo's last pass";
    // Every letter joins, in order, after as many passes as the counts between them ask.
    const int unit = watch.joinedAt[8] - watch.joinedAt[7];  // counts 23 and 24
    ASSERT_GT(unit, 0);
    for (int i = 1; i < kParts; ++i)
        EXPECT_EQ(watch.joinedAt[i] - watch.joinedAt[i - 1], unit * (kJoinCounts[i] - kJoinCounts[i - 1]))
            << "letter " << i + 1;

    int pass = 0, ready = 0;
    const auto at = trace.find("cue MissileScene end");
    ASSERT_NE(at, std::string::npos) << trace;
    ASSERT_EQ(std::sscanf(trace.c_str() + at, "cue MissileScene end at pass %d ready %d", &pass, &ready), 2);
    EXPECT_EQ(pass, watch.passes);
    EXPECT_EQ(ready, watch.joinedAt[0] + static_cast<int>(unit * kLastSunEnds)) << "when the last sun is done";
}

TEST_F(SceneTest, MissileSceneEndsInTheBurstsFirstPassWhenTheSyncCameEarly) {
    for (int raiseAt : {3, 250}) {
        Watch watch;
        TheStage().endOfPass = [&] { watch.Pass(); };
        int begun = 0;
        syncs = 0;
        renderer.onBeginFrame = [&] {
            now += frameMs;
            if (++begun == raiseAt) ++syncs;
        };
        MissileScene();
        ExpectLeftEmpty(watch);
        ASSERT_GT(watch.nearAt, raiseAt) << "the sync came before the burst";
        EXPECT_EQ(watch.passes, watch.nearAt + 1);
        EXPECT_EQ(watch.joinedAt[0], watch.passes);
        EXPECT_EQ(watch.joinedAt[1], 0) << "no other letter has joined yet";
    }
}

}  // namespace
