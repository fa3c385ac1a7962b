#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Water ripples over a picture: two height fields (current and previous) of columns x rows
// cells. Each pass draws the picture bent by the current field's slopes, then moves the
// waves on by one step of a damped filter and swaps the fields.
struct Ripple {
    int columns = 0;
    int rows = 0;
    std::vector<std::int32_t> fields[2];
    int current = 0;
    double angle = 0;  // where the moving drop falls next
    int passCount = 0;

    std::size_t Cells() const { return static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows); }
    std::int32_t* Current() { return fields[current].data(); }
    std::int32_t* Previous() { return fields[current ^ 1].data(); }
};

// Cells the ripple works on, bounds included. Kept one cell inside the field.
struct RippleRect {
    int left = 0, top = 0, right = -1, bottom = -1;
};

// Zero-filled fields.
void RippleInit(Ripple& r, int columns, int rows);
// out[c] for every cell c of the rectangle: the source pixel the slopes at c point to (the
// last cell when they point outside the picture). source holds sourceCount pixels.
void RippleRender(const Ripple& r, const RippleRect& rect, const std::uint16_t* source, std::size_t sourceCount,
                  std::uint16_t* out);
// One step of the waves over the rectangle, then the fields swap.
void RippleFilter(Ripple& r, const RippleRect& rect);
// A square block of the current field set to height (the part inside the field).
void RippleDrop(Ripple& r, int x, int y, int size, std::int32_t height);

// The sky of the mothership scene: a 320 x 200 picture rippled and stretched over Screen1.
void SkyInit();
void SkyWater(int dropOn);
// Its pass on buffers of 320 x 200: the rippled source into output, the picture thrown into
// the water in the 10th pass, the circling drop when dropOn, the step.
void SkyStep(Ripple& r, const std::uint16_t* source, std::uint16_t* output, int dropOn);

// The pond of the fountain scene: the bottom right of the landscape in Screen2 rippled into
// Screen1, and the foreground of a mask picture laid over it.
void PondInit();
void PondWater();
void PondMask(std::uint16_t* pixels, const std::uint16_t* mask);
// The pond's rectangle on a screen-sized field, and its pass on buffers of that size.
RippleRect PondRect(const Ripple& r);
void PondStep(Ripple& r, const std::uint16_t* landscape, std::uint16_t* out);
void PondMaskOver(const Ripple& r, std::uint16_t* pixels, const std::uint16_t* mask);
