#pragma once

#include <chrono>

// Waiting without using the processor. In a web browser the program runs on the page's own
// thread: there a wait hands the page its turn (drawing, input, sound) even when it is already
// late, so that a show that cannot keep pace still never freezes the page.
namespace os {

void SleepFor(std::chrono::microseconds duration);
void SleepUntil(std::chrono::steady_clock::time_point when);

// Long work that never waits (the scenes run unseen before a chosen one) calls this now and
// then: in a web browser the page gets its turn, so that it does not freeze; elsewhere nothing.
void YieldToPage();

}  // namespace os
