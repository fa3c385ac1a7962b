#include "engine/video/PixelLayout.h"

PixelLayout& ActivePixelLayout() {
    static PixelLayout layout = PixelLayout::ThreeD();
    return layout;
}

#include "engine/video/DisplayMetrics.h"

DisplayMetrics& ActiveDisplayMetrics() {
    static DisplayMetrics metrics;
    return metrics;
}
