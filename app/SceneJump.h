#pragma once

// Starting the show at a later scene. The scenes before it run as the show would run them, so
// that the world, the lights, the renderer's textures and settings and the music are exactly
// where the whole show has them, but unseen: nothing is drawn, shown or traced, and each pass
// moves a virtual clock by 1/30 s and pulls the same length of music, which is dropped. Then
// the stage and the renderer the program set up take over.

#include <memory>

#include "app/Capture.h"
#include "app/Scene.h"
#include "engine/render/Renderer.h"

// Passes everything but drawing on to `inner`: textures, colour key, far distance, background
// and the bounds the objects are culled against keep their state; no frame is begun or ended.
class SilentRenderer : public Renderer {
public:
    explicit SilentRenderer(Renderer& inner_) : inner(inner_) {}

    int LoadTexture(const char* name) override { return inner.LoadTexture(name); }
    int FreeTexture(int handle) override { return inner.FreeTexture(handle); }
    int GetMaxX() override { return inner.GetMaxX(); }
    int GetMaxY() override { return inner.GetMaxY(); }
    int GetFarZ() override { return inner.GetFarZ(); }
    int GetMinX() override { return inner.GetMinX(); }
    int GetMinY() override { return inner.GetMinY(); }
    int GetNearZ() override { return inner.GetNearZ(); }
    void SetColorKey(unsigned color) override { inner.SetColorKey(color); }
    void SetFarZ(int farZ) override { inner.SetFarZ(farZ); }
    void SetBackground(Surface* picture) override { inner.SetBackground(picture); }

private:
    Renderer& inner;
};

class SceneJump {
public:
    // Unseen from here: takes the stage's drawing, pacing and trace hooks and the world's
    // renderer (which must be set), keeping them for Arrive. Window messages are still pumped,
    // so Escape works meanwhile. The music must be on its virtual clock.
    void Begin();
    // The program's own stage and renderer again.
    void Arrive();
    bool Unseen() const { return unseen; }

    // Passes run unseen, and the show's clock they make.
    long Passes() const { return passes; }
    long ClockMs() const { return passes * 1000L / Capture::kPassesPerSecond; }

private:
    void EndOfPass();

    Stage saved;
    Renderer* real = nullptr;
    std::unique_ptr<SilentRenderer> silent;
    long passes = 0;
    bool unseen = false;
};
