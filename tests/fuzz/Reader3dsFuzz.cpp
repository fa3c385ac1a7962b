#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NameCheckingRenderer renderer;
    Reader3ds reader(data, size, &renderer);
    reader.Read();
    for (auto& object : reader.Objects()) FinishObject(std::move(object));
    return 0;
}
