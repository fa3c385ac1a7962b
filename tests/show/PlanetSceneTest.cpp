// The planet scene on the generated content: the tunnel builds up face by face, the engine
// glows ride with the hull, and the scene ends by its own motion at any frame rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "show/SceneFixture.h"

namespace {

// Load order of the scene: the mothership's hull and its two glows first, the tunnel last.
constexpr int kHull = 0, kFirstGlow = 1, kTunnel = 7;

// Only the tunnel is drawn with edges, so the wireframe calls of a frame are the tunnel's faces.
TEST_F(SceneTest, PlanetTunnelBuildsFaceByFaceAndTheGlowsRideWithTheHull) {
    std::vector<int> tunnelFaces;
    int tunnelFaceCount = 0, glowMismatches = 0, banked = 0;
    double lastHullZ = 0;
    TheStage().endOfPass = [&] {
        for (const std::string& call : renderer.calls)
            if (call.rfind("DrawWireframe ", 0) == 0) tunnelFaces.push_back(std::stoi(call.substr(14)));
        renderer.calls.clear();
        const Object3D* hull = world.GetObject(kHull);
        for (int g = kFirstGlow; g < kFirstGlow + 2; ++g) {
            const Object3D* glow = world.GetObject(g);
            if (!std::equal(hull->position, hull->position + 3, glow->position) ||
                !std::equal(hull->angles, hull->angles + 3, glow->angles))
                ++glowMismatches;
        }
        if (hull->angles[2] != 0) ++banked;
        lastHullZ = hull->position[2];
        tunnelFaceCount = world.GetObject(kTunnel)->GetFaceCount();
    };
    PlanetScene();

    EXPECT_EQ(glowMismatches, 0);
    EXPECT_GT(banked, 100) << "the hull rolls through the turn, so the copy is of a moving placement";
    EXPECT_GT(lastHullZ, 3300);

    ASSERT_GT(tunnelFaceCount, 100);
    ASSERT_FALSE(tunnelFaces.empty());
    EXPECT_LT(tunnelFaces.front(), 40) << "the tunnel starts from a handful of faces";
    const auto full = std::find(tunnelFaces.begin(), tunnelFaces.end(), tunnelFaceCount);
    ASSERT_NE(full, tunnelFaces.end()) << "the whole tunnel is drawn in the end";
    const auto growing = full - tunnelFaces.begin();
    EXPECT_GT(growing, tunnelFaceCount / 20) << "built up over many passes, not at once";
    for (auto i = growing - 1; i > 0; --i) EXPECT_GT(tunnelFaces[i], tunnelFaces[i - 1]);
    EXPECT_TRUE(std::all_of(full, tunnelFaces.end(), [&](int n) { return n == tunnelFaceCount; }));
}

// A fast machine draws every pass, a slow one drops frames: the same passes either way, and the
// world is left empty with the halo gone and the scene's camera released.
TEST_F(SceneTest, PlanetSceneEndsByItselfAtAnyFrameRateAndLeavesTheWorldEmpty) {
    int passes[2] = {}, shown[2] = {};
    for (int run = 0; run < 2; ++run) {
        frameMs = run == 0 ? 5 : 120;
        flips = 0;
        bool ownCamera = true;
        TheStage().endOfPass = [&] {
            ++passes[run];
            ownCamera = ownCamera && world.camera != nullptr && world.camera != &titleCamera;
            renderer.calls.clear();
        };
        PlanetScene();
        shown[run] = flips;
        EXPECT_TRUE(ownCamera);
        EXPECT_EQ(world.GetObjectCount(), 0);
        EXPECT_EQ(world.additiveCount, 0);
        EXPECT_EQ(world.lights.haloCount, 0);
        EXPECT_EQ(world.camera, nullptr);
    }
    EXPECT_GT(passes[0], 600);
    EXPECT_LT(passes[0], 3000);
    EXPECT_EQ(passes[1], passes[0]);
    EXPECT_EQ(shown[0], passes[0]);
    EXPECT_LT(shown[1], passes[1] / 2);
}

}  // namespace
