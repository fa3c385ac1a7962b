// The model textures and the fountain scene's sprites: 128 x 128 pictures, tileable where the
// models repeat them. Sprites (drawn with black as the transparent colour) keep every visible
// texel away from black.
#include <numbers>
#include <string>

#include "tools/assetgen/Pack.h"
#include "tools/assetgen/mesh/Noise.h"
#include "tools/assetgen/models/Font.h"
#include "tools/assetgen/pictures/Paint.h"
#include "tools/assetgen/pictures/Pictures.h"

namespace assetgen {

namespace {

using paint::Colour;
using paint::Mix;
constexpr double kPi = std::numbers::pi;
constexpr int kSide = 128;
constexpr int kLarge = 256;  // backgrounds that fill the screen

// Tileable fractal noise over the unit square, `cells` noise cells across.
double Tile(double x, double y, int cells, unsigned seed, int octaves = 4) {
    return Fbm(x * cells, y * cells, seed, octaves, cells);
}

Image Noise(Colour a, Colour b, int cells, unsigned seed, double contrast = 1.6) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        return Mix(a, b, 0.5 + (Tile(x, y, cells, seed) - 0.5) * contrast);
    });
}

// Hull plating: panels with seams and rivet rows, light grime.
Image Plates(Colour base, Colour seam, int panels, unsigned seed) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double px = x * panels, py = y * panels * 2;
        const double fx = px - std::floor(px), fy = py - std::floor(py);
        const double tone = 0.8 + 0.4 * Hash2(static_cast<int>(px), static_cast<int>(py), seed);
        Colour c = paint::Scale(base, tone * (0.85 + 0.3 * Tile(x, y, 8, seed + 1)));
        if (fx < 0.04 || fy < 0.06) c = seam;
        return c;
    });
}

Image Bands(Colour a, Colour b, Colour c, unsigned seed) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double t = y * 9 + 1.5 * Tile(x, y, 4, seed);
        const double s = 0.5 + 0.5 * std::sin(t * 2);
        return Mix(Mix(a, b, s), c, Tile(x, y, 8, seed + 3) * 0.6);
    });
}

// Bright middle fading to black at the edge: glows, suns, energy.
Image Glow(Colour core, Colour edge, unsigned seed, double noise) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double d = std::hypot(x - 0.5, y - 0.5) * 2;
        const double n = 1 + noise * (Tile(x, y, 6, seed) - 0.5);
        const double k = std::clamp(1 - d * n, 0.0, 1.0);
        return paint::Scale(Mix(edge, core, k * k), std::sqrt(k));
    });
}

Image Stars(Colour tint, unsigned seed, double nebula) {
    return paint::Paint(kLarge, kLarge, [=](double x, double y) {
        const int cx = static_cast<int>(x * kLarge), cy = static_cast<int>(y * kLarge);
        const double h = Hash2(cx, cy, seed);
        Colour c = paint::Scale(tint, nebula * std::pow(Tile(x, y, 4, seed + 9), 2.5) * 2);
        if (h > 0.985) c = paint::Add(c, paint::Scale(Colour{255, 250, 235}, (h - 0.985) / 0.015));
        return c;
    });
}

Image Galaxy(Colour arms, Colour centre, unsigned seed) {
    return paint::Paint(kLarge, kLarge, [=](double x, double y) {
        const double dx = x - 0.5, dy = y - 0.5;
        const double r = std::hypot(dx, dy) * 2, a = std::atan2(dy, dx);
        const double spiral = 0.5 + 0.5 * std::cos(2 * a - r * 9);
        const double n = Fbm(x * 8, y * 8, seed, 4);
        const double arm = std::pow(spiral, 3) * std::max(0.0, 1 - r) * (0.6 + 0.8 * n);
        Colour c = Mix(Colour{0, 0, 0}, arms, arm * 1.5);
        c = paint::Add(c, paint::Scale(centre, std::max(0.0, 1 - r * 3.5)));
        if (Hash2(static_cast<int>(x * kLarge), static_cast<int>(y * kLarge), seed + 1) > 0.995)
            c = paint::Add(c, Colour{200, 200, 220});
        return c;
    });
}

Image Tunnel() {
    return paint::Paint(kSide, kSide, [](double x, double y) {
        const double ring = std::pow(0.5 + 0.5 * std::cos(y * 2 * kPi), 6);
        const double rib = std::pow(0.5 + 0.5 * std::cos(x * 8 * kPi), 10);
        const double n = Tile(x, y, 8, 5);
        Colour c = Mix(Colour{10, 20, 60}, Colour{40, 90, 200}, n);
        c = paint::Add(c, paint::Scale(Colour{120, 220, 255}, ring));
        return paint::Add(c, paint::Scale(Colour{60, 80, 160}, rib));
    });
}

Image Marble(Colour a, Colour b, unsigned seed) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double v = 0.5 + 0.5 * std::sin((x + y) * 10 + 6 * Tile(x, y, 4, seed));
        return Mix(a, b, std::pow(v, 0.4));
    });
}

Image Tiles(Colour a, Colour b, int n, unsigned seed) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const int tx = static_cast<int>(x * n), ty = static_cast<int>(y * n);
        const double fx = x * n - tx, fy = y * n - ty;
        Colour c = ((tx + ty) % 2) ? a : b;
        c = paint::Scale(c, 0.85 + 0.3 * Tile(x, y, 8, seed));
        if (fx < 0.05 || fy < 0.05) c = paint::Scale(c, 0.4);
        return c;
    });
}

Image Bark() {
    return paint::Paint(kSide, kSide, [](double x, double y) {
        const double s = Fbm(x * 16, y * 2, 77, 4, 16);
        return Mix(Colour{50, 30, 15}, Colour{130, 95, 60}, s * 1.4 - 0.2);
    });
}

Image Leaves(Colour dark, Colour light, unsigned seed) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double n = Tile(x, y, 16, seed, 3);
        return Mix(dark, light, n > 0.55 ? (n - 0.55) * 4 : n * 0.6);
    });
}

// The figure's striped shirt.
Image Figure() {
    return paint::Paint(kSide, kSide, [](double x, double y) {
        const double n = Tile(x, y, 8, 88);
        Colour shirt = Mix(Colour{200, 60, 40}, Colour{240, 160, 60}, n);
        if (std::fmod(y * 10, 1.0) < 0.2) shirt = paint::Scale(shirt, 0.7);
        return shirt;
    });
}

// The figure's head: skin, hair on top, eyes and a mouth on the side that faces the camera
// (the lathe's mapping runs u round the head from +x towards +z).
Image Head() {
    return paint::Paint(kSide, kSide, [](double x, double v) {
        const double y = 1 - v;  // the lathe's first row is the head's lowest point (+y)
        Colour c = Mix(Colour{230, 180, 140}, Colour{250, 205, 170}, Tile(x, y, 4, 89));
        if (y < 0.3 + 0.05 * std::sin(x * 12 * kPi)) c = Mix(Colour{60, 35, 20}, Colour{110, 70, 35}, Tile(x, y, 16, 90));
        const double face = x - 0.75;  // u 0.75 faces -z
        if (std::abs(y - 0.45) < 0.04 && std::abs(std::abs(face) - 0.05) < 0.018) c = Colour{30, 30, 60};
        if (std::abs(y - 0.62) < 0.015 && std::abs(face) < 0.05) c = Colour{160, 60, 60};
        return c;
    });
}

// Mountain faces for the background cards, whose mapping runs v from the card's top: snow
// above a ragged snow line, ridged rock, dark woods at the foot.
Image Mountains(Colour rock, Colour snow, Colour woods, unsigned seed) {
    return paint::Paint(kLarge, kLarge, [=](double x, double y) {
        const double ridged = 1 - std::abs(2 * Fbm(x * 10, y * 6, seed, 5) - 1);
        Colour c = paint::Scale(rock, 0.6 + 0.6 * ridged);
        const double snowline = 0.28 + 0.12 * Fbm(x * 9, 0.5, seed + 1, 4);
        if (y < snowline) c = paint::Scale(snow, 0.8 + 0.2 * ridged);
        else if (y < snowline + 0.04) c = Mix(snow, c, (y - snowline) / 0.04);
        return Mix(c, woods, paint::Smooth(0.7, 0.95, y + 0.1 * (Fbm(x * 14, y * 4, seed + 2, 3) - 0.5)));
    });
}

// An instrument panel: three round gauges with needles over a row of lamps.
Image Dashboard() {
    return paint::Paint(kSide, kSide, [](double x, double y) {
        Colour c = Mix(Colour{35, 38, 45}, Colour{60, 64, 72}, Tile(x, y, 8, 7));
        for (int g = 0; g < 3; ++g) {
            const double cx = 0.2 + 0.3 * g, cy = 0.38, r = std::hypot(x - cx, y - cy);
            if (r < 0.12) c = Colour{10, 20, 15};
            if (std::abs(r - 0.12) < 0.012) c = Colour{180, 180, 190};
            const double a = -2.2 + 1.6 * g, along = (x - cx) * std::cos(a) + (y - cy) * std::sin(a);
            const double across = -(x - cx) * std::sin(a) + (y - cy) * std::cos(a);
            if (along > 0 && along < 0.1 && std::abs(across) < 0.008) c = Colour{255, 120, 40};
        }
        if (y > 0.7 && y < 0.82) {
            const int lamp = static_cast<int>(x * 8);
            const double fx = x * 8 - lamp;
            const Colour lamps[4] = {{40, 220, 80}, {240, 200, 40}, {230, 50, 40}, {60, 160, 255}};
            if (fx > 0.2 && fx < 0.8) c = lamps[(lamp * 3) % 4];
        }
        return c;
    });
}

// Big letters on a coloured ground (the greetings panels).
Image Lettering(const std::string& text, Colour ground, Colour ink, unsigned seed) {
    Image img = Noise(paint::Scale(ground, 0.8), ground, 4, seed, 1.0);
    const int n = static_cast<int>(text.size());
    const int cell = std::min(16, (kSide - 8) / (n * 6));
    const int w = n * 6 * cell - cell, x0 = (kSide - w) / 2, y0 = (kSide - 7 * cell) / 2;
    for (int i = 0; i < n; ++i) {
        const char* const* g = Glyph(text[i]);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c) {
                if (g[r][c] != '#') continue;
                for (int yy = 0; yy < cell; ++yy)
                    for (int xx = 0; xx < cell; ++xx)
                        img.At(x0 + (i * 6 + c) * cell + xx, y0 + r * cell + yy) = paint::ToRgb(ink);
            }
    }
    return img;
}

// Sprites on black.
Image Pigeon(bool wingsUp) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        const double bx = (x - 0.5) / 0.28, by = (y - 0.58) / 0.1;  // body
        const double hx = (x - 0.8) / 0.07, hy = (y - 0.5) / 0.07;  // head
        const double off = std::abs(x - 0.45);
        const bool inWing = off < 0.2 && (wingsUp ? (y > 0.25 + 1.3 * off && y < 0.6) : (y > 0.58 && y < 0.9 - 1.3 * off));
        const bool tail = x > 0.12 && x < 0.26 && std::abs(y - 0.58) < (0.26 - x) * 0.5;
        if (bx * bx + by * by < 1 || hx * hx + hy * hy < 1 || inWing || tail) {
            Colour c = Mix(Colour{120, 120, 135}, Colour{200, 200, 210}, 1 - y);
            if (x > 0.86 && std::abs(y - 0.5) < 0.02) c = Colour{230, 170, 40};  // beak
            return c;
        }
        return Colour{};
    });
}

Image Spray(int phase) {
    return paint::Paint(kSide, kSide, [=](double x, double y) {
        // Jets rising from the basin at the bottom and falling outwards, drops moving with phase.
        const double dx = (x - 0.5) * 2;
        const double arc = 0.15 + 0.75 * dx * dx;  // height of the water sheet at dx
        const double d = std::abs(y - arc);
        const double drops = Hash2(static_cast<int>(x * 40), static_cast<int>(y * 40 + phase * 5), 300) > 0.7;
        double k = std::max(0.0, 1 - d * 12) * (0.6 + 0.4 * drops);
        if (std::abs(dx) < 0.06 && y > 0.15) k = std::max(k, 0.9);
        if (y > 0.86 && std::abs(dx) < 0.9) k = std::max(k, 0.7);
        return k > 0.05 ? Mix(Colour{60, 110, 200}, Colour{230, 245, 255}, k) : Colour{};
    });
}

Image CloudSprite() {
    return paint::Paint(kSide, kSide, [](double x, double y) {
        const double d = std::hypot((x - 0.5) * 1.1, (y - 0.55) * 2.2);
        const double k = std::clamp((0.5 - d) * 4 + (Fbm(x * 6, y * 6, 401, 4) - 0.5) * 1.5, 0.0, 1.0);
        return k > 0.08 ? Mix(Colour{150, 150, 170}, Colour{250, 250, 255}, k) : Colour{};
    });
}

void AddTexture(Pack& pack, const std::string& name, const Image& image, bool sprite = false) {
    if (sprite) {
        Image copy = image;
        for (auto& p : copy.pixels)
            if (p.r || p.g || p.b) p = paint::Opaque({static_cast<double>(p.r), static_cast<double>(p.g), static_cast<double>(p.b)});
        // A ring of key texels: the board wraps, so bilinear taps along one edge of the card
        // also reach the opposite edge, and an opaque row there (the fountain's basin) drew a
        // dark line along the card's top.
        for (int x = 0; x < copy.width; ++x) copy.At(x, 0) = copy.At(x, copy.height - 1) = Rgb{};
        for (int y = 0; y < copy.height; ++y) copy.At(0, y) = copy.At(copy.width - 1, y) = Rgb{};
        pack.Add(name + ".bmp", WriteBmp24(copy));
        return;
    }
    pack.Add(name + ".bmp", WriteBmp24(image));
}

}  // namespace

void GenerateTextures(Pack& pack) {
    AddTexture(pack, "stars", Stars({60, 40, 120}, 1, 0.8));
    AddTexture(pack, "galaxy", Galaxy({120, 140, 255}, {255, 230, 180}, 2));
    AddTexture(pack, "galaxy2", Galaxy({255, 120, 180}, {255, 240, 200}, 3));
    AddTexture(pack, "hull", Plates({150, 155, 170}, {60, 60, 70}, 4, 4));
    AddTexture(pack, "glow", Glow({255, 255, 220}, {60, 120, 255}, 5, 0.3));
    // Added over the view: black stays clear, the frame and a streak of reflection show.
    AddTexture(pack, "vitre", paint::Paint(kSide, kSide, [](double x, double y) {
        const double edge = std::min({x, 1 - x, y, 1 - y});
        double k = edge < 0.06 ? 0.9 : 0;
        if (std::abs(x - 0.5) < 0.02) k = 0.7;
        k = std::max(k, 0.25 * std::max(0.0, 1 - std::abs(x - y - 0.3) * 12));
        return paint::Scale(Colour{90, 170, 230}, k);
    }));
    AddTexture(pack, "tableau", Dashboard());
    AddTexture(pack, "xwing", Plates({210, 210, 205}, {170, 50, 40}, 3, 8));
    AddTexture(pack, "tie", Plates({90, 95, 110}, {30, 30, 40}, 6, 9));
    AddTexture(pack, "ailes3", Plates({200, 170, 80}, {80, 60, 30}, 4, 10));
    AddTexture(pack, "ys21", Plates({120, 150, 190}, {220, 220, 230}, 3, 11));
    AddTexture(pack, "station", Plates({170, 160, 150}, {70, 60, 50}, 8, 12));
    AddTexture(pack, "missile", Plates({200, 200, 200}, {200, 40, 40}, 2, 13));
    AddTexture(pack, "cloud", Noise({30, 20, 70}, {210, 180, 250}, 4, 14));
    AddTexture(pack, "cloud2", Noise({4, 4, 8}, {120, 122, 140}, 4, 15));  // drawn additive: a haze
    AddTexture(pack, "planet", Bands({180, 120, 70}, {230, 200, 150}, {90, 60, 40}, 16));
    AddTexture(pack, "sun", Noise({255, 120, 10}, {255, 240, 120}, 6, 17));
    AddTexture(pack, "anneau", Bands({120, 110, 100}, {220, 210, 190}, {60, 50, 40}, 18));
    AddTexture(pack, "torus", Marble({40, 80, 200}, {200, 230, 255}, 19));
    AddTexture(pack, "ring", Glow({255, 220, 120}, {200, 60, 20}, 20, 0.2));
    AddTexture(pack, "tunnel", Tunnel());
    AddTexture(pack, "rock", Noise({70, 60, 55}, {160, 150, 135}, 8, 21));
    AddTexture(pack, "soleilv", Glow({255, 250, 200}, {255, 140, 40}, 22, 0.4), true);
    AddTexture(pack, "mont1", Mountains({125, 95, 85}, {255, 225, 215}, {45, 60, 35}, 23));
    AddTexture(pack, "mont2", Mountains({90, 95, 115}, {245, 248, 255}, {30, 60, 35}, 24));
    AddTexture(pack, "montagne", Noise({70, 90, 60}, {200, 200, 190}, 8, 25));
    AddTexture(pack, "forest", Leaves({10, 50, 15}, {60, 140, 40}, 26));
    AddTexture(pack, "canopy", Leaves({10, 45, 15}, {90, 160, 60}, 27));  // additive over the floor
    AddTexture(pack, "logo", Marble({200, 160, 40}, {255, 240, 170}, 28));
    AddTexture(pack, "marble", Marble({120, 120, 130}, {235, 235, 240}, 29));
    AddTexture(pack, "energy", Glow({255, 255, 255}, {80, 200, 255}, 30, 1.0));
    AddTexture(pack, "boulemap", Bands({30, 80, 160}, {60, 150, 60}, {200, 190, 140}, 31));
    AddTexture(pack, "sol", Noise({60, 100, 40}, {120, 150, 70}, 8, 32));
    AddTexture(pack, "fog", Noise({30, 30, 40}, {140, 140, 160}, 4, 33));
    AddTexture(pack, "bark", Bark());
    AddTexture(pack, "leaves", Leaves({10, 60, 20}, {70, 160, 50}, 34));
    AddTexture(pack, "leaves2", Leaves({60, 80, 10}, {190, 170, 40}, 35));
    AddTexture(pack, "lac", Noise({20, 40, 120}, {90, 140, 220}, 4, 36));
    AddTexture(pack, "vboy", Figure());
    AddTexture(pack, "vboyhead", Head());
    AddTexture(pack, "vboyleg", Noise({30, 50, 120}, {70, 100, 180}, 8, 87));
    AddTexture(pack, "hallfloor", Tiles({90, 90, 100}, {150, 150, 160}, 4, 37));
    AddTexture(pack, "hallwall", Plates({100, 80, 140}, {40, 30, 60}, 4, 38));
    AddTexture(pack, "hallpillar", Marble({80, 60, 120}, {200, 180, 240}, 39));
    AddTexture(pack, "lamp", Glow({255, 255, 230}, {255, 180, 60}, 40, 0.2));
    AddTexture(pack, "tire", Noise({15, 15, 18}, {70, 70, 75}, 16, 41));
    AddTexture(pack, "moto", Plates({200, 30, 30}, {240, 240, 240}, 2, 42));
    AddTexture(pack, "rider", Noise({20, 20, 30}, {80, 80, 110}, 4, 43));
    AddTexture(pack, "car", Plates({230, 200, 20}, {40, 40, 40}, 2, 44));
    AddTexture(pack, "carglass", Noise({20, 40, 60}, {120, 170, 200}, 2, 45));
    AddTexture(pack, "pillar", Marble({150, 40, 60}, {250, 200, 210}, 46));
    AddTexture(pack, "pan1", Lettering("hi", {40, 60, 160}, {255, 230, 90}, 47));
    AddTexture(pack, "pan2", Lettering("to", {160, 40, 60}, {255, 255, 255}, 48));
    AddTexture(pack, "pan3", Lettering("all", {30, 130, 60}, {255, 240, 200}, 49));
    AddTexture(pack, "pan4", Lettering("you", {120, 40, 150}, {120, 255, 230}, 50));
    AddTexture(pack, "lift", Plates({170, 170, 180}, {240, 200, 40}, 2, 51));
    AddTexture(pack, "title", paint::Paint(kSide, kSide, [](double x, double y) {
        return Mix(Colour{255, 250, 210}, Colour{230, 120, 20}, y + 0.3 * (Fbm(x * 6, y * 6, 52, 3) - 0.5));
    }));
    // The fountain scene's sprites.
    AddTexture(pack, "pigeon1", Pigeon(true), true);
    AddTexture(pack, "pigeon2", Pigeon(false), true);
    for (int i = 1; i <= 4; ++i) AddTexture(pack, "fontaine" + std::to_string(i), Spray(i), true);
    AddTexture(pack, "nuage3", CloudSprite(), true);
}

}  // namespace assetgen
