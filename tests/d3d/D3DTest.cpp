// The Direct3D-like layer on its own: what it enumerates and finds, and that what it draws is
// what the rasteriser computes for the same state.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d/D3D.h"
#include "platform/raster/Font.h"
#include "platform/raster/PixelOps.h"
#include "platform/raster/Rasteriser.h"

namespace {

constexpr int kW = 64, kH = 48;

// A device on its own 64x48 target with a 16-bit z-buffer and a viewport over all of it.
struct Rig {
    std::vector<std::uint16_t> color = std::vector<std::uint16_t>(kW * kH, 0);
    std::vector<std::uint16_t> depth = std::vector<std::uint16_t>(kW * kH, 0xFFFF);
    IDirectDrawSurface4 target{color.data(), kW, kH, DDSCAPS_3DDEVICE};
    IDirectDrawSurface4 z{depth.data(), kW, kH, DDSCAPS_ZBUFFER};
    IDirect3D3* d3d = nullptr;
    IDirect3DDevice3* device = nullptr;
    IDirect3DViewport3* viewport = nullptr;

    Rig() {
        EXPECT_EQ(Direct3DCreate(&d3d), D3D_OK);
        EXPECT_EQ(target.AddAttachedSurface(&z), DD_OK);
        EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, &target, &device, nullptr), D3D_OK);
        EXPECT_EQ(d3d->CreateViewport(&viewport, nullptr), D3D_OK);
        EXPECT_EQ(device->AddViewport(viewport), D3D_OK);
        D3DVIEWPORT2 v;
        v.dwWidth = kW, v.dwHeight = kH, v.dvClipWidth = kW, v.dvClipHeight = kH;
        EXPECT_EQ(viewport->SetViewport2(&v), D3D_OK);
        EXPECT_EQ(device->SetCurrentViewport(viewport), D3D_OK);
    }
    ~Rig() {
        viewport->Release();
        device->Release();
        d3d->Release();
    }
};

D3DTLVERTEX Tl(float x, float y, float sz, float rhw, D3DCOLOR c, float tu = 0, float tv = 0) {
    D3DTLVERTEX v;
    v.sx = x, v.sy = y, v.sz = sz, v.rhw = rhw, v.color = c, v.tu = tu, v.tv = tv;
    return v;
}

HRESULT CollectFormats(DDPIXELFORMAT* f, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*f);
    return D3DENUMRET_OK;
}

HRESULT CollectDevices(GUID* guid, const char* description, const char*, D3DDEVICEDESC* hw, D3DDEVICEDESC* sw, void* context) {
    auto* seen = static_cast<std::vector<std::string>*>(context);
    seen->push_back(std::string(description) + (*guid == IID_IDirect3DRGBDevice ? " rgb" : " other") +
                    (hw->dpcTriCaps.dwShadeCaps ? " hw" : "") + (sw->dpcTriCaps.dwShadeCaps ? " sw" : ""));
    return D3DENUMRET_OK;
}

}  // namespace

TEST(D3DLayer, OnlyTheRgbDeviceExistsAndItsDepthFormatsComeStencilFirst) {
    IDirect3D3* d3d = nullptr;
    ASSERT_EQ(Direct3DCreate(&d3d), D3D_OK);
    std::vector<std::string> devices;
    EXPECT_EQ(d3d->EnumDevices(CollectDevices, &devices), D3D_OK);
    EXPECT_EQ(devices, std::vector<std::string>{"RGB Emulation rgb sw"});

    D3DFINDDEVICESEARCH search;
    D3DFINDDEVICERESULT result;
    search.dwFlags = D3DFDS_HARDWARE | D3DFDS_SHADECAPS;
    search.bHardware = TRUE;
    search.dpcPrimCaps.dwShadeCaps = 8;
    EXPECT_EQ(d3d->FindDevice(&search, &result), DDERR_NOTFOUND);
    search.bHardware = FALSE;
    EXPECT_EQ(d3d->FindDevice(&search, &result), D3D_OK);
    EXPECT_TRUE(result.guid == IID_IDirect3DRGBDevice);
    search.dwFlags = D3DFDS_RASTERCAPS, search.dpcPrimCaps.dwRasterCaps = 0x40000;   // a w-buffer: not this one
    EXPECT_EQ(d3d->FindDevice(&search, &result), DDERR_NOTFOUND);

    std::vector<DDPIXELFORMAT> formats;
    EXPECT_EQ(d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, CollectFormats, &formats), D3D_OK);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0].dwFlags, DDPF_ZBUFFER | DDPF_STENCILBUFFER);
    EXPECT_EQ(formats[1].dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(formats[1].dwZBufferBitDepth, 16u);
    EXPECT_NE(d3d->EnumZBufferFormats(IID_IDirect3DHALDevice, CollectFormats, &formats), D3D_OK);

    // A device needs a 3D surface; a z-buffer must match its size.
    std::vector<std::uint16_t> pixels(16);
    IDirectDrawSurface4 plain(pixels.data(), 4, 4, 0), texture(pixels.data(), 4, 4, DDSCAPS_TEXTURE);
    IDirectDrawSurface4 target(pixels.data(), 4, 4, DDSCAPS_3DDEVICE), wrongZ(pixels.data(), 2, 8, DDSCAPS_ZBUFFER);
    IDirect3DDevice3* device = nullptr;
    EXPECT_NE(d3d->CreateDevice(IID_IDirect3DRGBDevice, &plain, &device, nullptr), D3D_OK);
    EXPECT_EQ(device, nullptr);
    EXPECT_NE(d3d->CreateDevice(IID_IDirect3DHALDevice, &target, &device, nullptr), D3D_OK);
    EXPECT_NE(target.AddAttachedSurface(&wrongZ), DD_OK);
    void* object = nullptr;
    EXPECT_NE(plain.QueryInterface(IID_IDirect3DTexture2, &object), DD_OK);
    EXPECT_EQ(texture.QueryInterface(IID_IDirect3DTexture2, &object), DD_OK);
    EXPECT_NE(object, nullptr);
    d3d->Release();
}

TEST(D3DLayer, GouraudAndTexturedTrianglesComeOutAsTheRasteriserComputesThem) {
    Rig rig;
    // A 4x4 checker texture of red and white texels.
    std::vector<std::uint16_t> texels(16);
    for (int i = 0; i < 16; ++i) texels[i] = ((i / 4 + i % 4) & 1) ? 0xFFFF : 0xF800;
    IDirectDrawSurface4 surface(texels.data(), 4, 4, DDSCAPS_TEXTURE);
    void* object = nullptr;
    ASSERT_EQ(surface.QueryInterface(IID_IDirect3DTexture2, &object), DD_OK);
    auto* texture = static_cast<IDirect3DTexture2*>(object);
    raster::Texture reference;
    reference.Load(texels.data(), 4, raster::TexelFormat::RGB565);

    const D3DTLVERTEX tri[3] = {Tl(3.2f, 2.7f, 0.25f, 0.5f, 0xFF2040, 0, 0), Tl(60.5f, 9.1f, 0.5f, 0.25f, 0x10F080, 1, 0),
                                Tl(20.3f, 45.8f, 0.75f, 0.125f, 0x8080FF, 0.5f, 1)};
    struct Case {
        bool textured, perspective, linear, dither;
    };
    for (const Case c : {Case{false, true, false, true}, Case{false, false, false, false}, Case{true, true, true, true},
                         Case{true, false, false, false}, Case{true, true, false, true}}) {
        D3DRECT all{0, 0, kW, kH};
        ASSERT_EQ(rig.viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        rig.device->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, c.perspective);
        rig.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, c.dither);
        rig.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        rig.device->SetTextureStageState(0, D3DTSS_MAGFILTER, c.linear ? D3DTFG_LINEAR : D3DTFG_POINT);
        rig.device->SetTexture(0, c.textured ? texture : nullptr);
        D3DTLVERTEX copy[3] = {tri[0], tri[1], tri[2]};
        ASSERT_EQ(rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, copy, 3, 0), D3D_OK);

        std::vector<std::uint16_t> color(kW * kH, 0), depth(kW * kH, 0xFFFF);
        raster::Rasteriser r;
        r.target = raster::Target{color.data(), depth.data(), kW, kH};
        r.state.source = c.textured ? raster::ColorSource::TextureTimesIterated : raster::ColorSource::Iterated;
        r.state.texture = c.textured ? &reference : nullptr;
        r.state.filter = c.linear ? raster::Filter::Bilinear : raster::Filter::Point;
        r.state.depthMode = raster::DepthMode::ZBuffer;
        r.state.depthFunc = raster::DepthFunc::LessEqual;   // the device's default test
        r.state.dither = c.dither;
        raster::Vertex v[3];
        for (int i = 0; i < 3; ++i) {
            const float oow = c.textured && c.perspective ? tri[i].rhw : 1.0f;
            v[i].x = tri[i].sx, v[i].y = tri[i].sy, v[i].z = tri[i].sz * 65535.0f, v[i].oow = oow;
            v[i].r = float(tri[i].color >> 16 & 0xFF), v[i].g = float(tri[i].color >> 8 & 0xFF), v[i].b = float(tri[i].color & 0xFF);
            v[i].sow = tri[i].tu * 256 * oow, v[i].tow = tri[i].tv * 256 * oow;
        }
        r.DrawTriangle(v[0], v[1], v[2]);
        EXPECT_EQ(rig.color, color) << c.textured << c.perspective << c.linear << c.dither;
        EXPECT_EQ(rig.depth, depth) << c.textured << c.perspective << c.linear << c.dither;
        // Partly covered: the comparison sees edges and inside alike.
        EXPECT_GT(std::count(color.begin(), color.end(), 0), kW * kH / 4);
        EXPECT_LT(std::count(color.begin(), color.end(), 0), kW * kH * 3 / 4);
    }
}

TEST(D3DLayer, ClearsBlendsKeysAndCullsAsItsStatesSay) {
    Rig rig;
    D3DRECT part{-5, 40, 10, 100};   // reaches past the target: clipped, never written outside
    ASSERT_EQ(rig.viewport->Clear2(1, &part, D3DCLEAR_TARGET, 0x0000FF, 0.5f, 0), D3D_OK);
    EXPECT_EQ(rig.color[47 * kW + 9], 0x001F);
    EXPECT_EQ(rig.color[47 * kW + 10], 0);
    EXPECT_EQ(rig.color[39 * kW + 0], 0);
    EXPECT_EQ(rig.depth[47 * kW + 9], 0xFFFF);   // the colour only
    ASSERT_EQ(rig.viewport->Clear2(1, &part, D3DCLEAR_ZBUFFER, 0xFF0000, 0.5f, 0), D3D_OK);
    EXPECT_EQ(rig.depth[47 * kW + 9], 32768);
    EXPECT_EQ(rig.color[47 * kW + 9], 0x001F);
    const auto before = rig.color;
    D3DRECT outside[2] = {{kW + 10, 0, kW + 90, kH}, {20, 10, 5, 30}};   // off the target; inside out
    ASSERT_EQ(rig.viewport->Clear2(2, outside, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFF, 0, 0), D3D_OK);
    EXPECT_EQ(rig.color, before);

    rig.device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    rig.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, FALSE);
    // Clockwise on screen: culled by D3DCULL_CW, drawn by D3DCULL_CCW and D3DCULL_NONE.
    D3DTLVERTEX cw[3] = {Tl(0, 0, 0, 1, 0x00FF00), Tl(20, 0, 0, 1, 0x00FF00), Tl(0, 20, 0, 1, 0x00FF00)};
    for (DWORD mode : {D3DCULL_CW, D3DCULL_CCW, D3DCULL_NONE}) {
        rig.color[2 * kW + 2] = 0;
        rig.device->SetRenderState(D3DRENDERSTATE_CULLMODE, mode);
        rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, cw, 3, 0);
        EXPECT_EQ(rig.color[2 * kW + 2], mode == D3DCULL_CW ? 0 : 0x07E0) << mode;
    }
    // ONE/ONE adds only with blending enabled.
    D3DTLVERTEX red[3] = {Tl(0, 0, 0, 1, 0xFF0000), Tl(20, 0, 0, 1, 0xFF0000), Tl(0, 20, 0, 1, 0xFF0000)};
    rig.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    rig.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, red, 3, 0);
    EXPECT_EQ(rig.color[2 * kW + 2], 0xF800);
    rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, cw, 3, 0);
    rig.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, red, 3, 0);
    EXPECT_EQ(rig.color[2 * kW + 2], 0xFFE0);
    rig.device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);

    // Texels equal to the render target's key are dropped while keying is on.
    std::vector<std::uint16_t> texels = {0x0000, 0x001F, 0x001F, 0x0000};
    IDirectDrawSurface4 surface(texels.data(), 2, 2, DDSCAPS_TEXTURE);
    void* texture = nullptr;
    ASSERT_EQ(surface.QueryInterface(IID_IDirect3DTexture2, &texture), DD_OK);
    DDCOLORKEY black;
    ASSERT_EQ(rig.target.SetColorKey(DDCKEY_SRCBLT, &black), DD_OK);
    rig.device->SetTexture(0, static_cast<IDirect3DTexture2*>(texture));
    // The top-left texel (black) covers pixels 0..9 of the first rows.
    D3DTLVERTEX quad[3] = {Tl(0, 0, 0, 1, 0xFFFFFF, 0, 0), Tl(40, 0, 0, 1, 0xFFFFFF, 2, 0), Tl(0, 40, 0, 1, 0xFFFFFF, 0, 2)};
    for (BOOL keyed : {FALSE, TRUE}) {
        rig.color.assign(rig.color.size(), 0x1234);
        rig.device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, keyed);
        rig.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 3, 0);
        EXPECT_EQ(rig.color[2 * kW + 2], keyed ? 0x1234 : 0) << keyed;
        EXPECT_EQ(rig.color[2 * kW + 12], 0x001F) << keyed;
    }
}

TEST(D3DLayer, TextTakesItsColourRedFirstAndStaysOnTheSurface) {
    std::vector<std::uint16_t> pixels(kW * kH, 0);
    IDirectDrawSurface4 surface(pixels.data(), kW, kH, DDSCAPS_3DDEVICE);
    HDC dc = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), DD_OK);
    HDC second = nullptr;
    EXPECT_NE(surface.GetDC(&second), DD_OK);   // one context at a time
    SetTextColor(dc, 0x0000FF);                  // COLORREF red
    SetBkMode(dc, TRANSPARENT);
    const char* text = "A|";
    EXPECT_TRUE(ExtTextOutA(dc, -2, kH - 4, 0, nullptr, text, 2, nullptr));
    EXPECT_TRUE(ExtTextOutA(dc, kW - 3, 0, 0, nullptr, "HH", 2, nullptr));
    EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);

    // Every lit pixel is pure red and lies where a glyph column is set.
    int lit = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::uint16_t p = pixels[y * kW + x];
            if (p == 0) continue;
            ++lit;
            EXPECT_EQ(p, 0xF800) << x << "," << y;
        }
    int expected = 0;
    auto count = [&](const char* s, int x0, int y0) {
        for (int i = 0; s[i]; ++i)
            for (int col = 0; col < raster::kFontColumns; ++col)
                for (int row = 0; row < raster::kFontRows; ++row) {
                    const int x = x0 + i * raster::kFontAdvance + col, y = y0 + row;
                    expected += (raster::FontGlyph(s[i])[col] >> row & 1) && x >= 0 && x < kW && y >= 0 && y < kH;
                }
    };
    count("A|", -2, kH - 4);
    count("HH", kW - 3, 0);
    EXPECT_EQ(lit, expected);
    EXPECT_GT(lit, 0);
}
