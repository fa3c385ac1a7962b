#include "platform/os/Wait.h"

#include <emscripten.h>

#include <algorithm>

namespace os {

// emscripten_sleep unwinds to the browser and resumes here after the time (Asyncify).
void SleepFor(std::chrono::microseconds duration) {
    const auto ms = std::max<long long>(0, (duration.count() + 999) / 1000);
    emscripten_sleep(static_cast<unsigned>(ms));
}

void SleepUntil(std::chrono::steady_clock::time_point when) {
    SleepFor(std::chrono::duration_cast<std::chrono::microseconds>(when - std::chrono::steady_clock::now()));
}

// Only the page's program can unwind (node's has no Asyncify, and no page to give a turn to).
void YieldToPage() {
    if (emscripten_has_asyncify()) emscripten_sleep(0);
}

}  // namespace os
