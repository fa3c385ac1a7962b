#pragma once

// "greeting.xm": the calm loop under the greetings, with a sync every two bars.

#include <vector>

#include "tools/assetgen/xm/XmWriter.h"

namespace music {

constexpr int kGreetingBpm = 110;
constexpr int kGreetingPatterns = 7;  // 28 bars, a minute
constexpr int kGreetingSyncBars = 2;

xm::Module ComposeGreeting(const std::vector<xm::Instrument>& instruments);

}  // namespace music
