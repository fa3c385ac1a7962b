#include "platform/os/Presenter.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace os {
namespace {
FrameSink& Sink() {
    static FrameSink sink;
    return sink;
}
int g_presentedWidth = 0, g_presentedHeight = 0;
std::vector<std::uint16_t> g_scaled;
}  // namespace

void SetFrameSink(FrameSink sink) { Sink() = std::move(sink); }

void SetPresentedSize(int width, int height) {
    g_presentedWidth = std::max(width, 0);
    g_presentedHeight = std::max(height, 0);
}

void ScaleUp(const std::uint16_t* src, int width, int height, int factor, std::uint16_t* dst) {
    const std::size_t outWidth = std::size_t(width) * factor;
    for (int y = 0; y < height; ++y) {
        std::uint16_t* row = dst + std::size_t(y) * factor * outWidth;
        const std::uint16_t* in = src + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) std::fill_n(row + std::size_t(x) * factor, factor, in[x]);
        for (int k = 1; k < factor; ++k) std::copy(row, row + outWidth, row + k * outWidth);
    }
}

void PresentFrame(const std::uint16_t* pixels, int width, int height) {
    if (!Sink()) return;
    const int w = g_presentedWidth, h = g_presentedHeight;
    if (pixels && width > 0 && height > 0 && w > width && w % width == 0 && h % height == 0 &&
        w / width == h / height) {
        const int factor = w / width;
        g_scaled.resize(std::size_t(w) * h);
        ScaleUp(pixels, width, height, factor, g_scaled.data());
        Sink()(g_scaled.data(), w, h);
        return;
    }
    Sink()(pixels, width, height);
}

}  // namespace os
