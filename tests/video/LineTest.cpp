#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "support/Headless.h"

namespace {

struct Screen {
    Video video;
    Screen() { StartHeadlessDisplay(video); }
    // Clears and locks the back buffer, draws one line, and lists the lit pixels.
    std::vector<std::pair<int, int>> Draw(int x1, int y1, int x2, int y2, std::uint16_t colour) {
        video.Cls(0);
        video.LockBackBuffer();
        video.DrawLine(x1, y1, x2, y2, colour);
        std::vector<std::pair<int, int>> lit;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (At(x, y)) lit.emplace_back(x, y);
        return lit;
    }
    std::uint16_t At(int x, int y) const { return video.backBufferPixels[y * 640 + x]; }
};

}  // namespace

TEST(ClipLine, CohenSutherlandCases) {
    Video video;
    StartHeadlessDisplay(video);
    EXPECT_EQ(video.OutCode(-1, 480), 8 + 1);
    EXPECT_EQ(video.OutCode(640, -3), 4 + 2);
    EXPECT_EQ(video.OutCode(639, 479), 0);

    int x1 = -10, y1 = 5, x2 = 10, y2 = 5;
    ASSERT_EQ(video.ClipLine(x1, y1, x2, y2), 1);
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 5);
    EXPECT_EQ(x2, 10);
    x1 = -50, y1 = 10, x2 = -1, y2 = 300;  // wholly left
    EXPECT_EQ(video.ClipLine(x1, y1, x2, y2), 0);
    x1 = -100, y1 = 50, x2 = 100, y2 = -150;  // passes outside the top-left corner
    EXPECT_EQ(video.ClipLine(x1, y1, x2, y2), 0);
    x1 = -100, y1 = -100, x2 = 1000, y2 = 1000;  // the diagonal through the screen
    ASSERT_EQ(video.ClipLine(x1, y1, x2, y2), 1);
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 0);
    EXPECT_EQ(x2, 479);
    EXPECT_EQ(y2, 479);

    // Ends as far as ints go: the intersections are still found, and on the screen.
    x1 = INT_MIN, y1 = 240, x2 = INT_MAX, y2 = 240;
    ASSERT_EQ(video.ClipLine(x1, y1, x2, y2), 1);
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(x2, 639);
    EXPECT_EQ(y1, 240);
    x1 = INT_MIN, y1 = INT_MIN, x2 = INT_MAX, y2 = INT_MAX;
    if (video.ClipLine(x1, y1, x2, y2)) {
        EXPECT_EQ(video.OutCode(x1, y1), 0);
        EXPECT_EQ(video.OutCode(x2, y2), 0);
    }

    Video noMode;  // the screen has no pixel at all: refused, never looping
    x1 = -5, y1 = 3, x2 = 7, y2 = -2;
    EXPECT_EQ(noMode.ClipLine(x1, y1, x2, y2), 0);
}

TEST(DrawLine, ClippedEndsSinglePointsAndOnlyInTwoDWithALock) {
    Screen s;
    s.video.DrawLine(0, 0, 10, 10, 1);  // not locked: nothing to draw into, no crash
    ASSERT_EQ(s.Draw(-10, 5, 10, 5, 0xAAAA).size(), 11u);
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(s.At(x, 5), 0xAAAA);
    EXPECT_TRUE(s.Draw(-30, 0, -1, 479, 0xFFFF).empty());
    ASSERT_EQ(s.Draw(100, 200, 100, 200, 0x1234).size(), 1u);
    EXPECT_EQ(s.At(100, 200), 0x1234);
    ASSERT_EQ(s.Draw(639, 479, 639, 479, 7).size(), 1u);
    EXPECT_EQ(s.At(639, 479), 7);
    s.video.StartGlide();
    s.video.DrawLine(0, 0, 10, 10, 1);
    EXPECT_EQ(s.At(0, 0), 0);
}

TEST(DrawLine, EveryLineIsAConnectedRunBetweenItsEnds) {
    std::mt19937 rng(1998);
    std::uniform_int_distribution<int> xs(0, 639), ys(0, 479);
    Screen s;
    for (int i = 0; i < 40; ++i) {
        const int x1 = xs(rng), y1 = ys(rng), x2 = xs(rng), y2 = ys(rng);
        const auto lit = s.Draw(x1, y1, x2, y2, 1);
        const int major = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
        ASSERT_EQ(static_cast<int>(lit.size()), major + 1) << x1 << "," << y1 << " " << x2 << "," << y2;
        EXPECT_EQ(s.At(x1, y1), 1);
        EXPECT_EQ(s.At(x2, y2), 1);
        // One pixel per step of the major axis, each within half a pixel of the true line.
        const bool steep = std::abs(x2 - x1) < std::abs(y2 - y1);
        for (auto [x, y] : lit) {
            const double t = major ? (steep ? double(y - y1) / (y2 - y1) : double(x - x1) / (x2 - x1)) : 0.0;
            const double ideal = steep ? x1 + t * (x2 - x1) : y1 + t * (y2 - y1);
            EXPECT_LE(std::abs((steep ? x : y) - ideal), 0.5 + 1e-9);
        }
    }
}
