#include "engine/video/Surface.h"

#include <algorithm>

Surface::Surface(int width, int height, Kind kind)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      kind_(kind),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Surface::Fill(std::uint16_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }
