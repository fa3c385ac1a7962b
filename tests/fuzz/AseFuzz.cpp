#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NameCheckingRenderer renderer;
    ReadAse(std::string_view(reinterpret_cast<const char*>(data), size), &renderer, FinishObject);
    return 0;
}
