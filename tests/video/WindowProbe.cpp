// A small program for the display's integration test: opens the real window through App and
// Video, shows frames of known colours until Escape ends it, and can check a window dump.
//
//   window_probe                run: red frames with a blue square in the middle
//   window_probe --check FILE   exit 0 when the XWD screen dump FILE shows that picture,
//                               scaled to the screen with its aspect kept
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "engine/input/Input.h"
#include "engine/video/App.h"
#include "engine/video/Video.h"

namespace {

int Run() {
    static Video video;
    static Input input;
    static App app(video, input);
    app.onShutdown = [] { std::fprintf(stderr, "window closed\n"); };
    app.Init(0, nullptr);
    video.CreateDirectDraw(1);
    video.SetMode(640, 480);
    // Bounded, so a lost key cannot leave the program running: about 20 seconds.
    for (int frame = 0; frame < 1000; ++frame) {
        video.Cls(0xF800);  // red
        video.LockBackBuffer();
        for (int y = 200; y < 280; ++y)
            for (int x = 280; x < 360; ++x) video.backBufferPixels[y * 640 + x] = 0x001F;  // blue
        video.UnlockBackBuffer();
        video.Flip();
        app.PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::fprintf(stderr, "no Escape arrived\n");
    return 3;
}

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

// Reads an XWD dump of the screen (ZPixmap, 24 or 32 bits a pixel) and counts the probe's
// colours: the frame must be on screen, red around a blue square, scaled however it is.
int Check(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 100) return std::fprintf(stderr, "no dump\n"), 1;
    const std::uint32_t headerSize = Be32(b, 0), format = Be32(b, 8), width = Be32(b, 16), height = Be32(b, 20),
                        byteOrder = Be32(b, 28), bpp = Be32(b, 44), stride = Be32(b, 48), redMask = Be32(b, 56),
                        greenMask = Be32(b, 60), blueMask = Be32(b, 64), colours = Be32(b, 76);
    if (format != 2 || (bpp != 24 && bpp != 32))
        return std::fprintf(stderr, "unexpected dump format %u/%u\n", format, bpp), 1;
    const std::size_t data = std::size_t{headerSize} + 12u * colours;
    if (data + std::size_t{stride} * height > b.size()) return std::fprintf(stderr, "short dump\n"), 1;
    auto channel = [](std::uint32_t v, std::uint32_t mask) {  // 0..255, whatever the mask's width
        const std::uint32_t low = mask & (~mask + 1);
        return mask ? (v & mask) / low * 255u / (mask / low) : 0u;
    };
    const std::uint32_t bytes = bpp / 8;
    long red = 0, blue = 0, other = 0;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = &b[data + std::size_t{y} * stride + std::size_t{bytes} * x];
            std::uint32_t v = 0;
            for (std::uint32_t i = 0; i < bytes; ++i)
                v |= std::uint32_t{p[i]} << (8 * (byteOrder == 0 ? i : bytes - 1 - i));
            const std::uint32_t r = channel(v, redMask), g = channel(v, greenMask), bl = channel(v, blueMask);
            if (r > 200 && g < 60 && bl < 60) {
                ++red;
            } else if (bl > 200 && r < 60 && g < 60) {
                ++blue;
            } else if (r + g + bl > 30) {
                ++other;
            }
        }
    std::printf("screen %ux%u: %ld red, %ld blue, %ld other lit pixels\n", width, height, red, blue, other);
    // The frame is scaled to the screen with its aspect kept: its lit area is the largest 4:3
    // rectangle that fits, the rest is black bars. The square is 80x80 of its 640x480.
    const double scale = std::min(width / 640.0, height / 480.0);
    const double frame = 640 * scale * 480 * scale;
    // A smoothed enlargement blends colours along the square's edge, and nowhere else.
    const double edge = 4 * 80 * scale * 2;
    const bool filled = std::abs((red + blue + other) - frame) <= 0.02 * frame && other <= edge;
    const bool square = std::abs(blue - frame * (80.0 * 80.0) / (640.0 * 480.0)) <= 0.05 * blue;
    return filled && square ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) return Check(argv[2]);
    return Run();
}
