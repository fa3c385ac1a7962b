#include "platform/os/Image.h"

#include <SDL.h>

#include <memory>

namespace os {
namespace {
struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;
}  // namespace

bool LoadImageScaled(const char* path, std::uint16_t* dst, int width, int height, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask) {
    if (!path || !dst || width <= 0 || height <= 0) return false;
    const Uint32 format = SDL_MasksToPixelFormatEnum(16, redMask, greenMask, blueMask, 0);
    if (format == SDL_PIXELFORMAT_UNKNOWN) return false;

    SurfacePtr loaded(SDL_LoadBMP(path));
    if (!loaded) return false;
    // Convert first, then stretch within one format: a plain copy, no blending with the target.
    SurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), format, 0));
    if (!converted) return false;
    SDL_SetSurfaceBlendMode(converted.get(), SDL_BLENDMODE_NONE);
    SDL_SetColorKey(converted.get(), SDL_FALSE, 0);

    SurfacePtr target(SDL_CreateRGBSurfaceWithFormatFrom(dst, width, height, 16, width * 2, format));
    if (!target) return false;
    if (converted->w == width && converted->h == height) {
        return SDL_BlitSurface(converted.get(), nullptr, target.get(), nullptr) == 0;
    }
    return SDL_BlitScaled(converted.get(), nullptr, target.get(), nullptr) == 0;
}

}  // namespace os
