#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Writes the BMP variants the display must read: standard BITMAPINFOHEADER.
namespace bmp {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
using Index = std::function<std::uint8_t(int x, int y)>;

inline void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = (x >> (8 * i)) & 0xFF;
}

// Headers for pixel data already laid out; height < 0 means stored top row first.
inline std::vector<std::uint8_t> Assemble(int width, int height, int bits, int compression,
                                          const std::vector<Rgb>& palette, const std::vector<std::uint8_t>& data) {
    const std::size_t offset = 54 + 4 * palette.size();
    std::vector<std::uint8_t> f(offset, 0);
    f[0] = 'B', f[1] = 'M', f[26] = 1, f[28] = static_cast<std::uint8_t>(bits);
    const std::size_t fields[][2] = {{2, offset + data.size()}, {10, offset}, {14, 40}, {18, static_cast<std::size_t>(width)},
                                     {22, static_cast<std::size_t>(height)}, {30, static_cast<std::size_t>(compression)},
                                     {34, data.size()}, {46, palette.size()}};
    for (const auto& [at, value] : fields) Put32(f, at, static_cast<std::uint32_t>(value));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        f[54 + 4 * i] = palette[i].b, f[55 + 4 * i] = palette[i].g, f[56 + 4 * i] = palette[i].r;
    }
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

// Rows padded to four bytes, bottom row first unless topDown.
inline std::vector<std::uint8_t> Bmp24(int width, int height, const std::function<Rgb(int x, int y)>& pixel,
                                       bool topDown = false) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> data(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            std::uint8_t* p = &data[(topDown ? y : height - 1 - y) * stride + 3 * x];
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    return Assemble(width, topDown ? -height : height, 24, 0, {}, data);
}

// Bottom row first, with a full 256-entry palette (pixel data at 1078).
inline std::vector<std::uint8_t> Bmp8(int width, int height, std::vector<Rgb> palette, const Index& index) {
    palette.resize(256);
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<std::uint8_t> data(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) data[(height - 1 - y) * stride + x] = index(x, y);
    return Assemble(width, height, 8, 0, palette, data);
}

// 8-bit run-length encoded: each row as runs of equal indices, end-of-line and end-of-bitmap codes.
inline std::vector<std::uint8_t> Bmp8Rle(int width, int height, std::vector<Rgb> palette, const Index& index) {
    std::vector<std::uint8_t> data;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0, run = 1; x < width; x += run, run = 1) {
            const std::uint8_t v = index(x, y);
            while (x + run < width && run < 255 && index(x + run, y) == v) ++run;
            data.insert(data.end(), {static_cast<std::uint8_t>(run), v});
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    palette.resize(256);
    return Assemble(width, height, 8, 1, palette, data);
}

inline std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "solmire_video_tests";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::uint16_t Pack565(Rgb c) {
    return static_cast<std::uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
}

}  // namespace bmp
