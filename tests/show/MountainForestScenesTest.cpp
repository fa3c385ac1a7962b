// The mountain pass and the forest flight on the generated content: how long they run, when
// each ship shows, and what they leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/Paths.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

using MountainForestScenesTest = SceneTest;

void ExpectEmptyWorld() {
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(world.camera, nullptr);
}

// Counted passes, not time: a slow machine sees the same flight. Each ship waits hidden at key
// 0, sets off once the one before is half way (its depth tells how far), flies 200 passes and
// is hidden again; the scene ends on the last ship's last move.
TEST_F(MountainForestScenesTest, TheShipsCrossThePassInTurnIn596PassesAtAnyFrameRate) {
    for (long ms : {5L, 120L}) {
        frameMs = ms;
        std::vector<bool> shown[5];
        std::vector<double> depth[5];
        TheStage().endOfPass = [&] {
            for (int i = 0; i < 5; ++i) {
                shown[i].push_back(world.GetObject(i)->visible != 0);
                depth[i].push_back(world.GetObject(i)->position[2]);
            }
        };
        MountainPassScene();
        ASSERT_EQ(shown[0].size(), 596u) << "at " << ms << " ms a frame";
        ExpectEmptyWorld();
        for (int i = 0, previousStart = -1; i < 5; ++i) {
            const PathKey &a = PathTable[i].keys[0], &b = PathTable[i].keys[1];
            int start = 0, end;
            for (; start < 596 && !shown[i][start]; ++start) ASSERT_EQ(depth[i][start], a.z) << "ship " << i << " waits";
            ASSERT_LT(start, 596) << "ship " << i << " never flies";
            for (end = start; end < 596 && shown[i][end]; ++end) {}
            for (int p = end; p < 596; ++p) ASSERT_FALSE(shown[i][p]) << "ship " << i << " done, pass " << p + 1;
            EXPECT_NEAR(end - start, 200, 1) << "ship " << i;
            EXPECT_GT(start, previousStart);
            if (i > 0) {
                const PathKey &pa = PathTable[i - 1].keys[0], &pb = PathTable[i - 1].keys[1];
                ASSERT_NE(pa.z, pb.z);
                EXPECT_NEAR((depth[i - 1][start] - pa.z) / (pb.z - pa.z), 0.5, 0.0051) << "ship " << i;
            }
            EXPECT_NEAR(depth[i][end - 1], b.z, std::abs(b.z - a.z) * 0.006) << "ship " << i << " reaches key 1";
            previousStart = start;
        }
        EXPECT_EQ(shown[0][0], true);
        EXPECT_EQ(shown[4].back(), true);
    }
}

// 50 passes a segment of the ys21's path, each ship at its own key k as segment k begins.
TEST_F(MountainForestScenesTest, TheForestFlightWalksEverySegmentIn50Passes) {
    std::vector<double> ysX, xwingY;
    TheStage().endOfPass = [&] {
        ysX.push_back(world.GetObject(1)->position[0]);
        xwingY.push_back(world.GetObject(0)->position[1]);
    };
    ForestFlightScene();
    ExpectEmptyWorld();
    const int keys = PathTable[0].keyCount;
    ASSERT_GE(keys, 2);
    ASSERT_EQ(static_cast<int>(ysX.size()), (keys - 1) * 50);
    for (int k = 0; k + 1 < keys; ++k) {
        EXPECT_EQ(ysX[k * 50], PathTable[0].keys[k].x) << "segment " << k;
        EXPECT_EQ(xwingY[k * 50], PathTable[1].keys[k].y) << "segment " << k;
    }
}

}  // namespace
