#include "engine/video/PixelLayout.h"

PixelLayout& ActivePixelLayout() {
    static PixelLayout layout = PixelLayout::ThreeD();
    return layout;
}
