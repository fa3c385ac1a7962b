#include "engine/video/Bmp8.h"

#include <algorithm>

namespace bmp8 {

namespace {

int Read3(const std::uint8_t* b, std::size_t at) { return b[at] + 256 * b[at + 1] + 65536 * b[at + 2]; }

}  // namespace

Status Claimed(const std::uint8_t* data, std::size_t size, std::size_t& claimed) {
    claimed = 0;
    if (!data || size < 2 || data[0] != 'B' || data[1] != 'M') return Status::NotBmp;
    if (size < 5) return Status::Short;
    claimed = static_cast<std::size_t>(Read3(data, 2));
    if (claimed < kPaletteOffset || claimed > size) return Status::Short;
    return Status::Ok;
}

Status ReadSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
    std::size_t claimed = 0;
    const Status s = Claimed(data, size, claimed);
    if (s != Status::Ok) return s;
    width = Read3(data, 18);
    height = Read3(data, 22);
    return Status::Ok;
}

Status ReadPixels(const std::uint8_t* data, std::size_t size, int maxWidth, int maxHeight, std::uint8_t* destination,
                  int& width, int& height) {
    std::size_t claimed = 0;
    const Status s = Claimed(data, size, claimed);
    if (s != Status::Ok) return s;
    const int w = Read3(data, 18);
    const int h = Read3(data, 22);
    if (w > maxWidth || h > maxHeight) return Status::TooBig;
    if (data[28] != 8) return Status::NotEightBit;
    // Rows are stored bottom first, each padded to a multiple of four bytes.
    const std::size_t stride = (static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
    if (kPixelOffset + stride * static_cast<std::size_t>(h) > claimed) return Status::Short;
    width = w;
    height = h;
    if (!destination) return Status::Ok;
    for (int row = 0; row < h; ++row) {
        const std::uint8_t* src = data + kPixelOffset + stride * static_cast<std::size_t>(h - 1 - row);
        std::copy(src, src + w, destination + static_cast<std::size_t>(row) * static_cast<std::size_t>(w));
    }
    return Status::Ok;
}

Status ReadPalette(const std::uint8_t* data, std::size_t size, int redShift, int greenShift, std::uint32_t* table) {
    std::size_t claimed = 0;
    const Status s = Claimed(data, size, claimed);
    if (s != Status::Ok) return s;
    if (data[28] != 8) return Status::NotEightBit;
    if (claimed < kPixelOffset) return Status::Short;
    if (!table) return Status::Ok;
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* entry = data + kPaletteOffset + 4 * i;
        const std::uint32_t blue = entry[0] >> 3, green = entry[1] >> 3, red = entry[2] >> 3;
        // Five bits per channel, green too: on a 5-6-5 display green lands in the low five of
        // its six bits. Kept for callers that rely on it; the show itself does not call this.
        table[i] = (red << redShift) + (green << greenShift) + blue;
    }
    return Status::Ok;
}

}  // namespace bmp8
