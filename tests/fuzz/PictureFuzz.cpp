// The 8-bit picture and palette readers and the system's picture loader, on any bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/video/Bmp8.h"
#include "platform/os/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kWidth = 640, kHeight = 480;
    // The reader is handed exactly the bytes it was given: a copy makes any read past them an
    // overrun the sanitizer sees, not a read into the fuzzer's own buffer.
    const std::vector<std::uint8_t> bytes(data, data + size);
    int w = -1, h = -1;
    if (bmp8::ReadSize(bytes.data(), bytes.size(), w, h) == bmp8::Status::Ok && (w < 0 || h < 0)) std::abort();

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    w = h = -1;
    if (bmp8::ReadPixels(bytes.data(), bytes.size(), kWidth, kHeight, pixels.data(), w, h) == bmp8::Status::Ok &&
        (w < 0 || h < 0 || w > kWidth || h > kHeight))
        std::abort();

    std::uint32_t table[256];
    if (bmp8::ReadPalette(bytes.data(), bytes.size(), 11, 6, table) == bmp8::Status::Ok)
        for (std::uint32_t entry : table)
            if (entry >> 16) std::abort();  // five bits a channel at these shifts

    std::vector<std::uint16_t> screen(64 * 48);
    os::LoadImageScaledFromMemory(bytes.data(), bytes.size(), screen.data(), 64, 48, 0xF800, 0x07E0, 0x001F);
    return 0;
}
