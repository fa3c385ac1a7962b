#include "engine/render/D3DRenderer.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/video/ErrorBox.h"
#include "engine/video/Video.h"
#include "engine/world/Face.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vertex.h"

namespace {

constexpr const char* kCaption = "V3d Error";

D3DCOLOR Colour(int packed) { return static_cast<D3DCOLOR>(packed); }

// Screen position of a projected coordinate; projections of far-off points may be INT_MAX,
// so the sum is taken wide.
float Screen(int s, int centre) { return static_cast<float>(static_cast<long long>(s) + centre); }

// The first z-buffer format that is a plain depth buffer, copied whole.
HRESULT TakePlainDepth(DDPIXELFORMAT* format, void* context) {
    if (format->dwFlags != DDPF_ZBUFFER) return D3DENUMRET_OK;
    *static_cast<DDPIXELFORMAT*>(context) = *format;
    return D3DENUMRET_CANCEL;
}

}  // namespace

D3DRendererBase::D3DRendererBase(Video& video) : video_(video) {}

D3DRendererBase::~D3DRendererBase() {
    if (viewport) viewport->Release(), viewport = nullptr;
    if (direct3D) direct3D->Release(), direct3D = nullptr;
    if (device) device->Release(), device = nullptr;
    if (material) material->Release(), material = nullptr;
}

void D3DRenderer::Init() {
    Profile profile;
    profile.searchHardware = true;
    profile.renderTargetInVideoMemory = 1;
    profile.marginX = 0, profile.marginY = 0;
    profile.perspective = TRUE, profile.dither = TRUE;
    profile.linearFilter = true;
    profile.specularOff = true;
    InitWith(profile);
}

void D3DRendererBase::InitWith(const Profile& profile) {
    const int w = video_.width, h = video_.height;
    centreX = w / 2;
    centreY = h / 2;
    nearZ = 0;
    farZ = 4000;
    minX = -profile.marginX, maxX = w + profile.marginX;
    minY = -profile.marginY, maxY = h + profile.marginY;
    textureWidth = textureHeight = kTextureSide;
    currentTexture = -1;

    video_.StartDirect3D(&direct3D);
    if (direct3D == nullptr) return;   // no display: nothing is drawn

    renderTarget = video_.Create3DSurface(w, h, profile.renderTargetInVideoMemory);
    deviceGuid = IID_IDirect3DRGBDevice;
    hardware = 0;
    if (profile.searchHardware) {
        D3DFINDDEVICESEARCH search;
        search.bHardware = TRUE;
        search.dwFlags = D3DFDS_HARDWARE | D3DFDS_MISCCAPS | D3DFDS_RASTERCAPS | D3DFDS_ZCMPCAPS | D3DFDS_SHADECAPS |
                         D3DFDS_TEXTURECAPS | D3DFDS_TEXTUREFILTERCAPS;
        search.dpcPrimCaps.dwMiscCaps = 0x70;
        search.dpcPrimCaps.dwRasterCaps = 0x40010;
        search.dpcPrimCaps.dwZCmpCaps = 0x12;
        search.dpcPrimCaps.dwShadeCaps = 8;
        search.dpcPrimCaps.dwTextureCaps = 1;
        search.dpcPrimCaps.dwTextureFilterCaps = 2;
        D3DFINDDEVICERESULT found;
        if (!FAILED(direct3D->FindDevice(&search, &found))) {
            deviceGuid = found.guid;
            hardware = 1;
        }
    }

    DDPIXELFORMAT depthFormat;
    depthFormat.dwSize = 0;   // stays 0 unless the enumeration finds one
    if (FAILED(direct3D->EnumZBufferFormats(deviceGuid, TakePlainDepth, &depthFormat)) || depthFormat.dwSize == 0)
        FatalError(kCaption, "Couldn't get ZBuffer device", -16);
    zBuffer = video_.CreateZBuffer(&depthFormat, hardware);
    if (!renderTarget || !zBuffer || FAILED(renderTarget->DirectDrawSurface()->AddAttachedSurface(zBuffer->DirectDrawSurface())))
        FatalError(kCaption, "Couldn't attach ZBuffer surface", -17);
    if (FAILED(direct3D->CreateDevice(deviceGuid, renderTarget->DirectDrawSurface(), &device, nullptr)))
        FatalError(kCaption, "Couldn't get D3D device", -6);

    clearRect = D3DRECT{0, 0, w, h};
    D3DVIEWPORT2 description;
    description.dwX = 0, description.dwY = 0;
    description.dwWidth = static_cast<DWORD>(w), description.dwHeight = static_cast<DWORD>(h);
    description.dvClipX = 0, description.dvClipY = 0;
    description.dvClipWidth = static_cast<D3DVALUE>(w), description.dvClipHeight = static_cast<D3DVALUE>(h);
    description.dvMinZ = 0, description.dvMaxZ = static_cast<D3DVALUE>(farZ);
    if (FAILED(direct3D->CreateViewport(&viewport, nullptr))) FatalError(kCaption, "Couldn't get D3D viewport", -7);
    if (FAILED(device->AddViewport(viewport))) FatalError(kCaption, "Couldn't add D3D viewport", -9);
    if (FAILED(viewport->SetViewport2(&description))) FatalError(kCaption, "Couldn't set D3D viewport", -10);
    if (FAILED(device->SetCurrentViewport(viewport))) FatalError(kCaption, "Couldn't set current D3D viewport", -11);

    if (FAILED(direct3D->CreateMaterial(&material, nullptr))) FatalError(kCaption, "Couldn't create material", -12);
    D3DMATERIAL m;
    m.ambient = D3DCOLORVALUE{1, 1, 1, 0};
    material->SetMaterial(&m);
    D3DMATERIALHANDLE handle = 0;
    material->GetHandle(device, &handle);
    device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle);

    device->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, profile.perspective);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
    device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, profile.dither);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    if (profile.linearFilter) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    }
    if (profile.specularOff) device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
}

void D3DRendererBase::BeginFrame() {
    if (!device) return;
    if (background) {
        if (FAILED(viewport->Clear2(1, &clearRect, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)))
            FatalError(kCaption, "Couldn't clear D3D viewport", -8);
        video_.Blit(renderTarget, background);
    } else if (FAILED(viewport->Clear2(1, &clearRect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0))) {
        FatalError(kCaption, "Couldn't clear D3D viewport", -8);
    }
    device->BeginScene();
}

void D3DRendererBase::EndFrame() {
    if (!device) return;
    device->EndScene();
    video_.Blit(video_.backBuffer, renderTarget);
}

int D3DRendererBase::LoadTexture(const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < textureCount; ++i)
        if (std::strcmp(textures[i].name, name) == 0) return i;
    if (textureCount >= kMaxTextures) {
        std::fprintf(stderr, "Texture %s not loaded: the table holds %d textures\n", name, kMaxTextures);
        return -1;
    }
    const std::string file = std::string(name) + ".bmp";
    TextureRecord& record = textures[textureCount];
    record = TextureRecord{};
    record.surface = video_.CreateTextureSurface(textureWidth, textureHeight, hardware);
    video_.LoadPicture(record.surface, file.c_str());
    if (record.surface) {
        void* texture = nullptr;
        if (FAILED(record.surface->DirectDrawSurface()->QueryInterface(IID_IDirect3DTexture2, &texture)))
            FatalError(kCaption, "Couldn't get D3D texture interface", -18);
        record.texture = static_cast<IDirect3DTexture2*>(texture);
    }
    std::snprintf(record.name, sizeof record.name, "%s", name);
    return textureCount++;
}

D3DTLVERTEX D3DRendererBase::Corner(const Vertex& v, D3DCOLOR color) const {
    D3DTLVERTEX t;
    t.sx = Screen(v.sx, centreX);
    t.sy = Screen(v.sy, centreY);
    t.sz = static_cast<D3DVALUE>(v.cz / farZ);
    t.rhw = static_cast<D3DVALUE>(v.invZ);
    t.color = color;
    return t;
}

bool D3DRendererBase::Selected(const Face& f) const {
    return f.a && f.b && f.c && f.InFrontOfNear(0) && f.BeforeFar(farZ);
}

void D3DRendererBase::DrawPoints(Vertex** vertices, int count, LightSet*, unsigned flags) {
    if (!device || vertices == nullptr || count <= 0) return;
    const bool lit = flags & (RenderFlags::kFlat | RenderFlags::kGouraud);
    std::vector<D3DTLVERTEX> points;
    points.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Vertex* v = vertices[i];
        if (v == nullptr || v->behind) continue;
        points.push_back(Corner(*v, Colour(lit ? v->packed : v->PackedBaseColor())));
    }
    device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, points.data(), static_cast<DWORD>(points.size()), 0);
}

void D3DRendererBase::DrawLine(Vertex* a, Vertex* b, int color) {
    if (!device || a == nullptr || b == nullptr) return;
    D3DTLVERTEX line[2] = {Corner(*a, Colour(color)), Corner(*b, Colour(color))};
    device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_TLVERTEX, line, 2, 0);
}

void D3DRendererBase::DrawWireframe(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    if (!device || faces == nullptr) return;
    for (int i = 0; i < count; ++i) {
        Face* f = faces[i];
        if (f == nullptr || !Selected(*f)) continue;
        if ((flags & RenderFlags::kCull) && cullSign * f->cameraNormal.z < -0.2) continue;
        const D3DCOLOR c = Colour((flags & RenderFlags::kFlat) ? f->Light(lights, cullSign) : f->PackedBaseColor());
        D3DTLVERTEX outline[4] = {Corner(*f->a, c), Corner(*f->b, c), Corner(*f->c, c), Corner(*f->a, c)};
        device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, outline, 4, 0);
    }
}

void D3DRendererBase::DrawSolidFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    DrawFaces(faces, count, lights, flags, cullSign, false);
}

void D3DRendererBase::DrawTexturedFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    DrawFaces(faces, count, lights, flags, cullSign, true);
}

void D3DRendererBase::DrawFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign, bool textured) {
    if (!device) return;
    const DWORD cull = !(flags & RenderFlags::kCull) ? D3DCULL_NONE : cullSign == 1 ? D3DCULL_CW : D3DCULL_CCW;
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, cull);
    for (int i = 0; faces != nullptr && i < count; ++i) {
        Face* f = faces[i];
        if (f == nullptr) continue;
        if (textured && f->texture != currentTexture) {
            const int handle = f->texture;
            // A handle outside the table draws the face untextured, never past the table.
            const bool valid = handle >= 0 && handle < textureCount;
            device->SetTexture(0, valid ? textures[handle].texture : nullptr);
            currentTexture = handle;
        }
        if (!Selected(*f)) continue;
        D3DTLVERTEX corner[3];
        if (flags & RenderFlags::kGouraud) {
            corner[0] = Corner(*f->a, Colour(f->a->packed));
            corner[1] = Corner(*f->b, Colour(f->b->packed));
            corner[2] = Corner(*f->c, Colour(f->c->packed));
        } else {
            const D3DCOLOR c = Colour((flags & RenderFlags::kFlat) ? f->Light(lights, cullSign) : f->PackedBaseColor());
            corner[0] = Corner(*f->a, c), corner[1] = Corner(*f->b, c), corner[2] = Corner(*f->c, c);
        }
        if (textured) {
            corner[0].tu = static_cast<D3DVALUE>(f->u0), corner[0].tv = static_cast<D3DVALUE>(f->v0);
            corner[1].tu = static_cast<D3DVALUE>(f->u1), corner[1].tv = static_cast<D3DVALUE>(f->v1);
            corner[2].tu = static_cast<D3DVALUE>(f->u2), corner[2].tv = static_cast<D3DVALUE>(f->v2);
        }
        device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, corner, 3, 0);
    }
    if (textured) {
        device->SetTexture(0, nullptr);
        currentTexture = -1;
    }
}

void D3DRendererBase::BeginAdditive() {
    if (!device) return;
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
}

void D3DRendererBase::EndAdditive() {
    if (!device) return;
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
}

void D3DRendererBase::FillRect(int x1, int y1, int x2, int y2, int color) {
    if (!device) return;
    device->SetTexture(0, nullptr);
    // Screen-space console drawing is never culled: the cull mode left by the last faces drawn
    // would otherwise decide whether the box shows.
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    auto corner = [color](int x, int y) {
        D3DTLVERTEX t;
        t.sx = static_cast<D3DVALUE>(x), t.sy = static_cast<D3DVALUE>(y), t.sz = 0, t.rhw = 0;
        t.color = Colour(color);
        return t;
    };
    D3DTLVERTEX quad[6] = {corner(x1, y1), corner(x2, y1), corner(x2, y2), corner(x1, y2), corner(x1, y1), corner(x2, y2)};
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 6, 0);
    device->EndScene();
}

void D3DRendererBase::DrawText(int x, int y, const char* text, int color) {
    if (!device || text == nullptr) return;
    IDirectDrawSurface4* target = renderTarget->DirectDrawSurface();
    HDC dc = nullptr;
    if (FAILED(target->GetDC(&dc))) return;
    SetTextColor(dc, static_cast<COLORREF>(color));
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<unsigned>(std::strlen(text)), nullptr);
    target->ReleaseDC(dc);
}

int D3DRendererBase::FreeTexture(int) { return 0; }

void D3DRendererBase::SetColorKey(unsigned color) {
    if (!device) return;
    if (color == 0xFFFFFFFFu) {
        device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, FALSE);
        return;
    }
    device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = color;
    renderTarget->DirectDrawSurface()->SetColorKey(DDCKEY_SRCBLT, &key);
}
