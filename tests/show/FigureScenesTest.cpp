// The figure's two scenes on the generated content: they end by their own motion after the same
// passes at any frame rate, the leap follows its arc, the limbs stay hinged to the body through
// the walk and the leap, and the world is left empty with the camera released.
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
constexpr int kBody = 1;

Matrix3 Turn(const Object3D* o) {
    Matrix3 m;
    m.FromAngles(o->angles[0], o->angles[1], o->angles[2]);
    return m;
}

Vector3 Position(const Object3D* o) { return {o->position[0], o->position[1], o->position[2]}; }

// Where each of a limb's vertices sits in the body's own frame, pass after pass. A limb on its
// joint keeps at least one vertex (the one at the joint) where it was at rest; a limb that
// comes off moves all of them.
struct Hinges {
    std::vector<Vector3> rest[6];
    std::vector<double> drift[6];  // per vertex, the largest distance from rest so far

    void Pass() {
        const Object3D* body = world.FindObject(kParts[kBody]);
        const Matrix3 toBody = Turn(body);
        for (int i = 0; i < 6; ++i) {
            if (i == kBody) continue;
            const Object3D* limb = world.FindObject(kParts[i]);
            const Matrix3 toWorld = Turn(limb).Transposed();
            const bool first = rest[i].empty();
            for (int v = 0; v < limb->vertexCount; ++v) {
                const Vertex& p = *limb->vertices[v];
                const Vector3 w = Vector3(p.x, p.y, p.z) * toWorld + Position(limb);
                const Vector3 local = (w - Position(body)) * toBody;
                if (first) {
                    rest[i].push_back(local);
                    drift[i].push_back(0);
                }
                const Vector3 d = local - rest[i][v];
                drift[i][v] = std::max(drift[i][v], std::sqrt(d.Dot(d)));
            }
        }
    }
    // The least-moving vertex's largest drift: how far the limb's joint wandered.
    double JointDrift(int i) const { return *std::min_element(drift[i].begin(), drift[i].end()); }
};

void ExpectLeftClean() {
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(world.additiveCount, 0);
    EXPECT_EQ(world.camera, nullptr) << "the scene's camera is released";
}

TEST_F(SceneTest, CharacterSceneWalksAndLeapsInOnePieceAtAnyFrameRate) {
    // 20 + 20 passes of the ball, 67 + 67 of the walk, 48 of the speeding run-up, 200 of leap.
    constexpr int kPasses = 40 + 67 + 67 + 48 + 200, kLeap = 200;
    int passes[2] = {};
    for (int run = 0; run < 2; ++run) {
        frameMs = run == 0 ? 5 : 120;
        std::vector<Vector3> body;
        Hinges hinges;
        TheStage().endOfPass = [&] {
            body.push_back(Position(world.FindObject(kParts[kBody])));
            hinges.Pass();
        };
        CharacterScene();
        passes[run] = static_cast<int>(body.size());
        ExpectLeftClean();
        ASSERT_EQ(passes[run], kPasses);
        for (int i = 0; i < 6; ++i) {
            EXPECT_GE(PathTable[i].keyCount, 9) << kParts[i];
            // The figure is 156 units tall; an arm's joint turning in straight lines between
            // keys wanders a few units, a limb that came off tens.
            if (i != kBody) {
                EXPECT_LT(hinges.JointDrift(i), 6.0) << kParts[i];
            }
        }
        // The leap: level off the edge at key 3, falling ever faster to key 8.
        const PathKey& from = PathTable[kBody].keys[3];
        const PathKey& to = PathTable[kBody].keys[8];
        EXPECT_GT(to.y, from.y + 100) << "a leap down";
        for (int n = 0; n < kLeap; ++n) {
            const double t = n * 0.005;
            const Vector3& at = body[kPasses - kLeap + n];
            EXPECT_NEAR(at.y, Bezier2(from.y, from.y, to.y, t), 1e-9) << "leap pass " << n;
            EXPECT_NEAR(at.z, Lerp(from.z, to.z, t), 1e-9) << "leap pass " << n;
        }
        // Before the walk the figure stands at its key 0, so the walk does not jump.
        const PathKey& start = PathTable[kBody].keys[0];
        EXPECT_EQ(body[0].y, start.y);
        EXPECT_EQ(body[0].z, start.z);
    }
    EXPECT_EQ(passes[1], passes[0]);
}

TEST_F(SceneTest, LogoSceneFliesTheWholeFigureIntoTheLogoIn286Passes) {
    int passes[2] = {};
    for (int run = 0; run < 2; ++run) {
        frameMs = run == 0 ? 5 : 120;
        int together = 0, logoShown = 0, lettersShown = 0;
        double firstZ = 0, lastZ = 0;
        TheStage().endOfPass = [&] {
            const Object3D* body = world.FindObject(kParts[kBody]);
            bool same = true;
            for (const char* name : kParts) {
                const Object3D* p = world.FindObject(name);
                same = same && p->visible && std::equal(p->position, p->position + 3, body->position) &&
                       std::equal(p->angles, p->angles + 3, body->angles);
            }
            together += same;
            logoShown += world.FindObject("bat")->visible && world.FindObject("socle")->visible;
            for (int i = 1; i <= 13; ++i) lettersShown += world.FindObject(std::to_string(i).c_str())->visible;
            if (passes[run]++ == 0) firstZ = body->position[2];
            lastZ = body->position[2];
        };
        LogoScene();
        ExpectLeftClean();
        EXPECT_EQ(together, passes[run]) << "the parts fly as one figure";
        EXPECT_EQ(logoShown, passes[run]);
        EXPECT_EQ(lettersShown, 0);
        EXPECT_LT(firstZ, -580) << "it starts right before the camera";
        EXPECT_GT(lastZ, -160) << "and ends by the logo";
    }
    EXPECT_EQ(passes[0], 286);
    EXPECT_EQ(passes[1], 286);
}

}  // namespace
