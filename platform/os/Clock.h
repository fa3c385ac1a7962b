#pragma once

#include <functional>

// The engine's millisecond clock (the runtime's clock() in the 1998 code). Real time by
// default; capture mode and tests install a source of their own.
namespace os {

using ClockSource = std::function<long()>;

// Milliseconds from the active source; the real source counts from its first use.
long ClockMs();
// Replaces the source; an empty function restores the real clock.
void SetClockSource(ClockSource source);

}  // namespace os
