#include "platform/os/Presenter.h"

#include <utility>

namespace os {
namespace {
FrameSink& Sink() {
    static FrameSink sink;
    return sink;
}
}  // namespace

void SetFrameSink(FrameSink sink) { Sink() = std::move(sink); }

void PresentFrame(const std::uint16_t* pixels, int width, int height) {
    if (Sink()) Sink()(pixels, width, height);
}

}  // namespace os
