#pragma once

// The display's size in pixels, as the object culling test needs it. The display sets it
// when it changes mode; 640x480 is what the production runs at.
struct DisplayMetrics {
    int width = 640;
    int height = 480;
};

DisplayMetrics& ActiveDisplayMetrics();
