#include "engine/video/Surface.h"

#include <algorithm>

#include "platform/d3d/D3D.h"

Surface::Surface(int width, int height, Kind kind)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      kind_(kind),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Surface::Fill(std::uint16_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }

Surface::~Surface() = default;

void Surface::SwapPixels(Surface& other) {
    pixels_.swap(other.pixels_);
    if (view_) view_->SetPixels(pixels_.data());
    if (other.view_) other.view_->SetPixels(other.pixels_.data());
}

IDirectDrawSurface4* Surface::DirectDrawSurface() {
    if (!view_) {
        DWORD caps = 0;
        if (kind_ == Kind::Device3D) caps = DDSCAPS_3DDEVICE;
        if (kind_ == Kind::ZBuffer) caps = DDSCAPS_ZBUFFER;
        if (kind_ == Kind::Texture) caps = DDSCAPS_TEXTURE;
        view_ = std::make_unique<IDirectDrawSurface4>(pixels_.data(), width_, height_, caps);
    }
    return view_.get();
}
