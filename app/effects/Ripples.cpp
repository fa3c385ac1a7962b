#include "app/effects/Ripples.h"

#include <algorithm>
#include <cmath>

#include "app/Globals.h"
#include "engine/world/Random.h"

namespace {

constexpr int kSkyColumns = 320;
constexpr int kSkyRows = 200;

RippleRect Inside(const Ripple& r, const RippleRect& rect) {
    return {std::max(rect.left, 1), std::max(rect.top, 1), std::min(rect.right, r.columns - 2),
            std::min(rect.bottom, r.rows - 2)};
}

bool Ready(const Ripple& r) {
    return r.columns > 0 && r.rows > 0 && r.fields[0].size() == r.Cells() && r.fields[1].size() == r.Cells();
}

}  // namespace

void RippleInit(Ripple& r, int columns, int rows) {
    r.columns = std::max(columns, 0);
    r.rows = std::max(rows, 0);
    r.fields[0].assign(r.Cells(), 0);
    r.fields[1].assign(r.Cells(), 0);
    r.current = 0;
    r.angle = 0;
    r.passCount = 0;
}

void RippleRender(const Ripple& r, const RippleRect& area, const std::uint16_t* source, std::size_t sourceCount,
                  std::uint16_t* out) {
    if (!Ready(r) || sourceCount == 0) return;
    const RippleRect rect = Inside(r, area);
    const std::int32_t* h = r.fields[r.current].data();
    const long long l = r.columns;
    const long long last = static_cast<long long>(std::min(r.Cells(), sourceCount)) - 1;
    for (int y = rect.top; y <= rect.bottom; ++y) {
        for (int x = rect.left; x <= rect.right; ++x) {
            const long long c = y * l + x;
            // The vertical slope shifts the look-up sideways, the horizontal one up or down.
            const long long dx = (static_cast<long long>(h[c]) - h[c + l]) >> 3;
            const long long dy = (static_cast<long long>(h[c]) - h[c + 1]) >> 3;
            long long offset = c + dx + dy * l;
            if (offset < 0 || offset > last) offset = last;
            out[c] = source[offset];
        }
    }
}

void RippleFilter(Ripple& r, const RippleRect& area) {
    if (!Ready(r)) return;
    const RippleRect rect = Inside(r, area);
    const std::int32_t* h = r.Current();
    std::int32_t* p = r.Previous();
    const long long l = r.columns;
    for (int y = rect.top; y <= rect.bottom; ++y) {
        for (int x = rect.left; x <= rect.right; ++x) {
            const long long c = y * l + x;
            const long long around = static_cast<long long>(h[c - l]) + h[c + l] + h[c - 1] + h[c + 1] + h[c - l - 1] +
                                     h[c - l + 1] + h[c + l - 1] + h[c + l + 1];
            const long long n = (around >> 2) - p[c];
            p[c] = static_cast<std::int32_t>(std::clamp<long long>(n - (n >> 6), INT32_MIN, INT32_MAX));
        }
    }
    r.current ^= 1;
}

void RippleDrop(Ripple& r, int x, int y, int size, std::int32_t height) {
    if (!Ready(r)) return;
    std::int32_t* h = r.Current();
    for (int j = std::max(y, 0); j < std::min(y + size, r.rows); ++j)
        for (int i = std::max(x, 0); i < std::min(x + size, r.columns); ++i)
            h[static_cast<std::size_t>(j) * static_cast<std::size_t>(r.columns) + static_cast<std::size_t>(i)] = height;
}

// The sky.

namespace {
Ripple sky;
Surface* skySource = nullptr;
Surface* skyOutput = nullptr;
}  // namespace

void SkyStep(Ripple& r, const std::uint16_t* source, std::uint16_t* output, int dropOn) {
    if (r.columns != kSkyColumns || r.rows != kSkyRows || !Ready(r)) return;
    const RippleRect rect{1, 1, kSkyColumns - 2, kSkyRows - 2};
    RippleRender(r, rect, source, r.Cells(), output);
    // Once, the picture's own shapes are thrown into the water.
    if (++r.passCount == 10) {
        std::int32_t* h = r.Current();
        for (int y = 2; y < kSkyRows; ++y)
            for (int x = 1; x < kSkyColumns - 1; ++x) h[y * kSkyColumns + x] = output[y * kSkyColumns + x] >> 6;
    }
    if (dropOn != 0) {
        const int x = static_cast<int>(std::sin(r.angle) * 60 + 160);
        const int y = static_cast<int>(std::cos(r.angle) * 60 + 100);
        r.angle += 0.1;
        RippleDrop(r, x, y, 5, 100);
    }
    RippleFilter(r, rect);
}

void SkyInit() {
    RippleInit(sky, kSkyColumns, kSkyRows);
    // Surfaces live as long as the display; a second run of the scene reuses them.
    if (!skySource) skySource = video.CreateSurface(kSkyColumns, kSkyRows, nullptr);
    if (!skyOutput) skyOutput = video.CreateSurface(kSkyColumns, kSkyRows, nullptr);
    if (!skySource || !skyOutput) return;
    video.LoadPicture(skySource, "ciel1b.bmp");
    video.LoadPicture(skyOutput, "ciel1b.bmp");
}

void SkyWater(int dropOn) {
    if (!skySource || !skyOutput) return;
    SkyStep(sky, skySource->Pixels(), skyOutput->Pixels(), dropOn);
    video.Blit(video.screen1, skyOutput);
}

// The pond.

namespace {
Ripple pond;
}  // namespace

RippleRect PondRect(const Ripple& r) { return {250, 280, r.columns - 2, r.rows - 2}; }

void PondStep(Ripple& r, const std::uint16_t* landscape, std::uint16_t* out) {
    if (!Ready(r)) return;
    const RippleRect rect = PondRect(r);
    RippleRender(r, rect, landscape, r.Cells(), out);
    switch (Random::Next() % 20) {
        case 1: {
            const int x = 320 + Random::Next() % 250;
            const int y = 330 + Random::Next() % 100;
            RippleDrop(r, x, y, 10, 400);
            break;
        }
        case 2: {
            const int x = 250 + static_cast<int>(std::sin(r.angle) * 100 + 195);
            const int y = 280 + static_cast<int>(std::cos(r.angle) * 80 + 100);
            RippleDrop(r, x, y, 5, 200);
            r.angle += 0.05;
            break;
        }
        default: break;
    }
    RippleFilter(r, rect);
}

void PondInit() { RippleInit(pond, video.width, video.height); }

void PondWater() {
    video.LockScreen1();
    video.LockScreen2();
    if (!video.screen1 || !video.screen2 || !video.screen1Pixels || !video.screen2Pixels) return;
    // The buffers must hold the whole field.
    if (video.screen1->PixelCount() < pond.Cells() || video.screen2->PixelCount() < pond.Cells()) return;
    PondStep(pond, video.screen2Pixels, video.screen1Pixels);
}

void PondMask(std::uint16_t* pixels, const std::uint16_t* mask) { PondMaskOver(pond, pixels, mask); }

void PondMaskOver(const Ripple& r, std::uint16_t* pixels, const std::uint16_t* mask) {
    if (!pixels || !mask || !Ready(r)) return;
    const RippleRect rect = Inside(r, PondRect(r));
    for (int y = rect.top; y <= rect.bottom; ++y) {
        for (int x = rect.left; x <= rect.right; ++x) {
            const std::size_t c = static_cast<std::size_t>(y) * static_cast<std::size_t>(r.columns) + static_cast<std::size_t>(x);
            if (mask[c] != 0) pixels[c] = mask[c];
        }
    }
}
