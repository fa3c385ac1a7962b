#include "app/effects/Lighthouse.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/Globals.h"
#include "app/Scene.h"

void BumpInit(BumpState& s, int width, int height, const PixelChannels& c) {
    for (int i = 0; i < 256; ++i) {
        const int rg = i < 128 ? i / 8 : 16;
        const int b = i < 128 ? 0 : (i - 128) / 8;
        s.lightRamp[i] = c.Pack(rg, rg, b);
    }
    s.width = std::max(width, 0);
    s.height = std::max(height, 0);
    const std::size_t bytes = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
    s.reliefSource.assign(bytes, 0);
    s.reliefWork.assign(bytes, 0);
    s.beamSprite.assign(BumpState::kSprite * BumpState::kSprite, 0);
    s.lightMap.resize(256 * 256);
    for (int row = 0; row < 256; ++row) {
        for (int column = 0; column < 256; ++column) {
            const double nx = (column - 128) / 128.0;
            const double ny = (row - 128) / 128.0;
            const double d = std::max(0.0, 1.0 - std::sqrt(nx * nx + ny * ny));
            const int index = static_cast<int>(d * 200 + std::pow(d, 8) * 55) & 255;
            s.lightMap[static_cast<std::size_t>(column + 256 * row)] = s.lightRamp[index];
        }
    }
}

void BumpFree(BumpState& s) {
    s.reliefSource = {};
    s.reliefWork = {};
    s.beamSprite = {};
    s.lightMap = {};
}

void BumpStamp(BumpState& s) {
    const std::size_t top = std::min(s.reliefWork.size(), static_cast<std::size_t>(s.width) * BumpState::kReliefRows);
    std::memcpy(s.reliefWork.data(), s.reliefSource.data(), std::min(top, s.reliefSource.size()));
    if (s.beamSprite.size() < BumpState::kSprite * BumpState::kSprite) return;
    for (int i = 0; i < BumpState::kSprite; ++i) {
        const long long y = static_cast<long long>(i) + s.lightY - 32;
        // Only inside the map: a light far off the picture must not write past it.
        if (y < 1 || y >= s.height) continue;
        for (int j = 0; j < BumpState::kSprite; ++j) {
            if (s.beamSprite[static_cast<std::size_t>(i * BumpState::kSprite + j)] == 0) continue;
            const long long x = static_cast<long long>(j) + s.lightX - 32;
            if (x < 1 || x >= s.width) continue;
            std::uint8_t& h = s.reliefWork[static_cast<std::size_t>(y * s.width + x)];
            h = static_cast<std::uint8_t>(h + 50);
        }
    }
}

void BumpDraw(BumpState& s, const std::uint16_t* picture, std::uint16_t* out, const PixelChannels& c) {
    BumpStamp(s);
    if (s.lightMap.size() != 256 * 256) return;
    const int lastRow = std::min(BumpState::kReliefRows - 2, s.height - 2);
    const int lastColumn = std::min(BumpState::kLastColumn, s.width - 2);
    const std::uint8_t* relief = s.reliefWork.data();
    const std::uint32_t redMask = c.redMask;
    const std::uint32_t greenMask = c.greenMask | c.greenLowBit;
    const long long w = s.width;
    for (int r = 1; r <= lastRow; ++r) {
        for (int col = 1; col <= lastColumn; ++col) {
            const long long o = r * w + col;
            long long nx = static_cast<long long>(relief[o + 1]) - relief[o - 1] + 128 + s.lightX - col;
            long long ny = static_cast<long long>(relief[o + w]) - relief[o - w] + 128 + s.lightY - r;
            // Off the map is the dark rim, whichever side it falls.
            if (nx < 0 || nx > 255) nx = 255;
            if (ny < 0 || ny > 255) ny = 255;
            const std::uint32_t light = s.lightMap[static_cast<std::size_t>(nx + 256 * ny)];
            const std::uint32_t p = picture[o];
            const std::uint32_t red = std::min((p & redMask) + (light & redMask), redMask);
            const std::uint32_t green = std::min((p & greenMask) + (light & greenMask), greenMask);
            const std::uint32_t blue = std::min((p & 0x1Fu) + (light & 0x1Fu), 0x1Fu);
            out[o] = static_cast<std::uint16_t>(red + green + blue);
        }
    }
}

namespace {

// An 8-bit picture into a map of mapWidth x mapHeight bytes, row for row, whatever the
// picture's own size: what lies outside either stays 0 or is left out.
void LoadHeights(const char* name, std::uint8_t* map, int mapWidth, int mapHeight) {
    int w = 0, h = 0;
    video.GetBmpSize(name, &w, &h);
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(std::max(video.width, 0)) *
                                      static_cast<std::size_t>(std::max(video.height, 0)));
    if (picture.empty()) return;
    video.LoadBmp8(picture.data(), name);  // refuses pictures larger than the screen
    w = std::clamp(w, 0, video.width);
    h = std::clamp(h, 0, video.height);
    std::fill(map, map + static_cast<std::size_t>(mapWidth) * static_cast<std::size_t>(mapHeight), std::uint8_t{0});
    for (int y = 0; y < std::min(h, mapHeight); ++y)
        std::memcpy(map + static_cast<std::size_t>(y) * static_cast<std::size_t>(mapWidth),
                    picture.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w),
                    static_cast<std::size_t>(std::min(w, mapWidth)));
}

BumpState bump;

}  // namespace

void LighthouseEffect() {
    Scene scene("LighthouseEffect");
    scene.Mark();
    world.SetCamera(&effectCamera);

    const PixelChannels channels = PixelChannels::ForDisplay(video.displayRedShift, video.displayRedMask);
    BumpInit(bump, video.width, video.height, channels);
    video.LockScreen1();
    video.LockScreen2();
    std::uint16_t* screen1 = video.screen1Pixels;
    std::uint16_t* screen2 = video.screen2Pixels;
    const bool drawable = screen1 && screen2 && video.width > 0 && video.height > 0;
    if (drawable) {
        LoadHeights("pevin8.bmp", bump.reliefWork.data(), bump.width, bump.height);
        LoadHeights("pevin8.bmp", bump.reliefSource.data(), bump.width, bump.height);
        LoadHeights("phare.bmp", bump.beamSprite.data(), BumpState::kSprite, BumpState::kSprite);
        video.LoadPicture(video.screen1, "pevin.bmp");
        video.LoadPicture(video.screen2, "pevin.bmp");
    }
    world.SetBackground(video.screen1);

    auto draw = [&] {
        if (drawable) BumpDraw(bump, screen2, screen1, channels);
        scene.Pass();
    };

    // The light comes down onto the picture: 59 passes, at heights -60 to 56.
    bump.lightX = 160;
    for (bump.lightY = -60; bump.lightY + 2 < 60; bump.lightY += 2) draw();

    // Then it sweeps until the music moves on.
    const int sweepStart = scene.Passes();
    double a = 0;
    for (;;) {
        a += 0.05;
        bump.lightX = static_cast<int>(std::sin(a) * 100 + 160);
        bump.lightY = static_cast<int>(std::cos(a) * 20 + 40);
        if (scene.SyncSinceMark()) {
            scene.Cue("sweep", sweepStart);
            break;
        }
        draw();
    }

    BumpFree(bump);
    world.SetBackground(nullptr);
}
