#pragma once

// The greeted groups, in the order the greetings roll shows them; one model "<group>.3ds" each.
// The show (app/) and its content generator (tools/) both read this one list: neither layer may
// include the other, so it stands below both and includes nothing but the standard library.

#include <string_view>

namespace content {

// Sixteen invented names.
inline constexpr std::string_view kGreetedGroups[16] = {
    "velmora",  "quillfin",  "braxtide", "orrowen",  "tumbleknot", "skellin",  "ferrowisp", "mirrodale",
    "pellucine", "zarnolith", "glimwick", "cindrel", "oktavane",   "hushmoor", "lunvarra",  "drezzik",
};

}  // namespace content
