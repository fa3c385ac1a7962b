#include "platform/raster/ReferenceRasteriser.h"

#include <algorithm>
#include <cmath>

#include "platform/raster/Fragment.h"

namespace raster {

namespace {
// To 1/16 pixel, halves rounded up.
double Snap(float v) { return std::floor(double(v) * 16.0 + 0.5) / 16.0; }
}  // namespace

void ReferenceRasteriser::DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    const Vertex* v[3] = {&a, &b, &c};
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return;
        x[i] = Snap(v[i]->x);
        y[i] = Snap(v[i]->y);
    }
    const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    if (area == 0) return;
    if ((state.cull == Cull::Positive && area > 0) || (state.cull == Cull::Negative && area < 0)) return;
    ++stats.triangles;
    const double sign = area > 0 ? 1.0 : -1.0;

    // Edge i runs from corner i to corner i+1 and weighs the opposite corner i+2. Inside means
    // positive; on the edge counts only for top and left edges.
    bool topLeft[3];
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const double nx = -sign * (y[j] - y[i]), ny = sign * (x[j] - x[i]);
        topLeft[i] = nx > 0 || (nx == 0 && ny > 0);
    }

    const ClipRect clip = EffectiveClip(target, state);
    const double lo[2] = {std::floor(std::min({x[0], x[1], x[2]})), std::floor(std::min({y[0], y[1], y[2]}))};
    const double hi[2] = {std::ceil(std::max({x[0], x[1], x[2]})), std::ceil(std::max({y[0], y[1], y[2]}))};
    auto within = [](double v, int low, int high) { return static_cast<int>(std::clamp<double>(v, low, high)); };
    const int x0 = within(lo[0], clip.minX, clip.maxX), x1 = within(hi[0], clip.minX, clip.maxX);
    const int y0 = within(lo[1], clip.minY, clip.maxY), y1 = within(hi[1], clip.minY, clip.maxY);

    for (int py = y0; py < y1; ++py) {
        for (int px = x0; px < x1; ++px) {
            const double cx = px + 0.5, cy = py + 0.5;
            double w[3];
            bool inside = true;
            for (int i = 0; i < 3 && inside; ++i) {
                const int j = (i + 1) % 3;
                const double e = sign * ((cy - y[i]) * (x[j] - x[i]) - (cx - x[i]) * (y[j] - y[i]));
                inside = e > 0 || (e == 0 && topLeft[i]);
                w[(i + 2) % 3] = e / (sign * area);
            }
            if (!inside) continue;
            auto mix = [&](float Vertex::*field) {
                return w[0] * double(a.*field) + w[1] * double(b.*field) + w[2] * double(c.*field);
            };
            const Fragment f{mix(&Vertex::z), mix(&Vertex::oow), mix(&Vertex::r), mix(&Vertex::g), mix(&Vertex::b),
                             mix(&Vertex::sow), mix(&Vertex::tow)};
            ShadeFragment(target, state, px, py, f, stats);
        }
    }
}

void ReferenceRasteriser::DrawLine(const Vertex& a, const Vertex& b) { DrawLineFragments(target, state, a, b, stats); }

void ReferenceRasteriser::DrawPoint(const Vertex& p) { DrawPointFragments(target, state, p, stats); }

}  // namespace raster
