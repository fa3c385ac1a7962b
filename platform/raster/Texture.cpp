#include "platform/raster/PixelOps.h"
#include "platform/raster/Raster.h"

namespace raster {

bool Texture::Load(const std::uint16_t* data, int side, TexelFormat format) {
    if (data == nullptr || side < 1 || side > 256 || (side & (side - 1)) != 0) return false;
    int shift = 0;
    while ((1 << shift) < side) ++shift;
    std::vector<std::uint32_t> texels(static_cast<std::size_t>(side) * side);
    for (std::size_t i = 0; i < texels.size(); ++i)
        texels[i] = format == TexelFormat::RGB565 ? Expand565(data[i]) : Expand1555(data[i]);
    texels_ = std::move(texels);
    side_ = side;
    shift_ = shift;
    return true;
}

}  // namespace raster
