// The lake on the generated content: the figure holds its waiting pose until the music's
// first sync since the scene began (or Scene's guard), and only then do the sparks (the
// halo) start; its limbs stay on its body in every pass; the rocks' fragments get gravity
// once the burst is over; the world is left empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// The figure's parts in path order and the joint where each meets the body, as the generator
// models them round the hip, in scene units (the scene scales the parts by 0.3).
constexpr const char* kParts[6] = {"tete", "corps", "brasg", "piedg", "brasd", "piedd"};
constexpr double kJoints[6][3] = {{0, -57, 0}, {0, 0, 0}, {21, -52.5, 0}, {9, 0, 0}, {-21, -52.5, 0}, {-9, 0, 0}};
constexpr int kFirstRock = 4, kRocks = 6;
// Each part follows its own path between keys, so a limb's joint drifts from the body's
// matching point; by no more than about the shoulder ball's radius (5.4), or it shows a gap.
constexpr double kJointSlack = 6;

Vector3 Joint(Object3D* part, int i) {
    part->UpdateRotation();
    return Vector3(kJoints[i][0], kJoints[i][1], kJoints[i][2]) * part->rotation + Vector3(part->position[0], part->position[1], part->position[2]);
}

struct Watch {
    int passes = 0;
    int sparksFrom = 0;   // first pass with the halo in the world
    int gravityFrom = 0;  // first pass with a rock's fragments falling
    int stillBeforeSparks = 0;  // passes, before the sparks, in which the figure did not move
    bool gravityOnAll = true;
    double worstGap = 0;
    double lastBody[3] = {0, 0, 0};

    void Pass() {
        ++passes;
        Object3D* parts[6];
        for (int i = 0; i < 6; ++i) parts[i] = world.FindObject(kParts[i]);
        for (int i = 0; i < 6; ++i) {
            if (i == 1) continue;
            const Vector3 gap = Joint(parts[i], i) - Joint(parts[1], i);
            worstGap = std::max(worstGap, std::sqrt(gap.Dot(gap)));
        }
        if (world.lights.haloCount > 0 && sparksFrom == 0) sparksFrom = passes;
        const double* body = parts[1]->position;
        if (sparksFrom == 0 && std::equal(body, body + 3, lastBody)) ++stillBeforeSparks;
        std::copy(body, body + 3, lastBody);
        int falling = 0;
        for (int r = 0; r < kRocks; ++r) {
            const Object3D* rock = world.GetObject(kFirstRock + r);
            falling += rock->gravity == 1 && rock->exploding;
        }
        if (falling > 0 && gravityFrom == 0) gravityFrom = passes;
        if (gravityFrom != 0) gravityOnAll = gravityOnAll && falling == kRocks;
    }
};

class LakeSceneTest : public SceneTest {
protected:
    // Runs the scene with the music's sync counter moving on at pass syncAt (0: never).
    Watch Run(int syncAt) {
        Watch watch;
        flips = 0;
        TheStage().endOfPass = [&] {
            watch.Pass();
            if (watch.passes == syncAt) ++syncs;
        };
        LakeScene();
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.lights.haloCount, 0) << "the sparks' halo is removed";
        EXPECT_EQ(world.lights.omniCount, 0) << "the axis lights belong to the sequence";
        EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
        EXPECT_LT(watch.worstGap, kJointSlack) << "a limb came off the body";
        EXPECT_TRUE(watch.gravityOnAll) << "every rock's fragments fall together";
        EXPECT_EQ(flips, watch.passes);
        return watch;
    }
};

TEST_F(LakeSceneTest, TheFigureWaitsForTheMusicThenSparksAndTheFragmentsFall) {
    // A sync during the walk: segment 5 follows segment 4 at once.
    const Watch early = Run(50);
    // Segments 0 to 4 take 100 passes each; 1 / 0.01 may run to 101 in floating point.
    EXPECT_GE(early.sparksFrom, 500);
    EXPECT_LE(early.sparksFrom, 506);
    EXPECT_LE(early.stillBeforeSparks, 2) << "no hold when the music came during the walk";
    // The burst's segment (about 100 passes) comes before the fall.
    EXPECT_GE(early.gravityFrom, early.sparksFrom + 99);

    // A sync long after the figure stopped: it holds still until the pass after it.
    const int late = early.sparksFrom + 300;
    const Watch held = Run(late);
    EXPECT_EQ(held.sparksFrom, late + 1);
    EXPECT_GE(held.stillBeforeSparks, late - early.sparksFrom);
    EXPECT_EQ(held.passes - early.passes, held.sparksFrom - early.sparksFrom) << "only the hold was added";
    EXPECT_EQ(held.gravityFrom - held.sparksFrom, early.gravityFrom - early.sparksFrom);

    // No sync at all: Scene's guard lets it go on.
    const Watch silent = Run(0);
    EXPECT_GE(silent.sparksFrom, Scene::kCueGuardPasses);
    EXPECT_LE(silent.sparksFrom, Scene::kCueGuardPasses + 2);
    EXPECT_EQ(silent.passes - early.passes, silent.sparksFrom - early.sparksFrom);
}

}  // namespace
