#pragma once

#include <cstdint>
#include <vector>

#include "app/effects/PixelChannels.h"

// The lighthouse: a light sweeping over a relief picture, lit through a bump map. Returns at
// the first music sync after its start.
void LighthouseEffect();

// Its state: height maps of one byte per screen pixel (only the top 200 rows take part), the
// beam sprite that raises the relief where it falls, and the light.
struct BumpState {
    static constexpr int kSprite = 64;
    static constexpr int kReliefRows = 200;
    static constexpr int kLastColumn = 499;

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> reliefSource;
    std::vector<std::uint8_t> reliefWork;
    std::vector<std::uint8_t> beamSprite;  // 64 x 64, 0 transparent
    std::uint16_t lightRamp[256] = {};
    // Indexed by column + 256 * row: the light seen from a surface tilted so.
    std::vector<std::uint16_t> lightMap;
    int lightX = 0;
    int lightY = 0;
};

// Builds the ramp and the light map and allocates the maps and sprite (zero-filled) for a
// screen of width x height.
void BumpInit(BumpState& s, int width, int height, const PixelChannels& c);
void BumpFree(BumpState& s);
// The relief with the beam added at the light (heights wrap at 256).
void BumpStamp(BumpState& s);
// Stamp, then the lit picture into out, from the picture below it; both are width x height.
void BumpDraw(BumpState& s, const std::uint16_t* picture, std::uint16_t* out, const PixelChannels& c);
