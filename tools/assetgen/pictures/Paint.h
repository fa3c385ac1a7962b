#pragma once

// Small painting helpers for the generated pictures.

#include <algorithm>
#include <cmath>

#include "tools/assetgen/writers/Bmp.h"

namespace assetgen::paint {

struct Colour {
    double r = 0, g = 0, b = 0;  // 0..255
};

inline Colour Mix(const Colour& a, const Colour& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour Scale(const Colour& c, double k) { return {c.r * k, c.g * k, c.b * k}; }
inline Colour Add(const Colour& a, const Colour& b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

inline Rgb ToRgb(const Colour& c) {
    auto ch = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return {ch(c.r), ch(c.g), ch(c.b)};
}

// Keeps a colour away from black, for sprites whose black is transparent.
inline Rgb Opaque(const Colour& c) {
    Rgb p = ToRgb(c);
    if (p.r < 8 && p.g < 8 && p.b < 8) p.b = 8;
    return p;
}

template <typename F>
Image Paint(int w, int h, F f) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.At(x, y) = ToRgb(f(static_cast<double>(x) / w, static_cast<double>(y) / h));
    return img;
}

inline double Smooth(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace assetgen::paint
