#pragma once

// The contract between the engine and whatever draws: 23 operations in a fixed order.
// The world calls BeginFrame, the objects' submissions, optionally BeginAdditive / additive
// submissions / EndAdditive, then EndFrame. Records handed over (Vertex, Face) belong to the
// objects and stay valid only for the duration of the call.
// The base class draws nothing; LoadTexture, FreeTexture and the bounds getters return 0.

class Vertex;
class Face;
class LightSet;
class Surface;

class Renderer {
public:
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    virtual ~Renderer() = default;

    // 0. Called once, by the first World::SetRenderer of the process.
    virtual void Init() {}
    // 1. After the camera update, before any object is submitted.
    virtual void BeginFrame() {}
    // 2. Last call of a drawn frame.
    virtual void EndFrame() {}
    // 3. name is the texture name without ".bmp". A name already loaded (exact, case-sensitive)
    //    returns its existing handle without loading. Handles index a 128-entry table.
    virtual int LoadTexture(const char* name) { (void)name; return 0; }
    // 4. RenderFlags::kPoints. vertices[0..count) are valid during the call.
    virtual void DrawPoints(Vertex** vertices, int count, LightSet* lights, unsigned flags) {
        (void)vertices; (void)count; (void)lights; (void)flags;
    }
    // 5-7. RenderFlags::kEdges / kSolid / kTextured; cullSign is the object's winding sign (+1 or -1).
    virtual void DrawWireframe(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
        (void)faces; (void)count; (void)lights; (void)flags; (void)cullSign;
    }
    virtual void DrawSolidFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
        (void)faces; (void)count; (void)lights; (void)flags; (void)cullSign;
    }
    virtual void DrawTexturedFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
        (void)faces; (void)count; (void)lights; (void)flags; (void)cullSign;
    }
    // 8. A bounding-box edge between two projected vertices, colour packed 0xRRGGBB.
    virtual void DrawLine(Vertex* a, Vertex* b, int color) { (void)a; (void)b; (void)color; }
    // 9-10. Bracket the additive pass (ONE/ONE blending).
    virtual void BeginAdditive() {}
    virtual void EndAdditive() {}
    // 11-12. Console drawing, absolute screen coordinates.
    virtual void FillRect(int x1, int y1, int x2, int y2, int color) {
        (void)x1; (void)y1; (void)x2; (void)y2; (void)color;
    }
    virtual void DrawText(int x, int y, const char* text, int color) {
        (void)x; (void)y; (void)text; (void)color;
    }
    // 13. Nonzero when the handle was released.
    virtual int FreeTexture(int handle) { (void)handle; return 0; }
    // 14-19. Viewport bounds used to cull objects.
    virtual int GetMaxX() { return 0; }
    virtual int GetMaxY() { return 0; }
    virtual int GetFarZ() { return 0; }
    virtual int GetMinX() { return 0; }
    virtual int GetMinY() { return 0; }
    virtual int GetNearZ() { return 0; }
    // 20. 0xFFFFFFFF switches colour keying off.
    virtual void SetColorKey(unsigned color) { (void)color; }
    // 21.
    virtual void SetFarZ(int farZ) { (void)farZ; }
    // 22. A picture drawn under every frame, or null for none. Not owned.
    virtual void SetBackground(Surface* picture) { (void)picture; }
};
