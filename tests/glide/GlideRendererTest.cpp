#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
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
using RenderFlags::kCull;
using RenderFlags::kFlat;
using RenderFlags::kGouraud;

constexpr std::uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;

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
    }
    void TearDown() override {
        glideSetCallRecorder({});
        os::SetFrameSink({});
        fs::remove_all(dir);
    }

    // A one-colour picture <dir>/<name>.bmp; returns the name LoadTexture takes (no ".bmp").
    std::string Picture(const std::string& name, int w, int h, bmp::Rgb colour) {
        const auto bytes = bmp::Bmp24(w, h, [&](int, int) { return colour; });
        std::ofstream(dir / (name + ".bmp"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return (dir / name).string();
    }

    std::size_t Count(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& c : calls) n += c.rfind(prefix + "(", 0) == 0;
        return n;
    }

    // Shows the frame drawn so far; a pixel of it, screen coordinates.
    std::uint16_t Shown(int x, int y) {
        grBufferSwap(1);
        return At(x, y);
    }
    std::uint16_t At(int x, int y) const { return shown.back()[std::size_t(y) * 640 + x]; }
};

// A triangle in camera space: corners at screen offsets from the centre, all at depth z,
// lit red at the corners, blue as a face.
struct Tri {
    Vertex v[3];
    Face face{&v[0], &v[1], &v[2]};
    Face* list[1] = {&face};
    Tri(int x0, int y0, int x1, int y1, int x2, int y2, double z = 10) {
        const int xy[3][2] = {{x0, y0}, {x1, y1}, {x2, y2}};
        for (int i = 0; i < 3; ++i) {
            v[i].sx = xy[i][0], v[i].sy = xy[i][1], v[i].cz = z, v[i].invZ = 1 / z;
            v[i].lr = 255, v[i].lg = 0, v[i].lb = 0, v[i].packed = 0xFF0000;
        }
        face.red = 0, face.green = 0, face.blue = 255;
        face.u0 = 0, face.v0 = 0, face.u1 = 1, face.v1 = 0, face.u2 = 1, face.v2 = 1;
    }
};

}  // namespace

TEST_F(GlideRendererTest, TexturesLoadOnceSitApartAndRebindAfterTheTableIsFreed) {
    const std::string red = Picture("red", 100, 50, {255, 0, 0}), green = Picture("green", 300, 20, {0, 255, 0});
    EXPECT_EQ(renderer.LoadTexture(red.c_str()), 0);
    EXPECT_EQ(renderer.LoadTexture(green.c_str()), 1);
    EXPECT_EQ(renderer.LoadTexture(red.c_str()), 0);   // same name: same handle, no second download
    EXPECT_EQ(Count("grTexDownloadMipMap"), 2u);
    EXPECT_EQ(renderer.LoadTexture(Picture("thin", 1, 8, {0, 0, 255}).c_str()), -1);
    EXPECT_EQ(renderer.TextureCount(), 2);

    // Each texture keeps its own memory: the second download did not overwrite the first.
    Tri a(-100, -100, -60, -100, -60, -60), b(0, -100, 40, -100, 40, -60);
    b.face.texture = 1;
    Face* both[2] = {&b.face, &a.face};
    renderer.DrawTexturedFaces(both, 2, nullptr, 0, 1);
    EXPECT_EQ(Shown(320 - 65, 240 - 90), kRed);
    EXPECT_EQ(At(320 + 35, 240 - 90), kGreen);

    // Freed, handle 0 is the green texture at the other size: bound afresh, not drawn as red.
    EXPECT_EQ(renderer.FreeTexture(12345), 1);
    EXPECT_EQ(renderer.TextureCount(), 0);
    EXPECT_EQ(renderer.LoadTexture(green.c_str()), 0);
    calls.clear();
    renderer.BeginFrame();
    renderer.DrawTexturedFaces(a.list, 1, nullptr, 0, 1);
    EXPECT_EQ(Count("grTexSource"), 1u);
    EXPECT_EQ(Shown(320 - 65, 240 - 90), kGreen);
}

TEST_F(GlideRendererTest, BackgroundIsCopiedUnderEveryFrameAsFarAsItGoes) {
    std::uint16_t* pixels = nullptr;
    Surface* picture = video.CreateSurface(640, 480, &pixels);
    for (int i = 0; i < 640 * 480; ++i) pixels[i] = static_cast<std::uint16_t>(i * 7);
    renderer.SetBackground(picture);
    renderer.BeginFrame();
    Tri t(-50, -50, 50, -50, 50, 50);
    renderer.DrawSolidFaces(t.list, 1, nullptr, 0, 1);
    EXPECT_EQ(Shown(10, 10), pixels[10 * 640 + 10]);
    EXPECT_EQ(At(360, 240), kBlue);   // the face, drawn over it with the state kept
    renderer.BeginFrame();             // the next frame starts from the picture again
    grBufferSwap(1);
    EXPECT_EQ(shown.back(), std::vector<std::uint16_t>(pixels, pixels + 640 * 480));

    Surface* small = video.CreateSurface(16, 8, &pixels);
    std::fill(pixels, pixels + 16 * 8, 0x1111);
    renderer.SetBackground(small);
    renderer.BeginFrame();
    EXPECT_EQ(Shown(15, 7), 0x1111);
    EXPECT_EQ(At(16, 7), 0);
    EXPECT_EQ(At(15, 8), 0);
    renderer.SetBackground(nullptr);
    renderer.BeginFrame();
    EXPECT_EQ(Shown(15, 7), 0);
}

TEST_F(GlideRendererTest, TexturedFacesShadeCullAndFallBackToTheirColour) {
    ASSERT_EQ(renderer.LoadTexture(Picture("red", 8, 8, {255, 0, 0}).c_str()), 0);
    // Corners clockwise on screen (positive area): culled with sign 1, drawn with sign -1.
    // Lit colours: corners 64 grey, the face 128 red under the one default light.
    Tri t(-100, -100, -60, -100, -60, -60);
    for (Vertex& v : t.v) v.lr = v.lg = v.lb = 64;
    t.face.red = 32;
    Omni light;
    LightSet lights;
    lights.omnis[lights.omniCount++] = &light;
    struct Case {
        unsigned flags;
        int sign;
        int red;   // 5-bit red of the red texture times the shading; 0 for nothing drawn
    };
    for (const Case& c : {Case{0, 1, 31}, Case{kGouraud, 1, 8}, Case{kFlat, 1, 16}, Case{kFlat | kGouraud, 1, 16},
                          Case{kCull, 1, 0}, Case{kCull, -1, 31}}) {
        renderer.BeginFrame();
        renderer.DrawTexturedFaces(t.list, 1, &lights, c.flags, c.sign);
        const std::uint16_t p = Shown(320 - 70, 240 - 90);
        EXPECT_TRUE(p >> 11 >= c.red - 1 && p >> 11 <= c.red && (p & 0x7FF) == 0) << c.flags << " " << std::hex << p;
    }
    // Handles outside the table draw in the face colour; the faces after them are textured again.
    Tri bad(-100, -100, -60, -60, -60, -100), worse(0, -100, 40, -60, 40, -100), good(100, -100, 140, -60, 140, -100);
    bad.face.texture = -1;
    worse.face.texture = 5000;
    Face* faces[3] = {&bad.face, &worse.face, &good.face};
    renderer.BeginFrame();
    renderer.DrawTexturedFaces(faces, 3, nullptr, 0, 1);
    EXPECT_EQ(Shown(320 - 65, 240 - 90), kBlue);
    EXPECT_EQ(At(320 + 35, 240 - 90), kBlue);
    EXPECT_EQ(At(320 + 135, 240 - 90), kRed);
}

TEST_F(GlideRendererTest, SolidFacesShadeHideEachOtherAndFollowTheFaceSelection) {
    Tri t(-20, -20, 20, 20, 20, -20);
    renderer.DrawSolidFaces(t.list, 1, nullptr, kGouraud, 1);
    EXPECT_EQ(Shown(335, 225), kRed);   // the corners' lit colour
    // Frames start clear, and the nearer face wins whatever the order, around the centre.
    Tri farther(-30, -30, 30, 30, 30, -30, 100);
    farther.face.red = 255, farther.face.blue = 0;
    for (int order = 0; order < 2; ++order) {
        renderer.BeginFrame();
        renderer.DrawSolidFaces(order ? t.list : farther.list, 1, nullptr, 0, 1);
        renderer.DrawSolidFaces(order ? farther.list : t.list, 1, nullptr, 0, 1);
        EXPECT_EQ(Shown(330, 230), kBlue) << order;  // the nearer in its own colour
        EXPECT_EQ(At(345, 215), kRed) << order;     // only the farther
        EXPECT_EQ(At(400, 240), 0) << order;
    }
    // Behind the camera, or wholly at or beyond far z: never drawn.
    Tri behind(-20, -20, 20, 20, 20, -20, -1), far(-20, -20, 20, 20, 20, -20, 10000);
    behind.v[0].cz = 0;
    calls.clear();
    renderer.DrawSolidFaces(behind.list, 1, nullptr, 0, 1);
    renderer.DrawSolidFaces(far.list, 1, nullptr, 0, 1);
    renderer.DrawTexturedFaces(far.list, 1, nullptr, 0, 1);
    renderer.DrawWireframe(far.list, 1, nullptr, 0, 1);
    EXPECT_EQ(Count("guDrawTriangleWithClip") + Count("grDrawLine"), 0u);
    renderer.SetFarZ(20000);
    renderer.DrawSolidFaces(far.list, 1, nullptr, 0, 1);
    EXPECT_EQ(Count("guDrawTriangleWithClip"), 1u);
}

TEST_F(GlideRendererTest, WireframeClipsDropsAndCullsEdges) {
    Tri t(-20, -20, 20, -20, 0, 20), off(-20, -20, 5000, -20, 0, 20), gone(1000, 1000, 1200, 1000, 1100, 1300);
    renderer.DrawWireframe(off.list, 1, nullptr, 0, 1);   // one corner far off: its edges clipped, kept
    EXPECT_EQ(Count("grDrawLine"), 3u);
    EXPECT_EQ(Shown(638, 220), kBlue);
    EXPECT_EQ(At(310, 220), kBlue);
    calls.clear();
    renderer.DrawWireframe(gone.list, 1, nullptr, 0, 1);  // wholly off screen: every edge dropped
    EXPECT_EQ(Count("grDrawLine"), 0u);
    // Culled in software when the normal faces away past -0.2.
    t.face.cameraNormal.z = -0.5;
    renderer.DrawWireframe(t.list, 1, nullptr, kCull, 1);
    EXPECT_EQ(Count("grDrawLine"), 0u);
    renderer.DrawWireframe(t.list, 1, nullptr, kCull, -1);
    EXPECT_EQ(Count("grDrawLine"), 3u);
}

TEST_F(GlideRendererTest, PointsLinesAdditivePassAndColourKey) {
    Tri t(-20, -20, 20, -20, 0, 20);
    t.v[1].behind = 1;
    Vertex* points[3] = {&t.v[0], &t.v[1], &t.v[2]};
    renderer.DrawPoints(points, 3, nullptr, kGouraud);
    EXPECT_EQ(Count("grDrawPoint"), 2u);   // not the one behind
    EXPECT_EQ(Shown(300, 220), kRed);      // in its lit colour
    renderer.DrawLine(&t.v[1], &t.v[1], 0xFFFFFF);   // both ends behind
    EXPECT_EQ(Count("grDrawLine"), 0u);
    renderer.DrawLine(&t.v[0], &t.v[2], 0xFFFFFF);
    EXPECT_EQ(Count("grDrawLine"), 1u);

    // The additive pass adds and leaves the depth alone; after it faces replace and hide again.
    Tri far(-50, -50, 50, -50, 50, 50, 20), nearer(-50, -50, 50, -50, 50, 50, 10), back(-50, -50, 50, -50, 50, 50, 40);
    far.face.blue = nearer.face.blue = 64;
    renderer.BeginFrame();
    renderer.BeginAdditive();
    for (Tri* f : {&far, &far}) renderer.DrawSolidFaces(f->list, 1, nullptr, 0, 1);
    renderer.EndAdditive();
    EXPECT_EQ(Shown(360, 240), 64 * 2 >> 3);
    renderer.BeginFrame();
    for (Tri* f : {&far, &nearer, &back}) renderer.DrawSolidFaces(f->list, 1, nullptr, 0, 1);
    EXPECT_EQ(Shown(360, 240), 64 >> 3);

    // Keyed texels leave colour and depth as they were, so a face behind shows through them;
    // with the key off they are drawn and hide it.
    ASSERT_EQ(renderer.LoadTexture(Picture("magenta", 8, 8, {255, 0, 255}).c_str()), 0);
    for (unsigned key : {0xFF00FFu, 0xFFFFFFFFu}) {
        renderer.SetColorKey(key);
        renderer.BeginFrame();
        renderer.DrawTexturedFaces(nearer.list, 1, nullptr, 0, 1);
        renderer.DrawSolidFaces(far.list, 1, nullptr, 0, 1);
        EXPECT_EQ(Shown(360, 240), key == 0xFF00FF ? 64 >> 3 : 0xF81F) << std::hex << key;
    }
}

TEST_F(GlideRendererTest, ConsoleTextIsDrawnOverItsBoxInTheAdditivePass) {
    constexpr std::uint16_t kGrey = 17 << 11 | 34 << 5 | 17;  // 0x888888
    renderer.BeginFrame();
    renderer.BeginAdditive();
    renderer.FillRect(50, 50, 590, 430, 0x888888);
    renderer.DrawText(100, 100, ">|\x01", 255);  // 255 is red, as the console's errors
    renderer.DrawText(100, 120, "|", 0xFF0000);    // and blue, its answers
    renderer.DrawText(INT_MIN, INT_MAX, "far away", 255);
    renderer.DrawText(100, 140, nullptr, 255);
    renderer.EndAdditive();
    grBufferSwap(1);
    EXPECT_EQ(At(108, 103), 31 << 11 | 34 << 5 | 17);  // the bar, added to the grey
    EXPECT_EQ(At(107, 103), kGrey);                     // beside it
    EXPECT_EQ(At(101, 100), 31 << 11 | 34 << 5 | 17);  // the prompt's top stroke
    EXPECT_EQ(At(112, 100), 31 << 11 | 34 << 5 | 17);  // a character the font lacks: a box
    EXPECT_EQ(At(102, 123), 17 << 11 | 34 << 5 | 31);
    EXPECT_EQ(At(40, 40), 0);
}

TEST_F(GlideRendererTest, ProjectionsAtTheLimitsDrawSafely) {
    // What the pipeline hands over for points far off axis or right at the camera plane.
    ASSERT_EQ(renderer.LoadTexture(Picture("red", 8, 8, {255, 0, 0}).c_str()), 0);
    Tri t(INT_MAX, INT_MIN, -20, 20, INT_MAX, 0, 1e-300);
    t.v[1].invZ = std::numeric_limits<double>::infinity();
    t.v[2].cz = std::numeric_limits<double>::quiet_NaN();
    t.face.u1 = 1e300, t.face.v2 = -1e300;
    Vertex* points[3] = {&t.v[0], &t.v[1], &t.v[2]};
    for (unsigned flags : {0u, kFlat, kGouraud, kCull}) {
        renderer.DrawPoints(points, 3, nullptr, flags);
        renderer.DrawWireframe(t.list, 1, nullptr, flags, 1);
        renderer.DrawSolidFaces(t.list, 1, nullptr, flags, -1);
        renderer.DrawTexturedFaces(t.list, 1, nullptr, flags, 1);
        renderer.DrawLine(&t.v[0], &t.v[2], 0xFFFFFF);
    }
    renderer.FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x123456);
    EXPECT_EQ(Count("guDrawTriangleWithClip"), 10u);
    grBufferSwap(1);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(GlideRendererTest, KeyedFacesShowNoDarkFringeButTheAdditivePassStaysFiltered) {
    // Left half the key (black), right half red, magnified to 25 pixels a texel. The board
    // keys the filtered texel: bilinear taps across the outline would blend dark reds that
    // miss the key and ring the sprite.
    const auto bytes = bmp::Bmp24(8, 8, [](int x, int) { return x < 4 ? bmp::Rgb{0, 0, 0} : bmp::Rgb{255, 0, 0}; });
    std::ofstream(dir / "half.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_EQ(renderer.LoadTexture((dir / "half").string().c_str()), 0);
    Tri sprite(-100, -100, 100, -100, 100, 100), behind(-200, -200, 200, -200, 200, 200, 20);
    auto row = [&] {
        std::set<std::uint16_t> seen{Shown(320, 190)};
        for (int x = 320 - 40; x < 320 + 90; ++x) seen.insert(At(x, 190));
        return seen;
    };
    renderer.SetColorKey(0);
    renderer.BeginFrame();
    renderer.DrawSolidFaces(behind.list, 1, nullptr, 0, 1);
    renderer.DrawTexturedFaces(sprite.list, 1, nullptr, 0, 1);
    EXPECT_EQ(row(), (std::set<std::uint16_t>{kBlue, kRed}));
    // Added glows keep the smooth filter: their outline ramps, and black adds nothing.
    renderer.BeginFrame();
    renderer.BeginAdditive();
    renderer.DrawTexturedFaces(sprite.list, 1, nullptr, 0, 1);
    renderer.EndAdditive();
    EXPECT_GT(row().size(), 4u);
    renderer.SetColorKey(0xFFFFFFFFu);
}
