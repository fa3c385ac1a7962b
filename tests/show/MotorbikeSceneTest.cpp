// The motorbike scene on the generated content: the bikes set off as the camera's parameter in
// its first segment passes 0.1 (the first) and 0.4 (the pair), go from key to key starting each
// segment afresh, stop on the track's last key, never ride inside each other; the same passes
// at any frame rate; the world, the additive list and the camera left clean.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// Load order: the hall's 23 objects, then the three bikes of six parts each.
constexpr int kFirstBike = 23, kBikeParts = 6;
constexpr double kBikeStep = 0.012;

struct Watch {
    std::vector<double> cameraZ;
    std::vector<std::array<double, 3>> bike[3];
    void Pass() {
        cameraZ.push_back(world.camera->position[2]);
        for (int b = 0; b < 3; ++b) {
            const Object3D* o = world.GetObject(kFirstBike + b * kBikeParts);
            bike[b].push_back({o->position[0], o->position[1], o->position[2]});
        }
    }
    int Passes() const { return static_cast<int>(cameraZ.size()); }
    // The first pass in which bike b is no longer where it stood at the start.
    int SetOff(int b) const {
        for (int p = 0; p < Passes(); ++p)
            if (bike[b][p] != bike[b][0]) return p;
        return -1;
    }
};

double Gap(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::hypot(a[0] - b[0], a[2] - b[2]);
}

class MotorbikeSceneTest : public SceneTest {
protected:
    Watch Run(long ms) {
        frameMs = ms;
        Watch watch;
        TheStage().endOfPass = [&] { watch.Pass(); };
        video.noVideo = 1;  // no display: the closing fade has nothing to fade
        MotorbikeScene();
        video.noVideo = 0;
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
        return watch;
    }
};

TEST_F(MotorbikeSceneTest, BikesSetOffWithTheCameraRideTheirTrackAndStopOnItsLastKey) {
    LoadPaths("scene11.txt", 1);
    const Path ride = PathTable[0];
    LoadPaths("scene11moto.txt", 1);
    const Path track = PathTable[0];
    ASSERT_GE(ride.keyCount, 2);
    ASSERT_GE(track.keyCount, 3);
    const int segments = track.keyCount - 1;

    const Watch fast = Run(5);
    // The camera's t in its first segment, from its z (the first segment moves along z).
    auto cameraT = [&](int p) { return (fast.cameraZ[p] - ride.keys[0].z) / (ride.keys[1].z - ride.keys[0].z); };
    const int first = fast.SetOff(0), pair = fast.SetOff(1);
    ASSERT_GT(first, 0);
    EXPECT_GT(cameraT(first), 0.1);
    EXPECT_LE(cameraT(first - 1), 0.1);
    ASSERT_GT(pair, first);
    EXPECT_EQ(fast.SetOff(2), pair) << "the pair share one parameter";
    EXPECT_GT(cameraT(pair), 0.4);
    EXPECT_LE(cameraT(pair - 1), 0.4);

    // The first bike (on the track itself) stands exactly on each key in turn as its segment
    // starts afresh, about 1 / 0.012 passes apart; from the last key it moves no more along
    // the floor (the lift only lowers it).
    const int perSegment = static_cast<int>(std::ceil(1 / kBikeStep));
    int key = 1, last = first - 1;
    for (int p = first; p < fast.Passes() && key < track.keyCount; ++p) {
        const PathKey& k = track.keys[key];
        if (fast.bike[0][p] == std::array<double, 3>{k.x, k.y, k.z}) {
            EXPECT_NEAR(p - last, perSegment, 1) << "key " << key;
            last = p;
            ++key;
        }
    }
    EXPECT_EQ(key, track.keyCount) << "every key reached in order";
    const PathKey& end = track.keys[segments];
    for (int p = last; p < fast.Passes(); ++p) {
        EXPECT_EQ(fast.bike[0][p][0], end.x);
        EXPECT_EQ(fast.bike[0][p][2], end.z);
    }
    EXPECT_GT(fast.bike[0].back()[1], end.y + 1000) << "taken down by the lift";

    // Once riding, the pair keep apart from each other and from the first bike.
    for (int p = pair; p < fast.Passes(); ++p) {
        EXPECT_GT(Gap(fast.bike[1][p], fast.bike[2][p]), 100) << "pass " << p;
        EXPECT_GT(Gap(fast.bike[0][p], fast.bike[1][p]), 60) << "pass " << p;
        EXPECT_GT(Gap(fast.bike[0][p], fast.bike[2][p]), 60) << "pass " << p;
    }

    // A slow machine skips frames but plays the same passes.
    const Watch slow = Run(150);
    EXPECT_EQ(slow.Passes(), fast.Passes());
    EXPECT_EQ(slow.SetOff(0), first);
    EXPECT_EQ(slow.SetOff(1), pair);
    EXPECT_EQ(slow.bike[2], fast.bike[2]);
}

}  // namespace
