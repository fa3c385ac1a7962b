// The picture effects' pixel work, on buffers the tests make.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "app/effects/Fade.h"
#include "app/effects/Lighthouse.h"
#include "app/effects/Ripples.h"

namespace {

const PixelChannels k565 = PixelChannels::ForDisplay(11, 0xF800);
const PixelChannels k555 = PixelChannels::ForDisplay(10, 0x7C00);

int StepsToTarget(std::vector<std::uint16_t>& current, const std::vector<std::uint16_t>& target,
                  const PixelChannels& c) {
    int passes = 0;
    do ++passes;
    while (FadeStep(current.data(), target.data(), current.size(), c) && passes < 100);
    return passes;
}

TEST(Fade, OneStepPerChannelPerPassAndTheTargetExactly) {
    for (const PixelChannels* c : {&k565, &k555}) {
        std::vector<std::uint16_t> black(16, 0), target(16, 0);
        EXPECT_EQ(StepsToTarget(black, target, *c), 1);
        // 31 changing passes and one that finds nothing.
        std::vector<std::uint16_t> red{c->Pack(31, 0, 0)}, none{0};
        EXPECT_EQ(StepsToTarget(red, none, *c), 32);

        // Any pictures come out bit for bit (on 5-6-5 also the green bit below the five the
        // fade steps), in at most 32 passes.
        std::mt19937 random(7);
        const std::uint32_t used = c->redMask | c->greenMask | c->greenLowBit | 0x1F;
        std::vector<std::uint16_t> from(4096), to(4096);
        for (std::size_t i = 0; i < from.size(); ++i) {
            from[i] = static_cast<std::uint16_t>(random() & used);
            to[i] = static_cast<std::uint16_t>(random() & used);
        }
        EXPECT_LE(StepsToTarget(from, to, *c), 32);
        EXPECT_EQ(from, to);
    }
}

class Bump : public ::testing::Test {
protected:
    void SetUp() override {
        BumpInit(s, 640, 480, k565);
        s.lightX = 160;
        s.lightY = 40;
    }
    static std::size_t At(int x, int y) { return static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x); }

    BumpState s;
    std::vector<std::uint16_t> picture = std::vector<std::uint16_t>(640 * 480, 0);
    std::vector<std::uint16_t> out = std::vector<std::uint16_t>(640 * 480, 0x5555);
};

TEST_F(Bump, TheBeamRaisesTheReliefWithEightBitWrap) {
    s.beamSprite[0] = 1;             // lands at (lightX - 32, lightY - 32)
    s.beamSprite[1] = 1;
    s.reliefSource[At(128, 8)] = 206;
    s.reliefSource[At(129, 8)] = 205;
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(128, 8)], 0);
    EXPECT_EQ(s.reliefWork[At(129, 8)], 255);
    s.lightX = 500;  // each stamp starts again from the source
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(128, 8)], 206);

    // Never row or column 0, never outside the map, wherever the light is.
    s.lightX = s.lightY = 32;
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(1, 0)], 0);
    for (int x : {-100000, 620, 100000})
        for (int y : {-100000, 470, 100000}) {
            s.lightX = x;
            s.lightY = y;
            BumpStamp(s);
        }
}

TEST_F(Bump, SlopesIndexTheMapAndOffTheMapIsTheDarkRim) {
    // A map that gives back its own index shows which entry each pixel took.
    for (int i = 0; i < 65536; ++i) s.lightMap[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
    auto entry = [&](int x, int y) { return std::pair<int, int>(out[At(x, y)] & 255, out[At(x, y)] >> 8); };
    s.reliefSource[At(101, 50)] = 10;
    s.reliefSource[At(99, 50)] = 3;
    s.reliefSource[At(100, 51)] = 1;
    s.reliefSource[At(100, 49)] = 21;
    BumpDraw(s, picture.data(), out.data(), k565);
    EXPECT_EQ(entry(100, 50), std::make_pair(128 + 160 - 100 + 7, 128 + 40 - 50 - 20));
    EXPECT_EQ(entry(34, 10), std::make_pair(254, 158));
    // Past either end of an axis is 255 of that axis, not the near end.
    EXPECT_EQ(entry(499, 198), std::make_pair(255, 255));
    s.lightY = -300;
    BumpDraw(s, picture.data(), out.data(), k565);
    EXPECT_EQ(entry(200, 100), std::make_pair(88, 255));
    // Only rows 1 to 198 and columns 1 to 499 are drawn.
    for (auto [x, y] : {std::pair{0, 50}, {500, 50}, {100, 0}, {100, 199}})
        EXPECT_EQ(out[At(x, y)], 0x5555) << x << "," << y;
}

TEST_F(Bump, LightAddsPerChannelAndSaturates) {
    for (const PixelChannels* c : {&k565, &k555}) {
        BumpInit(s, 640, 480, *c);
        s.lightX = 200;
        s.lightY = 100;  // facing the light on (200, 100): the ramp's top, (16, 16, 15)
        picture[At(200, 100)] = static_cast<std::uint16_t>(c->Pack(31, 20, 30) | c->greenLowBit);
        BumpDraw(s, picture.data(), out.data(), *c);
        EXPECT_EQ(out[At(200, 100)], static_cast<std::uint16_t>(c->Pack(31, 31, 31) | c->greenLowBit));
        picture[At(200, 100)] = c->Pack(2, 3, 4);
        BumpDraw(s, picture.data(), out.data(), *c);
        EXPECT_EQ(out[At(200, 100)], c->Pack(18, 19, 19));
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

    // A slope down the column moves the look-up sideways, one across the row up or down.
    r.Current()[5 * 32 + 5] = 16;
    // Far past the end, and before the start (a negative offset taken unsigned).
    r.Current()[20 * 32 + 20] = 100000;
    r.Current()[2 * 32 + 2] = -100000;
    RippleRender(r, all, source.data(), source.size(), out.data());
    EXPECT_EQ(out[5 * 32 + 5], source[5 * 32 + 5 + 2 + 2 * 32]);
    EXPECT_EQ(out[20 * 32 + 20], source.back());
    EXPECT_EQ(out[2 * 32 + 2], source.back());
    RippleRender(r, all, source.data(), 100, out.data());  // a shorter source
    EXPECT_EQ(out[20 * 32 + 20], source[99]);
}

TEST(Ripples, TheSkyTakesThePictureInOnTheTenthPassAndDropsCircle) {
    Ripple sky;
    RippleInit(sky, 320, 200);
    std::vector<std::uint16_t> picture(320 * 200), output(320 * 200, 0);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = (i % 320) < 160 ? 0xFFFF : 0;
    for (int pass = 1; pass <= 9; ++pass) SkyStep(sky, picture.data(), output.data(), 0);
    for (std::int32_t v : sky.fields[0]) ASSERT_EQ(v, 0);
    EXPECT_EQ(output[100 * 320 + 50], 0xFFFF);
    SkyStep(sky, picture.data(), output.data(), 0);
    EXPECT_EQ(sky.Previous()[100 * 320 + 50], 0xFFFF >> 6);  // thrown in, before the step
    EXPECT_EQ(sky.Previous()[1 * 320 + 50], 0);               // from row 2 on

    Ripple drops;
    RippleInit(drops, 320, 200);
    SkyStep(drops, picture.data(), output.data(), 1);
    // The first drop, a 5 x 5 block at (160, 160), spreads one cell in the step.
    EXPECT_EQ(drops.Previous()[162 * 320 + 162], 100);
    EXPECT_EQ(drops.Current()[159 * 320 + 162], 74);  // (3 x 100) / 4 less its damping
    EXPECT_EQ(drops.Current()[157 * 320 + 162], 0);
}

TEST(Ripples, OnlyThePondMovesAndTheForegroundStaysOverIt) {
    Ripple pond;
    RippleInit(pond, 640, 480);
    std::vector<std::uint16_t> landscape(640 * 480), out(640 * 480, 0);
    for (std::size_t i = 0; i < landscape.size(); ++i) landscape[i] = static_cast<std::uint16_t>(i * 7);
    for (int pass = 0; pass < 300; ++pass) PondStep(pond, landscape.data(), out.data());
    std::size_t outside = 0, moved = 0;
    for (std::size_t c = 0; c < out.size(); ++c) {
        const std::size_t x = c % 640, y = c / 640;
        if (x < 250 || y < 280 || x > 638 || y > 478) outside += out[c] != 0;
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
