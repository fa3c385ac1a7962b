// Per-vertex and per-face lighting: the sum of every omni's and halo's contribution on the
// base colour, clamped from above to the channel maxima. No ambient, no specular.
#include <cmath>
#include <cstdint>

#include "engine/video/PixelLayout.h"
#include "engine/world/Face.h"
#include "engine/world/LightSet.h"
#include "engine/world/Numeric.h"
#include "engine/world/Vertex.h"

namespace {

struct Channels {
    std::int64_t r = 0, g = 0, b = 0;

    void Add(int baseR, int baseG, int baseB, double fr, double fg, double fb, double k) {
        r += TruncToInt(baseR * fr * k);
        g += TruncToInt(baseG * fg * k);
        b += TruncToInt(baseB * fb * k);
    }
};

// Integer distance between a halo and a camera-space point, on truncated coordinates.
// Squares are taken in 64 bits so that far-away points cannot overflow.
int HaloDistance(const Halo& h, double cx, double cy, double cz) {
    const std::int64_t dx = static_cast<std::int64_t>(h.cx) - TruncToInt(cx);
    const std::int64_t dy = static_cast<std::int64_t>(h.cy) - TruncToInt(cy);
    const std::int64_t dz = static_cast<std::int64_t>(h.cz) - TruncToInt(cz);
    return TruncToInt(std::sqrt(static_cast<double>(dx * dx + dy * dy + dz * dz)));
}

// Omni term: a light behind the surface gives nothing for winding +1, and lights it as if in
// front for winding -1.
double OmniFactor(const Omni& o, const Vector3& cameraNormal, int windingSign) {
    double t = o.cameraDirection.Dot(cameraNormal);
    if (t < 0) t = (windingSign == 1) ? 0 : -t;
    return t;
}

int Clamp(std::int64_t v, int max) {
    if (v > max) v = max;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

int Finish(const Channels& c, int& lr, int& lg, int& lb) {
    const PixelLayout& p = ActivePixelLayout();
    lr = Clamp(c.r, p.redMax);
    lg = Clamp(c.g, p.greenMax);
    lb = Clamp(c.b, p.blueMax);
    return p.Pack(lr, lg, lb);
}

// Sums every omni and halo term on a base colour; dist gives a halo's integer distance.
template <typename Distance>
Channels SumLights(const LightSet* lights, int r, int g, int b, const Vector3& cameraNormal, int windingSign,
                   Distance dist) {
    Channels acc;
    if (!lights) return acc;
    for (int i = 0; i < lights->omniCount; ++i) {
        const Omni& o = *lights->omnis[i];
        acc.Add(r, g, b, o.red, o.green, o.blue, OmniFactor(o, cameraNormal, windingSign));
    }
    for (int i = 0; i < lights->haloCount; ++i) {
        const Halo& h = *lights->halos[i];
        acc.Add(r, g, b, h.red, h.green, h.blue, h.Strength(dist(h)));
    }
    return acc;
}

}  // namespace

int Vertex::Light(const LightSet* lights, int windingSign) {
    const Channels acc = SumLights(lights, r, g, b, cameraNormal, windingSign,
                                   [this](const Halo& h) { return HaloDistance(h, cx, cy, cz); });
    packed = Finish(acc, lr, lg, lb);
    return packed;
}

int Face::Light(const LightSet* lights, int windingSign) {
    // A face's halo distance is the integer average of its corners' distances.
    const Channels acc = SumLights(lights, red, green, blue, cameraNormal, windingSign, [this](const Halo& h) {
        const std::int64_t sum = static_cast<std::int64_t>(HaloDistance(h, a->cx, a->cy, a->cz)) +
                                 HaloDistance(h, b->cx, b->cy, b->cz) + HaloDistance(h, c->cx, c->cy, c->cz);
        return static_cast<int>(sum / 3);
    });
    return Finish(acc, lr, lg, lb);
}
