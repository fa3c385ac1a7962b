#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/video/ErrorBox.h"
#include "engine/world/Group.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "platform/os/Clock.h"
#include "support/RecordingRenderer.h"

namespace {

using Calls = std::vector<std::string>;

// A small triangle in front of the default camera.
Object3D* MakeTriangle(const char* name, unsigned flags) {
    auto* o = new Object3D(name);
    o->AddFaceAt(-10, -10, 0, 10, -10, 0, 0, 10, 0, nullptr, nullptr);
    o->flags = flags;
    return o;
}

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        World::ResetProcessState();
        os::SetClockSource([this] { return now; });
        renderer.onBeginFrame = [this] { now += frameMs; };
        world.SetRenderer(&renderer);
        world.SetCamera(&camera);
        renderer.calls.clear();
    }
    void TearDown() override {
        os::SetClockSource({});
        for (Object3D* o : owned) delete o;
    }
    Object3D* Add(const char* name, unsigned flags) {
        owned.push_back(MakeTriangle(name, flags));
        world.AddObject(owned.back());
        return owned.back();
    }

    long now = 1000;
    long frameMs = 10;
    RecordingRenderer renderer;
    Camera camera;
    World world;
    std::vector<Object3D*> owned;
};

TEST_F(WorldTest, FrameCallOrderWithAndWithoutTheAdditivePass) {
    Add("solid", 0x1101);
    Object3D* glow = Add("glow", 0x100);
    EXPECT_EQ(world.RenderFrame(), 1);
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawPoints 3", "DrawSolidFaces 1", "DrawSolidFaces 1", "EndFrame"}));

    // An additive object leaves the ordinary pass and is submitted between the brackets.
    renderer.calls.clear();
    world.AddAdditive(glow);
    world.AddAdditive(glow);
    EXPECT_EQ(world.additiveCount, 1);
    world.RenderFrame();
    EXPECT_EQ(renderer.calls, (Calls{"BeginFrame", "DrawPoints 3", "DrawSolidFaces 1", "BeginAdditive",
                                     "DrawSolidFaces 1", "EndAdditive", "EndFrame"}));

    // The console steps only inside the additive pass.
    world.ConsoleOn();
    world.RenderFrame();
    EXPECT_EQ(world.console.steps, 1);
    world.RemoveAdditive(glow);
    EXPECT_EQ(glow->additive, 0);
    world.RenderFrame();
    EXPECT_EQ(world.console.steps, 1);
    EXPECT_EQ(world.frameCount, 4);
}

TEST_F(WorldTest, SlowFramesSkipTheNextCalls) {
    Add("a", 0x100);
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

TEST_F(WorldTest, SecondRendererIsIgnored) {
    RecordingRenderer other;
    world.SetRenderer(&other);
    EXPECT_EQ(world.renderer, &renderer);
    EXPECT_TRUE(other.calls.empty());

    // Process-wide: another world cannot take one either.
    World second;
    second.SetRenderer(&other);
    EXPECT_EQ(second.renderer, nullptr);
}

TEST_F(WorldTest, LightListsRefuseDuplicatesAndTheThirtyThird) {
    std::vector<Omni> omnis(33);
    for (Omni& o : omnis) world.AddOmni(&o);
    world.AddOmni(&omnis[0]);
    EXPECT_EQ(world.lights.omniCount, 32);
    world.RemoveOmni(&omnis[1]);
    EXPECT_EQ(world.lights.omnis[1], &omnis[2]);
    Halo h;
    world.AddHalo(&h);

    // Clearing the world keeps lights; removal keeps the totals.
    Add("a", 1);
    Add("b", 1);
    world.RemoveObjectAt(0);
    EXPECT_EQ(world.faceTotal, 2);
    world.Clear();
    EXPECT_EQ(world.lights.haloCount, 1);
    EXPECT_EQ(world.pointTotal, 6);
}

TEST_F(WorldTest, ObjectListLookupAndRemoval) {
    Object3D* a = Add("alpha", 1);
    Object3D* b = Add("beta", 1);
    world.AddObject(a);  // the same object twice
    EXPECT_EQ(world.FindObject("Beta"), nullptr);  // exact, case-sensitive
    EXPECT_EQ(world.GetObject(-1), nullptr);
    world.RemoveObject(a);  // every entry of it
    world.RemoveObjectAt(5);  // out of range: nothing
    EXPECT_EQ(world.GetObjectCount(), 1);
    EXPECT_EQ(world.GetObject(0), b);

    Group g;
    g.Add(a);
    g.Add(b);
    g.position[1] = 42;
    g.angles[2] = 0.5;
    world.AddGroup(&g);
    world.RenderFrame();
    EXPECT_EQ(b->angles[2], 0.5);
    for (int i = 2; i < Group::kMaxMembers; ++i) ASSERT_TRUE(g.Add(a));
    EXPECT_FALSE(g.Add(a));
}

TEST_F(WorldTest, TexturesAreReleasedOncePerHandleWhenTheRendererSucceeds) {
    Object3D* o = Add("ship", 0x1000);
    o->AddFaceAt(20, 0, 0, 30, 0, 0, 20, 10, 0, nullptr, nullptr);
    o->AddFaceAt(40, 0, 0, 50, 0, 0, 40, 10, 0, nullptr, nullptr);
    o->textured = 1;
    o->SetTexture(3);
    o->SetFaceTexture(2, 5);
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

TEST_F(WorldTest, StatisticsBoxText) {
    std::string caption, text;
    SetErrorBoxHandler([&](const char* c, const char* t) {
        caption = c;
        text = t;
    });
    Add("a", 1);
    Omni o;
    world.AddOmni(&o);
    frameMs = 1000;
    world.RenderFrame();
    world.skipFrames = 0;
    world.RenderFrame();
    testing::internal::CaptureStderr();
    world.ShowStatistics();
    testing::internal::GetCapturedStderr();
    SetErrorBoxHandler({});
    EXPECT_EQ(caption, "V3D Status");
    EXPECT_EQ(text, "Points:3\nFaces:1\nOmni:1\nHalo:0\n\nFrames:2\nFPS:1.000000\n");
}

TEST_F(WorldTest, FullListsRefuseInsteadOfOverflowing) {
    std::vector<Object3D*> many;
    for (int i = 0; i < World::kMaxAdditive + 1; ++i) many.push_back(Add("x", 1));
    testing::internal::CaptureStderr();
    for (Object3D* o : many) world.AddAdditive(o);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("additive list full"), std::string::npos);
    EXPECT_EQ(world.additiveCount, World::kMaxAdditive);
    EXPECT_EQ(many.back()->additive, 0);  // still drawn in the ordinary pass
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
