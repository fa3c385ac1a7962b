#pragma once

#include "engine/render/D3DRenderer.h"

// Always the RGB software device, with a wider culling margin around the screen and fewer
// quality states (no perspective correction, no dither, the device's default filtering).
class D3DSoftRenderer : public D3DRendererBase {
public:
    using D3DRendererBase::D3DRendererBase;
    void Init() override;
};
