// The figure's two scenes on the generated content: the same passes at any frame rate, the leap
// on its arc, the limbs hinged to the body in every pass, the world left empty and the camera
// released.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Matrix3.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

const char* const kParts[6] = {"tete", "corps", "brasg", "piedg", "brasd", "piedd"};

// Every vertex of a limb in the body's own frame, against where it was at rest: a limb on its
// joint keeps one vertex (at the joint) nearly still; one that comes off moves them all.
struct Hinges {
    std::vector<Vector3> rest[6];
    std::vector<double> drift[6];  // per vertex, the largest distance from rest so far

    static Matrix3 Turn(const Object3D* o) {
        Matrix3 m;
        m.FromAngles(o->angles[0], o->angles[1], o->angles[2]);
        return m;
    }
    void Pass() {
        const Object3D* body = world.FindObject("corps");
        const Vector3 at(body->position[0], body->position[1], body->position[2]);
        for (int i : {0, 2, 3, 4, 5}) {
            const Object3D* limb = world.FindObject(kParts[i]);
            for (int v = 0; v < limb->vertexCount; ++v) {
                const Vertex& p = *limb->vertices[v];
                const Vector3 w = Vector3(p.x, p.y, p.z) * Turn(limb).Transposed() +
                                  Vector3(limb->position[0], limb->position[1], limb->position[2]);
                const Vector3 local = (w - at) * Turn(body);
                if (rest[i].size() <= static_cast<size_t>(v)) {
                    rest[i].push_back(local);
                    drift[i].push_back(0);
                }
                const Vector3 d = local - rest[i][v];
                drift[i][v] = std::max(drift[i][v], std::sqrt(d.Dot(d)));
            }
        }
    }
};

void ExpectLeftClean() {
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
}

TEST_F(SceneTest, CharacterSceneWalksAndLeapsInOnePiece) {
    // 20 + 20 passes of the ball, 67 + 67 of the walk, 48 of the speeding run-up, 200 of leap.
    constexpr int kPasses = 40 + 67 + 67 + 48 + 200, kLeap = 200;
    for (long ms : {5L, 120L}) {
        frameMs = ms;
        std::vector<double> bodyY;
        Hinges hinges;
        TheStage().endOfPass = [&] {
            bodyY.push_back(world.FindObject("corps")->position[1]);
            hinges.Pass();
        };
        CharacterScene();
        ExpectLeftClean();
        ASSERT_EQ(static_cast<int>(bodyY.size()), kPasses) << "at " << ms << " ms a frame";
        // 156 units tall: an arm turning in straight lines between keys wanders a few units
        // from its shoulder, a limb that came off tens.
        for (int i : {0, 2, 3, 4, 5})
            EXPECT_LT(*std::min_element(hinges.drift[i].begin(), hinges.drift[i].end()), 6.0) << kParts[i];
        const PathKey& from = PathTable[1].keys[3];
        const PathKey& to = PathTable[1].keys[8];
        EXPECT_GT(to.y, from.y + 100) << "a leap down";
        for (int n = 0; n < kLeap; ++n)
            EXPECT_NEAR(bodyY[kPasses - kLeap + n], Bezier2(from.y, from.y, to.y, n * 0.005), 1e-9) << n;
    }
}

TEST_F(SceneTest, LogoSceneFliesTheWholeFigureIntoTheLogoIn286Passes) {
    for (long ms : {5L, 120L}) {
        frameMs = ms;
        int passes = 0, together = 0, lettersShown = 0;
        TheStage().endOfPass = [&] {
            ++passes;
            const Object3D* body = world.FindObject("corps");
            bool same = world.FindObject("bat")->visible && world.FindObject("socle")->visible;
            for (const char* name : kParts) {
                const Object3D* p = world.FindObject(name);
                same = same && p->visible && std::equal(p->position, p->position + 3, body->position) &&
                       std::equal(p->angles, p->angles + 3, body->angles);
            }
            together += same;
            for (int i = 1; i <= 13; ++i) lettersShown += world.FindObject(std::to_string(i).c_str())->visible;
        };
        LogoScene();
        ExpectLeftClean();
        EXPECT_EQ(passes, 286) << "at " << ms << " ms a frame";
        EXPECT_EQ(together, passes) << "the parts fly as one figure before the logo";
        EXPECT_EQ(lettersShown, 0);
    }
}

}  // namespace
