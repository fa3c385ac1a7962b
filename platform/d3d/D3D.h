#pragma once

// The subset of Direct3D 6 immediate mode (and of the DirectDraw surfaces and GDI text it
// meets) that the Direct3D renderers call, implemented on our software rasteriser. Names,
// argument orders and constant values are Direct3D's own, so the calling code reads as it
// would against DirectX. There is one device, the RGB software one; a search for hardware
// finds nothing. Pre-transformed lit vertices only (D3DFVF_TLVERTEX), 16-bit 5-6-5 colour and a
// 16-bit z-buffer.
//
// Surfaces belong to the display: IDirectDrawSurface4 is a view of 16-bit pixel memory owned
// elsewhere, which the device draws into (render target), tests depth against (z-buffer) or
// samples (texture).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/raster/Rasteriser.h"

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using D3DVALUE = float;
using D3DCOLOR = std::uint32_t;      // 0xAARRGGBB
using COLORREF = std::uint32_t;      // 0x00BBGGRR
using D3DMATERIALHANDLE = DWORD;
using D3DPRIMITIVETYPE = int;
using D3DRENDERSTATETYPE = int;
using D3DLIGHTSTATETYPE = int;
using D3DTEXTURESTAGESTATETYPE = int;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT D3DERR_SCENE_IN_SCENE = static_cast<HRESULT>(0x88760B68u);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = static_cast<HRESULT>(0x88760B69u);
inline bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT D3DENUMRET_CANCEL = 0;
constexpr HRESULT D3DENUMRET_OK = 1;

constexpr D3DPRIMITIVETYPE D3DPT_POINTLIST = 1;
constexpr D3DPRIMITIVETYPE D3DPT_LINELIST = 2;
constexpr D3DPRIMITIVETYPE D3DPT_LINESTRIP = 3;
constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLELIST = 4;
constexpr DWORD D3DFVF_TLVERTEX = 0x1C4;

constexpr D3DLIGHTSTATETYPE D3DLIGHTSTATE_MATERIAL = 1;

constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZENABLE = 7;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZWRITEENABLE = 14;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SRCBLEND = 19;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_DESTBLEND = 20;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_CULLMODE = 22;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ZFUNC = 23;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_DITHERENABLE = 26;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_ALPHABLENDENABLE = 27;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_SPECULARENABLE = 29;
constexpr D3DRENDERSTATETYPE D3DRENDERSTATE_COLORKEYENABLE = 41;
constexpr int kD3DRenderStateCount = 64;

constexpr DWORD D3DZB_FALSE = 0;
constexpr DWORD D3DZB_TRUE = 1;
constexpr DWORD D3DCMP_NEVER = 1;
constexpr DWORD D3DCMP_LESS = 2;
constexpr DWORD D3DCMP_LESSEQUAL = 4;
constexpr DWORD D3DCMP_ALWAYS = 8;
constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;

constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAGFILTER = 16;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MINFILTER = 17;
constexpr int kD3DStageStateCount = 32;
constexpr DWORD D3DTFG_POINT = 1;
constexpr DWORD D3DTFG_LINEAR = 2;
constexpr DWORD D3DTFN_POINT = 1;
constexpr DWORD D3DTFN_LINEAR = 2;

constexpr DWORD D3DCLEAR_TARGET = 1;
constexpr DWORD D3DCLEAR_ZBUFFER = 2;

constexpr DWORD DDCKEY_SRCBLT = 8;
constexpr DWORD DDPF_ZBUFFER = 0x400;
constexpr DWORD DDPF_STENCILBUFFER = 0x4000;

// Surface capabilities, as the display creates them.
constexpr DWORD DDSCAPS_TEXTURE = 0x1000;
constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;
constexpr DWORD DDSCAPS_ZBUFFER = 0x20000;

// Device search flags and capability bits of D3DFINDDEVICESEARCH.
constexpr DWORD D3DFDS_HARDWARE = 0x4;
constexpr DWORD D3DFDS_MISCCAPS = 0x20;
constexpr DWORD D3DFDS_RASTERCAPS = 0x40;
constexpr DWORD D3DFDS_ZCMPCAPS = 0x80;
constexpr DWORD D3DFDS_SHADECAPS = 0x800;
constexpr DWORD D3DFDS_TEXTURECAPS = 0x1000;
constexpr DWORD D3DFDS_TEXTUREFILTERCAPS = 0x2000;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0, Data3 = 0;
    std::uint8_t Data4[8] = {};
};
bool operator==(const GUID& a, const GUID& b);

extern const GUID IID_IDirect3D3;
extern const GUID IID_IDirect3DRGBDevice;
extern const GUID IID_IDirect3DHALDevice;
extern const GUID IID_IDirect3DTexture2;

// 32 bytes, as DirectDraw lays it out; for a z-buffer the fourth word is the depth in bits and
// the sixth the z mask.
struct DDPIXELFORMAT {
    DWORD dwSize = sizeof(DDPIXELFORMAT);
    DWORD dwFlags = 0;
    DWORD dwFourCC = 0;
    DWORD dwZBufferBitDepth = 0;
    DWORD dwStencilBitDepth = 0;
    DWORD dwZBitMask = 0;
    DWORD dwStencilBitMask = 0;
    DWORD dwReserved = 0;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue = 0;
    DWORD dwColorSpaceHighValue = 0;
};

// A transformed and lit vertex: screen position, sz 0 (near) .. 1 (far), rhw = 1/w.
struct D3DTLVERTEX {
    D3DVALUE sx = 0, sy = 0, sz = 0, rhw = 0;
    D3DCOLOR color = 0, specular = 0;
    D3DVALUE tu = 0, tv = 0;
};

struct D3DRECT {
    std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct D3DVIEWPORT2 {
    DWORD dwSize = sizeof(D3DVIEWPORT2);
    DWORD dwX = 0, dwY = 0, dwWidth = 0, dwHeight = 0;
    D3DVALUE dvClipX = 0, dvClipY = 0, dvClipWidth = 0, dvClipHeight = 0;
    D3DVALUE dvMinZ = 0, dvMaxZ = 1;
};

struct D3DCOLORVALUE {
    D3DVALUE r = 0, g = 0, b = 0, a = 0;
};

struct D3DMATERIAL {
    DWORD dwSize = sizeof(D3DMATERIAL);
    D3DCOLORVALUE diffuse, ambient, specular, emissive;
    D3DVALUE power = 0;
    DWORD hTexture = 0;
    DWORD dwRampSize = 0;
};

struct D3DPRIMCAPS {
    DWORD dwMiscCaps = 0, dwRasterCaps = 0, dwZCmpCaps = 0, dwShadeCaps = 0, dwTextureCaps = 0,
          dwTextureFilterCaps = 0;
};

struct D3DDEVICEDESC {
    DWORD dwSize = sizeof(D3DDEVICEDESC);
    D3DPRIMCAPS dpcTriCaps;
    DWORD dwDeviceZBufferBitDepth = 0;
};

struct D3DFINDDEVICESEARCH {
    DWORD dwSize = sizeof(D3DFINDDEVICESEARCH);
    DWORD dwFlags = 0;
    BOOL bHardware = FALSE;
    D3DPRIMCAPS dpcPrimCaps;
};

struct D3DFINDDEVICERESULT {
    DWORD dwSize = sizeof(D3DFINDDEVICERESULT);
    GUID guid;
    D3DDEVICEDESC ddHwDesc, ddSwDesc;
};

using LPD3DENUMDEVICESCALLBACK = HRESULT (*)(GUID* guid, const char* description, const char* name,
                                             D3DDEVICEDESC* hardware, D3DDEVICEDESC* software, void* context);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, void* context);

// Reference counting as COM has it: an object goes with its last Release.
class D3DUnknown {
public:
    D3DUnknown() = default;
    D3DUnknown(const D3DUnknown&) = delete;
    D3DUnknown& operator=(const D3DUnknown&) = delete;
    ULONG AddRef() { return ++references_; }
    ULONG Release();

protected:
    virtual ~D3DUnknown() = default;

private:
    ULONG references_ = 1;
};

class IDirectDrawSurface4;
class IDirect3DDevice3;

// The texture interface of a texture surface. Its texels are decoded from the surface the first
// time it is drawn with, once: the picture goes into the surface before, as a load does.
class IDirect3DTexture2 {
public:
    explicit IDirect3DTexture2(IDirectDrawSurface4& surface);
    ULONG AddRef() { return 1; }
    ULONG Release() { return 1; }   // lives as long as its surface
    // The surface's texels, decoded; null when its size is no square power of two up to 256.
    const raster::Texture* Decoded();
    int Id() const { return id_; }

private:
    IDirectDrawSurface4& surface_;
    raster::Texture decoded_;
    int id_;
};

// A device context on a surface, for GDI text.
struct D3DTextContext {
    IDirectDrawSurface4* surface = nullptr;
    COLORREF textColor = 0;
    int backgroundMode = OPAQUE;
};
using HDC = D3DTextContext*;

class IDirectDrawSurface4 {
public:
    // pixels: width x height 16-bit values, rows exactly width long, 5-6-5 for colour.
    IDirectDrawSurface4(std::uint16_t* pixels, int width, int height, DWORD caps);
    ~IDirectDrawSurface4();
    IDirectDrawSurface4(const IDirectDrawSurface4&) = delete;
    IDirectDrawSurface4& operator=(const IDirectDrawSurface4&) = delete;

    // A z-buffer of the same size; one at most.
    HRESULT AddAttachedSurface(IDirectDrawSurface4* surface);
    // DDCKEY_SRCBLT only: the key a device drawing on this surface drops keyed texels by.
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key);
    // IID_IDirect3DTexture2 on a texture surface.
    HRESULT QueryInterface(const GUID& iid, void** object);
    HRESULT GetDC(HDC* dc);
    HRESULT ReleaseDC(HDC dc);

    std::uint16_t* Pixels() const { return pixels_; }
    void SetPixels(std::uint16_t* pixels) { pixels_ = pixels; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    DWORD Caps() const { return caps_; }
    IDirectDrawSurface4* Attached() const { return attached_; }
    bool HasSourceKey() const { return hasKey_; }
    DDCOLORKEY SourceKey() const { return key_; }

private:
    std::uint16_t* pixels_;
    int width_, height_;
    DWORD caps_;
    IDirectDrawSurface4* attached_ = nullptr;
    bool hasKey_ = false;
    DDCOLORKEY key_;
    std::unique_ptr<IDirect3DTexture2> texture_;
    std::unique_ptr<D3DTextContext> dc_;
};

class IDirect3DMaterial3 : public D3DUnknown {
public:
    HRESULT SetMaterial(D3DMATERIAL* material);
    HRESULT GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle);
    const D3DMATERIAL& Material() const { return material_; }

private:
    D3DMATERIAL material_;
    D3DMATERIALHANDLE handle_ = 0;
};

class IDirect3DViewport3 : public D3DUnknown {
public:
    HRESULT SetViewport2(D3DVIEWPORT2* viewport);
    // Fills the rectangles (inside the viewport) of the device's render target with the colour
    // and of its z-buffer with z (0..1).
    HRESULT Clear2(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, D3DVALUE z, DWORD stencil);
    const D3DVIEWPORT2& Description() const { return description_; }

private:
    friend class IDirect3DDevice3;
    D3DVIEWPORT2 description_;
    bool set_ = false;
    IDirect3DDevice3* device_ = nullptr;
};

class IDirect3DDevice3 : public D3DUnknown {
public:
    IDirect3DDevice3(IDirectDrawSurface4& target);

    HRESULT AddViewport(IDirect3DViewport3* viewport);
    HRESULT SetCurrentViewport(IDirect3DViewport3* viewport);
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
    HRESULT SetLightState(D3DLIGHTSTATETYPE state, DWORD value);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value);
    // Stage 0 only: the texture modulated with the vertex colour, or null for none.
    HRESULT SetTexture(DWORD stage, IDirect3DTexture2* texture);
    HRESULT BeginScene();
    HRESULT EndScene();
    // Draws whether or not a scene is open: a scene only brackets work for the hardware.
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexType, void* vertices, DWORD count, DWORD flags);

    IDirectDrawSurface4& Target() const { return target_; }
    IDirect3DViewport3* CurrentViewport() const { return current_; }
    IDirect3DTexture2* CurrentTexture() const { return texture_; }
    bool InScene() const { return inScene_; }
    DWORD LightState(D3DLIGHTSTATETYPE state) const;
    const raster::Stats& Stats() const { return rasteriser_.stats; }

protected:
    ~IDirect3DDevice3() override;

private:
    void Prepare(bool textured);
    raster::Vertex Convert(const D3DTLVERTEX& v, bool textured) const;

    IDirectDrawSurface4& target_;
    std::vector<IDirect3DViewport3*> viewports_;
    IDirect3DViewport3* current_ = nullptr;
    IDirect3DTexture2* texture_ = nullptr;
    DWORD renderStates_[kD3DRenderStateCount] = {};
    DWORD stageStates_[kD3DStageStateCount] = {};
    DWORD materialHandle_ = 0;
    bool inScene_ = false;
    raster::Rasteriser rasteriser_;
};

class IDirect3D3 : public D3DUnknown {
public:
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context);
    // Finds a device with the asked capabilities; there is no hardware one.
    HRESULT FindDevice(D3DFINDDEVICESEARCH* search, D3DFINDDEVICERESULT* result);
    // Offers a 32-bit depth with stencil, then a plain 16-bit depth (the one the device draws
    // with), until the callback cancels.
    HRESULT EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context);
    // The RGB device on a 3D surface, drawing with the z-buffer attached to it (if any).
    HRESULT CreateDevice(const GUID& device, IDirectDrawSurface4* target, IDirect3DDevice3** out, void* outer);
    HRESULT CreateViewport(IDirect3DViewport3** out, void* outer);
    HRESULT CreateMaterial(IDirect3DMaterial3** out, void* outer);
};

// What the display's query for the Direct3D interface gives.
HRESULT Direct3DCreate(IDirect3D3** out);

// GDI text on a surface's context: the built-in font, pixels of the colour set by SetTextColor
// (0x00BBGGRR), clipped to the surface; only TRANSPARENT backgrounds are drawn.
COLORREF SetTextColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
BOOL ExtTextOutA(HDC dc, int x, int y, unsigned options, const D3DRECT* rect, const char* text, unsigned length,
                 const int* spacing);

// Not Direct3D: a seam for tests and traces. When set, every call above reports its name and
// arguments ("SetRenderState(7, 1)"); a DrawPrimitive also hands over its vertices.
struct D3DCall {
    std::string text;
    std::vector<D3DTLVERTEX> vertices;
};
void d3dSetCallRecorder(std::function<void(const D3DCall& call)> recorder);
// Not Direct3D: the named calls ("CreateViewport", "Clear2", ...) fail from now on with
// DDERR_GENERIC, as a driver might; an empty list makes every call succeed again.
void d3dSetFailingCalls(std::vector<std::string> names);
