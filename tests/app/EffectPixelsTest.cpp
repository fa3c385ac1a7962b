// The picture effects' pixel work, on buffers the tests make.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "app/effects/Fade.h"
#include "app/effects/Lighthouse.h"
#include "app/effects/Ripples.h"

namespace {

const PixelChannels k565 = PixelChannels::ForDisplay(11, 0xF800);
const PixelChannels k555 = PixelChannels::ForDisplay(10, 0x7C00);
constexpr int (PixelChannels::*kChannels[])(std::uint32_t) const = {&PixelChannels::Red, &PixelChannels::Green,
                                                                      &PixelChannels::Blue};

std::size_t At(int x, int y) { return static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x); }

// The pixel work on both display layouts (on 5-6-5 green has a bit below the five the
// effects step). The fade moves every channel of every pixel one step nearer its target a
// pass and says whether anything moved, ending bit for bit within 32 passes; the 3D card's
// 5-6-5 frame comes over channel for channel; the lighthouse adds its light channel by
// channel, saturating: brightest under the lamp, none far from it.
TEST(EffectPixels, FadeCardFrameAndLightOnBothLayouts) {
    for (const PixelChannels& c : {k565, k555}) {
        SCOPED_TRACE(c.redShift);
        std::mt19937 random(7);
        const std::uint32_t used = c.redMask | c.greenMask | c.greenLowBit | 0x1F;
        std::vector<std::uint16_t> current(4096), target(4096);
        for (std::size_t i = 0; i < current.size(); ++i) {
            current[i] = static_cast<std::uint16_t>(random() & used);
            target[i] = static_cast<std::uint16_t>(random() & used);
        }
        int passes = 0, wrong = 0;
        for (bool changed = true; changed && passes < 100; ++passes) {
            const std::vector<std::uint16_t> before = current;
            changed = FadeStep(current.data(), target.data(), current.size(), c);
            EXPECT_EQ(changed, current != before);
            for (std::size_t i = 0; i < current.size(); ++i)
                for (auto channel : kChannels) {
                    const int goal = (c.*channel)(target[i]), now = (c.*channel)(current[i]), was = (c.*channel)(before[i]);
                    wrong += std::abs(goal - now) != std::max(std::abs(goal - was) - 1, 0);
                }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_LE(passes, 32);
        EXPECT_EQ(current, target);

        std::vector<std::uint16_t> frame(65536), out(65536);
        for (std::size_t v = 0; v < frame.size(); ++v) frame[v] = static_cast<std::uint16_t>(v);
        FrameToDisplay(frame.data(), out.data(), frame.size(), c);
        for (std::size_t v = 0; v < frame.size(); ++v) {
            for (auto channel : kChannels) wrong += (c.*channel)(out[v]) != (k565.*channel)(frame[v]);
            wrong += (out[v] & c.greenLowBit) != (frame[v] & c.greenLowBit);
        }
        EXPECT_EQ(wrong, 0);

        BumpState s;
        BumpInit(s, 640, 480, c);
        s.lightX = 200;
        s.lightY = 100;
        std::vector<std::uint16_t> picture(640 * 480, 0), lit(640 * 480, 0x5555);
        BumpDraw(s, picture.data(), lit.data(), c);  // a black picture: the light alone
        const std::uint16_t light = lit[At(200, 100)];
        EXPECT_GT(c.Red(light), 0);
        for (int x = 201; x < 400; ++x) ASSERT_LE(c.Red(lit[At(x, 100)]), c.Red(lit[At(x - 1, 100)])) << x;
        EXPECT_EQ(lit[At(400, 100)], 0);
        for (std::uint16_t p : {c.Pack(2, 3, 4), static_cast<std::uint16_t>(c.Pack(31, 20, 30) | c.greenLowBit)}) {
            picture[At(200, 100)] = p;
            BumpDraw(s, picture.data(), lit.data(), c);
            const std::uint16_t sum = c.Pack(std::min(31, c.Red(p) + c.Red(light)), std::min(31, c.Green(p) + c.Green(light)),
                                             std::min(31, c.Blue(p) + c.Blue(light)));
            EXPECT_EQ(lit[At(200, 100)], sum | (p & c.greenLowBit)) << std::hex << p;
        }
        s.lightY = -300;  // far off the picture: no light, and no look-up outside the map
        BumpDraw(s, picture.data(), lit.data(), c);
        EXPECT_EQ(lit[At(200, 100)], picture[At(200, 100)]);
    }
}

// Every height under the beam rises by the same amount (wrapping at 256), nothing else, never
// row or column 0, wherever the light is; each stamp starts again from the source.
TEST(Bump, TheBeamRaisesTheReliefWhereItFalls) {
    BumpState s;
    BumpInit(s, 640, 480, k565);
    std::mt19937 random(3);
    for (auto& h : s.reliefSource) h = static_cast<std::uint8_t>(random());
    for (auto& b : s.beamSprite) b = static_cast<std::uint8_t>(random() % 3);
    for (auto [lx, ly] : {std::pair{160, 40}, {20, 10}, {620, 190}, {-100000, 100000}, {100000, -100000}}) {
        s.lightX = lx;
        s.lightY = ly;
        BumpStamp(s);
        std::set<int> rises;
        int stray = 0;
        for (int y = 0; y < BumpState::kReliefRows; ++y)
            for (int x = 0; x < 640; ++x) {
                const long long sx = x - (lx - 32LL), sy = y - (ly - 32LL);
                const bool lit = x > 0 && y > 0 && sx >= 0 && sx < 64 && sy >= 0 && sy < 64 && s.beamSprite[sy * 64 + sx];
                const int rise = (s.reliefWork[At(x, y)] - s.reliefSource[At(x, y)] + 256) % 256;
                if (lit) rises.insert(rise);
                else stray += rise != 0;
            }
        EXPECT_EQ(stray, 0) << lx << "," << ly;
        EXPECT_LE(rises.size(), 1u) << lx << "," << ly;
        EXPECT_EQ(rises.count(0), 0u);
    }
}

TEST(Ripples, CalmWaterShowsThePictureAndSlopesOutsideItTakeTheLastCell) {
    Ripple r;
    RippleInit(r, 32, 24);
    std::vector<std::uint16_t> source(32 * 24), out(32 * 24, 0xEEEE);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint16_t>(i);
    const RippleRect all{1, 1, 30, 22};
    RippleRender(r, all, source.data(), source.size(), out.data());
    EXPECT_EQ(out[5 * 32 + 5], source[5 * 32 + 5]);
    EXPECT_EQ(out[0], 0xEEEE);
    EXPECT_EQ(out[23 * 32 + 5], 0xEEEE);

    r.Current()[5 * 32 + 5] = 16;  // a slope bends the look-up
    // Far past the end, and before the start (a negative offset taken unsigned).
    r.Current()[20 * 32 + 20] = 100000;
    r.Current()[2 * 32 + 2] = -100000;
    RippleRender(r, all, source.data(), source.size(), out.data());
    EXPECT_NE(out[5 * 32 + 5], source[5 * 32 + 5]);
    EXPECT_EQ(out[20 * 32 + 20], source.back());
    EXPECT_EQ(out[2 * 32 + 2], source.back());
    RippleRender(r, all, source.data(), 100, out.data());  // a shorter source
    EXPECT_EQ(out[20 * 32 + 20], source[99]);
}

// The sky stays calm until its 10th pass throws the picture's bright half into the water (the
// step then spreads it one cell); drops move it from the first pass, and waves die down.
TEST(Ripples, TheSkyTakesThePictureInOnItsTenthPassAndWavesDieDown) {
    std::vector<std::uint16_t> picture(320 * 200), black(320 * 200, 0), output(320 * 200, 0);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = (i % 320) < 160 ? 0xFFFF : 0;
    auto waves = [](const Ripple& r, int fromColumn) {  // both fields, from that column on
        long long sum = 0;
        for (std::size_t c = 0; c < r.Cells(); ++c)
            if (static_cast<int>(c % 320) >= fromColumn) sum += std::abs(r.fields[0][c]) + std::abs(r.fields[1][c]);
        return sum;
    };
    Ripple sky;
    RippleInit(sky, 320, 200);
    for (int pass = 1; pass <= 9; ++pass) SkyStep(sky, picture.data(), output.data(), 0);
    EXPECT_EQ(waves(sky, 0), 0);
    EXPECT_EQ(output[100 * 320 + 50], 0xFFFF);
    SkyStep(sky, picture.data(), output.data(), 0);
    EXPECT_GT(waves(sky, 0), 0);
    EXPECT_EQ(waves(sky, 161), 0);

    Ripple drops;
    RippleInit(drops, 320, 200);
    SkyStep(drops, black.data(), output.data(), 1);
    const long long first = waves(drops, 0);
    EXPECT_GT(first, 0);
    for (int pass = 0; pass < 300; ++pass) SkyStep(drops, black.data(), output.data(), 0);
    EXPECT_LT(waves(drops, 0) * 10, first);
}

TEST(Ripples, OnlyThePondMovesAndTheForegroundStaysOverIt) {
    Ripple pond;
    RippleInit(pond, 640, 480);
    const RippleRect rect = PondRect(pond);
    std::vector<std::uint16_t> landscape(640 * 480), out(640 * 480, 0);
    for (std::size_t i = 0; i < landscape.size(); ++i) landscape[i] = static_cast<std::uint16_t>(i * 7);
    for (int pass = 0; pass < 300; ++pass) PondStep(pond, landscape.data(), out.data());
    std::size_t outside = 0, moved = 0;
    for (std::size_t c = 0; c < out.size(); ++c) {
        const int x = static_cast<int>(c % 640), y = static_cast<int>(c / 640);
        if (x < rect.left || y < rect.top || x > rect.right || y > rect.bottom) outside += out[c] != 0;
        else moved += out[c] != landscape[c];
    }
    EXPECT_EQ(outside, 0u);
    EXPECT_GT(moved, 0u);  // 300 passes bring drops

    std::vector<std::uint16_t> mask(640 * 480, 0);
    mask[300 * 640 + 300] = 0x1234;
    mask[10 * 640 + 10] = 0x4321;  // not over the pond
    std::vector<std::uint16_t> expected = out;
    expected[300 * 640 + 300] = 0x1234;
    PondMaskOver(pond, out.data(), mask.data());
    EXPECT_EQ(out, expected);
}

}  // namespace
