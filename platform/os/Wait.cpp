#include "platform/os/Wait.h"

#include <thread>

namespace os {

void SleepFor(std::chrono::microseconds duration) { std::this_thread::sleep_for(duration); }

void SleepUntil(std::chrono::steady_clock::time_point when) { std::this_thread::sleep_until(when); }

void YieldToPage() {}

}  // namespace os
