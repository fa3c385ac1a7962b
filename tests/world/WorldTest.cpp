#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/world/Group.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "platform/os/Clock.h"
#include "support/RecordingRenderer.h"
#include "world/WorldChecks.h"

namespace {

using Calls = std::vector<std::string>;
using namespace RenderFlags;

// A world drawing to a recording renderer, seen by a camera at (10, 0, -600) looking along +z
// with focal length 512 (off the plane x = 0, so not nudged), on a clock that advances frameMs
// per drawn frame.
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        World::ResetProcessState();
        os::SetClockSource([this] { return now; });
        renderer.onBeginFrame = [this] { now += frameMs; };
        world.SetRenderer(&renderer);
        world.SetCamera(&camera);
        camera.position[0] = 10;
        renderer.calls.clear();
    }
    void TearDown() override { os::SetClockSource({}); }
    // An object of the test's, added to the world: n faces along x in the plane z = 0, 2n + 1
    // vertices.
    Object3D* Add(const char* name, unsigned flags, int n = 1) {
        owned.push_back(std::make_unique<Object3D>(name));
        Object3D* o = owned.back().get();
        for (int i = 0; i < n; ++i) o->AddFaceAt(i, 0, 0, i + 1, 0, 0, i, 1, 0, nullptr, nullptr);
        o->flags = flags;
        world.AddObject(o);
        return o;
    }
    // The calls of one drawn frame, between BeginFrame and EndFrame.
    Calls Frame() {
        renderer.calls.clear();
        world.RenderFrame();
        EXPECT_TRUE(renderer.calls.size() >= 2 && renderer.calls.front() == "BeginFrame" && renderer.calls.back() == "EndFrame");
        return renderer.calls.size() < 2 ? Calls{} : Calls(renderer.calls.begin() + 1, renderer.calls.end() - 1);
    }

    long now = 1000;
    long frameMs = 10;
    RecordingRenderer renderer;
    Camera camera;
    World world;
    Omni light;
    std::vector<std::unique_ptr<Object3D>> owned;
};

TEST_F(WorldTest, FrameCallOrderWithAndWithoutTheAdditivePass) {
    Add("solid", kPoints | kSolid | kTextured);
    Object3D* glow = Add("glow", kSolid);
    // Only the process's first renderer is ever taken; a later one is not even initialised.
    RecordingRenderer other;
    world.SetRenderer(&other);
    World second;
    second.SetRenderer(&other);
    EXPECT_EQ(second.renderer, nullptr);
    EXPECT_EQ(world.RenderFrame(), 1);
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawPoints 3", "DrawSolidFaces 1", "DrawSolidFaces 1", "EndFrame"}));

    // An additive object leaves the ordinary pass and is submitted between the brackets, once.
    renderer.calls.clear();
    world.AddAdditive(glow);
    world.AddAdditive(glow);
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawPoints 3", "DrawSolidFaces 1", "BeginAdditive",
                                     "DrawSolidFaces 1", "EndAdditive", "EndFrame"}));

    // The console steps (draws its box) only inside the additive pass.
    world.ConsoleOn();
    world.RenderFrame();
    world.RemoveAdditive(glow);
    world.RenderFrame();
    EXPECT_EQ(std::count_if(renderer.calls.begin(), renderer.calls.end(),
                            [](const std::string& c) { return c.rfind("FillRect", 0) == 0; }),
              1);
    EXPECT_EQ(glow->additive, 0);
    EXPECT_EQ(world.frameCount, 4);
    EXPECT_TRUE(other.calls.empty());
}

TEST_F(WorldTest, SlowFramesSkipTheNextCalls) {
    Add("a", kSolid);
    frameMs = 50;  // 1.5 periods: nothing skipped
    EXPECT_EQ(world.RenderFrame(), 1);
    EXPECT_EQ(world.RenderFrame(), 1);

    frameMs = 70;  // 2.1 periods: one skipped call, which reads no clock and draws nothing
    EXPECT_EQ(world.RenderFrame(), 1);
    renderer.calls.clear();
    const long before = now;
    EXPECT_EQ(world.RenderFrame(), 0);
    EXPECT_TRUE(renderer.calls.empty());
    EXPECT_EQ(now, before);
    frameMs = 10;
    EXPECT_EQ(world.RenderFrame(), 1);

    frameMs = 140;  // 4.2 periods: three skipped
    world.RenderFrame();
    EXPECT_EQ(world.skipFrames, 3);
    EXPECT_EQ(world.frameCount, 5);
}

TEST_F(WorldTest, ListsRefuseDuplicatesAndOverflowAndKeepTheirOrder) {
    std::vector<Omni> omnis(LightSet::kMaxLights + 1);
    for (Omni& o : omnis) world.AddOmni(&o);
    world.AddOmni(&omnis[0]);
    EXPECT_EQ(world.lights.omniCount, LightSet::kMaxLights);
    world.RemoveOmni(&omnis[1]);
    EXPECT_EQ(world.lights.omnis[1], &omnis[2]);

    Object3D* a = Add("alpha", kPoints);
    Object3D* b = Add("beta", kPoints);
    world.AddObject(a);  // the same object twice
    EXPECT_EQ(world.FindObject("beta"), b);
    EXPECT_EQ(world.GetObject(-1), nullptr);
    world.RemoveObject(a);    // every entry of it
    world.RemoveObjectAt(5);  // out of range: nothing
    EXPECT_EQ(world.GetObjectCount(), 1);
    EXPECT_EQ(world.GetObject(0), b);

    // A full additive list refuses the object, which stays in the ordinary pass.
    std::vector<Object3D*> many;
    for (int i = 0; i <= World::kMaxAdditive; ++i) many.push_back(Add("x", kPoints));
    testing::internal::CaptureStderr();
    for (Object3D* o : many) world.AddAdditive(o);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("additive list full"), std::string::npos);
    EXPECT_EQ(world.additiveCount, World::kMaxAdditive);
    EXPECT_EQ(many.back()->additive, 0);

    // Groups place their members each frame; a full group refuses.
    Group g;
    g.Add(a);
    g.Add(b);
    g.position[1] = 42;
    g.angles[2] = 0.5;
    world.AddGroup(&g);
    world.RenderFrame();
    EXPECT_EQ(b->position[1], 42);
    EXPECT_EQ(b->angles[2], 0.5);
    for (int i = 2; i < Group::kMaxMembers; ++i) ASSERT_TRUE(g.Add(a));
    EXPECT_FALSE(g.Add(a));

    // Clearing empties the object lists and keeps the lights.
    world.Clear();
    EXPECT_EQ(world.GetObjectCount() + world.additiveCount + world.groupCount, 0);
    EXPECT_EQ(world.lights.omniCount, LightSet::kMaxLights - 1);
}

TEST_F(WorldTest, TexturesAreReleasedOncePerHandleWhenTheRendererSucceeds) {
    Object3D* o = Add("ship", kTextured);
    o->AddFaceAt(20, 0, 0, 30, 0, 0, 20, 10, 0, nullptr, nullptr);
    o->AddFaceAt(40, 0, 0, 50, 0, 0, 40, 10, 0, nullptr, nullptr);
    o->textured = 1;
    o->SetTexture(3);
    o->SetFaceTexture(2, 5);
    o->SetFaceTexture(3, 7);  // past the last face: ignored
    world.RemoveObject(o);
    EXPECT_EQ(renderer.calls, (Calls{"FreeTexture 3", "FreeTexture 5"}));

    // A failed release lets the same handle be tried again for the next face.
    renderer.calls.clear();
    renderer.freeResult = 0;
    world.AddObject(o);
    world.RemoveObjectAt(0);
    EXPECT_EQ(renderer.calls, (Calls{"FreeTexture 3", "FreeTexture 3", "FreeTexture 5"}));

    // Untextured objects release nothing.
    renderer.calls.clear();
    o->textured = 0;
    world.AddObject(o);
    world.Clear();
    EXPECT_TRUE(renderer.calls.empty());
}

TEST_F(WorldTest, PointsLandWhereTheCameraSeesThem) {
    Object3D o("points", 0, 0, 0);
    o.AddVertexAt(10, 0, 0);         // straight ahead
    o.AddVertexAt(610, -300, 0);     // 600 across and 300 up at depth 600
    o.AddVertexAt(9, 0, 0);          // -0.85 pixels: truncated toward zero
    o.AddVertexAt(10, 0, -1200);     // behind the camera
    world.AddObject(&o);
    EXPECT_EQ(Frame(), Calls{"DrawPoints 4"});
    EXPECT_EQ(renderer.lastPoints, o.vertices.get());
    const std::array<int, 3> expected[4] = {{0, 0, 0}, {512, -256, 0}, {0, 0, 0}, {0, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        const Vertex& v = *o.GetVertex(i);
        EXPECT_EQ((std::array<int, 3>{v.sx, v.sy, v.behind}), expected[i]) << i;
        EXPECT_DOUBLE_EQ(v.invZ, 1.0 / 600) << i;
    }

    // Placement: a quarter turn about y takes the object's x axis onto world +z.
    o.position[0] = 10;
    o.angles[1] = M_PI / 2;
    world.RenderFrame();
    const Vertex& v = *o.GetVertex(1);
    ExpectNear({v.wx, v.wy, v.wz}, {10, -300, 610});
}

TEST_F(WorldTest, SubmissionFollowsTheFlagWordAndTheFaceLimit) {
    Object3D& o = *Add("strip", 0, 100);
    world.AddOmni(&light);
    struct Case {
        unsigned flags;
        int textured, faceLimit;
        Calls calls;
    };
    for (const Case& c : {Case{kPoints | kSolid | kTextured, 1, 5, {"DrawPoints 201", "DrawSolidFaces 5"}},  // solid wins
                          Case{kEdges | kTextured, 1, 0, {"DrawWireframe 0", "DrawTexturedFaces 0"}},
                          Case{kEdges | kTextured, 0, 101, {"DrawWireframe 100"}},  // not a textured object
                          Case{kSolid | kCull, 0, -1, {"DrawSolidFaces 100"}},
                          Case{0, 1, -1, {}}}) {
        o.flags = c.flags, o.textured = c.textured, o.faceLimit = c.faceLimit;
        o.GetVertex(1)->packed = 0;
        EXPECT_EQ(Frame(), c.calls) << c.flags;
        EXPECT_EQ(o.GetVertex(1)->cz, 600);  // transformed whatever the flags
        EXPECT_EQ(o.GetVertex(1)->packed != 0, c.flags != 0) << "lit only when drawn";
    }
}

TEST_F(WorldTest, ObjectsWhoseBoxIsOutOfViewAreNeitherLitNorDrawn) {
    Object3D& o = *Add("strip", kPoints | kSolid, 3);
    o.showBox = 1;
    world.AddOmni(&light);
    // Behind the camera, beyond the renderer's far bound, off to each side.
    for (auto [x, y, z] : {std::tuple{0, 0, -2000}, std::tuple{0, 0, 20000}, std::tuple{5000, 0, 0},
                           std::tuple{-5000, 0, 0}, std::tuple{0, 5000, 0}}) {
        o.position[0] = x, o.position[1] = y, o.position[2] = z;
        EXPECT_EQ(Frame(), Calls{}) << x << " " << y << " " << z;
        EXPECT_EQ(o.inView, 0);
        EXPECT_EQ(o.GetVertex(0)->packed, 0);
    }
    // In view, the box's twelve edges come before the faces.
    o.position[0] = o.position[1] = o.position[2] = 0;
    Calls expected(12, "DrawLine");
    expected.insert(expected.end(), {"DrawPoints 7", "DrawSolidFaces 3"});
    EXPECT_EQ(Frame(), expected);
    EXPECT_EQ(o.inView, 1);
}

TEST_F(WorldTest, WindingFollowsTheHandednessOfTheViewForCameraRelativeObjects) {
    Vector3 target(0.05, 0, 0);
    camera.position[0] = 0.05;
    camera.FollowPoint(&target);
    Object3D &rel = *Add("relative", kSolid), &fixed = *Add("fixed", kSolid);
    fixed.cameraRelative = 0;
    fixed.position[2] = 500;
    // The mirrored basis on the plane, then the regular one for good: the winding changes with
    // the handedness, once.
    for (double x : {0.05, 50.0, 50.0, 0.05}) {
        target.x = x;
        world.RenderFrame();
        EXPECT_EQ(rel.windingSign, Det(rel.view) > 0 ? -1 : 1) << x;
        EXPECT_EQ(fixed.windingSign, 1);
        EXPECT_EQ(renderer.lastCullSign, 1);  // the screen-fixed object, drawn last
        EXPECT_EQ(fixed.view, Matrix3::Identity());
        EXPECT_DOUBLE_EQ(fixed.GetVertex(0)->cz, 500);  // camera position ignored
    }
}

TEST_F(WorldTest, OrbitStepsOnceAndExplosionsOncePerDrawnFrame) {
    Object3D& rock = *Add("rock", kSolid, 2);
    rock.Explode(4.0, 0, 0);
    rock.AdvanceExplode(0.0);
    Object3D& moon = *Add("moon", kPoints);
    moon.position[0] = 100;
    Vector3 centre(0, 0, 0);
    moon.SetSpinAroundPoint(&centre, 0, 0, M_PI / 2);
    const Vertex& corner = *rock.GetFace(0)->a;
    world.RenderFrame();
    EXPECT_NEAR(moon.GetVertex(0)->wy, 100, 1e-9);  // turned a quarter about z
    double last = 1e9;
    for (int frame = 1; frame < 5; ++frame) {
        world.skipFrames = frame == 3;  // a skipped call moves nothing
        const double before = corner.wz;
        const bool drawn = world.RenderFrame();
        const double moved = corner.wz - before;
        EXPECT_TRUE(drawn ? moved > 0 && moved < last : moved == 0) << frame;  // by shrinking steps
        last = drawn ? moved : last;
    }
    EXPECT_NEAR(moon.GetVertex(0)->wy, 100, 1e-9);  // and no further
}

TEST_F(WorldTest, WildCoordinatesNeverMakeUndefinedScreenValues) {
    Object3D o;
    o.AddFaceAt(1e300, 1e300, 1e-300, -1e300, 0, 1e-300, 0, -1e300, 1e-300, nullptr, nullptr);
    camera.position[2] = 0;
    camera.position[0] = 1;
    world.AddObject(&o);
    world.RenderFrame();  // UBSan would flag an out-of-range conversion here
    for (int i = 0; i < 3; ++i) {
        const int sx = o.GetVertex(i)->sx;
        EXPECT_TRUE(sx == INT_MAX || sx == INT_MIN || std::abs(sx) < 1000000) << sx;
    }
}

using WorldDeathTest = WorldTest;

TEST_F(WorldDeathTest, NoRendererEndsWithCode200AfterPendingSkips) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    World::ResetProcessState();
    World bare;
    bare.skipFrames = 2;
    EXPECT_EQ(bare.RenderFrame(), 0);
    EXPECT_EQ(bare.RenderFrame(), 0);
    EXPECT_EXIT(bare.RenderFrame(), testing::ExitedWithCode(200), "V3D Error: There is no Active Renderer");
}

TEST_F(WorldDeathTest, TheHundredAndTwentyNinthObjectEndsWithCode201) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Object3D o;
    o.AddVertexAt(0, 0, 0);
    for (int i = 0; i < World::kMaxObjects; ++i) world.AddObject(&o);
    EXPECT_EQ(world.GetObjectCount(), World::kMaxObjects);
    EXPECT_EXIT(world.AddObject(&o), testing::ExitedWithCode(201), "V3D Error: Too many objects in the world");
}

}  // namespace
