// The two Direct3D renderers through a recording of the d3d layer: the calls each operation
// makes, the bounds of each, what reaches the screen, and every start-up failure's message.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/render/D3DRenderer.h"
#include "engine/render/D3DSoftRenderer.h"
#include "engine/video/Video.h"
#include "engine/world/Face.h"
#include "engine/world/LightSet.h"
#include "engine/world/Lights.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vertex.h"
#include "platform/os/Presenter.h"
#include "support/BmpFiles.h"
#include "support/Headless.h"

namespace {

namespace fs = std::filesystem;
using RenderFlags::kCull;
using RenderFlags::kFlat;
using RenderFlags::kGouraud;

template <class R>
class D3DRendererTest : public ::testing::Test {
protected:
    Video video;
    R renderer{video};
    std::vector<D3DCall> calls;
    std::vector<std::vector<std::uint16_t>> shown;
    fs::path dir;

    void SetUp() override {
        StartHeadlessDisplay(video);
        dir = fs::temp_directory_path() / ("solmire-d3d-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        d3dSetCallRecorder([this](const D3DCall& c) { calls.push_back(c); });
        renderer.Init();
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) { shown.emplace_back(p, p + w * h); });
    }
    void TearDown() override {
        d3dSetCallRecorder({});
        os::SetFrameSink({});
        fs::remove_all(dir);
    }

    std::string Picture(const std::string& name, int w, int h, bmp::Rgb colour) {
        const auto bytes = bmp::Bmp24(w, h, [&](int, int) { return colour; });
        std::ofstream(dir / (name + ".bmp"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return (dir / name).string();
    }

    std::vector<std::string> Texts(std::size_t from = 0) const {
        std::vector<std::string> out;
        for (std::size_t i = from; i < calls.size(); ++i) out.push_back(calls[i].text);
        return out;
    }

    // The frame as shown after EndFrame and the display's flip.
    const std::vector<std::uint16_t>& Show() {
        renderer.EndFrame();
        video.Flip();
        return shown.back();
    }
};

// A triangle at depth z, corners at screen offsets from the centre; corner colours 0x110000,
// 0x220000, 0x330000, face base colour blue.
struct Tri {
    Vertex v[3];
    Face face{&v[0], &v[1], &v[2]};
    Face* list[1] = {&face};
    Tri(int x0, int y0, int x1, int y1, int x2, int y2, double z = 10) {
        const int xy[3][2] = {{x0, y0}, {x1, y1}, {x2, y2}};
        for (int i = 0; i < 3; ++i) {
            v[i].sx = xy[i][0], v[i].sy = xy[i][1], v[i].cz = z, v[i].invZ = 1 / z;
            v[i].packed = 0x110000 * (i + 1);
        }
        face.red = 0, face.green = 0, face.blue = 255;
        face.u0 = 0, face.v0 = 0, face.u1 = 1, face.v1 = 0, face.u2 = 1, face.v2 = 1;
    }
};

using Both = ::testing::Types<D3DRenderer, D3DSoftRenderer>;
TYPED_TEST_SUITE(D3DRendererTest, Both);

class D3DHardTest : public D3DRendererTest<D3DRenderer> {};
class D3DSoftTest : public D3DRendererTest<D3DSoftRenderer> {};

}  // namespace

TEST_F(D3DHardTest, InitFallsBackToTheRgbDeviceAndSetsItsStatesInOrder) {
    EXPECT_EQ(renderer.hardware, 0);
    EXPECT_TRUE(renderer.deviceGuid == IID_IDirect3DRGBDevice);
    const auto t = Texts();
    ASSERT_NE(std::find(t.begin(), t.end(), "FindDevice(1, 14564)"), t.end());   // flags 0x38E4, hardware TRUE
    const auto first = std::find_if(t.begin(), t.end(), [](const std::string& s) { return s.rfind("SetRenderState", 0) == 0; });
    EXPECT_EQ(std::vector<std::string>(first, t.end()),
              (std::vector<std::string>{"SetRenderState(4, 1)", "SetRenderState(7, 1)", "SetRenderState(23, 2)",
                                        "SetRenderState(26, 1)", "SetRenderState(19, 2)", "SetRenderState(20, 2)",
                                        "SetTextureStageState(0, 17, 2)", "SetTextureStageState(0, 16, 2)",
                                        "SetRenderState(29, 0)"}));
    EXPECT_EQ(renderer.GetMinX(), 0);
    EXPECT_EQ(renderer.GetMaxX(), 640);
    EXPECT_EQ(renderer.GetMinY(), 0);
    EXPECT_EQ(renderer.GetMaxY(), 480);
    EXPECT_EQ(renderer.GetFarZ(), 4000);
    EXPECT_EQ(renderer.viewport->Description().dvMaxZ, 4000.0f);
    EXPECT_EQ(video.mode, Video::kModeDirect3D);
    EXPECT_NE(renderer.device->LightState(D3DLIGHTSTATE_MATERIAL), 0u);
    EXPECT_EQ(renderer.material->Material().ambient.r, 1.0f);
}

TEST_F(D3DSoftTest, InitTakesTheRgbDeviceWithWiderBoundsAndFewerStates) {
    const auto t = Texts();
    EXPECT_EQ(std::count_if(t.begin(), t.end(), [](const std::string& s) { return s.rfind("FindDevice", 0) == 0; }), 0);
    const auto first = std::find_if(t.begin(), t.end(), [](const std::string& s) { return s.rfind("SetRenderState", 0) == 0; });
    EXPECT_EQ(std::vector<std::string>(first, t.end()),
              (std::vector<std::string>{"SetRenderState(4, 0)", "SetRenderState(7, 1)", "SetRenderState(23, 2)",
                                        "SetRenderState(26, 0)", "SetRenderState(19, 2)", "SetRenderState(20, 2)"}));
    EXPECT_EQ(renderer.GetMinX(), -500);
    EXPECT_EQ(renderer.GetMaxX(), 1140);
    EXPECT_EQ(renderer.GetMinY(), -200);
    EXPECT_EQ(renderer.GetMaxY(), 680);
    EXPECT_EQ(renderer.hardware, 0);
}

TYPED_TEST(D3DRendererTest, FacesSetCullModeColoursAndTexturesAsTheirFlagsSay) {
    Tri t(-20, -20, 20, -20, 20, 20);
    t.face.red = 0x40, t.face.green = 0x50, t.face.blue = 0x60;
    Omni light;
    LightSet lights;
    lights.omnis[lights.omniCount++] = &light;
    const D3DCOLOR flat = static_cast<D3DCOLOR>(t.face.Light(&lights, 1));
    const D3DCOLOR base = static_cast<D3DCOLOR>(t.face.PackedBaseColor());
    ASSERT_NE(flat, base);
    struct Case {
        unsigned flags;
        int sign;
        std::string cull;
        D3DCOLOR colours[3];
    };
    const Case cases[] = {{0, 1, "SetRenderState(22, 1)", {base, base, base}},
                          {kCull, 1, "SetRenderState(22, 2)", {base, base, base}},
                          {kCull, -1, "SetRenderState(22, 3)", {base, base, base}},
                          {kCull | kFlat, 1, "SetRenderState(22, 2)", {flat, flat, flat}},
                          {kGouraud, 1, "SetRenderState(22, 1)", {0x110000, 0x220000, 0x330000}},
                          {kGouraud | kFlat, 1, "SetRenderState(22, 1)", {0x110000, 0x220000, 0x330000}}};
    for (bool textured : {false, true})
        for (const Case& c : cases) {
            this->calls.clear();
            if (textured) this->renderer.DrawTexturedFaces(t.list, 1, &lights, c.flags, c.sign);
            else this->renderer.DrawSolidFaces(t.list, 1, &lights, c.flags, c.sign);
            ASSERT_GE(this->calls.size(), 2u);
            EXPECT_EQ(this->calls[0].text, c.cull) << c.flags;
            const auto draw = std::find_if(this->calls.begin(), this->calls.end(),
                                           [](const D3DCall& d) { return d.text == "DrawPrimitive(4, 0x1c4, 3, 0)"; });
            ASSERT_NE(draw, this->calls.end());
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(draw->vertices[k].color, c.colours[k]) << c.flags << " corner " << k;
                EXPECT_FLOAT_EQ(draw->vertices[k].sz, 10.0f / 4000);
                EXPECT_FLOAT_EQ(draw->vertices[k].rhw, 0.1f);
            }
            EXPECT_EQ(draw->vertices[0].sx, 300.0f);
            EXPECT_EQ(draw->vertices[2].sy, 260.0f);
            EXPECT_EQ(draw->vertices[2].tu, textured ? 1.0f : 0.0f);
            EXPECT_EQ(draw->vertices[2].tv, textured ? 1.0f : 0.0f);
        }
}

TYPED_TEST(D3DRendererTest, TexturesAreSetOnlyOnChangeAndResetAfterTheLastFace) {
    auto& r = this->renderer;
    const std::string red = this->Picture("red", 100, 50, {255, 0, 0}), green = this->Picture("green", 8, 8, {0, 255, 0});
    EXPECT_EQ(r.LoadTexture(red.c_str()), 0);
    EXPECT_EQ(r.LoadTexture(green.c_str()), 1);
    EXPECT_EQ(r.LoadTexture(red.c_str()), 0);
    EXPECT_EQ(r.TextureCount(), 2);
    ASSERT_NE(r.Texture(0).surface, nullptr);
    EXPECT_EQ(r.Texture(0).surface->Width(), 256);
    EXPECT_EQ(r.Texture(1).surface->Height(), 256);
    // FreeTexture changes nothing.
    EXPECT_EQ(r.FreeTexture(0), 0);
    EXPECT_EQ(r.TextureCount(), 2);
    EXPECT_EQ(r.LoadTexture(green.c_str()), 1);

    const std::string t0 = "SetTexture(0, #" + std::to_string(r.Texture(0).texture->Id()) + ")";
    const std::string t1 = "SetTexture(0, #" + std::to_string(r.Texture(1).texture->Id()) + ")";
    // The middle face is behind the camera: not drawn, but its texture is still set.
    Tri a(-20, -20, 20, -20, 20, 20), b(-20, -20, 20, -20, 20, 20, -5), c(-20, -20, 20, -20, 20, 20), d(0, 0, 9, 0, 9, 9);
    a.face.texture = 0, b.face.texture = 1, c.face.texture = 1, d.face.texture = 4000;
    Face* faces[4] = {&a.face, &b.face, &c.face, &d.face};
    this->calls.clear();
    r.DrawTexturedFaces(faces, 4, nullptr, 0, 1);
    std::vector<std::string> textures;
    for (const auto& s : this->Texts())
        if (s.rfind("SetTexture", 0) == 0) textures.push_back(s);
        else if (s.rfind("DrawPrimitive", 0) == 0) textures.push_back("draw");
    const std::string none = "SetTexture(0, null)";
    EXPECT_EQ(textures, (std::vector<std::string>{t0, "draw", t1, "draw", none, "draw", none}));
    EXPECT_EQ(r.currentTexture, -1);
}

TYPED_TEST(D3DRendererTest, FillRectOpensItsOwnSceneAndLinesIgnoreTheBehindFlags) {
    auto& r = this->renderer;
    r.BeginFrame();
    Tri t(-20, -20, 20, -20, 20, 20);
    r.DrawSolidFaces(t.list, 1, nullptr, kCull, 1);   // leaves clockwise culling on
    this->calls.clear();
    r.FillRect(10, 20, 30, 40, 0x00FF00);
    EXPECT_EQ(this->Texts(), (std::vector<std::string>{"SetTexture(0, null)", "SetRenderState(22, 1)", "BeginScene()",
                                                       "DrawPrimitive(4, 0x1c4, 6, 0)", "EndScene()"}));
    const auto& quad = this->calls[3].vertices;
    const float expected[6][2] = {{10, 20}, {30, 20}, {30, 40}, {10, 40}, {10, 20}, {30, 40}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(quad[k].sx, expected[k][0]);
        EXPECT_EQ(quad[k].sy, expected[k][1]);
        EXPECT_EQ(quad[k].sz, 0.0f);
        EXPECT_EQ(quad[k].rhw, 0.0f);
        EXPECT_EQ(quad[k].color, 0x00FF00u);
    }

    Vertex a, b;
    a.behind = b.behind = 1;
    a.sx = -100, b.sx = 100, a.cz = b.cz = -4, a.invZ = b.invZ = 0.25;
    this->calls.clear();
    r.DrawLine(&a, &b, 0xFFFFFF);
    ASSERT_EQ(this->Texts(), std::vector<std::string>{"DrawPrimitive(2, 0x1c4, 2, 0)"});
    EXPECT_EQ(this->calls[0].vertices[1].sx, 420.0f);
    EXPECT_EQ(this->calls[0].vertices[0].color, 0xFFFFFFu);
    // Points: behind ones are left out of the one list.
    Vertex* points[2] = {&a, &b};
    b.behind = 0;
    this->calls.clear();
    r.DrawPoints(points, 2, nullptr, 0);
    ASSERT_EQ(this->Texts(), std::vector<std::string>{"DrawPrimitive(1, 0x1c4, 1, 0)"});

    // On screen: the rectangle shows though clockwise culling was left on.
    const auto& frame = this->Show();
    EXPECT_EQ(frame[25 * 640 + 15], 0x07E0);
    EXPECT_EQ(frame[25 * 640 + 35], 0);
}

TYPED_TEST(D3DRendererTest, BackgroundIsStretchedOverTheUnclearedTargetEveryFrame) {
    auto& r = this->renderer;
    std::uint16_t* pixels = nullptr;
    Surface* picture = this->video.CreateSurface(320, 240, &pixels);
    for (int i = 0; i < 320 * 240; ++i) pixels[i] = static_cast<std::uint16_t>(i * 7 + 1);
    r.SetBackground(picture);
    this->calls.clear();
    r.BeginFrame();
    EXPECT_EQ(this->Texts(), (std::vector<std::string>{"Clear2(1, 2, 0, 1)", "BeginScene()"}));
    auto frame = this->Show();
    EXPECT_EQ(frame[(2 * 100) * 640 + 2 * 50 + 1], pixels[100 * 320 + 50]);   // stretched twice as large
    // The last shown frame reads back as shown (what the fade starts from).
    std::vector<std::uint16_t> read(640 * 480, 1);
    ASSERT_TRUE(this->video.ReadShownFrame(read.data(), 640, 480));
    EXPECT_EQ(read, frame);
    EXPECT_FALSE(this->video.ReadShownFrame(read.data(), 320, 480));

    r.SetBackground(nullptr);
    this->calls.clear();
    r.BeginFrame();
    EXPECT_EQ(this->Texts(), (std::vector<std::string>{"Clear2(1, 3, 0, 1)", "BeginScene()"}));
    Tri t(-20, -20, 20, -20, 20, 20);
    r.DrawSolidFaces(t.list, 1, nullptr, kGouraud, 1);
    frame = this->Show();
    EXPECT_EQ(frame[0], 0);
    EXPECT_NE(frame[(240 - 15) * 640 + 320 + 15], 0);   // the gouraud face, red

    // An unshaded textured face is its texture tinted by its base colour.
    ASSERT_EQ(r.LoadTexture(this->Picture("white", 16, 16, {255, 255, 255}).c_str()), 0);
    t.face.red = 255, t.face.green = 128, t.face.blue = 0;
    r.BeginFrame();
    r.DrawTexturedFaces(t.list, 1, nullptr, 0, 1);
    frame = this->Show();
    const std::uint16_t p = frame[(240 - 15) * 640 + 320 + 15];
    EXPECT_EQ(p >> 11, 31);
    EXPECT_NEAR((p >> 5) & 0x3F, 32, 1);
    EXPECT_EQ(p & 0x1F, 0);
}

TYPED_TEST(D3DRendererTest, AdditivePassColourKeyAndTextDriveTheirStates) {
    auto& r = this->renderer;
    this->calls.clear();
    r.BeginAdditive();
    r.EndAdditive();
    r.SetColorKey(0xFFFFFFFFu);
    r.SetColorKey(0x000000);
    EXPECT_EQ(this->Texts(), (std::vector<std::string>{"SetRenderState(14, 0)", "SetRenderState(27, 1)",
                                                       "SetRenderState(14, 1)", "SetRenderState(27, 0)",
                                                       "SetRenderState(41, 0)", "SetRenderState(41, 1)",
                                                       "SetColorKey(8, 0, 0)"}));
    this->calls.clear();
    r.BeginFrame();
    r.DrawText(100, 100, "I", 0x0000FF);
    EXPECT_EQ(this->Texts(2),
              (std::vector<std::string>{"GetDC()", "SetTextColor(255)", "SetBkMode(1)", "ExtTextOutA(100, 100, 0, I)",
                                        "ReleaseDC()"}));
    const auto& frame = this->Show();
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xF800), 11);   // the I's eleven pixels, red
    // SetFarZ changes sz from the next draw on.
    r.SetFarZ(200000);
    Tri t(-20, -20, 20, -20, 20, 20, 1000);
    this->calls.clear();
    r.DrawSolidFaces(t.list, 1, nullptr, 0, 1);
    EXPECT_FLOAT_EQ(this->calls.back().vertices[0].sz, 1000.0f / 200000);
}

// Each start-up failure: its message under "V3d Error" and its exit code.
TEST(D3DRendererDeath, EveryFailureOfTheStartShowsItsMessageAndExitCode) {
    struct Case {
        const char* call;
        const char* message;
        int code;
    };
    const Case cases[] = {{"EnumZBufferFormats", "V3d Error: Couldn't get ZBuffer device", -16},
                          {"AddAttachedSurface", "V3d Error: Couldn't attach ZBuffer surface", -17},
                          {"CreateDevice", "V3d Error: Couldn't get D3D device", -6},
                          {"CreateViewport", "V3d Error: Couldn't get D3D viewport", -7},
                          {"AddViewport", "V3d Error: Couldn't add D3D viewport", -9},
                          {"SetViewport2", "V3d Error: Couldn't set D3D viewport", -10},
                          {"SetCurrentViewport", "V3d Error: Couldn't set current D3D viewport", -11},
                          {"CreateMaterial", "V3d Error: Couldn't create material", -12},
                          {"Clear2", "V3d Error: Couldn't clear D3D viewport", -8},
                          {"QueryInterface", "V3d Error: Couldn't get D3D texture interface", -18},
                          {"Direct3DCreate", "VVideo Error: Couldn't start Direct3D mode", -6}};
    const fs::path picture = fs::temp_directory_path() / ("solmire-d3d-death-" + std::to_string(::getpid()));
    const auto bytes = bmp::Bmp24(4, 4, [](int, int) { return bmp::Rgb{1, 2, 3}; });
    std::ofstream(picture.string() + ".bmp", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                d3dSetFailingCalls({c.call});
                Video video;
                StartHeadlessDisplay(video);
                D3DSoftRenderer renderer(video);
                renderer.Init();
                renderer.BeginFrame();
                renderer.LoadTexture(picture.c_str());
                std::exit(0);
            },
            ::testing::ExitedWithCode(c.code & 0xFF), c.message)
            << c.call;
    }
    fs::remove(picture.string() + ".bmp");
}

TEST(D3DRendererDeath, WithoutADisplayNothingIsDrawnAndAStencilDepthIsRefused) {
    Video quiet;
    quiet.Init(1, nullptr);
    quiet.SetMode(640, 480);
    D3DRenderer renderer(quiet);
    renderer.Init();
    EXPECT_EQ(renderer.direct3D, nullptr);
    EXPECT_EQ(renderer.GetMaxX(), 640);
    Tri t(-20, -20, 20, -20, 20, 20);
    renderer.BeginFrame();
    renderer.DrawSolidFaces(t.list, 1, nullptr, 0, 1);
    renderer.FillRect(0, 0, 10, 10, 0);
    renderer.DrawText(0, 0, "x", 0);
    renderer.EndFrame();
    EXPECT_EQ(quiet.mode, Video::kModeDirect3D);

    DDPIXELFORMAT stencil;
    stencil.dwFlags = DDPF_ZBUFFER | DDPF_STENCILBUFFER;
    stencil.dwZBufferBitDepth = 32;
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.CreateZBuffer(&stencil, 0);
            std::exit(0);
        },
        ::testing::ExitedWithCode(29), "VVideo Error: Couldn't create ZBuffer Surface");
}
