#pragma once

// The 8-bit BMP readers on a file's bytes, without a display: each says which of the
// loaders' refusals applies, so the same checks serve a file and a buffer in memory.

#include <cstddef>
#include <cstdint>

namespace bmp8 {

enum class Status { Ok, NotBmp, Short, TooBig, NotEightBit };

// 14-byte file header + 40-byte information header + 256 four-byte palette entries.
constexpr std::size_t kPaletteOffset = 54;
constexpr std::size_t kPixelOffset = 1078;

// How many bytes the header says the file holds: the low three bytes of its size field, so at
// most 16 MiB whatever the file. NotBmp without the 'BM' mark; Short when `size` is less
// than that, or the claim could not hold a header.
Status Claimed(const std::uint8_t* data, std::size_t size, std::size_t& claimed);

// Width and height from the header.
Status ReadSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

// The picture's pixel indices, top row first, into destination (width x height bytes, unless
// null). TooBig beyond maxWidth x maxHeight, NotEightBit for other depths, Short when the
// claimed size does not hold every row.
Status ReadPixels(const std::uint8_t* data, std::size_t size, int maxWidth, int maxHeight, std::uint8_t* destination,
                  int& width, int& height);

// The 256 palette entries as five bits a channel at the given shifts (blue at 0), into table
// (256 entries, unless null).
Status ReadPalette(const std::uint8_t* data, std::size_t size, int redShift, int greenShift, std::uint32_t* table);

}  // namespace bmp8
