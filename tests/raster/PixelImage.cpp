#include "PixelImage.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace rastertest {

bool WritePng(const std::string& path, const std::vector<std::uint16_t>& pixels, int width, int height) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    std::vector<png_byte> row(std::size_t(width) * 3);
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint16_t p = pixels[std::size_t(y) * width + x];
                const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
                row[3 * x] = png_byte((r << 3) | (r >> 2));
                row[3 * x + 1] = png_byte((g << 2) | (g >> 4));
                row[3 * x + 2] = png_byte((b << 3) | (b >> 2));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    std::fclose(file);
    return ok;
}

Difference Compare(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b) {
    Difference d;
    d.pixels = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < d.pixels; ++i) {
        if (a[i] == b[i]) continue;
        const int dr = std::abs((a[i] >> 11) - (b[i] >> 11));
        const int dg = std::abs(((a[i] >> 5) & 63) - ((b[i] >> 5) & 63));
        const int db = std::abs((a[i] & 31) - (b[i] & 31));
        const int worst = std::max({dr, dg, db});
        ++d.differing;
        if (worst > 1) ++d.beyondOne;
        d.largest = std::max(d.largest, worst);
    }
    return d;
}

std::string DumpPair(const std::string& name, const Image& actual, const Image& expected) {
    const std::string a = name + "-actual.png", e = name + "-expected.png";
    const bool ok = WritePng(a, actual.color, actual.width, actual.height) &&
                    WritePng(e, expected.color, expected.width, expected.height);
    return ok ? "images written to " + a + " and " + e : "could not write " + a;
}

}  // namespace rastertest
