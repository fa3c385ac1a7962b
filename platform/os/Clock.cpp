#include "platform/os/Clock.h"

#include <chrono>
#include <utility>

namespace os {
namespace {

long RealClockMs() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

ClockSource& Source() {
    static ClockSource source;
    return source;
}

}  // namespace

long ClockMs() {
    const ClockSource& s = Source();
    return s ? s() : RealClockMs();
}

void SetClockSource(ClockSource source) { Source() = std::move(source); }

}  // namespace os
