// The path file reader on any text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/Paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    // More paths than the table holds: the ones beyond it are read and dropped.
    LoadPaths(in, kMaxPaths + 5);
    for (const Path& path : PathTable) {
        if (path.keyCount < 0 || path.keyCount > Path::kMaxKeys) std::abort();
        bool terminated = false;
        for (char c : path.label) terminated |= c == '\0';
        if (!terminated) std::abort();
    }
    return 0;
}
