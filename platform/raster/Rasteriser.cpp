#include "platform/raster/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <emmintrin.h>

#include "platform/raster/Fragment.h"
#include "platform/raster/PixelOps.h"

namespace raster {

namespace {

// Triangles with every corner inside this band (pixels) are rasterised directly; the edge
// functions then stay far inside 64 bits. Larger ones are first cut to the band.
constexpr double kGuard = 32768.0;

enum DepthKind { kNoDepth = 0, kDepthLess = 1, kDepthAny = 2 };

// What one span needs: row pointers, constants of the draw, and the attributes at the first
// pixel with their per-pixel steps. Texture coordinates are in 1/16 texels.
struct SpanContext {
    std::uint16_t* color = nullptr;
    std::uint16_t* depth = nullptr;
    int y = 0;
    const std::uint32_t* texels = nullptr;
    int shift = 0, mask = 0;
    std::uint32_t key = 0;
    int cr = 0, cg = 0, cb = 0;
    int depthFunc = 1;
    bool depthWrite = true, wbuffer = true, dither = true;
    float oow = 0, doow = 0, z = 0, dz = 0;
    std::int32_t r = 0, dr = 0, g = 0, dg = 0, b = 0, db = 0;   // 16.16 fixed point
    float s = 0, ds = 0, t = 0, dt = 0;
};

inline int ToChannel(std::int32_t fixed) { return std::clamp(fixed >> 16, 0, 255); }

// 16.16 fixed point of an iterated colour value; far-out values are held where the clamp to
// 0..255 still gives the same answer.
inline std::int32_t ToFixed(double v) { return static_cast<std::int32_t>(std::clamp(v, -16384.0, 16384.0) * 65536.0); }

// Floor to int. The SSE conversion gives INT_MIN for NaN and out-of-range values instead of
// undefined behaviour, and the step down wraps in unsigned arithmetic, so any input is safe;
// texel addresses are masked afterwards.
inline int FloorToIntF(float v) {
    const int i = _mm_cvttss_si32(_mm_set_ss(v));
    return static_cast<int>(static_cast<unsigned>(i) - (v < static_cast<float>(i) ? 1u : 0u));
}

// Floor of four floats; NaN and out-of-range lanes give INT_MIN (the conversion's answer),
// and the step down wraps, which SIMD integer adds do without undefined behaviour.
[[gnu::always_inline]] inline __m128i Floor4(__m128 v) {
    const __m128i i = _mm_cvttps_epi32(v);
    return _mm_add_epi32(i, _mm_castps_si128(_mm_cmplt_ps(v, _mm_cvtepi32_ps(i))));
}

// Texels of four pixels at once; s and t are in 1/16 texels. The four corners of each
// bilinear footprint are weighted in 16-bit lanes: weights are 4-bit fractions whose
// products sum to 256, so no lane exceeds 255 * 256.
template <Filter F>
[[gnu::always_inline]] inline __m128i Sample4(const SpanContext& c, __m128 s, __m128 t) {
    const __m128i mask = _mm_set1_epi32(c.mask);
    const __m128i shift = _mm_cvtsi32_si128(c.shift);
    alignas(16) std::int32_t index[4][4];
    if constexpr (F == Filter::Point) {
        const __m128i x = _mm_and_si128(_mm_srai_epi32(Floor4(s), 4), mask);
        const __m128i y = _mm_and_si128(_mm_srai_epi32(Floor4(t), 4), mask);
        _mm_store_si128(reinterpret_cast<__m128i*>(index[0]), _mm_add_epi32(_mm_sll_epi32(y, shift), x));
        return _mm_set_epi32(static_cast<int>(c.texels[index[0][3]]), static_cast<int>(c.texels[index[0][2]]),
                             static_cast<int>(c.texels[index[0][1]]), static_cast<int>(c.texels[index[0][0]]));
    } else {
        const __m128 eight = _mm_set1_ps(8.0f);
        const __m128i us = Floor4(_mm_sub_ps(s, eight)), vs = Floor4(_mm_sub_ps(t, eight));
        const __m128i fifteen = _mm_set1_epi32(15), sixteen = _mm_set1_epi32(16), one = _mm_set1_epi32(1);
        const __m128i fx = _mm_and_si128(us, fifteen), fy = _mm_and_si128(vs, fifteen);
        const __m128i x0 = _mm_and_si128(_mm_srai_epi32(us, 4), mask);
        const __m128i x1 = _mm_and_si128(_mm_add_epi32(x0, one), mask);
        const __m128i y0 = _mm_and_si128(_mm_srai_epi32(vs, 4), mask);
        const __m128i row0 = _mm_sll_epi32(y0, shift);
        const __m128i row1 = _mm_sll_epi32(_mm_and_si128(_mm_add_epi32(y0, one), mask), shift);
        _mm_store_si128(reinterpret_cast<__m128i*>(index[0]), _mm_add_epi32(row0, x0));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[1]), _mm_add_epi32(row0, x1));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[2]), _mm_add_epi32(row1, x0));
        _mm_store_si128(reinterpret_cast<__m128i*>(index[3]), _mm_add_epi32(row1, x1));
        const __m128i gx = _mm_sub_epi32(sixteen, fx), gy = _mm_sub_epi32(sixteen, fy);
        // Lanes hold values below 2^15, so the 16-bit multiply gives the 32-bit product.
        const __m128i weight[4] = {_mm_mullo_epi16(gx, gy), _mm_mullo_epi16(fx, gy), _mm_mullo_epi16(gx, fy),
                                   _mm_mullo_epi16(fx, fy)};
        const __m128i zero = _mm_setzero_si128();
        __m128i low = zero, high = zero;
        for (int k = 0; k < 4; ++k) {
            const __m128i texel = _mm_set_epi32(static_cast<int>(c.texels[index[k][3]]), static_cast<int>(c.texels[index[k][2]]),
                                                static_cast<int>(c.texels[index[k][1]]), static_cast<int>(c.texels[index[k][0]]));
            const __m128i w16 = _mm_packs_epi32(weight[k], weight[k]);   // w0 w1 w2 w3 w0 w1 w2 w3
            const __m128i pairs = _mm_unpacklo_epi16(w16, w16);           // w0 w0 w1 w1 w2 w2 w3 w3
            low = _mm_add_epi16(low, _mm_mullo_epi16(_mm_unpacklo_epi8(texel, zero), _mm_unpacklo_epi32(pairs, pairs)));
            high = _mm_add_epi16(high, _mm_mullo_epi16(_mm_unpackhi_epi8(texel, zero), _mm_unpackhi_epi32(pairs, pairs)));
        }
        return _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
    }
}

// Four 16.16 colours, clamped to 0..255 per channel and packed as 0x00RRGGBB per lane.
[[gnu::always_inline]] inline __m128i PackColours(__m128i r, __m128i g, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(_mm_srai_epi32(b, 16), _mm_srai_epi32(r, 16)),
                                           _mm_packs_epi32(_mm_srai_epi32(g, 16), zero));   // b0-3 r0-3 g0-3
    const __m128i blueGreen = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 8));
    const __m128i red = _mm_unpacklo_epi8(_mm_srli_si128(bytes, 4), zero);
    return _mm_unpacklo_epi16(blueGreen, red);
}

// (texel * (colour + 1)) >> 8 per channel of four pixels.
[[gnu::always_inline]] inline __m128i Modulate(__m128i texel, __m128i colour) {
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1);
    const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(texel, zero), _mm_add_epi16(_mm_unpacklo_epi8(colour, zero), one));
    const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(texel, zero), _mm_add_epi16(_mm_unpackhi_epi8(colour, zero), one));
    return _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
}

// Dither offsets as 16-bit lanes [blue green red 0] for pixels x = 0..7 of each row class,
// so four pixels starting anywhere in a row load theirs with two unaligned loads.
struct DitherLanes {
    alignas(16) std::int16_t lanes[4][8][4];
};
constexpr DitherLanes MakeDitherLanes() {
    DitherLanes t{};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const int d = kDitherMatrix[y][x & 3];
            t.lanes[y][x][0] = static_cast<std::int16_t>(kDitherOffset5[d]);
            t.lanes[y][x][1] = static_cast<std::int16_t>(kDitherOffset6[d]);
            t.lanes[y][x][2] = static_cast<std::int16_t>(kDitherOffset5[d]);
            t.lanes[y][x][3] = 0;
        }
    return t;
}
constexpr DitherLanes kDitherLanes = MakeDitherLanes();

// Four 0x00RRGGBB colours to dithered 5-6-5, the same arithmetic as the tables.
[[gnu::always_inline]] inline __m128i Dither4(__m128i colour, int x, int y) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i scale = _mm_set_epi16(0, 31, 63, 31, 0, 31, 63, 31);
    const std::int16_t* offsets = kDitherLanes.lanes[y & 3][x & 3];
    const __m128i offLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(offsets));
    const __m128i offHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(offsets + 8));
    const __m128i low = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(colour, zero), scale), offLow), 8);
    const __m128i high = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(colour, zero), scale), offHigh), 8);
    // [b g r 0] -> b + 32 g and 2048 r, summed per pixel.
    const __m128i place = _mm_set_epi16(0, 2048, 32, 1, 0, 2048, 32, 1);
    __m128i a = _mm_madd_epi16(low, place), b = _mm_madd_epi16(high, place);
    a = _mm_add_epi32(a, _mm_srli_epi64(a, 32));
    b = _mm_add_epi32(b, _mm_srli_epi64(b, 32));
    const __m128i packed = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    // Unsigned 16-bit pack through the signed one: bias, pack, unbias.
    const __m128i bias32 = _mm_set1_epi32(32768);
    const __m128i narrow = _mm_packs_epi32(_mm_sub_epi32(packed, bias32), zero);
    return _mm_xor_si128(narrow, _mm_set1_epi16(static_cast<short>(0x8000)));
}

// Four 5-6-5 values widened to 0x00RRGGBB by bit replication.
[[gnu::always_inline]] inline __m128i Expand4(__m128i p16) {
    const __m128i p = _mm_unpacklo_epi16(p16, _mm_setzero_si128());
    const __m128i r5 = _mm_srli_epi32(p, 11), g6 = _mm_and_si128(_mm_srli_epi32(p, 5), _mm_set1_epi32(63));
    const __m128i b5 = _mm_and_si128(p, _mm_set1_epi32(31));
    const __m128i r = _mm_or_si128(_mm_slli_epi32(r5, 3), _mm_srli_epi32(r5, 2));
    const __m128i g = _mm_or_si128(_mm_slli_epi32(g6, 2), _mm_srli_epi32(g6, 4));
    const __m128i b = _mm_or_si128(_mm_slli_epi32(b5, 3), _mm_srli_epi32(b5, 2));
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 16), _mm_slli_epi32(g, 8)), b);
}

// W-buffer codes of four 1/w values, as EncodeW, biased by 0x8000 in 16-bit lanes (low half)
// so that signed compares order them as unsigned.
[[gnu::always_inline]] inline __m128i EncodeW4Biased(__m128 oow) {
    __m128i code = _mm_sub_epi32(_mm_set1_epi32(0x7EFFF), _mm_srli_epi32(_mm_castps_si128(oow), 11));
    code = _mm_andnot_si128(_mm_castps_si128(_mm_cmpge_ps(oow, _mm_set1_ps(1.0f))), code);
    const __m128i far = _mm_castps_si128(_mm_cmpnge_ps(oow, _mm_set1_ps(1.0f / 65536.0f)));
    code = _mm_or_si128(_mm_and_si128(far, _mm_set1_epi32(0xFFFF)), _mm_andnot_si128(far, code));
    return _mm_packs_epi32(_mm_sub_epi32(code, _mm_set1_epi32(32768)), _mm_setzero_si128());
}

// Four whole pixels of a textured span in one go: W-buffer LESS test (or none), key, additive
// blend, dither and masked stores. Returns the pixels written.
template <bool Key, bool Add, int D>
[[gnu::always_inline]] inline std::uint32_t Write4(const SpanContext& c, int x, __m128 oow, __m128i texel, __m128i rgb) {
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
    __m128i pass = _mm_set1_epi32(-1);
    __m128i depth = _mm_setzero_si128();
    if constexpr (D != kNoDepth) {
        depth = EncodeW4Biased(oow);
        const __m128i stored = _mm_xor_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.depth + x)), bias);
        const __m128i less = _mm_cmplt_epi16(depth, stored);
        pass = _mm_unpacklo_epi16(less, less);
    }
    if constexpr (Key) pass = _mm_andnot_si128(_mm_cmpeq_epi32(texel, _mm_set1_epi32(static_cast<int>(c.key))), pass);
    const int mask = _mm_movemask_ps(_mm_castsi128_ps(pass));
    if (mask == 0) return 0;
    const __m128i oldColour = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.color + x));
    __m128i colour = rgb;
    if constexpr (Add) colour = _mm_adds_epu8(colour, Expand4(oldColour));
    const __m128i pass16 = _mm_packs_epi32(pass, pass);
    const __m128i out = Dither4(colour, x, c.y);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(c.color + x),
                     _mm_or_si128(_mm_and_si128(pass16, out), _mm_andnot_si128(pass16, oldColour)));
    if constexpr (D != kNoDepth) {
        if (c.depthWrite) {
            const __m128i oldDepth = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.depth + x));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(c.depth + x),
                             _mm_or_si128(_mm_and_si128(pass16, _mm_xor_si128(depth, bias)), _mm_andnot_si128(pass16, oldDepth)));
        }
    }
    return static_cast<std::uint32_t>(__builtin_popcount(static_cast<unsigned>(mask)));
}

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
        // Four pixels at a time: their 1/w, the exact perspective divide and the texels in
        // SIMD, then each pixel on its own.
        const __m128 lane = _mm_set_ps(3, 2, 1, 0);
        const __m128 dOow = _mm_mul_ps(lane, _mm_set1_ps(c.doow));
        const __m128 dS = _mm_mul_ps(lane, _mm_set1_ps(c.ds)), dT = _mm_mul_ps(lane, _mm_set1_ps(c.dt));
        const __m128i constant = _mm_set1_epi32(static_cast<int>((c.cr << 16) | (c.cg << 8) | c.cb));
        auto ramp = [](std::int32_t step) {
            const auto u = static_cast<std::uint32_t>(step);
            return _mm_set_epi32(static_cast<int>(3 * u), static_cast<int>(2 * u), static_cast<int>(u), 0);
        };
        const __m128i dR = ramp(c.dr), dG = ramp(c.dg), dB = ramp(c.db);
        for (; x < end; x += 4) {
            const __m128 o = _mm_add_ps(_mm_set1_ps(oow), dOow);
            const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), o);
            const __m128i sampled = Sample4<F>(c, _mm_mul_ps(_mm_add_ps(_mm_set1_ps(s), dS), w),
                                               _mm_mul_ps(_mm_add_ps(_mm_set1_ps(t), dT), w));
            __m128i combined = sampled;
            if constexpr (S == ColorSource::TextureTimesConstant) {
                combined = Modulate(sampled, constant);
            } else if constexpr (S == ColorSource::TextureTimesIterated) {
                combined = Modulate(sampled, PackColours(_mm_add_epi32(_mm_set1_epi32(r), dR), _mm_add_epi32(_mm_set1_epi32(g), dG),
                                                         _mm_add_epi32(_mm_set1_epi32(b), dB)));
            }
            const int n = std::min(4, end - x);
            if (n == 4 && c.dither && (D == kNoDepth || (D == kDepthLess && c.wbuffer))) {
                written += Write4<Key, Add, D>(c, x, o, sampled, combined);
                if constexpr (D != kNoDepth) z += 4 * c.dz;
                oow += 4 * c.doow, s += 4 * c.ds, t += 4 * c.dt;
                for (int j = 0; j < 4; ++j) stepColour();
                continue;
            }
            alignas(16) std::uint32_t texel[4], rgb[4];
            alignas(16) float oows[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(texel), sampled);
            _mm_store_si128(reinterpret_cast<__m128i*>(rgb), combined);
            _mm_store_ps(oows, o);
            for (int j = 0; j < n; ++j) {
                shade(x + j, oows[j], z, texel[j], rgb[j]);
                if constexpr (D != kNoDepth) z += c.dz;
            }
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
            if (groups && end - x >= 4) {
                __m128i rgb = constant;
                if constexpr (kIterated)
                    rgb = PackColours(_mm_add_epi32(_mm_set1_epi32(r), dR), _mm_add_epi32(_mm_set1_epi32(g), dG),
                                      _mm_add_epi32(_mm_set1_epi32(b), dB));
                written += Write4<false, Add, D>(c, x, _mm_add_ps(_mm_set1_ps(oow), dOow), _mm_setzero_si128(), rgb);
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

void Rasteriser::DrawPoint(const Vertex& p) { DrawPointFragments(target, state, p, stats); }

}  // namespace raster
