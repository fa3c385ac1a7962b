#pragma once

// Pictures and their BMP files: 24-bit for anything the system loader reads, 8-bit with a
// palette for the pictures the engine reads byte by byte (pixel data at byte 1078, rows not
// padded, so 8-bit widths must be multiples of 4).

#include <array>
#include <cstdint>
#include <vector>

namespace assetgen {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // top row first
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    Rgb& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgb& At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct IndexedImage {
    int width = 0, height = 0;
    std::array<Rgb, 256> palette{};
    std::vector<std::uint8_t> pixels;  // top row first
    IndexedImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    std::uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::vector<std::uint8_t> WriteBmp24(const Image& image);
// Throws ContentError for a width that is not a multiple of 4.
std::vector<std::uint8_t> WriteBmp8(const IndexedImage& image);

}  // namespace assetgen
