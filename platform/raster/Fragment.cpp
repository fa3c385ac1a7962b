#include "platform/raster/Fragment.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/raster/PixelOps.h"

namespace raster {

ClipRect EffectiveClip(const Target& target, const State& state) {
    ClipRect c;
    c.minX = std::max(state.clip.minX, 0);
    c.minY = std::max(state.clip.minY, 0);
    c.maxX = std::min(state.clip.maxX, target.width);
    c.maxY = std::min(state.clip.maxY, target.height);
    if (target.color == nullptr || c.maxX < c.minX || c.maxY < c.minY) c.maxX = c.minX, c.maxY = c.minY;
    return c;
}

ColorSource EffectiveSource(const State& state) {
    const bool haveTexture = state.texture != nullptr && !state.texture->Empty();
    switch (state.source) {
        case ColorSource::Texture:
            return haveTexture ? ColorSource::Texture : ColorSource::Constant;
        case ColorSource::TextureTimesConstant:
            return haveTexture ? ColorSource::TextureTimesConstant : ColorSource::Constant;
        case ColorSource::TextureTimesIterated:
            return haveTexture ? ColorSource::TextureTimesIterated : ColorSource::Iterated;
        default:
            return state.source;
    }
}

namespace {

int Channel(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<int>(v);
}

std::uint32_t SampleTexture(const Texture& tex, Filter filter, double s, double t) {
    // s, t run 0..256 across the texture; in texels times 16 for the 4-bit fraction.
    const double scale = tex.Side() / 16.0;
    const int mask = tex.Side() - 1;
    if (filter == Filter::Point) {
        const int x = (FloorToInt(s * scale) >> 4) & mask;
        const int y = (FloorToInt(t * scale) >> 4) & mask;
        return tex.At(x, y);
    }
    // Bilinear: sample centres sit half a texel in, weights are 4-bit fractions.
    const int us = FloorToInt(s * scale - 8.0), vs = FloorToInt(t * scale - 8.0);
    const int fx = us & 15, fy = vs & 15;
    const int x0 = (us >> 4) & mask, y0 = (vs >> 4) & mask;
    const int x1 = (x0 + 1) & mask, y1 = (y0 + 1) & mask;
    const std::uint32_t texel[4] = {tex.At(x0, y0), tex.At(x1, y0), tex.At(x0, y1), tex.At(x1, y1)};
    const int weight[4] = {(16 - fx) * (16 - fy), fx * (16 - fy), (16 - fx) * fy, fx * fy};
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) sum += static_cast<int>((texel[k] >> shift) & 0xFF) * weight[k];
        out |= static_cast<std::uint32_t>(sum >> 8) << shift;
    }
    return out;
}

}  // namespace

void ShadeFragment(const Target& target, const State& state, int x, int y, const Fragment& f, Stats& stats) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width) + static_cast<std::size_t>(x);
    const bool depthOn = state.depthMode != DepthMode::Off && target.depth != nullptr;
    std::uint16_t depth = 0;
    if (depthOn) {
        if (state.depthMode == DepthMode::WBuffer)
            depth = EncodeWReference(f.oow);
        else
            depth = EncodeZ(static_cast<float>(f.z));
        if (!DepthPasses(static_cast<int>(state.depthFunc), depth, target.depth[at])) return;
    }

    const ColorSource source = EffectiveSource(state);
    int r, g, b;
    if (source == ColorSource::Constant) {
        r = (state.constant >> 16) & 0xFF, g = (state.constant >> 8) & 0xFF, b = state.constant & 0xFF;
    } else if (source == ColorSource::Iterated) {
        r = Channel(f.r), g = Channel(f.g), b = Channel(f.b);
    } else {
        const std::uint32_t texel = SampleTexture(*state.texture, state.filter, f.sow / f.oow, f.tow / f.oow);
        if (state.chromaKey && texel == (state.chromaKeyValue & 0xFFFFFF)) return;
        r = static_cast<int>(texel >> 16) & 0xFF, g = static_cast<int>(texel >> 8) & 0xFF, b = static_cast<int>(texel) & 0xFF;
        int mr = 255, mg = 255, mb = 255;
        if (source == ColorSource::TextureTimesConstant)
            mr = (state.constant >> 16) & 0xFF, mg = (state.constant >> 8) & 0xFF, mb = state.constant & 0xFF;
        else if (source == ColorSource::TextureTimesIterated)
            mr = Channel(f.r), mg = Channel(f.g), mb = Channel(f.b);
        r = (r * (mr + 1)) >> 8, g = (g * (mg + 1)) >> 8, b = (b * (mb + 1)) >> 8;
    }

    if (state.additive) {
        const std::uint32_t under = Expand565(target.color[at]);
        r = std::min(255, r + static_cast<int>((under >> 16) & 0xFF));
        g = std::min(255, g + static_cast<int>((under >> 8) & 0xFF));
        b = std::min(255, b + static_cast<int>(under & 0xFF));
    }
    target.color[at] = Pack565(r, g, b, x, y, state.dither);
    if (depthOn && state.depthWrite) target.depth[at] = depth;
    ++stats.pixels;
}

namespace {
Fragment FragmentOf(const Vertex& v) {
    return Fragment{v.z, v.oow, v.r, v.g, v.b, v.sow, v.tow};
}
Fragment Lerp(const Fragment& a, const Fragment& b, double t) {
    auto mix = [t](double p, double q) { return p + (q - p) * t; };
    return Fragment{mix(a.z, b.z), mix(a.oow, b.oow), mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b),
                    mix(a.sow, b.sow), mix(a.tow, b.tow)};
}
}  // namespace

void DrawPointFragments(const Target& target, const State& state, const Vertex& p, Stats& stats) {
    const ClipRect clip = EffectiveClip(target, state);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    const double fx = std::floor(static_cast<double>(p.x)), fy = std::floor(static_cast<double>(p.y));
    if (fx < clip.minX || fx >= clip.maxX || fy < clip.minY || fy >= clip.maxY) return;
    ShadeFragment(target, state, static_cast<int>(fx), static_cast<int>(fy), FragmentOf(p), stats);
}

void DrawLineFragments(const Target& target, const State& state, const Vertex& a, const Vertex& b, Stats& stats,
                       int firstRow, int endRow) {
    const ClipRect clip = EffectiveClip(target, state);
    if (clip.maxX <= clip.minX || clip.maxY <= clip.minY) return;
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;

    // Cut the segment to a rectangle one pixel wider than the clip (Liang-Barsky), so the
    // steps below stay few and small whatever the end points.
    double x0 = a.x, y0 = a.y, dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    double t0 = 0, t1 = 1;
    const double bounds[4][2] = {{-dx, x0 - (clip.minX - 1)}, {dx, (clip.maxX + 1) - x0},
                                 {-dy, y0 - (clip.minY - 1)}, {dy, (clip.maxY + 1) - y0}};
    for (const auto& e : bounds) {
        const double p = e[0], q = e[1];
        if (p == 0) {
            if (q < 0) return;
        } else {
            const double r = q / p;
            if (p < 0) t0 = std::max(t0, r);
            else t1 = std::min(t1, r);
        }
    }
    if (t0 > t1) return;

    const Fragment fa = FragmentOf(a), fb = FragmentOf(b);
    const Fragment from = Lerp(fa, fb, t0), to = Lerp(fa, fb, t1);
    const int px0 = FloorToInt(x0 + dx * t0), py0 = FloorToInt(y0 + dy * t0);
    const int px1 = FloorToInt(x0 + dx * t1), py1 = FloorToInt(y0 + dy * t1);
    const int steps = std::max(std::abs(px1 - px0), std::abs(py1 - py0));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps ? double(i) / steps : 0.0;
        const int x = px0 + FloorToInt((px1 - px0) * t + 0.5);
        const int y = py0 + FloorToInt((py1 - py0) * t + 0.5);
        if (x < clip.minX || x >= clip.maxX || y < clip.minY || y >= clip.maxY) continue;
        if (y < firstRow || y >= endRow) continue;
        ShadeFragment(target, state, x, y, Lerp(from, to, t), stats);
    }
}

}  // namespace raster
