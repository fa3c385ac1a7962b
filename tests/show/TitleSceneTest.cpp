// The title scene: its rock field's draws and respawns, phases that end on their own measure
// before the music may end them, and what the scene leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "app/scenes/TitleScene.h"
#include "engine/world/Object3D.h"
#include "engine/world/Random.h"
#include "show/SceneFixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool In(double v, double lo, double hi) { return v >= lo && v <= hi; }

// The respawn table as ranges of x, y, z, then of the velocity, per side.
constexpr double kSides[5][6][2] = {
    {{-2000, -2000}, {-999, 1000}, {2000, 2799}, {10, 29}, {-4, 5}, {-4, 5}},     // left
    {{2000, 2000}, {-999, 1000}, {2000, 2799}, {-29, -10}, {-4, 5}, {-4, 5}},     // right
    {{-1499, 1500}, {1500, 1500}, {2000, 2799}, {-4, 5}, {-29, -10}, {-4, 5}},    // top
    {{-1499, 1500}, {-1500, -1500}, {2000, 2799}, {-4, 5}, {10, 29}, {-4, 5}},    // bottom
    {{-1499, 1500}, {-999, 1000}, {12000, 12000}, {-4, 5}, {-4, 5}, {-29, -10}},  // far
};

// The side whose ranges hold the rock's start and velocity, or -1.
int SideOf(const double* p, const int* v) {
    for (int s = 0; s < 5; ++s) {
        bool all = true;
        for (int k = 0; k < 6; ++k) all = all && In(k < 3 ? p[k] : v[k - 3], kSides[s][k][0], kSides[s][k][1]);
        if (all) return s;
    }
    return -1;
}

TEST(TitleRocks, RespawnsComeFromAllFiveSidesWithinTheirRangesInAFixedOrderOfDraws) {
    Object3D object;
    TitleRock rock;
    rock.object = &object;
    Random::Seed(1998);
    int sides[5] = {}, bad = 0;
    for (int n = 0; n < 5000; ++n) {
        RespawnTitleRock(rock);
        const int side = SideOf(object.position, rock.velocity);
        const bool spinOk = In(rock.spin[0], 0, 0.1) && rock.spin[1] == 0 && rock.spin[2] == 0;
        ++(side >= 0 && spinOk ? sides[side] : bad);
    }
    EXPECT_EQ(bad, 0);
    for (int s = 0; s < 5; ++s) EXPECT_GT(sides[s], 700) << "side " << s;

    // Seven draws per respawn on every side, the spin first: a seed gives one field.
    for (unsigned seed = 0; seed < 40; ++seed) {
        Random::Seed(seed);
        RespawnTitleRock(rock);
        const int after = Random::Next();
        Random::Seed(seed);
        EXPECT_DOUBLE_EQ(rock.spin[0], Random::Next() / 327670.0);
        for (int i = 0; i < 6; ++i) Random::Next();
        EXPECT_EQ(Random::Next(), after) << "seed " << seed;
    }
}

// A rock the last frame found out of view is thrown in again and moves in the same pass; one in
// view keeps its course.
TEST(TitleRocks, ARockOutOfViewIsRespawnedInTheSamePass) {
    Object3D inside, outside, reference;
    TitleRock rocks[2] = {{&inside, {0.05, 0, 0}, {7, 0, -12}}, {&outside, {}, {}}};
    inside.inView = 1;
    Random::Seed(77);
    MoveTitleRocks(rocks, 2);
    EXPECT_EQ(inside.position[0], 7);
    EXPECT_EQ(inside.position[2], -12);
    EXPECT_DOUBLE_EQ(inside.angles[0], 0.05);

    TitleRock expected{&reference, {}, {}};
    Random::Seed(77);
    RespawnTitleRock(expected);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(outside.position[k], reference.position[k] + expected.velocity[k]);
    EXPECT_DOUBLE_EQ(outside.angles[0], expected.spin[0]);
}

struct CueLine {
    std::string phase;
    int pass, ready;
};

std::vector<CueLine> CueLines(const std::string& trace) {
    std::vector<CueLine> cues;
    std::istringstream in(trace);
    char phase[32];
    int pass = 0, ready = 0;
    for (std::string line; std::getline(in, line);)
        if (std::sscanf(line.c_str(), "cue TitleScene %31s at pass %d ready %d", phase, &pass, &ready) == 3)
            cues.push_back({phase, pass, ready});
    return cues;
}

// With the music cueing in every frame, the phases still run their own course: the emblem stops
// as soon as it has turned past 7 pi, the words turn for 300 passes, and no cue is reported
// before its phase was ready. The scene takes away all it brought.
TEST_F(SceneTest, TitlePhasesRunTheirCourseAndTheSceneLeavesNothingBehind) {
    renderer.onBeginFrame = [this] {
        now += frameMs;
        ++syncs;
    };
    double logoTurn = 0, lastOfTurn = 0;
    int ofTurning = 0;
    TheStage().endOfPass = [&] {
        logoTurn = std::max(logoTurn, world.GetObject(0)->angles[0]);
        const double ofTurn = world.FindObject("of")->angles[1];
        if (ofTurn != lastOfTurn) ++ofTurning;
        lastOfTurn = ofTurn;
    };
    TheStage().trace = true;
    video.noVideo = 1;  // no display: the closing fade has nothing to fade
    testing::internal::CaptureStderr();
    TitleScene();
    video.noVideo = 0;
    const std::vector<CueLine> cues = CueLines(testing::internal::GetCapturedStderr());

    EXPECT_GT(logoTurn, 7 * kPi);
    EXPECT_LE(logoTurn, 7 * kPi + 0.1 + 1e-9);
    EXPECT_GE(ofTurning, 300);
    EXPECT_LT(ofTurning, 305);
    ASSERT_EQ(cues.size(), 5u);
    const char* const phases[5] = {"a", "c", "d", "f", "h"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cues[i].phase, phases[i]);
        EXPECT_TRUE(i == 0 || cues[i].pass >= cues[i].ready) << phases[i] << " cued before it was ready";
    }

    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(world.lights.omniCount, 0);
    EXPECT_EQ(world.lights.haloCount, 0);
    EXPECT_EQ(world.camera, nullptr);
    EXPECT_EQ(titleCamera.GetTargetObject(), nullptr) << "the camera still aims at a freed word";
}

}  // namespace
