#pragma once

// The per-pixel kernels of the fast rasteriser's spans: one pixel at a time where it must,
// four at a time with SSE2 where it pays. Only Rasteriser.cpp includes this.

#include <algorithm>
#include <cstdint>
#include <emmintrin.h>
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

#include "platform/raster/PixelOps.h"
#include "platform/raster/Raster.h"

namespace raster::span {

enum DepthKind { kNoDepth = 0, kDepthLess = 1, kDepthAny = 2 };

// What one span needs: row pointers, constants of the draw, and the attributes at the first
// pixel with their per-pixel steps. Texture coordinates are in 1/16 texels.
struct SpanContext {
    std::uint16_t* color = nullptr;
    std::uint16_t* depth = nullptr;
    int y = 0;
    int width = 0;   // of the row: a group of four may run past the span, never past the row
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

// Floor of four floats; NaN and out-of-range lanes give INT_MIN (the conversion's answer),
// and the step down wraps, which SIMD integer adds do without undefined behaviour.
[[gnu::always_inline]] inline __m128i Truncate4(__m128 v) {
#ifdef __wasm_simd128__
    // The web's SSE2 emulation converts lane by lane through library calls; the wasm
    // instruction saturates instead, so the lanes SSE answers INT_MIN for are set so here.
    const v128_t inRange = wasm_f32x4_lt(wasm_f32x4_abs(v128_t(v)), wasm_f32x4_splat(2147483648.0f));
    return __m128i(wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4(v128_t(v)), wasm_i32x4_splat(INT32_MIN), inRange));
#else
    return _mm_cvttps_epi32(v);
#endif
}

[[gnu::always_inline]] inline __m128i Floor4(__m128 v) {
    const __m128i i = Truncate4(v);
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
inline constexpr DitherLanes kDitherLanes = MakeDitherLanes();

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

// Which of four pixels pass so far: the first `lanes` belong to the span, and with the depth
// test those nearer than the stored depth. `depth` receives their codes (biased), for the write.
template <int D>
[[gnu::always_inline]] inline __m128i Pass4(const SpanContext& c, int x, __m128 oow, int lanes, __m128i& depth) {
    __m128i pass = _mm_cmplt_epi32(_mm_set_epi32(3, 2, 1, 0), _mm_set1_epi32(lanes));
    depth = _mm_setzero_si128();
    if constexpr (D != kNoDepth) {
        const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
        depth = EncodeW4Biased(oow);
        const __m128i stored = _mm_xor_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.depth + x)), bias);
        const __m128i less = _mm_cmplt_epi16(depth, stored);
        pass = _mm_and_si128(pass, _mm_unpacklo_epi16(less, less));
    }
    return pass;
}

inline bool AnyPass(__m128i pass) { return _mm_movemask_ps(_mm_castsi128_ps(pass)) != 0; }

// Four pixels of a span in one go, after Pass4: key, additive blend, dither and masked
// stores. Pixels past the span must lie in the same row; they are written back unchanged.
// Returns the pixels written.
template <bool Key, bool Add, int D>
[[gnu::always_inline]] inline std::uint32_t Write4(const SpanContext& c, int x, __m128i pass, __m128i depth, __m128i texel,
                                                   __m128i rgb) {
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
            const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
            const __m128i oldDepth = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c.depth + x));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(c.depth + x),
                             _mm_or_si128(_mm_and_si128(pass16, _mm_xor_si128(depth, bias)), _mm_andnot_si128(pass16, oldDepth)));
        }
    }
    return static_cast<std::uint32_t>(__builtin_popcount(static_cast<unsigned>(mask)));
}

}  // namespace raster::span
