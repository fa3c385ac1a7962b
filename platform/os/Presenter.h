#pragma once

#include <cstdint>
#include <functional>

// Where shown frames go. The glide layer calls PresentFrame on every buffer swap;
// the display decides whether that means a window, a capture file or nothing (headless).
namespace os {

// pixels: width * height RGB565 values, rows of exactly width pixels, valid during the call.
using FrameSink = std::function<void(const std::uint16_t* pixels, int width, int height)>;

// Replaces the sink; an empty one drops frames.
void SetFrameSink(FrameSink sink);
void PresentFrame(const std::uint16_t* pixels, int width, int height);

}  // namespace os
