#include "platform/raster/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <emmintrin.h>

#include "platform/raster/Fragment.h"
#include "platform/raster/PixelOps.h"
#include "platform/raster/SpanKernels.h"

namespace raster {

namespace {

using namespace span;

// Triangles with every corner inside this band (pixels) are rasterised directly; the edge
// functions then stay far inside 64 bits. Larger ones are first cut to the band.
constexpr double kGuard = 32768.0;

template <ColorSource S, Filter F, bool Key, bool Add, int D>
std::uint32_t Span(const SpanContext& c, int x, int end) {
    constexpr bool kTextured = S == ColorSource::Texture || S == ColorSource::TextureTimesConstant ||
                               S == ColorSource::TextureTimesIterated;
    constexpr bool kIterated = S == ColorSource::Iterated || S == ColorSource::TextureTimesIterated;
    float oow = c.oow, z = c.z, s = c.s, t = c.t;
    std::int32_t r = c.r, g = c.g, b = c.b;
    const int* ditherRow = kDitherMatrix[c.y & 3];
    std::uint32_t written = 0;

    // One pixel after its texel (if any) is known: depth test, key, combine, blend, write.
    // For textured sources, texel is what the key is compared with and rgb the combined colour.
    auto shade = [&](int px, float pixelOow, float pixelZ, std::uint32_t texel, std::uint32_t rgb) {
        std::uint16_t depth = 0;
        if constexpr (D != kNoDepth) {
            depth = c.wbuffer ? EncodeW(pixelOow) : EncodeZ(pixelZ);
            if constexpr (D == kDepthLess) {
                if (!(depth < c.depth[px])) return;
            } else {
                if (!DepthPasses(c.depthFunc, depth, c.depth[px])) return;
            }
        }
        int R, G, B;
        if constexpr (kTextured) {
            if constexpr (Key) {
                if (texel == c.key) return;
            }
            R = static_cast<int>(rgb >> 16), G = static_cast<int>(rgb >> 8) & 0xFF, B = static_cast<int>(rgb) & 0xFF;
        } else if constexpr (kIterated) {
            R = ToChannel(r), G = ToChannel(g), B = ToChannel(b);
        } else {
            R = c.cr, G = c.cg, B = c.cb;
        }
        if constexpr (Add) {
            const std::uint32_t under = Expand565(c.color[px]);
            R = std::min(255, R + static_cast<int>(under >> 16));
            G = std::min(255, G + static_cast<int>((under >> 8) & 0xFF));
            B = std::min(255, B + static_cast<int>(under & 0xFF));
        }
        if (c.dither) {
            const int d = ditherRow[px & 3];
            c.color[px] = static_cast<std::uint16_t>((kDitherTables.to5[d][R] << 11) | (kDitherTables.to6[d][G] << 5) |
                                                     kDitherTables.to5[d][B]);
        } else {
            c.color[px] = static_cast<std::uint16_t>(((R >> 3) << 11) | ((G >> 2) << 5) | (B >> 3));
        }
        if constexpr (D != kNoDepth) {
            if (c.depthWrite) c.depth[px] = depth;
        }
        ++written;
    };
    // Wrapping adds: a span never steps far enough to wrap, and if garbage input did, the
    // clamp still makes a colour of it.
    auto stepColour = [&] {
        if constexpr (kIterated) {
            r = static_cast<std::int32_t>(static_cast<std::uint32_t>(r) + static_cast<std::uint32_t>(c.dr));
            g = static_cast<std::int32_t>(static_cast<std::uint32_t>(g) + static_cast<std::uint32_t>(c.dg));
            b = static_cast<std::int32_t>(static_cast<std::uint32_t>(b) + static_cast<std::uint32_t>(c.db));
        }
    };

    if constexpr (kTextured) {
        // Four pixels at a time: their 1/w, the exact perspective divide and the texels in SIMD.
        const __m128 lane = _mm_set_ps(3, 2, 1, 0);
        const __m128 dOow = _mm_mul_ps(lane, _mm_set1_ps(c.doow));
        const __m128 dS = _mm_mul_ps(lane, _mm_set1_ps(c.ds)), dT = _mm_mul_ps(lane, _mm_set1_ps(c.dt));
        const __m128i constant = _mm_set1_epi32(static_cast<int>((c.cr << 16) | (c.cg << 8) | c.cb));
        auto ramp = [](std::int32_t step) {
            const auto u = static_cast<std::uint32_t>(step);
            return _mm_set_epi32(static_cast<int>(3 * u), static_cast<int>(2 * u), static_cast<int>(u), 0);
        };
        const __m128i dR = ramp(c.dr), dG = ramp(c.dg), dB = ramp(c.db);
        // Whole groups go through the SIMD write; a group wholly behind the depth buffer is
        // skipped before its texels are fetched.
        const bool simd = c.dither && (D == kNoDepth || (D == kDepthLess && c.wbuffer));
        for (; x < end; x += 4) {
            const __m128 o = _mm_add_ps(_mm_set1_ps(oow), dOow);
            const int n = std::min(4, end - x);
            const bool whole = simd && (n == 4 || x + 4 <= c.width);
            __m128i pass = _mm_setzero_si128(), depth = _mm_setzero_si128();
            if (whole) pass = Pass4<D>(c, x, o, n, depth);
            if (!whole || AnyPass(pass)) {
                const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), o);
                const __m128i sampled = Sample4<F>(c, _mm_mul_ps(_mm_add_ps(_mm_set1_ps(s), dS), w),
                                                   _mm_mul_ps(_mm_add_ps(_mm_set1_ps(t), dT), w));
                __m128i combined = sampled;
                if constexpr (S == ColorSource::TextureTimesConstant) {
                    combined = Modulate(sampled, constant);
                } else if constexpr (S == ColorSource::TextureTimesIterated) {
                    combined = Modulate(sampled, PackColours(_mm_add_epi32(_mm_set1_epi32(r), dR),
                                                             _mm_add_epi32(_mm_set1_epi32(g), dG),
                                                             _mm_add_epi32(_mm_set1_epi32(b), dB)));
                }
                if (whole) {
                    written += Write4<Key, Add, D>(c, x, pass, depth, sampled, combined);
                } else {
                    alignas(16) std::uint32_t texel[4], rgb[4];
                    alignas(16) float oows[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(texel), sampled);
                    _mm_store_si128(reinterpret_cast<__m128i*>(rgb), combined);
                    _mm_store_ps(oows, o);
                    float pixelZ = z;
                    for (int j = 0; j < n; ++j) {
                        shade(x + j, oows[j], pixelZ, texel[j], rgb[j]);
                        if constexpr (D != kNoDepth) pixelZ += c.dz;
                    }
                }
            }
            if constexpr (D != kNoDepth) z += 4 * c.dz;
            for (int j = 0; j < 4; ++j) stepColour();
            oow += 4 * c.doow, s += 4 * c.ds, t += 4 * c.dt;
        }
    } else {
        // Untextured: whole groups of four through the same SIMD write, the rest one by one.
        const __m128 dOow = _mm_mul_ps(_mm_set_ps(3, 2, 1, 0), _mm_set1_ps(c.doow));
        const __m128i constant = _mm_set1_epi32(static_cast<int>((c.cr << 16) | (c.cg << 8) | c.cb));
        auto ramp = [](std::int32_t step) {
            const auto u = static_cast<std::uint32_t>(step);
            return _mm_set_epi32(static_cast<int>(3 * u), static_cast<int>(2 * u), static_cast<int>(u), 0);
        };
        const __m128i dR = ramp(c.dr), dG = ramp(c.dg), dB = ramp(c.db);
        const bool groups = c.dither && (D == kNoDepth || (D == kDepthLess && c.wbuffer));
        while (x < end) {
            if (groups && (end - x >= 4 || x + 4 <= c.width)) {
                __m128i rgb = constant;
                if constexpr (kIterated)
                    rgb = PackColours(_mm_add_epi32(_mm_set1_epi32(r), dR), _mm_add_epi32(_mm_set1_epi32(g), dG),
                                      _mm_add_epi32(_mm_set1_epi32(b), dB));
                __m128i depth;
                const __m128i pass = Pass4<D>(c, x, _mm_add_ps(_mm_set1_ps(oow), dOow), std::min(4, end - x), depth);
                written += Write4<false, Add, D>(c, x, pass, depth, _mm_setzero_si128(), rgb);
                x += 4;
                if constexpr (D != kNoDepth) oow += 4 * c.doow, z += 4 * c.dz;
                for (int j = 0; j < 4; ++j) stepColour();
            } else {
                shade(x, oow, z, 0, 0);
                ++x;
                if constexpr (D != kNoDepth) oow += c.doow, z += c.dz;
                stepColour();
            }
        }
    }
    return written;
}

using SpanFunction = std::uint32_t (*)(const SpanContext&, int, int);

template <ColorSource S, Filter F, bool K, bool A>
SpanFunction ChooseDepth(int d) {
    if (d == kDepthLess) return &Span<S, F, K, A, kDepthLess>;
    if (d == kDepthAny) return &Span<S, F, K, A, kDepthAny>;
    return &Span<S, F, K, A, kNoDepth>;
}

template <ColorSource S, Filter F>
SpanFunction ChooseKeyBlend(bool key, bool add, int d) {
    if (key) return add ? ChooseDepth<S, F, true, true>(d) : ChooseDepth<S, F, true, false>(d);
    return add ? ChooseDepth<S, F, false, true>(d) : ChooseDepth<S, F, false, false>(d);
}

template <ColorSource S>
SpanFunction ChooseTextured(Filter f, bool key, bool add, int d) {
    return f == Filter::Point ? ChooseKeyBlend<S, Filter::Point>(key, add, d)
                              : ChooseKeyBlend<S, Filter::Bilinear>(key, add, d);
}

SpanFunction ChooseSpan(ColorSource source, Filter f, bool key, bool add, int d) {
    switch (source) {
        case ColorSource::Constant: return ChooseKeyBlend<ColorSource::Constant, Filter::Point>(false, add, d);
        case ColorSource::Iterated: return ChooseKeyBlend<ColorSource::Iterated, Filter::Point>(false, add, d);
        case ColorSource::Texture: return ChooseTextured<ColorSource::Texture>(f, key, add, d);
        case ColorSource::TextureTimesConstant: return ChooseTextured<ColorSource::TextureTimesConstant>(f, key, add, d);
        default: return ChooseTextured<ColorSource::TextureTimesIterated>(f, key, add, d);
    }
}

// floor(a / b) for b > 0, given 1 / b. |a| < 2^50 here, so the truncated double quotient is
// within one or two of the answer and exact integer checks settle it, much cheaper than a
// 64-bit idiv per edge and row.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b, double inverseB) {
    std::int64_t q = static_cast<std::int64_t>(static_cast<double>(a) * inverseB);
    while (q * b > a) --q;
    while ((q + 1) * b <= a) ++q;
    return q;
}
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return FloorDiv(a, b, 1.0 / static_cast<double>(b)); }
inline std::int64_t CeilDiv(std::int64_t a, std::int64_t b, double inverseB) { return -FloorDiv(-a, b, inverseB); }
inline std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// Attribute f over the screen: f(x, y) = c + dx * x + dy * y, x and y in pixels.
struct Plane {
    double dx = 0, dy = 0, c = 0;
    double At(double x, double y) const { return c + dx * x + dy * y; }
};

// Vertex positions in 1/16 pixel, halves rounded up (the reference's rule); |v| is inside
// the guard band, so the conversion is exact and safe.
inline std::int64_t SnapToSixteenths(float v) {
    const double t = double(v) * 16.0 + 0.5;
    const auto q = static_cast<std::int64_t>(t);
    return q - (static_cast<double>(q) > t ? 1 : 0);
}

bool InsideGuard(const Vertex& v) { return std::fabs(v.x) <= kGuard && std::fabs(v.y) <= kGuard; }

Vertex Mix(const Vertex& a, const Vertex& b, double t) {
    auto m = [t](float p, float q) { return static_cast<float>(p + (double(q) - p) * t); };
    Vertex v;
    v.x = m(a.x, b.x), v.y = m(a.y, b.y), v.z = m(a.z, b.z), v.oow = m(a.oow, b.oow);
    v.r = m(a.r, b.r), v.g = m(a.g, b.g), v.b = m(a.b, b.b), v.sow = m(a.sow, b.sow), v.tow = m(a.tow, b.tow);
    return v;
}

// Sutherland-Hodgman against the guard band. Attributes are affine in screen space, so cutting
// an edge in screen space keeps them exact. Returns the number of corners (at most 7).
int ClipToGuard(const Vertex* in, int n, Vertex* out) {
    Vertex buffer[2][8];
    const Vertex* src = in;
    int count = n;
    for (int plane = 0; plane < 4; ++plane) {
        Vertex* dst = buffer[plane & 1];
        int m = 0;
        auto distance = [plane](const Vertex& v) {
            switch (plane) {
                case 0: return kGuard - v.x;
                case 1: return kGuard + v.x;
                case 2: return kGuard - v.y;
                default: return kGuard + v.y;
            }
        };
        for (int i = 0; i < count; ++i) {
            const Vertex& p = src[i];
            const Vertex& q = src[(i + 1) % count];
            const double dp = distance(p), dq = distance(q);
            if (dp >= 0) dst[m++] = p;
            if ((dp >= 0) != (dq >= 0)) dst[m++] = Mix(p, q, dp / (dp - dq));
        }
        src = dst;
        count = m;
        if (count < 3) return 0;
    }
    for (int i = 0; i < count; ++i) out[i] = src[i];
    return count;
}

}  // namespace

void Rasteriser::DrawTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    const Vertex* v[3] = {&a, &b, &c};
    for (const Vertex* p : v)
        if (!std::isfinite(p->x) || !std::isfinite(p->y)) return;
    if (InsideGuard(a) && InsideGuard(b) && InsideGuard(c)) {
        Rasterise(a, b, c, true);
        return;
    }
    // Cull on the whole triangle, as the reference does, then draw the pieces inside the band.
    auto snap = [](float f) { return std::floor(double(f) * 16.0 + 0.5) / 16.0; };
    const double area = (snap(b.x) - snap(a.x)) * (snap(c.y) - snap(a.y)) -
                        (snap(c.x) - snap(a.x)) * (snap(b.y) - snap(a.y));
    if (area == 0 || (state.cull == Cull::Positive && area > 0) || (state.cull == Cull::Negative && area < 0)) return;
    const Vertex corners[3] = {a, b, c};
    Vertex polygon[8];
    const int n = ClipToGuard(corners, 3, polygon);
    if (n < 3) return;
    ++stats.triangles;
    const std::uint64_t counted = stats.triangles;
    for (int i = 1; i + 1 < n; ++i) Rasterise(polygon[0], polygon[i], polygon[i + 1], false);
    stats.triangles = counted;
}

void Rasteriser::Rasterise(const Vertex& a, const Vertex& b, const Vertex& c, bool cull) {
    const Vertex* v[3] = {&a, &b, &c};
    std::int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = SnapToSixteenths(v[i]->x);
        Y[i] = SnapToSixteenths(v[i]->y);
    }
    const std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return;
    if (cull && ((state.cull == Cull::Positive && area > 0) || (state.cull == Cull::Negative && area < 0))) return;
    ++stats.triangles;

    const ClipRect clip = EffectiveClip(target, state);
    if (clip.maxX <= clip.minX || clip.maxY <= clip.minY) return;
    // Pixel rows and columns whose centres (16p + 8) lie in the snapped bounding box.
    const std::int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    const std::int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    const std::int64_t boxX0 = std::max<std::int64_t>(CeilDiv(minX - 8, 16), clip.minX);
    const std::int64_t boxX1 = std::min<std::int64_t>(FloorDiv(maxX - 8, 16), clip.maxX - 1);
    const std::int64_t boxY0 = std::max<std::int64_t>(CeilDiv(minY - 8, 16), clip.minY);
    const std::int64_t boxY1 = std::min<std::int64_t>(FloorDiv(maxY - 8, 16), clip.maxY - 1);
    if (boxX0 > boxX1 || boxY0 > boxY1) return;

    // Edge i (corner i to i+1) as E(px, py) = A px + B py + C over pixel indices, positive
    // inside; pixels exactly on an edge belong to it only when it is a top or left edge.
    const std::int64_t sign = area > 0 ? 1 : -1;
    std::int64_t A[3], B[3], C[3];
    double inverseA[3];
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const std::int64_t ex = X[j] - X[i], ey = Y[j] - Y[i];
        A[i] = -sign * 16 * ey;
        B[i] = sign * 16 * ex;
        C[i] = sign * ((8 - Y[i]) * ex - (8 - X[i]) * ey);
        const std::int64_t nx = -sign * ey, ny = sign * ex;
        if (!(nx > 0 || (nx == 0 && ny > 0))) C[i] -= 1;
        inverseA[i] = A[i] != 0 ? 1.0 / static_cast<double>(A[i] > 0 ? A[i] : -A[i]) : 0.0;
    }

    // Attribute planes from the snapped corners.
    const double x0 = X[0] / 16.0, y0 = Y[0] / 16.0;
    const double e1x = (X[1] - X[0]) / 16.0, e1y = (Y[1] - Y[0]) / 16.0;
    const double e2x = (X[2] - X[0]) / 16.0, e2y = (Y[2] - Y[0]) / 16.0;
    const double inverseDet = 1.0 / (e1x * e2y - e2x * e1y);
    auto plane = [&](double f0, double f1, double f2) {
        Plane p;
        p.dx = ((f1 - f0) * e2y - (f2 - f0) * e1y) * inverseDet;
        p.dy = ((f2 - f0) * e1x - (f1 - f0) * e2x) * inverseDet;
        p.c = f0 - p.dx * x0 - p.dy * y0;
        return p;
    };

    const ColorSource source = EffectiveSource(state);
    const bool textured = source == ColorSource::Texture || source == ColorSource::TextureTimesConstant ||
                          source == ColorSource::TextureTimesIterated;
    const bool iterated = source == ColorSource::Iterated || source == ColorSource::TextureTimesIterated;
    const bool depthOn = state.depthMode != DepthMode::Off && target.depth != nullptr;
    const int depthKind = !depthOn ? kNoDepth : state.depthFunc == DepthFunc::Less ? kDepthLess : kDepthAny;

    SpanContext ctx;
    ctx.cr = (state.constant >> 16) & 0xFF, ctx.cg = (state.constant >> 8) & 0xFF, ctx.cb = state.constant & 0xFF;
    ctx.key = state.chromaKeyValue & 0xFFFFFF;
    ctx.depthFunc = static_cast<int>(state.depthFunc);
    ctx.depthWrite = state.depthWrite;
    ctx.wbuffer = state.depthMode == DepthMode::WBuffer;
    ctx.dither = state.dither;
    Plane pOow, pZ, pR, pG, pB, pS, pT;
    pOow = plane(a.oow, b.oow, c.oow);
    if (depthOn && !ctx.wbuffer) pZ = plane(a.z, b.z, c.z);
    if (iterated) pR = plane(a.r, b.r, c.r), pG = plane(a.g, b.g, c.g), pB = plane(a.b, b.b, c.b);
    if (textured) {
        const Texture& tex = *state.texture;
        ctx.texels = tex.Texels();
        ctx.shift = tex.Shift();
        ctx.mask = tex.Side() - 1;
        const double scale = tex.Side() / 16.0;
        pS = plane(a.sow * scale, b.sow * scale, c.sow * scale);
        pT = plane(a.tow * scale, b.tow * scale, c.tow * scale);
    }
    ctx.doow = static_cast<float>(pOow.dx), ctx.dz = static_cast<float>(pZ.dx);
    ctx.dr = ToFixed(pR.dx), ctx.dg = ToFixed(pG.dx), ctx.db = ToFixed(pB.dx);
    ctx.ds = static_cast<float>(pS.dx), ctx.dt = static_cast<float>(pT.dx);
    const SpanFunction span = ChooseSpan(source, state.filter, state.chromaKey && textured, state.additive, depthKind);

    std::uint64_t written = 0;
    for (std::int64_t py = boxY0; py <= boxY1; ++py) {
        std::int64_t lo = boxX0, hi = boxX1;
        bool empty = false;
        for (int i = 0; i < 3; ++i) {
            const std::int64_t rest = B[i] * py + C[i];
            if (A[i] > 0) lo = std::max(lo, CeilDiv(-rest, A[i], inverseA[i]));
            else if (A[i] < 0) hi = std::min(hi, FloorDiv(rest, -A[i], inverseA[i]));
            else if (rest < 0) empty = true;
        }
        if (empty || lo > hi) continue;
        const int y = static_cast<int>(py), xl = static_cast<int>(lo);
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width);
        ctx.y = y;
        ctx.width = target.width;
        ctx.color = target.color + row;
        ctx.depth = depthOn ? target.depth + row : nullptr;
        const double cx = xl + 0.5, cy = y + 0.5;
        ctx.oow = static_cast<float>(pOow.At(cx, cy));
        if (depthOn && !ctx.wbuffer) ctx.z = static_cast<float>(pZ.At(cx, cy));
        if (iterated) {
            ctx.r = ToFixed(pR.At(cx, cy));
            ctx.g = ToFixed(pG.At(cx, cy));
            ctx.b = ToFixed(pB.At(cx, cy));
        }
        if (textured) ctx.s = static_cast<float>(pS.At(cx, cy)), ctx.t = static_cast<float>(pT.At(cx, cy));
        written += span(ctx, xl, static_cast<int>(hi) + 1);
    }
    stats.pixels += written;
}

void Rasteriser::DrawLine(const Vertex& a, const Vertex& b) { DrawLineFragments(target, state, a, b, stats); }

void Rasteriser::DrawLineRows(const Vertex& a, const Vertex& b, int firstRow, int endRow) {
    DrawLineFragments(target, state, a, b, stats, firstRow, endRow);
}

void Rasteriser::DrawPoint(const Vertex& p) { DrawPointFragments(target, state, p, stats); }

}  // namespace raster
