// Full-screen pictures and the 8-bit effect pictures, drawn where the effects expect them: the
// relief under the lighthouse light in the top 640 x 200 of "pevin8.bmp", the pond of
// "paysage2.bmp" in its bottom right rectangle with its foreground in "cache.bmp".
#include <string>

#include "tools/assetgen/Catalogue.h"
#include "tools/assetgen/Pack.h"
#include "tools/assetgen/mesh/Noise.h"
#include "tools/assetgen/models/Font.h"
#include "tools/assetgen/pictures/Paint.h"
#include "tools/assetgen/pictures/Pictures.h"
#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {

using paint::Colour;
using paint::Mix;
using paint::Smooth;

// Letters of the font as a coverage mask (1 inside), centred at (cx, cy), `cell` pixels a dot.
double TextMask(const std::string& text, double x, double y, double cx, double cy, double cell) {
    const double w = (static_cast<double>(text.size()) * 6 - 1) * cell, h = 7 * cell;
    const double lx = (x - (cx - w / 2)) / cell, ly = (y - (cy - h / 2)) / cell;
    if (lx < 0 || ly < 0 || lx >= w / cell || ly >= 7) return 0;
    const int col = static_cast<int>(lx), row = static_cast<int>(ly);
    const int letter = col / 6, c = col % 6;
    if (c == 5) return 0;
    return Glyph(text[letter])[row][c] == '#' ? 1 : 0;
}

// Night coast under a lighthouse; the top rows are a dark sky for the light to play on.
Image Coast() {
    Image img(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const double fx = x / 640.0, fy = y / 480.0;
            Colour c;
            if (y < 300) {
                c = Mix(Colour{6, 8, 30}, Colour{60, 40, 90}, fy / 0.625);
                c = paint::Add(c, paint::Scale(Colour{40, 40, 70}, std::pow(Fbm(fx * 6, fy * 10, 501, 4), 3) * 1.5));
                if (Hash2(x, y, 502) > 0.997) c = Colour{220, 220, 240};
            } else {
                const double wave = Fbm(fx * 40, fy * 8, 503, 3);
                c = Mix(Colour{5, 15, 40}, Colour{30, 60, 110}, wave * (1 - (fy - 0.625) * 1.5));
                if (std::abs(fx - 0.75) < 0.03 * (1 + (fy - 0.62) * 6) && wave > 0.5)
                    c = Mix(c, Colour{220, 220, 200}, (wave - 0.5) * 2);  // moonlight on the water
            }
            // The cliff and the lighthouse on the left, under the sky its light sweeps.
            const double cliff = 300 - 75 * Smooth(0.42, 0.22, fx) - 20 * Fbm(fx * 12, 0.3, 504, 3);
            if (y > cliff && fx < 0.45) c = Mix(Colour{25, 20, 20}, Colour{70, 60, 55}, Fbm(fx * 30, fy * 30, 505, 3));
            const double towerHalf = 10 + (y - 110) * 0.06;
            if (y > 110 && y < cliff + 5 && std::abs(x - 160) < towerHalf)
                c = (static_cast<int>((y - 110) / 20) % 2) ? Colour{200, 40, 40} : Colour{235, 235, 225};
            if (std::abs(x - 160) < 16 && y > 96 && y < 112) c = Colour{40, 40, 45};  // gallery
            if (std::hypot(x - 160.0, y - 86.0) < 12) c = Colour{255, 240, 160};
            img.At(x, y) = paint::ToRgb(c);
        }
    return img;
}

// The relief the lighthouse light runs over: cloud banks and a raised title in the night sky.
IndexedImage Relief() {
    IndexedImage img(640, 200);
    for (int i = 0; i < 256; ++i) img.palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 640; ++x) {
            double h = 70 * Fbm(x / 80.0, y / 40.0, 511, 5);
            // A bevelled title right of the lighthouse: the mask blurred over a few pixels gives
            // sloped edges.
            double t = 0;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) t += TextMask("solmire", x + dx, y + dy, 322, 52, 7);
            h += 80 * t / 25;
            img.At(x, y) = static_cast<std::uint8_t>(std::clamp(h, 0.0, 155.0));
        }
    return img;
}

IndexedImage Beam() {
    IndexedImage img(64, 64);
    for (int i = 0; i < 256; ++i) img.palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double d = std::hypot(x - 31.5, y - 31.5) / 28;
            img.At(x, y) = d < 1 ? static_cast<std::uint8_t>(1 + 254 * (1 - d)) : 0;
        }
    return img;
}

bool InPond(int x, int y) {
    const double cx = (kPondLeft + kPondRight) / 2.0, cy = (kPondTop + kPondBottom) / 2.0 + 20;
    const double rx = (kPondRight - kPondLeft) / 2.0 + 10, ry = (kPondBottom - kPondTop) / 2.0 + 25;
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy < 1 && y > kPondTop + 6;
}

// What stands in front of the pond: reeds on its left, stones along its bottom, a bush on the
// right. Returns false where nothing does.
bool Foreground(int x, int y, Colour& c) {
    const double reed = Hash2(x / 3, 0, 521);
    if (x >= 256 && x < 320 && reed > 0.55 && y > 330 + 120 * Hash2(x / 3, 1, 522) * (x - 256) / 64.0) {
        c = Mix(Colour{40, 90, 30}, Colour{120, 160, 60}, (y - 330) / 150.0);
        return true;
    }
    const double stones = 462 - 10 * Fbm(x / 14.0, 0.5, 523, 2);
    if (y > stones && x >= 250) {
        c = Mix(Colour{90, 85, 80}, Colour{170, 165, 150}, Fbm(x / 10.0, y / 10.0, 524, 3));
        return true;
    }
    if (std::hypot((x - 640.0) / 60, (y - 470.0) / 110) < 1 + 0.2 * (Fbm(x / 9.0, y / 9.0, 525, 3) - 0.5)) {
        c = Mix(Colour{20, 70, 25}, Colour{70, 140, 50}, Fbm(x / 6.0, y / 6.0, 526, 3));
        return true;
    }
    return false;
}

Image Park(bool maskOnly) {
    Image img(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const double fx = x / 640.0, fy = y / 480.0;
            Colour c;
            const double hills = 200 + 40 * Fbm(fx * 5, 0.2, 531, 4);
            if (y < hills) {
                c = Mix(Colour{110, 160, 230}, Colour{200, 225, 250}, fy * 2.2);
                const double cloud = Fbm(fx * 5, fy * 12, 532, 5);
                c = Mix(c, Colour{250, 250, 255}, Smooth(0.55, 0.75, cloud));
            } else {
                c = Mix(Colour{60, 120, 50}, Colour{120, 170, 70}, Fbm(fx * 20, fy * 30, 533, 4));
                c = paint::Scale(c, 0.75 + 0.25 * fy);
                if (y < hills + 30) c = Mix(Colour{90, 120, 120}, c, (y - hills) / 30);  // haze
            }
            if (InPond(x, y)) c = Mix(Colour{40, 80, 140}, Colour{140, 180, 220}, Fbm(fx * 30, fy * 60, 534, 3));
            Colour front;
            const bool isFront = Foreground(x, y, front);
            if (maskOnly) {
                img.At(x, y) = isFront ? paint::Opaque(front) : Rgb{};
            } else {
                img.At(x, y) = paint::ToRgb(isFront ? front : c);
            }
        }
    return img;
}

Image Sunset() {
    return paint::Paint(640, 480, [](double x, double y) {
        Colour c = Mix(Colour{70, 30, 110}, Colour{255, 150, 60}, y * 1.6);
        const double sun = std::hypot(x - 0.5, (y - 0.52) * 0.75) * 640;
        if (sun < 70) c = Mix(Colour{255, 240, 170}, Colour{255, 180, 80}, sun / 70);
        else c = paint::Add(c, paint::Scale(Colour{120, 60, 20}, std::max(0.0, 1 - (sun - 70) / 150)));
        const double ridges[3][2] = {{0.55, 0.10}, {0.65, 0.08}, {0.78, 0.06}};
        const Colour shades[3] = {{110, 60, 110}, {70, 35, 80}, {35, 20, 45}};
        for (int i = 0; i < 3; ++i) {
            const double top = ridges[i][0] - ridges[i][1] * Fbm(x * (4 + 3 * i), 0.5 + i, 541 + i, 5) * 2;
            if (y > top) c = shades[i];
        }
        return c;
    });
}

Image Sky() {
    return paint::Paint(320, 200, [](double x, double y) {
        Colour c = Mix(Colour{30, 70, 170}, Colour{150, 190, 240}, y);
        const double cloud = Fbm(x * 4, y * 6, 551, 5);
        return Mix(c, Colour{245, 245, 255}, Smooth(0.5, 0.72, cloud));
    });
}

}  // namespace

void GenerateScreens(Pack& pack) {
    pack.Add("pevin.bmp", WriteBmp24(Coast()));
    pack.Add("pevin8.bmp", WriteBmp8(Relief()));
    pack.Add("phare.bmp", WriteBmp8(Beam()));
    pack.Add("paysage2.bmp", WriteBmp24(Park(false)));
    pack.Add("cache.bmp", WriteBmp24(Park(true)));
    pack.Add("montsoleil.bmp", WriteBmp24(Sunset()));
    pack.Add("ciel1b.bmp", WriteBmp24(Sky()));
}

void GeneratePictures(Pack& pack) {
    GenerateTextures(pack);
    GenerateScreens(pack);
    for (const auto& entry : kPictures)
        if (!pack.Find(std::string(entry.file))) throw ContentError(std::string(entry.file) + " was not generated");
}

}  // namespace assetgen
