#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Writes the BMP variants the display must read: standard BITMAPINFOHEADER, rows padded to four
// bytes unless a test asks otherwise.
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
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<std::uint32_t>(offset + data.size()));
    Put32(f, 10, static_cast<std::uint32_t>(offset));
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<std::uint32_t>(width));
    Put32(f, 22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = static_cast<std::uint8_t>(bits);
    Put32(f, 30, static_cast<std::uint32_t>(compression));
    Put32(f, 34, static_cast<std::uint32_t>(data.size()));
    Put32(f, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        f[54 + 4 * i] = palette[i].b;
        f[55 + 4 * i] = palette[i].g;
        f[56 + 4 * i] = palette[i].r;
    }
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

inline std::size_t Stride(int width, int bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

inline std::vector<std::uint8_t> Bmp24(int width, int height, const std::function<Rgb(int x, int y)>& pixel,
                                       bool topDown = false) {
    const std::size_t stride = Stride(width, 24);
    std::vector<std::uint8_t> data(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            std::uint8_t* p = &data[(topDown ? y : height - 1 - y) * stride + 3 * x];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return Assemble(width, topDown ? -height : height, 24, 0, {}, data);
}

// 4 or 8 bits per index, bottom row first. 8-bit files get a full 256-entry palette (pixel data
// at 1078), 4-bit ones 16 entries.
inline std::vector<std::uint8_t> Indexed(int bits, int width, int height, std::vector<Rgb> palette,
                                         const Index& index) {
    palette.resize(std::size_t{1} << bits);
    const std::size_t stride = Stride(width, bits);
    std::vector<std::uint8_t> data(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t& byte = data[(height - 1 - y) * stride + x * bits / 8];
            if (bits == 8) byte = index(x, y);
            else byte |= (x % 2 == 0) ? static_cast<std::uint8_t>(index(x, y) << 4) : (index(x, y) & 0x0F);
        }
    return Assemble(width, height, bits, 0, palette, data);
}
inline std::vector<std::uint8_t> Bmp8(int width, int height, const std::vector<Rgb>& palette, const Index& index) {
    return Indexed(8, width, height, palette, index);
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
