#pragma once

#include <cstdint>
#include <vector>

#include "engine/render/Renderer.h"
#include "platform/glide/Glide.h"

class Video;
class Surface;

// The renderer the production draws with: Glide 2 calls on TMU 0, textures laid one after
// another in texture memory, triangles through guDrawTriangleWithClip, an optional background
// picture written into the back buffer through the linear frame buffer at each frame start.
// Glide itself is started by the display (Video::StartGlide) and shown by its flip.
class GlideRenderer : public Renderer {
public:
    static constexpr int kMaxTextures = 128;
    // A console line: text past it is never drawn.
    static constexpr int kMaxTextChars = 255;

    struct TextureRecord {
        GrTexInfo info;                 // as passed to Glide
        int address = 0;                // offset from the TMU 0 minimum address
        char name[256] = {};            // as given to LoadTexture, without ".bmp"
        int side = 0;                   // texels, power of two, 2..256
        int memorySize = 0;             // bytes of texture memory
        int referenceCount = 0;         // 1 at load, +1 per later load of the same name
        Surface* surface = nullptr;     // the picture, owned by the display
        std::uint16_t* data = nullptr;  // its pixels
    };

    // The display is used from Init on; it may be constructed after the renderer.
    explicit GlideRenderer(Video& video);

    void Init() override;
    void BeginFrame() override;
    void EndFrame() override {}
    // Refuses (returns -1, message on stderr) pictures 1 texel wide and a full table;
    // faces with handle -1 draw untextured.
    int LoadTexture(const char* name) override;
    void DrawPoints(Vertex** vertices, int count, LightSet* lights, unsigned flags) override;
    void DrawWireframe(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawSolidFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawTexturedFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) override;
    void DrawLine(Vertex* a, Vertex* b, int color) override;
    void BeginAdditive() override;
    void EndAdditive() override;
    void FillRect(int x1, int y1, int x2, int y2, int color) override;
    // With the glide layer's built-in font; color as the system's text colour, 0x00BBGGRR
    // (255 red), as the console gives it.
    void DrawText(int x, int y, const char* text, int color) override;
    // Empties the whole table whatever the handle; returns 1.
    int FreeTexture(int handle) override;
    int GetMaxX() override { return maxX; }
    int GetMaxY() override { return maxY; }
    int GetFarZ() override { return farZ; }
    int GetMinX() override { return minX; }
    int GetMinY() override { return minY; }
    int GetNearZ() override { return nearZ; }
    void SetColorKey(unsigned color) override;
    void SetFarZ(int z) override { farZ = z; }
    void SetBackground(Surface* picture) override;

    int TextureCount() const { return textureCount; }
    const TextureRecord& Texture(int handle) const { return textures[handle]; }

    int centreX = 0, centreY = 0;
    int nearZ = 0, farZ = 0;
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    std::uint16_t* background = nullptr;
    int currentTexture = -1;
    int nextTextureAddress = 0;

private:
    GrVertex Corner(const Vertex& v) const;
    bool Selected(const Face& f) const;
    void SetCull(unsigned flags, int cullSign);
    bool Is555() const;
    void SetFilter();

    Video& video_;
    TextureRecord textures[kMaxTextures];
    int textureCount = 0;
    int backgroundWidth_ = 0, backgroundHeight_ = 0;
    bool keyed_ = false, additive_ = false;  // what SetFilter chooses by
    // Pictures of freed textures, kept for the next loads of the same side (the display
    // keeps every surface it made until it goes).
    std::vector<TextureRecord> spareSurfaces_;
};
