#pragma once

// Per-pixel arithmetic of the 1998 board that both rasterisers share: the W-buffer encoding,
// the ordered dither to 5-6-5 and the widening of 5-6-5 back to 8 bits.

#include <array>
#include <cstdint>
#include <cstring>

namespace raster {

// The W-buffer value of 1/w: 4 bits counting the leading zeros of 1/w as a fixed-point
// fraction, then the 12 bits after the leading one, inverted. Larger is farther.
// 1/w >= 1 gives 0; 1/w below 2^-16 (and NaN) gives 0xFFFF.
inline std::uint16_t EncodeW(float oow) {
    if (!(oow >= 1.0f / 65536.0f)) return 0xFFFF;
    if (oow >= 1.0f) return 0;
    // For 2^-16 <= oow < 1 the float's exponent is the leading-zero count and its top
    // 12 mantissa bits are the next 12 bits, so the whole encoding is one subtraction.
    std::uint32_t bits;
    std::memcpy(&bits, &oow, sizeof bits);  // std::bit_cast, which the web's C++ library lacks
    return static_cast<std::uint16_t>(0x7EFFFu - (bits >> 11));
}

// The same encoding written out on a 28-bit fixed-point fraction, for the reference.
inline std::uint16_t EncodeWReference(double oow) {
    if (!(oow >= 1.0 / 65536.0)) return 0xFFFF;
    if (oow >= 1.0) return 0;
    auto fixed = static_cast<std::uint32_t>(oow * double(1u << 28));  // bits 27..0
    int zeros = 0;
    while (!(fixed & (1u << (27 - zeros)))) ++zeros;                    // 0..15
    std::uint32_t next12 = (fixed >> (27 - zeros - 12)) & 0xFFF;
    return static_cast<std::uint16_t>((zeros << 12) | (0xFFF - next12));
}

inline std::uint16_t EncodeZ(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 65535.0f) return 0xFFFF;
    return static_cast<std::uint16_t>(z);
}

// Ordered dither cell of pixel (x, y).
constexpr int kDitherMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// 8-bit channel -> 5 or 6 bits in dither cell d: (v * 31 + offset5[d]) >> 8, and likewise
// with 63 for green. The offsets spread over one step but keep clear of its ends: 0 stays 0,
// 255 stays 31 / 63, and a 5-6-5 value widened by bit replication comes back unchanged in
// every cell, so adding black in the additive pass leaves the buffer as it was.
constexpr int kDitherOffset5[16] = {31, 45, 60, 75, 90, 105, 120, 135, 150, 165, 180, 195, 210, 225, 240, 255};
constexpr int kDitherOffset6[16] = {63, 75, 88, 101, 114, 127, 139, 152, 165, 178, 191, 203, 216, 229, 242, 255};

struct DitherTables {
    std::array<std::array<std::uint8_t, 256>, 16> to5{};
    std::array<std::array<std::uint8_t, 256>, 16> to6{};
};

constexpr DitherTables MakeDitherTables() {
    DitherTables t;
    for (int d = 0; d < 16; ++d)
        for (int v = 0; v < 256; ++v) {
            t.to5[d][v] = static_cast<std::uint8_t>((v * 31 + kDitherOffset5[d]) >> 8);
            t.to6[d][v] = static_cast<std::uint8_t>((v * 63 + kDitherOffset6[d]) >> 8);
        }
    return t;
}

inline constexpr DitherTables kDitherTables = MakeDitherTables();

inline std::uint16_t Pack565(int r, int g, int b, int x, int y, bool dither) {
    if (dither) {
        const int d = kDitherMatrix[y & 3][x & 3];
        return static_cast<std::uint16_t>((kDitherTables.to5[d][r] << 11) | (kDitherTables.to6[d][g] << 5) |
                                          kDitherTables.to5[d][b]);
    }
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// 5-6-5 -> 0x00RRGGBB by bit replication.
inline std::uint32_t Expand565(std::uint16_t p) {
    std::uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

inline std::uint32_t Expand1555(std::uint16_t p) {
    std::uint32_t r = (p >> 10) & 0x1F, g = (p >> 5) & 0x1F, b = p & 0x1F;
    r = (r << 3) | (r >> 2);
    g = (g << 3) | (g >> 2);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

inline bool DepthPasses(int func, std::uint16_t incoming, std::uint16_t stored) {
    switch (func) {
        case 0: return false;
        case 1: return incoming < stored;
        case 2: return incoming == stored;
        case 3: return incoming <= stored;
        case 4: return incoming > stored;
        case 5: return incoming != stored;
        case 6: return incoming >= stored;
        default: return true;
    }
}

}  // namespace raster
