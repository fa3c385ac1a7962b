#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "platform/os/Clock.h"
#include "support/RecordingRenderer.h"

namespace {

using Calls = std::vector<std::string>;

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        World::ResetProcessState();
        os::SetClockSource([] { return 0L; });
        world.SetRenderer(&renderer);
        world.SetCamera(&camera);
        renderer.calls.clear();
    }
    void TearDown() override { os::SetClockSource({}); }

    // A strip of n faces along x, all in the plane z = 0.
    void BuildStrip(Object3D& o, int n) {
        for (int i = 0; i < n; ++i) o.AddFaceAt(i, 0, 0, i + 1, 0, 0, i, 1, 0, nullptr, nullptr);
    }

    RecordingRenderer renderer;
    Camera camera;
    World world;
};

TEST_F(PipelineTest, VerticesAreTransformedProjectedAndHandedOver) {
    Object3D o("tri", 0, 0, 0);
    o.AddFaceAt(100, 50, 0, 0, 0, 0, 0, 50, 300, nullptr, nullptr);
    o.flags = 0x1;
    o.angles[1] = 0.0;
    o.position[2] = 0;
    world.AddObject(&o);
    world.RenderFrame();

    // Default camera: x nudged to 0.05, at z = -600, focal 512, identity matrix.
    const Vertex& v = *o.GetVertex(0);
    EXPECT_DOUBLE_EQ(v.cx, 100 - 0.05);
    EXPECT_DOUBLE_EQ(v.cz, 600);
    EXPECT_EQ(v.sx, static_cast<int>(512 * 99.95 / 600));  // 85, truncated
    EXPECT_EQ(v.sy, 42);
    EXPECT_DOUBLE_EQ(v.invZ, 1.0 / 600);
    EXPECT_EQ(v.behind, 0);
    EXPECT_EQ(o.GetVertex(1)->sx, static_cast<int>(512 * -0.05 / 600));  // toward zero: 0
    EXPECT_EQ(renderer.lastPoints, o.vertices.get());
    EXPECT_EQ(o.inView, 1);

    // Placement moves the world position; a quarter turn about y maps the object's x onto +z.
    o.position[0] = 10;
    o.angles[1] = M_PI / 2;
    world.RenderFrame();
    EXPECT_NEAR(v.wx, 10, 1e-9);
    EXPECT_NEAR(v.wy, 50, 1e-9);
    EXPECT_NEAR(v.wz, 100, 1e-9);
}

TEST_F(PipelineTest, CullingFaceLimitAndFlagSelection) {
    Object3D o;
    BuildStrip(o, 100);
    o.flags = 0x1101;
    o.faceLimit = 5;
    world.AddObject(&o);
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawPoints 201", "DrawSolidFaces 5", "EndFrame"}));

    // faceLimit 0 draws none; one above the count draws all; textured needs the textured flag.
    renderer.calls.clear();
    o.faceLimit = 0;
    o.flags = 0x1010;
    o.textured = 1;
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawWireframe 0", "DrawTexturedFaces 0", "EndFrame"}));
    renderer.calls.clear();
    o.faceLimit = 101;
    o.textured = 0;
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawWireframe 100", "EndFrame"}));

    // Behind the camera: every corner has negative depth, nothing is drawn.
    renderer.calls.clear();
    o.position[2] = -2000;
    world.RenderFrame();
    EXPECT_EQ(o.inView, 0);
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "EndFrame"}));

    // Beyond the renderer's far bound, or off to the side, likewise.
    o.position[2] = 20000;
    world.RenderFrame();
    EXPECT_EQ(o.inView, 0);
    o.position[2] = 0;
    o.position[0] = 5000;
    world.RenderFrame();
    EXPECT_EQ(o.inView, 0);

}

TEST_F(PipelineTest, FlagWordZeroIsTransformedButNeitherLitNorSubmitted) {
    Object3D o;
    BuildStrip(o, 2);
    o.flags = 0;
    Omni light;
    world.AddOmni(&light);
    world.AddObject(&o);
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "EndFrame"}));
    EXPECT_DOUBLE_EQ(o.GetVertex(1)->cz, 600);
    EXPECT_EQ(o.GetVertex(1)->packed, 0);
}

TEST_F(PipelineTest, BoundingBoxLinesComeBeforeTheSubmission) {
    Object3D o;
    BuildStrip(o, 1);
    o.flags = 0x100;
    o.showBox = 1;
    world.AddObject(&o);
    world.RenderFrame();
    ASSERT_EQ(renderer.calls.size(), 15u);
    EXPECT_EQ(renderer.calls[1], "DrawLine");
    EXPECT_EQ(renderer.calls[12], "DrawLine");
    EXPECT_EQ(renderer.calls[13], "DrawSolidFaces 1");
}

TEST_F(PipelineTest, CameraFlipChangesWindingOnceForCameraRelativeObjects) {
    Vector3 target(0.05, 0, 0);
    camera.FollowPoint(&target);
    Object3D rel, fixed;
    BuildStrip(rel, 1);
    BuildStrip(fixed, 1);
    rel.flags = fixed.flags = 0x100;
    fixed.cameraRelative = 0;
    fixed.position[2] = 500;
    world.AddObject(&rel);
    world.AddObject(&fixed);

    world.RenderFrame();  // special basis
    EXPECT_EQ(rel.windingSign, 1);
    target.x = 50;
    world.RenderFrame();  // changes over: flip
    EXPECT_EQ(rel.windingSign, -1);
    EXPECT_EQ(renderer.lastCullSign, 1);  // the screen-fixed object keeps its sign
    EXPECT_EQ(fixed.view, Matrix3::Identity());
    world.RenderFrame();
    EXPECT_EQ(rel.windingSign, -1);  // and it stays changed
    EXPECT_EQ(fixed.windingSign, 1);
    // Screen-fixed: camera position ignored.
    EXPECT_DOUBLE_EQ(fixed.GetVertex(0)->cz, 500);
}

TEST_F(PipelineTest, OrbitMovesAfterTheBoxIsPlaced) {
    Object3D o("moon", 100, 0, 0);
    BuildStrip(o, 1);
    o.flags = 0x1;
    world.AddObject(&o);
    Vector3 centre(0, 0, 0);
    o.SetSpinAroundPoint(&centre, 0, 0, M_PI / 2);
    world.RenderFrame();
    EXPECT_DOUBLE_EQ(o.corners[0].wx, 100);  // box from the old position
    EXPECT_NEAR(o.position[1], 100, 1e-9);
    EXPECT_NEAR(o.GetVertex(0)->wy, 100, 1e-9);  // vertices from the new one
    EXPECT_EQ(o.orbitMode, 0);
}

TEST_F(PipelineTest, ExplodingObjectsMoveFragmentsOncePerDrawnFrame) {
    Object3D o;
    BuildStrip(o, 2);
    o.flags = 0x1001101;
    world.AddObject(&o);
    o.Explode(4.0, 0, 0);
    o.AdvanceExplode(0.0);
    EXPECT_EQ(o.flags, 0x1101u);
    world.RenderFrame();
    const double z1 = o.GetFace(0)->a->wz;
    world.RenderFrame();
    // Each drawn frame the fragment moves by -velocity; the first velocity is 4 * normal.
    ASSERT_EQ(o.GetFace(0)->normal.z, -1);
    EXPECT_NEAR(o.GetFace(0)->a->wz - z1, 4.0, 1e-9);
    world.RenderFrame();
    EXPECT_NEAR(o.GetFace(0)->a->wz - z1, 4.0 + 4.0 * 0.95, 1e-9);
}

TEST_F(PipelineTest, WildCoordinatesNeverMakeUndefinedScreenValues) {
    Object3D o;
    o.AddFaceAt(1e300, 1e300, 1e-300, -1e300, 0, 1e-300, 0, -1e300, 1e-300, nullptr, nullptr);
    o.flags = 0x1;
    camera.position[2] = 0;
    camera.position[0] = 1;
    world.AddObject(&o);
    world.RenderFrame();  // UBSan would flag an out-of-range conversion here
    for (int i = 0; i < 3; ++i) {
        const int sx = o.GetVertex(i)->sx;
        EXPECT_TRUE(sx == INT_MAX || sx == INT_MIN || std::abs(sx) < 1000000) << sx;
    }
}

}  // namespace
