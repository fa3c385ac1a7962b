#pragma once

// Deterministic randomness for the generator: the same seed gives the same content on every
// machine and every run (no std:: distributions, whose results vary between libraries).

#include <cmath>
#include <cstdint>

namespace assetgen {

class Rng {
public:
    explicit Rng(std::uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {}
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double Uniform() { return (Next() >> 8) / 16777216.0; }  // [0, 1)
    double Range(double a, double b) { return a + (b - a) * Uniform(); }

private:
    std::uint32_t state;
};

inline double Hash2(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777215.0;
}

// Smooth value noise in [0, 1], repeating every `period` cells when period > 0.
inline double ValueNoise(double x, double y, std::uint32_t seed, int period = 0) {
    const double fx = std::floor(x), fy = std::floor(y);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const double tx = x - fx, ty = y - fy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    auto wrap = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
    const int x1 = wrap(x0 + 1), y1 = wrap(y0 + 1);
    x0 = wrap(x0);
    y0 = wrap(y0);
    const double a = Hash2(x0, y0, seed), b = Hash2(x1, y0, seed);
    const double c = Hash2(x0, y1, seed), d = Hash2(x1, y1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Fractal sum of octaves, in [0, 1]; tiles when period > 0 (each octave doubles it).
inline double Fbm(double x, double y, std::uint32_t seed, int octaves = 4, int period = 0) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 101u, period);
        norm += amp;
        x *= 2;
        y *= 2;
        amp *= 0.5;
        if (period > 0) period *= 2;
    }
    return sum / norm;
}

}  // namespace assetgen
