#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
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

// Whether the segment comes within inset pixels of the inside of the 640x480 screen
// (negative inset: passes at least that far inside its edges), by parametric clipping.
bool Crosses(double x1, double y1, double x2, double y2, double inset) {
    double t0 = 0, t1 = 1;
    const double p[4] = {x1 - x2, x2 - x1, y1 - y2, y2 - y1};
    const double q[4] = {x1 + inset, 639 + inset - x1, y1 + inset, 479 + inset - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
        } else if (p[i] < 0) {
            t0 = std::max(t0, q[i] / p[i]);
        } else {
            t1 = std::min(t1, q[i] / p[i]);
        }
    }
    return t0 <= t1;
}

}  // namespace

// Any segment, ends as far as ints go: one through the screen keeps its part on the screen,
// on the same line; one that misses it is refused.
TEST(ClipLine, KeepsThePartOnTheScreen) {
    Screen s;
    std::mt19937 rng(1998);
    std::uniform_int_distribution<int> xs(-3000, 3640), ys(-3000, 3480);
    std::vector<std::array<int, 4>> lines = {{INT_MIN, 240, INT_MAX, 240}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (int i = 0; i < 3000; ++i) lines.push_back({xs(rng), ys(rng), xs(rng), ys(rng)});
    for (const auto& l : lines) {
        SCOPED_TRACE(::testing::Message() << l[0] << "," << l[1] << " " << l[2] << "," << l[3]);
        int x1 = l[0], y1 = l[1], x2 = l[2], y2 = l[3];
        const bool kept = s.video.ClipLine(x1, y1, x2, y2);
        const bool through = Crosses(l[0], l[1], l[2], l[3], -1);
        const bool grazing = !through && Crosses(l[0], l[1], l[2], l[3], 1);
        EXPECT_TRUE(kept == through || grazing) << kept;
        if (!kept) continue;
        const double dx = double(l[2]) - l[0], dy = double(l[3]) - l[1], length = std::hypot(dx, dy);
        // Each end stays where it was on the screen, or is moved onto the screen's border.
        for (auto [x, y, ox, oy] : {std::array{x1, y1, l[0], l[1]}, {x2, y2, l[2], l[3]}}) {
            EXPECT_TRUE(x >= 0 && x <= 639 && y >= 0 && y <= 479) << x << "," << y;
            if (ox >= 0 && ox <= 639 && oy >= 0 && oy <= 479) EXPECT_TRUE(x == ox && y == oy) << x << "," << y;
            else EXPECT_TRUE(x == 0 || x == 639 || y == 0 || y == 479) << x << "," << y;
            EXPECT_LE(std::abs((x - double(l[0])) * dy - (y - double(l[1])) * dx) / length, 1.5) << x << "," << y;
        }
    }
    Video noMode;  // the screen has no pixel at all: refused, never looping
    int x1 = -5, y1 = 3, x2 = 7, y2 = -2;
    EXPECT_EQ(noMode.ClipLine(x1, y1, x2, y2), 0);
}

// Lines are drawn only into a locked 2D back buffer (the show draws its lines through the 3D
// card; this keeps the 2D one honest): one pixel per step of the major axis, ends included,
// clipped to the screen.
TEST(DrawLine, OnlyIntoALockedBackBufferClippedToTheScreen) {
    Screen s;
    s.video.DrawLine(0, 0, 10, 10, 1);  // not locked: nothing to draw into, no crash
    for (auto [x1, y1, x2, y2] : {std::array{10, 20, 300, 95}, {300, 95, 10, 20}, {50, 400, 80, 10}, {639, 479, 639, 479}}) {
        EXPECT_EQ(static_cast<int>(s.Draw(x1, y1, x2, y2, 1).size()), std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
        EXPECT_EQ(s.At(x1, y1) + s.At(x2, y2), 2);
    }
    ASSERT_EQ(s.Draw(-10, 5, 10, 5, 0xAAAA).size(), 11u);
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(s.At(x, 5), 0xAAAA);
    EXPECT_TRUE(s.Draw(-30, 0, -1, 479, 0xFFFF).empty());
    s.video.StartGlide();
    s.video.DrawLine(0, 0, 10, 10, 1);
    EXPECT_EQ(s.At(0, 0), 0);
}
