#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <climits>
#include <string>
#include <vector>

#include "engine/render/GlideRenderer.h"
#include "engine/video/Video.h"
#include "engine/world/Face.h"
#include "engine/world/LightSet.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vertex.h"
#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"
#include "support/BmpFiles.h"
#include "support/Headless.h"

namespace {

namespace fs = std::filesystem;

class GlideRendererTest : public ::testing::Test {
protected:
    Video video;
    GlideRenderer renderer{video};
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint16_t>> shown;
    fs::path dir;

    void SetUp() override {
        StartHeadlessDisplay(video);
        dir = fs::temp_directory_path() / ("solmire-glide-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        glideSetCallRecorder([this](const std::string& c) { calls.push_back(c); });
        renderer.Init();
        grDitherMode(0);
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) { shown.emplace_back(p, p + w * h); });
        calls.clear();
    }
    void TearDown() override {
        glideSetCallRecorder({});
        os::SetFrameSink({});
        fs::remove_all(dir);
    }

    // A picture file named <dir>/<name>.bmp; returns the name without ".bmp".
    std::string Picture(const std::string& name, int w, int h, bmp::Rgb colour) {
        const auto bytes = bmp::Bmp24(w, h, [&](int, int) { return colour; });
        const fs::path file = dir / (name + ".bmp");
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return (dir / name).string();
    }

    std::vector<std::string> CallsNamed(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }

    std::uint16_t Shown(int x, int y) {
        grBufferSwap(1);
        return shown.back()[std::size_t(y) * 640 + x];
    }
};

// A triangle in camera space: corners at screen offsets from the centre, all at depth z.
struct Tri {
    Vertex v[3];
    Face face;
    Face* list[1];
    Tri(int x0, int y0, int x1, int y1, int x2, int y2, double z = 10) : face(&v[0], &v[1], &v[2]) {
        const int xy[3][2] = {{x0, y0}, {x1, y1}, {x2, y2}};
        for (int i = 0; i < 3; ++i) {
            v[i].sx = xy[i][0], v[i].sy = xy[i][1];
            v[i].cz = z, v[i].invZ = 1 / z;
            v[i].lr = 255, v[i].lg = 0, v[i].lb = 0;
            v[i].packed = 0xFF0000;
        }
        face.red = 0, face.green = 0, face.blue = 255;
        face.u0 = 0, face.v0 = 0, face.u1 = 1, face.v1 = 0, face.u2 = 1, face.v2 = 1;
        face.texture = 0;
        list[0] = &face;
    }
};

}  // namespace

TEST_F(GlideRendererTest, InitStartsGlideThenSetsDepthAndTextureState) {
    calls.clear();
    GlideRenderer fresh(video);
    fresh.Init();
    const std::vector<std::string> tail = {"grDepthBufferMode(2)",        "grDepthBufferFunction(1)",
                                           "grDepthMask(1)",              "grBufferClear(0, 0, 65535)",
                                           "grTexFilterMode(0, 1, 1)",    "grTexClampMode(0, 0, 0)",
                                           "grTexMipMapMode(0, 0, 0)"};
    ASSERT_GE(calls.size(), tail.size() + 4);
    EXPECT_EQ(calls[0], "grGlideInit()");
    EXPECT_EQ(std::vector<std::string>(calls.end() - 7, calls.end()), tail);
    EXPECT_EQ(fresh.centreX, 320);
    EXPECT_EQ(fresh.centreY, 240);
    EXPECT_EQ(fresh.currentTexture, -1);
}

TEST_F(GlideRendererTest, LoadTextureSizesCountsAndFrees) {
    const std::string wide = Picture("wide", 100, 50, {255, 0, 0});
    const std::string huge = Picture("huge", 300, 20, {0, 255, 0});
    const std::string thin = Picture("thin", 1, 8, {0, 0, 255});
    EXPECT_EQ(renderer.LoadTexture(wide.c_str()), 0);
    EXPECT_EQ(CallsNamed("gr"), (std::vector<std::string>{"grTexTextureMemRequired(3, info{1 1 3 10})",
                                                           "grTexMinAddress(0)",
                                                           "grTexDownloadMipMap(0, 0, 3, info{1 1 3 10})"}));
    calls.clear();
    EXPECT_EQ(renderer.LoadTexture(wide.c_str()), 0);   // same name: same handle, no download
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(renderer.Texture(0).referenceCount, 2);
    EXPECT_EQ(renderer.LoadTexture(huge.c_str()), 1);
    EXPECT_EQ(renderer.Texture(1).address, 128 * 128 * 2);
    EXPECT_EQ(renderer.LoadTexture(thin.c_str()), -1);   // no LOD for a side of 1
    EXPECT_EQ(renderer.TextureCount(), 2);

    Tri t(-20, -20, 20, -20, 0, 20);
    renderer.DrawTexturedFaces(t.list, 1, nullptr, 0, 1);
    EXPECT_EQ(renderer.currentTexture, 0);
    EXPECT_EQ(renderer.FreeTexture(12345), 1);
    EXPECT_EQ(renderer.TextureCount(), 0);
    EXPECT_EQ(renderer.LoadTexture(huge.c_str()), 0);
    EXPECT_EQ(renderer.Texture(0).address, 0);
    // Handle 0 is another texture now (256, not 128): it is bound afresh before drawing.
    calls.clear();
    renderer.DrawTexturedFaces(t.list, 1, nullptr, 0, 1);
    EXPECT_EQ(CallsNamed("grTexSource"), std::vector<std::string>{"grTexSource(0, 0, 3, info{0 0 3 10})"});
}

TEST_F(GlideRendererTest, BackgroundIsCopiedUnderEveryFrame) {
    std::uint16_t* pixels = nullptr;
    Surface* picture = video.CreateSurface(640, 480, &pixels);
    for (int i = 0; i < 640 * 480; ++i) pixels[i] = static_cast<std::uint16_t>(i * 7);
    renderer.SetBackground(picture);
    renderer.BeginFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"grBufferClear(0, 0, 65535)", "grGlideGetState()",
                                               "grLfbLock(1, 1, 0, 0, 0)", "grLfbUnlock(1, 1)", "grGlideSetState()"}));
    Tri t(-50, -50, 50, -50, 50, 50);
    renderer.DrawSolidFaces(t.list, 1, nullptr, 0, 1);
    grBufferSwap(1);
    renderer.BeginFrame();   // the next frame starts from the picture again
    grBufferSwap(1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0][10 * 640 + 10], pixels[10 * 640 + 10]);
    EXPECT_EQ(shown[0][240 * 640 + 360], 0x001F);   // the face, drawn over it
    EXPECT_EQ(shown[1], std::vector<std::uint16_t>(pixels, pixels + 640 * 480));
    // A picture smaller than the screen is copied as far as it goes.
    Surface* small = video.CreateSurface(16, 8, &pixels);
    std::fill(pixels, pixels + 16 * 8, 0x1111);
    renderer.SetBackground(small);
    EXPECT_EQ(renderer.background, pixels);
    renderer.BeginFrame();
    EXPECT_EQ(Shown(15, 7), 0x1111);
    EXPECT_EQ(shown.back()[7 * 640 + 16], 0);
    renderer.SetBackground(nullptr);
    calls.clear();
    renderer.BeginFrame();
    EXPECT_EQ(calls, std::vector<std::string>{"grBufferClear(0, 0, 65535)"});
}

TEST_F(GlideRendererTest, TexturedFacesCombineCullAndCacheTheSource) {
    const std::string red = Picture("red", 8, 8, {255, 0, 0});
    const std::string green = Picture("green", 16, 16, {0, 255, 0});
    ASSERT_EQ(renderer.LoadTexture(red.c_str()), 0);
    ASSERT_EQ(renderer.LoadTexture(green.c_str()), 1);
    Tri a(-100, -100, -60, -100, -60, -60), b(-50, -100, -10, -100, -10, -60), c(0, -100, 40, -100, 40, -60);
    c.face.texture = 1;
    Face* faces[3] = {&a.face, &b.face, &c.face};
    calls.clear();
    renderer.DrawTexturedFaces(faces, 3, nullptr, RenderFlags::kCull, 1);
    EXPECT_EQ(calls.at(0), "guColorCombineFunction(4)");
    EXPECT_EQ(calls.at(1), "guTexCombineFunction(0, 1)");
    EXPECT_EQ(calls.at(2), "grColorCombine(3, 8, 1, 1, 0)");
    EXPECT_EQ(calls.at(3), "grCullMode(2)");
    EXPECT_EQ(CallsNamed("grTexSource").size(), 2u);   // 0, 0 again (cached), then 1
    EXPECT_EQ(CallsNamed("guDrawTriangleWithClip").size(), 3u);
    EXPECT_EQ(renderer.currentTexture, 1);
    // These corners run clockwise on screen (positive area): culled with sign 1, drawn with -1.
    EXPECT_EQ(Shown(320 - 70, 240 - 90), 0);
    renderer.DrawTexturedFaces(faces, 3, nullptr, RenderFlags::kCull, -1);
    EXPECT_EQ(Shown(320 - 70, 240 - 90), 0xF800);
    EXPECT_EQ(shown.back()[(240 - 90) * 640 + 320 + 30], 0x07E0);

    calls.clear();
    LightSet lights;
    renderer.DrawTexturedFaces(faces, 1, &lights, RenderFlags::kFlat | RenderFlags::kGouraud, 1);
    EXPECT_EQ(calls.at(2), "grColorCombine(3, 1, 1, 1, 0)");   // flat wins: texture x constant
    EXPECT_EQ(calls.at(3), "grCullMode(0)");
    EXPECT_EQ(CallsNamed("grConstantColorValue").size(), 1u);
    calls.clear();
    renderer.DrawTexturedFaces(faces, 1, &lights, RenderFlags::kGouraud, 1);
    EXPECT_EQ(calls.at(2), "grColorCombine(3, 1, 0, 1, 0)");   // texture x iterated
}

TEST_F(GlideRendererTest, FacesWithoutAValidTextureDrawInTheirColour) {
    const std::string red = Picture("red", 8, 8, {255, 0, 0});
    ASSERT_EQ(renderer.LoadTexture(red.c_str()), 0);
    Tri bad(-100, -100, -60, -60, -60, -100), worse(0, -100, 40, -60, 40, -100), good(100, -100, 140, -60, 140, -100);
    bad.face.texture = -1;
    worse.face.texture = 5000;
    Face* faces[3] = {&bad.face, &worse.face, &good.face};
    renderer.DrawTexturedFaces(faces, 3, nullptr, 0, 1);
    EXPECT_EQ(CallsNamed("grTexSource").size(), 1u);
    EXPECT_EQ(Shown(320 - 65, 240 - 90), 0x001F);
    EXPECT_EQ(shown.back()[(240 - 90) * 640 + 320 + 35], 0x001F);
    EXPECT_EQ(shown.back()[(240 - 90) * 640 + 320 + 135], 0xF800);
}

TEST_F(GlideRendererTest, SolidFacesFollowTheShadingFlagsAndTheFaceSelection) {
    Tri t(-20, -20, 20, 20, 20, -20);
    renderer.DrawSolidFaces(t.list, 1, nullptr, RenderFlags::kGouraud, 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"guColorCombineFunction(2)", "grCullMode(0)",
                                               "guDrawTriangleWithClip(300 220 0.1, 340 260 0.1, 340 220 0.1)"}));
    EXPECT_EQ(Shown(335, 225), 0xF800);   // the vertices' lit red
    calls.clear();
    renderer.DrawSolidFaces(t.list, 1, nullptr, 0, -1);
    EXPECT_EQ(calls, (std::vector<std::string>{"guColorCombineFunction(1)", "grCullMode(0)",
                                               "grConstantColorValue(255)",
                                               "guDrawTriangleWithClip(300 220 0.1, 340 260 0.1, 340 220 0.1)"}));
    // Behind the camera, or wholly at or beyond far z: never drawn.
    Tri behind(-20, -20, 20, 20, 20, -20, -1), far(-20, -20, 20, 20, 20, -20, 10000);
    behind.v[0].cz = 0;
    calls.clear();
    renderer.DrawSolidFaces(behind.list, 1, nullptr, 0, 1);
    renderer.DrawSolidFaces(far.list, 1, nullptr, 0, 1);
    renderer.DrawTexturedFaces(far.list, 1, nullptr, 0, 1);
    renderer.DrawWireframe(far.list, 1, nullptr, 0, 1);
    EXPECT_TRUE(CallsNamed("guDraw").empty());
    EXPECT_TRUE(CallsNamed("grDrawLine").empty());
    renderer.SetFarZ(20000);
    renderer.DrawSolidFaces(far.list, 1, nullptr, 0, 1);
    EXPECT_EQ(CallsNamed("guDraw").size(), 1u);
}

TEST_F(GlideRendererTest, WireframeClipsDropsAndCullsEdges) {
    Tri t(-20, -20, 20, -20, 0, 20);
    renderer.DrawWireframe(t.list, 1, nullptr, 0, 1);
    EXPECT_EQ(CallsNamed("grDrawLine").size(), 3u);
    EXPECT_EQ(calls.at(1), "grConstantColorValue(255)");
    // One corner far off screen: its two edges are clipped, none dropped.
    Tri off(-20, -20, 5000, -20, 0, 20);
    calls.clear();
    renderer.DrawWireframe(off.list, 1, nullptr, 0, 1);
    const auto lines = CallsNamed("grDrawLine");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "grDrawLine(300 220 0.1, 639 220 0.1)");
    // Wholly off screen: every edge dropped.
    Tri gone(1000, 1000, 1200, 1000, 1100, 1300);
    calls.clear();
    renderer.DrawWireframe(gone.list, 1, nullptr, 0, 1);
    EXPECT_TRUE(CallsNamed("grDrawLine").empty());
    // Culled in software when the normal faces away past -0.2.
    t.face.cameraNormal.z = -0.5;
    calls.clear();
    renderer.DrawWireframe(t.list, 1, nullptr, RenderFlags::kCull, 1);
    EXPECT_TRUE(CallsNamed("grDrawLine").empty());
    renderer.DrawWireframe(t.list, 1, nullptr, RenderFlags::kCull, -1);
    EXPECT_EQ(CallsNamed("grDrawLine").size(), 3u);
}

TEST_F(GlideRendererTest, PointsLinesBlendingKeyAndRectangles) {
    Tri t(-20, -20, 20, -20, 0, 20);
    t.v[1].behind = 1;
    Vertex* points[3] = {&t.v[0], &t.v[1], &t.v[2]};
    renderer.DrawPoints(points, 3, nullptr, RenderFlags::kGouraud);
    EXPECT_EQ(CallsNamed("grDrawPoint").size(), 2u);
    EXPECT_EQ(calls.at(1), "grConstantColorValue(16711680)");   // lit colour
    calls.clear();
    renderer.DrawLine(&t.v[1], &t.v[1], 0xFFFFFF);   // both ends behind
    EXPECT_EQ(calls, (std::vector<std::string>{"guColorCombineFunction(1)", "grConstantColorValue(16777215)"}));
    renderer.DrawLine(&t.v[0], &t.v[2], 0xFFFFFF);
    EXPECT_EQ(CallsNamed("grDrawLine").size(), 1u);

    calls.clear();
    renderer.BeginAdditive();
    renderer.EndAdditive();
    EXPECT_EQ(calls, (std::vector<std::string>{"grDepthMask(0)", "grAlphaBlendFunction(4, 4, 4, 0)", "grCullMode(0)",
                                               "grDepthMask(1)", "grAlphaBlendFunction(4, 0, 4, 0)"}));
    calls.clear();
    renderer.SetColorKey(0xFFFFFFFF);
    renderer.SetColorKey(0xFF00FF);
    EXPECT_EQ(calls, (std::vector<std::string>{"grChromakeyMode(0)", "grChromakeyMode(1)", "grChromakeyValue(16711935)"}));
    renderer.SetColorKey(0xFFFFFFFF);

    calls.clear();
    grDepthMask(FXFALSE);
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    renderer.FillRect(10, 20, 30, 40, 0x00FF00);
    EXPECT_EQ(calls.at(4), "guDrawTriangleWithClip(10 20 0, 30 20 0, 30 40 0)");
    EXPECT_EQ(calls.at(5), "guDrawTriangleWithClip(10 40 0, 10 20 0, 30 40 0)");
    EXPECT_EQ(Shown(10, 20), 0x07E0);
    EXPECT_EQ(shown.back()[39 * 640 + 29], 0x07E0);
    EXPECT_EQ(shown.back()[40 * 640 + 29], 0);
}

TEST_F(GlideRendererTest, ProjectionsAtTheLimitsDrawSafely) {
    // What the pipeline hands over for points far off axis or right at the camera plane.
    const std::string red = Picture("red", 8, 8, {255, 0, 0});
    ASSERT_EQ(renderer.LoadTexture(red.c_str()), 0);
    Tri t(INT_MAX, INT_MIN, -20, 20, INT_MAX, 0, 1e-300);
    t.v[1].invZ = std::numeric_limits<double>::infinity();
    t.v[2].cz = std::numeric_limits<double>::quiet_NaN();
    t.face.u1 = 1e300, t.face.v2 = -1e300;
    Vertex* points[3] = {&t.v[0], &t.v[1], &t.v[2]};
    for (unsigned flags : {0u, RenderFlags::kFlat, RenderFlags::kGouraud, RenderFlags::kCull}) {
        renderer.DrawPoints(points, 3, nullptr, flags);
        renderer.DrawWireframe(t.list, 1, nullptr, flags, 1);
        renderer.DrawSolidFaces(t.list, 1, nullptr, flags, -1);
        renderer.DrawTexturedFaces(t.list, 1, nullptr, flags, 1);
        renderer.DrawLine(&t.v[0], &t.v[2], 0xFFFFFF);
    }
    renderer.FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x123456);
    EXPECT_EQ(CallsNamed("guDrawTriangleWithClip").size(), 10u);
    grBufferSwap(1);
    EXPECT_EQ(shown.size(), 1u);
}
