#pragma once

#include <cstddef>
#include <cstdint>

// Picture decoding by the system's loader (SDL2): any BMP it reads (1, 4, 8, 16, 24 and
// 32 bits, RLE, top-down), scaled to a wanted size and converted to a 16-bit RGB format.
namespace os {

// Pictures wider or taller than this are refused: the decoder allocates the whole picture
// before it reads a pixel, so the header alone must not be able to ask for gigabytes.
constexpr int kMaxBmpSide = 4096;
// The bytes BmpHeaderFits looks at: the file header and a BITMAPINFOHEADER.
constexpr std::size_t kBmpHeadBytes = 54;

// Whether a BMP whose first bytes are head[0, headBytes) and whose file holds fileBytes in all
// is worth handing to the decoder: width and |height| within 1..kMaxBmpSide, and, unless it is
// RLE-compressed, every pixel row its header claims (padded to four bytes) present after the
// pixel data offset. Refusing costs no more than reading the header.
bool BmpHeaderFits(const std::uint8_t* head, std::size_t headBytes, std::uint64_t fileBytes);

// Decodes the file, scales it (nearest pixel) to width x height and writes it into dst
// (width * height pixels, rows of exactly width pixels) in the 16-bit format given by the
// three channel masks. False when the file cannot be read or decoded or BmpHeaderFits refuses
// it; dst is then untouched.
bool LoadImageScaled(const char* path, std::uint16_t* dst, int width, int height, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask);

// The same from a file's bytes in memory.
bool LoadImageScaledFromMemory(const void* data, std::size_t size, std::uint16_t* dst, int width, int height,
                               std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask);

}  // namespace os
