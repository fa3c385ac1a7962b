#pragma once

// The naive rasteriser: every pixel of the triangle's bounding box, barycentric weights in
// doubles, the rules written out once. Slow on purpose; it is what the fast one is checked
// against. Same snapping (1/16 pixel), same top-left rule, same per-pixel rules.

#include "platform/raster/Raster.h"

namespace raster {

class ReferenceRasteriser {
public:
    Target target;
    State state;
    Stats stats;

    void DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
    void DrawLine(const Vertex& a, const Vertex& b);
    void DrawPoint(const Vertex& p);
};

}  // namespace raster
