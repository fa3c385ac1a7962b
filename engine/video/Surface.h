#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class IDirectDrawSurface4;

// A 16-bit work surface: width x height pixels in memory, rows exactly width * 2 bytes, in the
// display's pixel format. Its pixel pointer stays valid for the surface's whole life (only the
// display's flip chain trades memory between its own buffers, as a flip does).
class Surface {
public:
    enum class Kind { OffScreen, Primary, BackBuffer, Device3D, ZBuffer, Texture };

    Surface(int width, int height, Kind kind = Kind::OffScreen);
    ~Surface();

    int Width() const { return width_; }
    int Height() const { return height_; }
    Kind GetKind() const { return kind_; }
    std::uint16_t* Pixels() { return pixels_.data(); }
    const std::uint16_t* Pixels() const { return pixels_.data(); }
    std::size_t PixelCount() const { return pixels_.size(); }

    void Fill(std::uint16_t value);
    // The flip chain rotates memory between its buffers; nothing else may.
    void SwapPixels(Surface& other);
    // The surface as the Direct3D layer sees it (render target, z-buffer, texture), made on
    // first use and kept pointing at this surface's pixels.
    IDirectDrawSurface4* DirectDrawSurface();

private:
    int width_;
    int height_;
    Kind kind_;
    std::vector<std::uint16_t> pixels_;
    std::unique_ptr<IDirectDrawSurface4> view_;
};
