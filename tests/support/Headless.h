#pragma once

#include <cstdlib>

#include <gtest/gtest.h>

#include "engine/video/Video.h"

// Every test runs without a screen or sound card: SDL's dummy drivers, whatever DISPLAY says.
// Death tests re-run the program for each case, so SDL state never crosses into them.
inline const bool headlessDrivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return true;
}();

struct HeadlessEnvironment : ::testing::Environment {
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
inline ::testing::Environment* const headlessEnvironment =
    ::testing::AddGlobalTestEnvironment(new HeadlessEnvironment);

// A 640x480 display without a window, as capture mode uses it.
inline void StartHeadlessDisplay(Video& video, int width = 640, int height = 480) {
    video.headless = true;
    video.Init(0, nullptr);
    video.CreateDirectDraw(1);
    video.SetMode(width, height);
}
