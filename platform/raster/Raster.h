#pragma once

// Types shared by the rasterisers: what a vertex carries, the drawing state, the buffers drawn
// into and the textures sampled. Pixel format is RGB565, depth is 16 bits.

#include <climits>
#include <cstdint>
#include <vector>

namespace raster {

// x, y in pixels, upper-left origin, pixel centres at +0.5. oow = 1/w (W-buffer depth and
// perspective); z (0..65535) only for the Z-buffer; r, g, b 0..255 for iterated colour;
// sow, tow = s/w and t/w where s and t run 0..256 across the texture.
struct Vertex {
    float x = 0, y = 0;
    float z = 0;
    float oow = 1;
    float r = 0, g = 0, b = 0;
    float sow = 0, tow = 0;
};

enum class ColorSource : std::uint8_t { Constant, Iterated, Texture, TextureTimesConstant, TextureTimesIterated };
enum class Filter : std::uint8_t { Point, Bilinear };
enum class DepthMode : std::uint8_t { Off, WBuffer, ZBuffer };
// Values as the board numbers them; a fragment passes when (its depth FUNC stored depth).
enum class DepthFunc : std::uint8_t { Never, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
// Culls triangles whose signed area (b - a) x (c - a), y down, has the named sign.
enum class Cull : std::uint8_t { None, Negative, Positive };

// Texels of a square power-of-two texture, decoded once into 0x00RRGGBB with the 5/6-bit
// channels widened by bit replication.
enum class TexelFormat : std::uint8_t { RGB565, ARGB1555 };

class Texture {
public:
    // side must be a power of two from 1 to 256 and data must hold side * side texels;
    // otherwise nothing is loaded and false is returned.
    bool Load(const std::uint16_t* data, int side, TexelFormat format);
    bool Empty() const { return side_ == 0; }
    int Side() const { return side_; }
    int Shift() const { return shift_; }
    const std::uint32_t* Texels() const { return texels_.data(); }
    std::uint32_t At(int x, int y) const { return texels_[(static_cast<unsigned>(y) << shift_) + static_cast<unsigned>(x)]; }

private:
    int side_ = 0;
    int shift_ = 0;
    std::vector<std::uint32_t> texels_;
};

// Half-open: minX <= x < maxX. Always intersected with the target.
struct ClipRect {
    int minX = 0, minY = 0, maxX = INT_MAX, maxY = INT_MAX;
};

struct State {
    ColorSource source = ColorSource::Constant;
    Filter filter = Filter::Bilinear;
    DepthMode depthMode = DepthMode::Off;
    DepthFunc depthFunc = DepthFunc::Less;
    bool depthWrite = true;
    bool additive = false;          // ONE/ONE with saturation; otherwise ONE/ZERO
    bool chromaKey = false;         // drop texels equal to chromaKeyValue (textured sources)
    bool dither = true;
    Cull cull = Cull::None;
    std::uint32_t constant = 0xFFFFFF;      // 0xRRGGBB
    std::uint32_t chromaKeyValue = 0;       // 0xRRGGBB
    const Texture* texture = nullptr;       // textured sources without one draw untextured
    ClipRect clip;
};

// Rows of exactly width values. Either pointer may be null (nothing is drawn without colour;
// without depth the depth test and writes are skipped).
struct Target {
    std::uint16_t* color = nullptr;
    std::uint16_t* depth = nullptr;
    int width = 0;
    int height = 0;
};

struct Stats {
    std::uint64_t triangles = 0;   // set up (not culled, not degenerate)
    std::uint64_t pixels = 0;      // colour writes
};

}  // namespace raster
