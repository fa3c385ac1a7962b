#pragma once

#include "engine/world/Lights.h"

// The world's lights, as the pipeline and the renderers receive them. Not owned.
class LightSet {
public:
    static constexpr int kMaxLights = 32;

    Omni* omnis[kMaxLights] = {};
    int omniCount = 0;
    Halo* halos[kMaxLights] = {};
    int haloCount = 0;
};
