// Video's pictures: BMP files through the system loader, the 8-bit readers that work on the
// file's bytes, and the clipped 2D line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/video/Bmp8.h"
#include "engine/video/ErrorBox.h"
#include "engine/video/Video.h"
#include "platform/os/Image.h"

namespace {

constexpr const char* kCaption = "VVideo Error";

enum class BmpRead { Ok, NotOpened, NotBmp, Short };

// Reads the file as long as its header claims it is (see bmp8::Claimed), no further: a file
// shorter than that, or too short to hold a header, is refused.
BmpRead ReadBmp(const char* name, std::vector<std::uint8_t>& bytes) {
    if (!name) return BmpRead::NotOpened;
    std::ifstream in(name, std::ios::binary);
    if (!in) return BmpRead::NotOpened;
    std::uint8_t head[5] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got < 2 || head[0] != 'B' || head[1] != 'M') return BmpRead::NotBmp;
    if (got < sizeof head) return BmpRead::Short;
    const std::size_t claimed = head[2] + 256u * head[3] + 65536u * head[4];
    if (claimed < bmp8::kPaletteOffset) return BmpRead::Short;
    bytes.assign(claimed, 0);
    std::copy(head, head + sizeof head, bytes.begin());
    in.read(reinterpret_cast<char*>(bytes.data() + sizeof head), static_cast<std::streamsize>(claimed - sizeof head));
    if (static_cast<std::size_t>(in.gcount()) != claimed - sizeof head) return BmpRead::Short;
    return BmpRead::Ok;
}

std::string CannotGet(const char* name) { return std::string("Cannot get image file : ") + (name ? name : ""); }

}  // namespace

void Video::LoadPicture(Surface* surface, const char* name) {
    if (noVideo == 1) return;
    if (!surface) FatalError(kCaption, "Cannot get surface description", 13);
    if (surface->GetKind() == Surface::Kind::ZBuffer) FatalError(kCaption, "Pixel format not recognized", 14);
    if (!os::LoadImageScaled(name, surface->Pixels(), surface->Width(), surface->Height(), displayMasks_[0],
                             displayMasks_[1], displayMasks_[2]))
        FatalError(kCaption, CannotGet(name).c_str(), 15);
    ShowIfPrimary(surface);
}

void Video::LoadBmp8(std::uint8_t* destination, const char* name) {
    if (noVideo == 1) return;
    std::vector<std::uint8_t> bytes;
    switch (ReadBmp(name, bytes)) {
        case BmpRead::NotOpened:
        case BmpRead::Short: FatalError(kCaption, CannotGet(name).c_str(), 6);
        case BmpRead::NotBmp: std::exit(7);
        case BmpRead::Ok: break;
    }
    int w = 0, h = 0;
    switch (bmp8::ReadPixels(bytes.data(), bytes.size(), width, height, destination, w, h)) {
        case bmp8::Status::Ok: break;
        case bmp8::Status::TooBig: FatalError(kCaption, "Too big picture", 23);
        case bmp8::Status::NotEightBit: FatalError(kCaption, "Picture is not a 8bit BMP", 23);
        case bmp8::Status::NotBmp:
        case bmp8::Status::Short: FatalError(kCaption, CannotGet(name).c_str(), 6);
    }
}

void Video::LoadBmp8Palette(std::uint32_t* table, const char* name) {
    if (noVideo == 1) return;
    std::vector<std::uint8_t> bytes;
    switch (ReadBmp(name, bytes)) {
        case BmpRead::NotOpened:
        case BmpRead::Short: std::exit(6);
        case BmpRead::NotBmp: std::exit(7);
        case BmpRead::Ok: break;
    }
    switch (bmp8::ReadPalette(bytes.data(), bytes.size(), redShift, greenShift, table)) {
        case bmp8::Status::Ok: break;
        case bmp8::Status::NotEightBit: FatalError(kCaption, "Picture is not a 8bit BMP", 23);
        default: std::exit(6);
    }
}

void Video::GetBmpSize(const char* name, int* w, int* h) {
    if (noVideo == 1) return;
    std::vector<std::uint8_t> bytes;
    switch (ReadBmp(name, bytes)) {
        case BmpRead::NotOpened:
        case BmpRead::Short: FatalError(kCaption, CannotGet(name).c_str(), 6);
        case BmpRead::NotBmp: std::exit(7);
        case BmpRead::Ok: break;
    }
    int width = 0, height = 0;
    bmp8::ReadSize(bytes.data(), bytes.size(), width, height);
    if (w) *w = width;
    if (h) *h = height;
}

int Video::OutCode(int x, int y) const {
    int code = 0;
    if (x < 0) code += 8;
    if (x > maxX) code += 4;
    if (y < 0) code += 2;
    if (y > maxY) code += 1;
    return code;
}

int Video::ClipLine(int& x1, int& y1, int& x2, int& y2) const {
    int c1 = OutCode(x1, y1);
    int c2 = OutCode(x2, y2);
    // Wide arithmetic: the products of far-away ends would overflow 32 bits. Each pass settles
    // one boundary of one end, so a handful of passes always suffice; the bound guards
    // against a degenerate screen (no pixel) where no end can ever settle.
    for (int pass = 0; pass < 16; ++pass) {
        if ((c1 | c2) == 0) return 1;
        if ((c1 & c2) != 0) return 0;
        const long long dx = static_cast<long long>(x2) - x1;
        const long long dy = static_cast<long long>(y2) - y1;
        const bool first = c1 != 0;
        long long x = first ? x1 : x2;
        long long y = first ? y1 : y2;
        const int code = first ? c1 : c2;
        if (code & 8) {
            y += (0 - x) * dy / dx;
            x = 0;
        } else if (code & 4) {
            y += (maxX - x) * dy / dx;
            x = maxX;
        } else if (code & 2) {
            x += (0 - y) * dx / dy;
            y = 0;
        } else {
            x += (maxY - y) * dx / dy;
            y = maxY;
        }
        if (first) {
            x1 = static_cast<int>(x);
            y1 = static_cast<int>(y);
            c1 = OutCode(x1, y1);
        } else {
            x2 = static_cast<int>(x);
            y2 = static_cast<int>(y);
            c2 = OutCode(x2, y2);
        }
    }
    return 0;
}

namespace {

// Bresenham along the major axis m, stepping the minor axis n; plot(m, n) for every pixel.
template <typename Plot>
void WalkLine(int m1, int n1, int m2, int n2, Plot plot) {
    if (m1 > m2) {
        std::swap(m1, m2);
        std::swap(n1, n2);
    }
    const int step = n2 > n1 ? 1 : -1;
    const int a = std::abs(n2 - n1), b = m2 - m1;
    int d = 2 * a - b;
    int n = n1;
    plot(m1, n1);
    for (int m = m1 + 1; m <= m2; ++m) {
        if (d >= 0) {
            n += step;
            d += 2 * (a - b);
        } else {
            d += 2 * a;
        }
        plot(m, n);
    }
}

}  // namespace

void Video::DrawLine(int x1, int y1, int x2, int y2, std::uint16_t color) {
    if (noVideo == 1 || mode != kModeDirectDraw || !backBufferPixels) return;
    if (!ClipLine(x1, y1, x2, y2)) return;
    auto plot = [&](int x, int y) { backBufferPixels[static_cast<std::size_t>(y) * width + x] = color; };
    if (std::abs(x2 - x1) < std::abs(y2 - y1)) {
        WalkLine(y1, x1, y2, x2, [&](int y, int x) { plot(x, y); });
    } else {
        WalkLine(x1, y1, x2, y2, plot);
    }
}
