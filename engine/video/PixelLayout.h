#pragma once

#include <cstdint>

// How colour channels pack into an int: (r << redShift) + (g << greenShift) + (b << blueShift).
// The display publishes it (31 per channel on the 16-bit 2D display, 255 with shifts 16/8
// once a 3D renderer has started); lighting clamps to the maxima and packs with the shifts.
struct PixelLayout {
    int redShift = 16;
    int greenShift = 8;
    int blueShift = 0;
    std::uint32_t redMask = 0xFF0000;
    std::uint32_t greenMask = 0xFF00;
    std::uint32_t blueMask = 0xFF;
    int redMax = 255;
    int greenMax = 255;
    int blueMax = 255;

    // The layout a 3D renderer works in: 0xRRGGBB.
    static constexpr PixelLayout ThreeD() { return PixelLayout{}; }

    int Pack(int r, int g, int b) const {
        // Shifting in unsigned keeps out-of-range channels from being undefined behaviour.
        return static_cast<int>((static_cast<std::uint32_t>(r) << redShift) +
                                (static_cast<std::uint32_t>(g) << greenShift) +
                                (static_cast<std::uint32_t>(b) << blueShift));
    }
};

// The engine-wide layout in force. The display replaces it when it changes mode.
PixelLayout& ActivePixelLayout();
