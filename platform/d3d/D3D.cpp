#include "platform/d3d/D3D.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

#include "platform/raster/Font.h"
#include "platform/raster/PixelOps.h"
#include "platform/raster/Rasteriser.h"

const GUID IID_IDirect3D3 = {0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0x00, 0xAA, 0x00, 0xC0, 0x99, 0x3E}};
const GUID IID_IDirect3DRGBDevice = {0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
const GUID IID_IDirect3DHALDevice = {0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
const GUID IID_IDirect3DTexture2 = {0x93281502, 0x8CF8, 0x11D0, {0x89, 0xAB, 0x00, 0xA0, 0xC9, 0x05, 0x41, 0x29}};

bool operator==(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::equal(a.Data4, a.Data4 + 8, b.Data4);
}

namespace {

struct Seams {
    std::function<void(const D3DCall&)> recorder;
    std::vector<std::string> failing;
};

Seams& TheSeams() {
    static Seams seams;
    return seams;
}

template <class... Args>
void Record(const char* name, const Args&... args) {
    Seams& s = TheSeams();
    if (!s.recorder) return;
    std::ostringstream out;
    out << name << '(';
    int n = 0;
    ((out << (n++ ? ", " : "") << args), ...);
    out << ')';
    s.recorder(D3DCall{out.str(), {}});
}

bool Failing(const char* name) {
    const auto& f = TheSeams().failing;
    return std::find(f.begin(), f.end(), name) != f.end();
}

// What the RGB device can do, as a search compares it.
D3DDEVICEDESC SoftwareDescription() {
    D3DDEVICEDESC d;
    d.dpcTriCaps.dwMiscCaps = 0x70;          // cull none, clockwise, counter-clockwise
    d.dpcTriCaps.dwRasterCaps = 0x10 | 0x1;  // z test, dither
    d.dpcTriCaps.dwZCmpCaps = 0xFF;
    d.dpcTriCaps.dwShadeCaps = 0x8;          // RGB gouraud colour
    d.dpcTriCaps.dwTextureCaps = 0x1;        // perspective
    d.dpcTriCaps.dwTextureFilterCaps = 0x3;  // nearest, linear
    d.dwDeviceZBufferBitDepth = 16;
    return d;
}

bool Covers(DWORD have, DWORD want) { return (have & want) == want; }

}  // namespace

ULONG D3DUnknown::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

// ---- surfaces and textures ----

IDirect3DTexture2::IDirect3DTexture2(IDirectDrawSurface4& surface) : surface_(surface) {
    static int next = 1;
    id_ = next++;
}

const raster::Texture* IDirect3DTexture2::Decoded() {
    if (decoded_.Empty() && surface_.Width() == surface_.Height() && surface_.Pixels())
        decoded_.Load(surface_.Pixels(), surface_.Width(), raster::TexelFormat::RGB565);
    return decoded_.Empty() ? nullptr : &decoded_;
}

IDirectDrawSurface4::IDirectDrawSurface4(std::uint16_t* pixels, int width, int height, DWORD caps)
    : pixels_(pixels), width_(width), height_(height), caps_(caps) {}

IDirectDrawSurface4::~IDirectDrawSurface4() = default;

HRESULT IDirectDrawSurface4::AddAttachedSurface(IDirectDrawSurface4* surface) {
    Record("AddAttachedSurface");
    if (Failing("AddAttachedSurface") || surface == nullptr || attached_ != nullptr) return DDERR_GENERIC;
    if (!(surface->caps_ & DDSCAPS_ZBUFFER) || surface->width_ != width_ || surface->height_ != height_)
        return DDERR_INVALIDPARAMS;
    attached_ = surface;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetColorKey(DWORD flags, DDCOLORKEY* key) {
    Record("SetColorKey", flags, key ? key->dwColorSpaceLowValue : 0, key ? key->dwColorSpaceHighValue : 0);
    if (flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    hasKey_ = key != nullptr;
    if (key) key_ = *key;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::QueryInterface(const GUID& iid, void** object) {
    Record("QueryInterface");
    if (object == nullptr) return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (Failing("QueryInterface") || !(iid == IID_IDirect3DTexture2) || !(caps_ & DDSCAPS_TEXTURE)) return E_NOINTERFACE;
    if (!texture_) texture_ = std::make_unique<IDirect3DTexture2>(*this);
    *object = texture_.get();
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetDC(HDC* dc) {
    Record("GetDC");
    if (dc == nullptr) return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    if (Failing("GetDC") || dc_ || pixels_ == nullptr || (caps_ & DDSCAPS_ZBUFFER)) return DDERR_GENERIC;
    dc_ = std::make_unique<D3DTextContext>();
    dc_->surface = this;
    *dc = dc_.get();
    return DD_OK;
}

HRESULT IDirectDrawSurface4::ReleaseDC(HDC dc) {
    Record("ReleaseDC");
    if (dc == nullptr || dc != dc_.get()) return DDERR_INVALIDPARAMS;
    dc_.reset();
    return DD_OK;
}

// ---- GDI text ----

COLORREF SetTextColor(HDC dc, COLORREF color) {
    Record("SetTextColor", color);
    if (dc == nullptr) return 0xFFFFFFFFu;
    return std::exchange(dc->textColor, color);
}

int SetBkMode(HDC dc, int mode) {
    Record("SetBkMode", mode);
    if (dc == nullptr) return 0;
    return std::exchange(dc->backgroundMode, mode);
}

BOOL ExtTextOutA(HDC dc, int x, int y, unsigned options, const D3DRECT*, const char* text, unsigned length,
                 const int*) {
    Record("ExtTextOutA", x, y, options, text ? std::string(text, length) : std::string());
    if (dc == nullptr || dc->surface == nullptr || text == nullptr) return FALSE;
    IDirectDrawSurface4& s = *dc->surface;
    const COLORREF c = dc->textColor;
    const std::uint16_t pixel = raster::Pack565(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF, 0, 0, false);
    for (unsigned i = 0; i < length && text[i]; ++i) {
        const std::uint8_t* glyph = raster::FontGlyph(text[i]);
        for (int col = 0; col < raster::kFontColumns; ++col)
            for (int row = 0; row < raster::kFontRows; ++row) {
                if (!(glyph[col] >> row & 1)) continue;
                const long long px = static_cast<long long>(x) + static_cast<long long>(i) * raster::kFontAdvance + col;
                const long long py = static_cast<long long>(y) + row;
                if (px < 0 || py < 0 || px >= s.Width() || py >= s.Height()) continue;
                s.Pixels()[py * s.Width() + px] = pixel;
            }
    }
    return TRUE;
}

// ---- material and viewport ----

HRESULT IDirect3DMaterial3::SetMaterial(D3DMATERIAL* material) {
    Record("SetMaterial");
    if (material == nullptr) return DDERR_INVALIDPARAMS;
    material_ = *material;
    return D3D_OK;
}

HRESULT IDirect3DMaterial3::GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle) {
    Record("GetHandle");
    if (device == nullptr || handle == nullptr) return DDERR_INVALIDPARAMS;
    static D3DMATERIALHANDLE next = 1;
    if (handle_ == 0) handle_ = next++;
    *handle = handle_;
    return D3D_OK;
}

HRESULT IDirect3DViewport3::SetViewport2(D3DVIEWPORT2* viewport) {
    Record("SetViewport2");
    if (Failing("SetViewport2") || viewport == nullptr || device_ == nullptr) return DDERR_GENERIC;
    description_ = *viewport;
    set_ = true;
    return D3D_OK;
}

HRESULT IDirect3DViewport3::Clear2(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, D3DVALUE z, DWORD) {
    Record("Clear2", count, flags, color, z);
    if (Failing("Clear2") || device_ == nullptr || !set_ || (count > 0 && rects == nullptr)) return DDERR_GENERIC;
    IDirectDrawSurface4& target = device_->Target();
    IDirectDrawSurface4* depth = target.Attached();
    const std::uint16_t pixel =
        raster::Pack565(static_cast<int>(color >> 16 & 0xFF), static_cast<int>(color >> 8 & 0xFF),
                        static_cast<int>(color & 0xFF), 0, 0, false);
    const float zc = std::clamp(z, 0.0f, 1.0f);
    const auto zvalue = static_cast<std::uint16_t>(std::lround(zc * 65535.0f));
    // Inside the viewport and the surface, whatever the rectangles say.
    const long long vx0 = description_.dwX, vy0 = description_.dwY;
    const long long vx1 = vx0 + description_.dwWidth, vy1 = vy0 + description_.dwHeight;
    for (DWORD i = 0; i < count; ++i) {
        const long long x0 = std::max<long long>({rects[i].x1, vx0, 0});
        const long long y0 = std::max<long long>({rects[i].y1, vy0, 0});
        const long long x1 = std::min<long long>({rects[i].x2, vx1, target.Width()});
        const long long y1 = std::min<long long>({rects[i].y2, vy1, target.Height()});
        if (x1 <= x0) continue;
        for (long long y = y0; y < y1; ++y) {
            const long long row = y * target.Width();
            if ((flags & D3DCLEAR_TARGET) && target.Pixels())
                std::fill(target.Pixels() + row + x0, target.Pixels() + row + x1, pixel);
            if ((flags & D3DCLEAR_ZBUFFER) && depth && depth->Pixels())
                std::fill(depth->Pixels() + row + x0, depth->Pixels() + row + x1, zvalue);
        }
    }
    return D3D_OK;
}

// ---- device ----

IDirect3DDevice3::IDirect3DDevice3(IDirectDrawSurface4& target) : target_(target) {
    // Direct3D's defaults; the z test is on when the target came with a z-buffer.
    renderStates_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    renderStates_[D3DRENDERSTATE_ZENABLE] = target.Attached() ? D3DZB_TRUE : D3DZB_FALSE;
    renderStates_[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    renderStates_[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    renderStates_[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    renderStates_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    renderStates_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    renderStates_[D3DRENDERSTATE_DITHERENABLE] = FALSE;
    renderStates_[D3DRENDERSTATE_ALPHABLENDENABLE] = FALSE;
    renderStates_[D3DRENDERSTATE_SPECULARENABLE] = TRUE;
    renderStates_[D3DRENDERSTATE_COLORKEYENABLE] = FALSE;
    stageStates_[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    stageStates_[D3DTSS_MINFILTER] = D3DTFN_POINT;
}

IDirect3DDevice3::~IDirect3DDevice3() {
    for (IDirect3DViewport3* v : viewports_) {
        v->device_ = nullptr;
        v->Release();
    }
}

HRESULT IDirect3DDevice3::AddViewport(IDirect3DViewport3* viewport) {
    Record("AddViewport");
    if (Failing("AddViewport") || viewport == nullptr || viewport->device_ != nullptr) return DDERR_GENERIC;
    viewport->AddRef();
    viewport->device_ = this;
    viewports_.push_back(viewport);
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetCurrentViewport(IDirect3DViewport3* viewport) {
    Record("SetCurrentViewport");
    if (Failing("SetCurrentViewport") || viewport == nullptr || viewport->device_ != this || !viewport->set_)
        return DDERR_GENERIC;
    current_ = viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    Record("SetRenderState", state, value);
    if (state < 0 || state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state < 0 || state >= kD3DRenderStateCount || value == nullptr) return DDERR_INVALIDPARAMS;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetLightState(D3DLIGHTSTATETYPE state, DWORD value) {
    Record("SetLightState", state, value);
    if (state != D3DLIGHTSTATE_MATERIAL) return DDERR_INVALIDPARAMS;
    materialHandle_ = value;
    return D3D_OK;
}

DWORD IDirect3DDevice3::LightState(D3DLIGHTSTATETYPE state) const {
    return state == D3DLIGHTSTATE_MATERIAL ? materialHandle_ : 0;
}

HRESULT IDirect3DDevice3::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
    Record("SetTextureStageState", stage, state, value);
    if (stage != 0 || state < 0 || state >= kD3DStageStateCount) return DDERR_INVALIDPARAMS;
    stageStates_[state] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) {
    if (stage != 0 || state < 0 || state >= kD3DStageStateCount || value == nullptr) return DDERR_INVALIDPARAMS;
    *value = stageStates_[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetTexture(DWORD stage, IDirect3DTexture2* texture) {
    Record("SetTexture", stage, texture ? "#" + std::to_string(texture->Id()) : std::string("null"));
    if (stage != 0) return DDERR_INVALIDPARAMS;
    texture_ = texture;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::BeginScene() {
    Record("BeginScene");
    if (inScene_) return D3DERR_SCENE_IN_SCENE;
    inScene_ = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::EndScene() {
    Record("EndScene");
    if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
    inScene_ = false;
    return D3D_OK;
}

void IDirect3DDevice3::Prepare(bool textured) {
    raster::State& r = rasteriser_.state;
    const DWORD* rs = renderStates_;
    r.source = textured ? raster::ColorSource::TextureTimesIterated : raster::ColorSource::Iterated;
    r.texture = textured ? texture_->Decoded() : nullptr;
    const DWORD filter = stageStates_[D3DTSS_MAGFILTER];
    r.filter = filter == D3DTFG_LINEAR ? raster::Filter::Bilinear : raster::Filter::Point;
    r.depthMode = rs[D3DRENDERSTATE_ZENABLE] ? raster::DepthMode::ZBuffer : raster::DepthMode::Off;
    // Direct3D numbers its tests from NEVER = 1; the rasteriser from NEVER = 0.
    const DWORD func = std::clamp<DWORD>(rs[D3DRENDERSTATE_ZFUNC], D3DCMP_NEVER, D3DCMP_ALWAYS);
    r.depthFunc = static_cast<raster::DepthFunc>(func - 1);
    r.depthWrite = rs[D3DRENDERSTATE_ZWRITEENABLE] != 0;
    // ONE/ONE is the only blend the rasteriser has; any other draws opaque.
    r.additive = rs[D3DRENDERSTATE_ALPHABLENDENABLE] && rs[D3DRENDERSTATE_SRCBLEND] == D3DBLEND_ONE &&
                 rs[D3DRENDERSTATE_DESTBLEND] == D3DBLEND_ONE;
    // The device keys texels with its render target's source key.
    r.chromaKey = rs[D3DRENDERSTATE_COLORKEYENABLE] && target_.HasSourceKey();
    r.chromaKeyValue = target_.SourceKey().dwColorSpaceLowValue & 0xFFFFFF;
    r.dither = rs[D3DRENDERSTATE_DITHERENABLE] != 0;
    const DWORD cull = rs[D3DRENDERSTATE_CULLMODE];
    // Clockwise on a screen whose y grows downwards is a positive signed area.
    r.cull = cull == D3DCULL_CW ? raster::Cull::Positive : cull == D3DCULL_CCW ? raster::Cull::Negative : raster::Cull::None;
    raster::ClipRect clip{0, 0, target_.Width(), target_.Height()};
    if (current_) {
        const D3DVIEWPORT2& v = current_->Description();
        clip.minX = static_cast<int>(std::max(0.0f, v.dvClipX));
        clip.minY = static_cast<int>(std::max(0.0f, v.dvClipY));
        clip.maxX = static_cast<int>(std::clamp(v.dvClipX + v.dvClipWidth, 0.0f, 65536.0f));
        clip.maxY = static_cast<int>(std::clamp(v.dvClipY + v.dvClipHeight, 0.0f, 65536.0f));
    }
    r.clip = clip;
    IDirectDrawSurface4* depth = target_.Attached();
    rasteriser_.target = raster::Target{target_.Pixels(), depth ? depth->Pixels() : nullptr, target_.Width(),
                                        target_.Height()};
}

raster::Vertex IDirect3DDevice3::Convert(const D3DTLVERTEX& v, bool textured) const {
    raster::Vertex out;
    out.x = v.sx, out.y = v.sy;
    out.z = v.sz * 65535.0f;
    // Without perspective correction texture coordinates run straight across the screen.
    const bool perspective = renderStates_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] != 0;
    out.oow = perspective && textured ? v.rhw : 1.0f;
    out.r = static_cast<float>(v.color >> 16 & 0xFF);
    out.g = static_cast<float>(v.color >> 8 & 0xFF);
    out.b = static_cast<float>(v.color & 0xFF);
    // tu, tv run 0..1 across the texture; the rasteriser's s, t run 0..256.
    out.sow = v.tu * 256.0f * out.oow;
    out.tow = v.tv * 256.0f * out.oow;
    return out;
}

HRESULT IDirect3DDevice3::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexType, void* vertices, DWORD count,
                                        DWORD flags) {
    Seams& seams = TheSeams();
    if (seams.recorder) {
        std::ostringstream out;
        out << "DrawPrimitive(" << type << ", 0x" << std::hex << vertexType << std::dec << ", " << count << ", " << flags
            << ')';
        D3DCall call{out.str(), {}};
        if (vertices) {
            const auto* v = static_cast<const D3DTLVERTEX*>(vertices);
            call.vertices.assign(v, v + count);
        }
        seams.recorder(call);
    }
    if (vertexType != D3DFVF_TLVERTEX || vertices == nullptr) return DDERR_INVALIDPARAMS;
    const auto* v = static_cast<const D3DTLVERTEX*>(vertices);
    const bool textured = texture_ != nullptr && texture_->Decoded() != nullptr;
    Prepare(textured);
    if (rasteriser_.target.color == nullptr) return D3D_OK;
    auto at = [&](DWORD i) { return Convert(v[i], textured); };
    switch (type) {
        case D3DPT_POINTLIST:
            for (DWORD i = 0; i < count; ++i) rasteriser_.DrawPoint(at(i));
            break;
        case D3DPT_LINELIST:
            for (DWORD i = 0; i + 1 < count; i += 2) rasteriser_.DrawLine(at(i), at(i + 1));
            break;
        case D3DPT_LINESTRIP:
            for (DWORD i = 0; i + 1 < count; ++i) rasteriser_.DrawLine(at(i), at(i + 1));
            break;
        case D3DPT_TRIANGLELIST:
            for (DWORD i = 0; i + 2 < count; i += 3) rasteriser_.DrawTriangle(at(i), at(i + 1), at(i + 2));
            break;
        default:
            return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

// ---- Direct3D ----

HRESULT IDirect3D3::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) {
    Record("EnumDevices");
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    GUID guid = IID_IDirect3DRGBDevice;
    D3DDEVICEDESC hardware;   // all zero: no hardware behind it
    D3DDEVICEDESC software = SoftwareDescription();
    callback(&guid, "RGB Emulation", "RGB Emulation", &hardware, &software, context);
    return D3D_OK;
}

HRESULT IDirect3D3::FindDevice(D3DFINDDEVICESEARCH* search, D3DFINDDEVICERESULT* result) {
    Record("FindDevice", search ? search->bHardware : -1, search ? search->dwFlags : 0);
    if (search == nullptr || result == nullptr) return DDERR_INVALIDPARAMS;
    if ((search->dwFlags & D3DFDS_HARDWARE) && search->bHardware) return DDERR_NOTFOUND;
    const D3DPRIMCAPS have = SoftwareDescription().dpcTriCaps;
    const D3DPRIMCAPS& want = search->dpcPrimCaps;
    const DWORD f = search->dwFlags;
    if (((f & D3DFDS_MISCCAPS) && !Covers(have.dwMiscCaps, want.dwMiscCaps)) ||
        ((f & D3DFDS_RASTERCAPS) && !Covers(have.dwRasterCaps, want.dwRasterCaps)) ||
        ((f & D3DFDS_ZCMPCAPS) && !Covers(have.dwZCmpCaps, want.dwZCmpCaps)) ||
        ((f & D3DFDS_SHADECAPS) && !Covers(have.dwShadeCaps, want.dwShadeCaps)) ||
        ((f & D3DFDS_TEXTURECAPS) && !Covers(have.dwTextureCaps, want.dwTextureCaps)) ||
        ((f & D3DFDS_TEXTUREFILTERCAPS) && !Covers(have.dwTextureFilterCaps, want.dwTextureFilterCaps)))
        return DDERR_NOTFOUND;
    result->guid = IID_IDirect3DRGBDevice;
    result->ddHwDesc = D3DDEVICEDESC{};
    result->ddSwDesc = SoftwareDescription();
    return D3D_OK;
}

HRESULT IDirect3D3::EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) {
    Record("EnumZBufferFormats");
    if (Failing("EnumZBufferFormats") || callback == nullptr || !(device == IID_IDirect3DRGBDevice))
        return DDERR_INVALIDPARAMS;
    DDPIXELFORMAT formats[2];
    formats[0].dwFlags = DDPF_ZBUFFER | DDPF_STENCILBUFFER;
    formats[0].dwZBufferBitDepth = 32, formats[0].dwStencilBitDepth = 8;
    formats[0].dwZBitMask = 0xFFFFFF00u, formats[0].dwStencilBitMask = 0xFF;
    formats[1].dwFlags = DDPF_ZBUFFER;
    formats[1].dwZBufferBitDepth = 16, formats[1].dwZBitMask = 0xFFFF;
    for (DDPIXELFORMAT& f : formats)
        if (callback(&f, context) == D3DENUMRET_CANCEL) break;
    return D3D_OK;
}

HRESULT IDirect3D3::CreateDevice(const GUID& device, IDirectDrawSurface4* target, IDirect3DDevice3** out, void*) {
    Record("CreateDevice");
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (Failing("CreateDevice") || !(device == IID_IDirect3DRGBDevice) || target == nullptr ||
        !(target->Caps() & DDSCAPS_3DDEVICE))
        return DDERR_GENERIC;
    *out = new IDirect3DDevice3(*target);
    return D3D_OK;
}

HRESULT IDirect3D3::CreateViewport(IDirect3DViewport3** out, void*) {
    Record("CreateViewport");
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (Failing("CreateViewport")) return DDERR_GENERIC;
    *out = new IDirect3DViewport3;
    return D3D_OK;
}

HRESULT IDirect3D3::CreateMaterial(IDirect3DMaterial3** out, void*) {
    Record("CreateMaterial");
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (Failing("CreateMaterial")) return DDERR_GENERIC;
    *out = new IDirect3DMaterial3;
    return D3D_OK;
}

HRESULT Direct3DCreate(IDirect3D3** out) {
    Record("Direct3DCreate");
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (Failing("Direct3DCreate")) return E_NOINTERFACE;
    *out = new IDirect3D3;
    return D3D_OK;
}

void d3dSetCallRecorder(std::function<void(const D3DCall& call)> recorder) { TheSeams().recorder = std::move(recorder); }

void d3dSetFailingCalls(std::vector<std::string> names) { TheSeams().failing = std::move(names); }
