#pragma once

// A small built-in bitmap font for text over the picture, shared by the 3D stand-ins. A glyph
// is kFontColumns column bytes, bit 0 the top of kFontRows rows; characters advance
// kFontAdvance pixels.

#include <cstdint>

namespace raster {

constexpr int kFontColumns = 5;
constexpr int kFontRows = 8;
constexpr int kFontAdvance = 6;

// Printable ASCII has its glyph; any other character an outlined box.
const std::uint8_t* FontGlyph(char c);

}  // namespace raster
