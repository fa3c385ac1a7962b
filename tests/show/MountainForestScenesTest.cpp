// The mountain pass and the forest flight on the generated content: how long they run, when
// each ship shows, and what they leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

struct ShipState {
    bool visible;
    double x, z;
};

class MountainForestScenesTest : public SceneTest {
protected:
    void ExpectEmptyWorld() {
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.camera, nullptr);
    }
};

// The passes are counted, not timed: a slow machine sees the same flight. The ships set off in
// turn, each once the one before is half way, and show only while they fly.
TEST_F(MountainForestScenesTest, TheShipsCrossThePassInTurnIn596PassesAtAnyFrameRate) {
    for (long ms : {5L, 120L}) {
        frameMs = ms;
        std::vector<std::vector<ShipState>> ships(5);
        TheStage().endOfPass = [&] {
            for (int i = 0; i < 5; ++i) {
                const Object3D* s = world.GetObject(i);
                ships[i].push_back({s->visible != 0, s->position[0], s->position[2]});
            }
        };
        MountainPassScene();
        ASSERT_EQ(ships[0].size(), 596u) << "at " << ms << " ms a frame";
        ExpectEmptyWorld();

        int previousStart = -1;
        for (int i = 0; i < 5; ++i) {
            const PathKey& a = PathTable[i].keys[0];
            const PathKey& b = PathTable[i].keys[1];
            ASSERT_NE(a.z, b.z) << "ship " << i << " must travel in depth for this check";
            const auto& s = ships[i];
            int start = 0;
            while (start < 596 && !s[start].visible) {
                EXPECT_EQ(s[start].x, a.x) << "ship " << i << " waits at key 0, pass " << start + 1;
                EXPECT_EQ(s[start].z, a.z) << "ship " << i << " waits at key 0, pass " << start + 1;
                ++start;
            }
            int end = start;
            while (end < 596 && s[end].visible) ++end;
            for (int p = end; p < 596; ++p) ASSERT_FALSE(s[p].visible) << "ship " << i << " is done, pass " << p + 1;
            EXPECT_NEAR(end - start, 200, 1) << "ship " << i << " flies t 0 to 1 by 0.005";
            EXPECT_EQ(s[start].z, a.z) << "ship " << i << " sets off from key 0";
            EXPECT_NEAR(s[end - 1].z, b.z, std::abs(b.z - a.z) * 0.006) << "ship " << i << " ends at key 1";
            if (i == 0) {
                EXPECT_EQ(start, 0) << "the first ship sets off at once";
            } else {
                const PathKey& pa = PathTable[i - 1].keys[0];
                const PathKey& pb = PathTable[i - 1].keys[1];
                const double ahead = (ships[i - 1][start].z - pa.z) / (pb.z - pa.z);
                EXPECT_NEAR(ahead, 0.5, 0.0051) << "ship " << i << " waits for ship " << i - 1 << " half way";
                EXPECT_GT(start, previousStart);
            }
            previousStart = start;
        }
        EXPECT_TRUE(ships[4].back().visible) << "the scene ends with the last ship's last move";
    }
}

// One segment of 50 passes between each pair of keys of the ys21's path, every ship at its
// own key at the start of each segment; the forest turns all the while.
TEST_F(MountainForestScenesTest, TheForestFlightWalksEverySegmentIn50Passes) {
    std::vector<double> ysX, xwingY, floorTurn;
    TheStage().endOfPass = [&] {
        ysX.push_back(world.GetObject(1)->position[0]);
        xwingY.push_back(world.GetObject(0)->position[1]);
        floorTurn.push_back(world.GetObject(2)->angles[2]);
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
    for (size_t p = 1; p < floorTurn.size(); ++p) ASSERT_LT(floorTurn[p], floorTurn[p - 1]) << "pass " << p + 1;
}

}  // namespace
