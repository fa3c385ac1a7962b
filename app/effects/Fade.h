#pragma once

#include <cstddef>
#include <cstdint>

#include "app/effects/PixelChannels.h"

// Cross-fade from whatever the screen shows to a picture file, or to black with null. Returns
// when the screen shows the picture, which is then in Screen1 and Screen2.
void FadeToPicture(const char* bmpFileName);

// Its steps, on any buffers.
// A 5-6-5 frame (the 3D card's) into the display's layout.
void FrameToDisplay(const std::uint16_t* frame565, std::uint16_t* out, std::size_t count, const PixelChannels& c);
// Moves every channel of every pixel one step towards the target; false when nothing moved.
bool FadeStep(std::uint16_t* current, const std::uint16_t* target, std::size_t count, const PixelChannels& c);
