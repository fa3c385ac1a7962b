#pragma once

#include <cstdint>

// The effects work on three 5-bit channels of a 16-bit display pixel. On a 5-5-5 display
// green is bits 5-9; on a 5-6-5 display the five channel bits are the top five of the six
// (bits 6-10) and bit 5 is a low bit the channel arithmetic carries along unchanged, so that
// a picture keeps its colours exactly when it goes through an effect.
struct PixelChannels {
    int redShift = 11;
    std::uint32_t redMask = 0xF800;
    int greenShift = 6;
    std::uint32_t greenMask = 0x7C0;  // the five channel bits
    std::uint32_t greenLowBit = 0x20;

    // From the display's red shift and mask (10/0x7C00 for 5-5-5, 11/0xF800 for 5-6-5); a
    // display not set up yet counts as 5-6-5.
    static PixelChannels ForDisplay(int displayRedShift, std::uint32_t displayRedMask) {
        PixelChannels c;
        if (displayRedShift == 10) {
            c.redShift = 10;
            c.redMask = displayRedMask ? displayRedMask : 0x7C00;
            c.greenShift = 5;
            c.greenMask = 0x3E0;
            c.greenLowBit = 0;
        }
        return c;
    }

    int Red(std::uint32_t p) const { return static_cast<int>((p & redMask) >> redShift); }
    int Green(std::uint32_t p) const { return static_cast<int>((p & greenMask) >> greenShift); }
    int Blue(std::uint32_t p) const { return static_cast<int>(p & 0x1F); }
    std::uint16_t Pack(int r, int g, int b) const {
        return static_cast<std::uint16_t>((static_cast<std::uint32_t>(r) << redShift) +
                                          (static_cast<std::uint32_t>(g) << greenShift) + static_cast<std::uint32_t>(b));
    }
};
