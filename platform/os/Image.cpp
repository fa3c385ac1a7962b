#include "platform/os/Image.h"

#include <SDL.h>

#include <memory>

namespace os {
namespace {
struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;

std::uint32_t Le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}
}  // namespace

bool BmpHeaderFits(const std::uint8_t* head, std::size_t headBytes, std::uint64_t fileBytes) {
    if (!head || headBytes < 18 || head[0] != 'B' || head[1] != 'M') return false;
    // An OS/2 header (12 bytes) has 16-bit unsigned sides and is never compressed.
    const bool core = Le(head + 14, 4) == 12;
    if (headBytes < (core ? 26u : 34u)) return false;
    const auto side = [&](int core16, int info32) -> std::int64_t {
        if (core) return Le(head + core16, 2);
        return static_cast<std::int32_t>(Le(head + info32, 4));
    };
    const std::int64_t width = side(18, 18);
    std::int64_t height = side(20, 22);
    if (height < 0) height = -height;  // stored top row first
    if (width < 1 || width > kMaxBmpSide || height < 1 || height > kMaxBmpSide) return false;
    const std::uint32_t compression = core ? 0 : Le(head + 30, 4);
    // RLE data decodes into the picture until the data ends: the sides bound its cost.
    if (compression == 1 || compression == 2) return true;
    const std::uint64_t bits = Le(head + (core ? 24 : 28), 2);
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    return Le(head + 10, 4) + stride * static_cast<std::uint64_t>(height) <= fileBytes;
}

namespace {

// Takes the file over: closed whatever happens.
bool LoadScaled(SDL_RWops* file, std::uint16_t* dst, int width, int height, std::uint32_t redMask,
                std::uint32_t greenMask, std::uint32_t blueMask) {
    if (!file) return false;
    const Uint32 format = SDL_MasksToPixelFormatEnum(16, redMask, greenMask, blueMask, 0);
    if (!dst || width <= 0 || height <= 0 || format == SDL_PIXELFORMAT_UNKNOWN) {
        SDL_RWclose(file);
        return false;
    }

    // The header is checked before the decoder sees the file: it would allocate and walk
    // whatever size the header claims, however few bytes follow.
    std::uint8_t head[kBmpHeadBytes];
    const std::size_t got = SDL_RWread(file, head, 1, sizeof head);
    const Sint64 fileBytes = SDL_RWsize(file);
    if (fileBytes < 0 || !BmpHeaderFits(head, got, static_cast<std::uint64_t>(fileBytes)) ||
        SDL_RWseek(file, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(file);
        return false;
    }
    SurfacePtr loaded(SDL_LoadBMP_RW(file, 1));
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

}  // namespace

bool LoadImageScaled(const char* path, std::uint16_t* dst, int width, int height, std::uint32_t redMask,
                     std::uint32_t greenMask, std::uint32_t blueMask) {
    if (!path) return false;
    return LoadScaled(SDL_RWFromFile(path, "rb"), dst, width, height, redMask, greenMask, blueMask);
}

bool LoadImageScaledFromMemory(const void* data, std::size_t size, std::uint16_t* dst, int width, int height,
                               std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask) {
    if (!data || size > 0x7fffffff) return false;
    return LoadScaled(SDL_RWFromConstMem(data, static_cast<int>(size)), dst, width, height, redMask, greenMask,
                      blueMask);
}

}  // namespace os
