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

// Frames whose size divides width x height by the same whole factor reach the sink scaled up
// to it (nearest pixel), so pictures drawn at the screen's size meet a board drawing finer
// at its size. 0 x 0 (the default) passes every frame as it comes.
void SetPresentedSize(int width, int height);

// Nearest-pixel upscale by a whole factor: dst holds width * factor x height * factor pixels.
void ScaleUp(const std::uint16_t* src, int width, int height, int factor, std::uint16_t* dst);

}  // namespace os
