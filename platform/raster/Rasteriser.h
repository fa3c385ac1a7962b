#pragma once

// The rasteriser the glide layer draws with. Triangles are walked row by row: each
// row's span comes exactly from the three edge functions (1/16-pixel vertices, pixel centres,
// top-left rule), and the span's pixels run through a loop specialised for the state in force,
// so a draw pays only for the colour source, filter, key, blend and depth test it uses.
// Pixel for pixel it follows the reference rasteriser; no write ever leaves the target.

#include "platform/raster/Raster.h"

namespace raster {

class Rasteriser {
public:
    Target target;
    State state;
    Stats stats;

    void DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
    void DrawLine(const Vertex& a, const Vertex& b);
    // The same line, writing only rows firstRow <= y < endRow.
    void DrawLineRows(const Vertex& a, const Vertex& b, int firstRow, int endRow);
    void DrawPoint(const Vertex& p);

private:
    void Rasterise(const Vertex& a, const Vertex& b, const Vertex& c, bool cull);
};

}  // namespace raster
