#pragma once

// The meaning of one pixel, written plainly: what the reference rasteriser does for every pixel
// and both rasterisers do for points and lines. The fast triangle loops must agree with it.

#include "platform/raster/Raster.h"

namespace raster {

// Attributes at a pixel centre, in the units of Vertex.
struct Fragment {
    double z = 0, oow = 1, r = 0, g = 0, b = 0, sow = 0, tow = 0;
};

// The drawable rectangle: the clip window inside the target.
ClipRect EffectiveClip(const Target& target, const State& state);

// The source actually drawn: textured sources fall back to their untextured counterpart when
// no texture is bound.
ColorSource EffectiveSource(const State& state);

// Depth test, colour, key, blend, dither and writes for pixel (x, y), which must lie in the
// effective clip rectangle.
void ShadeFragment(const Target& target, const State& state, int x, int y, const Fragment& f, Stats& stats);

// The pixel a point lands on is the one containing it; nothing off the clip rectangle is touched.
void DrawPointFragments(const Target& target, const State& state, const Vertex& p, Stats& stats);

// One pixel per step along the major axis, both end pixels included, attributes interpolated
// linearly in screen space. Only rows firstRow <= y < endRow are written: a line drawn in
// bands is stepped whole in each, so its pixels do not depend on where the bands cut it.
void DrawLineFragments(const Target& target, const State& state, const Vertex& a, const Vertex& b, Stats& stats,
                       int firstRow = INT_MIN, int endRow = INT_MAX);

// Converts to int for indexing: floor, with the range clamped and NaN sent to the low end.
inline int FloorToInt(double v) {
    v = v > -1.0e9 ? v : -1.0e9;
    v = v < 1.0e9 ? v : 1.0e9;
    int i = static_cast<int>(v);
    return i - (v < static_cast<double>(i) ? 1 : 0);
}

}  // namespace raster
