#include "platform/os/ImageFile.h"

#include <cstdio>

namespace os {

// The web build has no PNG library: a page has no folder to write pictures into.
bool WritePng565(const std::string& path, const std::uint16_t*, int, int) {
    std::fprintf(stderr, "solmire: this build writes no pictures (%s)\n", path.c_str());
    return false;
}

}  // namespace os
