#pragma once

#include "engine/render/Renderer.h"
#include "platform/d3d/D3D.h"

class Video;
class Surface;

// What the two Direct3D renderers share: every operation but Init, drawing pre-transformed lit
// vertices into an off-screen 3D surface of the screen's size that EndFrame stretches onto the
// display's back buffer. Each renderer's Init runs InitWith its own Profile. Device failures end
// the process through ErrorBox with caption "V3d Error" and the code of the site.
class D3DRendererBase : public Renderer {
public:
    static constexpr int kMaxTextures = 128;
    static constexpr int kTextureSide = 256;

    struct TextureRecord {
        Surface* surface = nullptr;               // 256 x 256 texture surface
        IDirect3DTexture2* texture = nullptr;     // its texture interface
        char name[256] = {};                      // as given to LoadTexture, without ".bmp"
    };

    // Where the two renderers differ.
    struct Profile {
        bool searchHardware;     // FindDevice for a hardware device before taking the RGB one
        int renderTargetInVideoMemory;
        int marginX, marginY;    // culling bounds reach this far past the screen
        DWORD perspective, dither;
        bool linearFilter;       // stage 0 min/mag filters linear (else the device default)
        bool specularOff;        // SPECULARENABLE FALSE (else the device default)
    };

    explicit D3DRendererBase(Video& video);
    ~D3DRendererBase() override;

    void BeginFrame() override;
    void EndFrame() override;
    // A name already loaded returns its handle. Refuses (returns -1, message on stderr) when
    // the table is full; faces with a handle outside the table draw untextured.
    int LoadTexture(const char* name) override;
    void DrawPoints(Vertex** vertices, int count, LightSet* lights, unsigned flags) override;
    void DrawWireframe(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawSolidFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawTexturedFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawLine(Vertex* a, Vertex* b, int color) override;
    void BeginAdditive() override;
    void EndAdditive() override;
    void FillRect(int x1, int y1, int x2, int y2, int color) override;
    // color as the system's text colour, 0x00BBGGRR.
    void DrawText(int x, int y, const char* text, int color) override;
    // Textures stay loaded: nothing is freed and 0 returned.
    int FreeTexture(int handle) override;
    int GetMaxX() override { return maxX; }
    int GetMaxY() override { return maxY; }
    int GetFarZ() override { return farZ; }
    int GetMinX() override { return minX; }
    int GetMinY() override { return minY; }
    int GetNearZ() override { return nearZ; }
    void SetColorKey(unsigned color) override;
    // Used in sz from the next draw; the viewport keeps the depth range Init gave it.
    void SetFarZ(int z) override { farZ = z; }
    void SetBackground(Surface* picture) override { background = picture; }

    int TextureCount() const { return textureCount; }
    const TextureRecord& Texture(int handle) const { return textures[handle]; }

    IDirect3D3* direct3D = nullptr;
    IDirect3DDevice3* device = nullptr;
    IDirect3DViewport3* viewport = nullptr;
    IDirect3DMaterial3* material = nullptr;
    Surface* renderTarget = nullptr;
    Surface* zBuffer = nullptr;
    Surface* background = nullptr;
    int textureWidth = 0, textureHeight = 0;
    D3DRECT clearRect;
    GUID deviceGuid;
    int hardware = 0;
    int centreX = 0, centreY = 0;
    int nearZ = 0, farZ = 0;
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    int currentTexture = -1;

protected:
    void InitWith(const Profile& profile);

private:
    D3DTLVERTEX Corner(const Vertex& v, D3DCOLOR color) const;
    bool Selected(const Face& f) const;
    void DrawFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign, bool textured);

    Video& video_;
    TextureRecord textures[kMaxTextures];
    int textureCount = 0;
};

// Asks for a hardware device and, finding none, falls back to the RGB software device.
class D3DRenderer : public D3DRendererBase {
public:
    using D3DRendererBase::D3DRendererBase;
    void Init() override;
};
