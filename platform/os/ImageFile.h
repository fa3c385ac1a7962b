#pragma once

// Pictures written to files: the capture's frames and F12's screenshots.

#include <cstddef>
#include <cstdint>
#include <string>

namespace os {

// RGB565 pixels as 8-bit RGB triples, each channel by bit replication, so that full-scale 565
// is full-scale 888: how both the pictures and the video take the frames' colours.
inline void Rgb565ToRgb24(const std::uint16_t* pixels, std::size_t count, std::uint8_t* rgb) {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned p = pixels[i];
        const unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
        rgb[i * 3 + 0] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
        rgb[i * 3 + 1] = static_cast<std::uint8_t>((g << 2) | (g >> 4));
        rgb[i * 3 + 2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
    }
}

// Writes an RGB565 image as an 8-bit RGB PNG; false on failure, leaving no cut file behind.
// The same picture gives the same bytes on every run. A build without a PNG library (the web
// build) writes nothing and answers false.
bool WritePng565(const std::string& path, const std::uint16_t* pixels, int width, int height);

}  // namespace os
