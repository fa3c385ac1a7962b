#include "tools/assetgen/writers/Bmp.h"

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// File header and BITMAPINFOHEADER: 54 bytes.
void Headers(std::vector<std::uint8_t>& out, int w, int h, int bits, std::uint32_t dataOffset, std::uint32_t dataSize,
             int paletteEntries) {
    out.push_back('B');
    out.push_back('M');
    Put(out, dataOffset + dataSize, 4);
    Put(out, 0, 4);
    Put(out, dataOffset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<std::uint32_t>(w), 4);
    Put(out, static_cast<std::uint32_t>(h), 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bits), 2);
    Put(out, 0, 4);  // uncompressed
    Put(out, dataSize, 4);
    Put(out, 2835, 4);  // 72 dpi
    Put(out, 2835, 4);
    Put(out, static_cast<std::uint32_t>(paletteEntries), 4);
    Put(out, 0, 4);
}

}  // namespace

std::vector<std::uint8_t> WriteBmp24(const Image& image) {
    const int stride = (image.width * 3 + 3) & ~3;
    std::vector<std::uint8_t> out;
    Headers(out, image.width, image.height, 24, 54, static_cast<std::uint32_t>(stride * image.height), 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.At(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (int pad = image.width * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> WriteBmp8(const IndexedImage& image) {
    if (image.width % 4 != 0) throw ContentError("8-bit picture width must be a multiple of 4");
    std::vector<std::uint8_t> out;
    Headers(out, image.width, image.height, 8, 1078, static_cast<std::uint32_t>(image.width * image.height), 256);
    for (const Rgb& c : image.palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) out.push_back(image.pixels[static_cast<std::size_t>(y) * image.width + x]);
    return out;
}

}  // namespace assetgen
