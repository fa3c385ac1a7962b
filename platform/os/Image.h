#pragma once

#include <cstdint>

// Picture decoding by the system's loader (SDL2): any BMP it reads (1, 4, 8, 16, 24 and
// 32 bits, RLE, top-down), scaled to a wanted size and converted to a 16-bit RGB format.
namespace os {

// Decodes the file, scales it (nearest pixel) to width x height and writes it into dst
// (width * height pixels, rows of exactly width pixels) in the 16-bit format given by the
// three channel masks. False when the file cannot be read or decoded; dst is then untouched.
bool LoadImageScaled(const char* path, std::uint16_t* dst, int width, int height, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask);

}  // namespace os
