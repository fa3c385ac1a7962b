#include "platform/os/ImageFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace os {

bool WritePng565(const std::string& path, const std::uint16_t* pixels, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    // The capture says itself which file failed: libpng's own words would be a second line.
    png_structp png = png_create_write_struct(
        PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
        [](png_structp, png_const_charp) {});
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        // Fast compression: a capture writes thousands of frames. The board's dithered pictures
        // gain nothing from row filters (they came out larger, at twice the time, than
        // unfiltered rows), so none is tried.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            Rgb565ToRgb24(pixels + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width), row.data());
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    ok = std::fclose(file) == 0 && ok;
    // No cut picture is left behind to pass for a frame.
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace os
