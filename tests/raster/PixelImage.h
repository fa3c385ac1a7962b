#pragma once

// Images the pixel tests draw into, compared channel by channel; when a comparison fails the
// images are written as PNG files in the working directory (beside the test log).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster/Raster.h"

namespace rastertest {

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint16_t> color, depth;

    Image(int w, int h, std::uint16_t fill = 0, std::uint16_t depthFill = 0xFFFF)
        : width(w), height(h), color(std::size_t(w) * h, fill), depth(std::size_t(w) * h, depthFill) {}
    raster::Target Target() { return raster::Target{color.data(), depth.data(), width, height}; }
    std::uint16_t At(int x, int y) const { return color[std::size_t(y) * width + x]; }
};

// Writes a 5-6-5 image as an 8-bit RGB PNG. Returns false when the file cannot be written.
bool WritePng(const std::string& path, const std::vector<std::uint16_t>& pixels, int width, int height);

// How far two 5-6-5 images are apart.
struct Difference {
    std::size_t pixels = 0;       // compared
    std::size_t differing = 0;    // any channel differs
    std::size_t beyondOne = 0;    // some channel differs by more than one step
    int largest = 0;              // largest channel difference, in 5/6-bit steps
};
Difference Compare(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b);

// Writes name-actual.png and name-expected.png; returns the message to print.
std::string DumpPair(const std::string& name, const Image& actual, const Image& expected);

}  // namespace rastertest
