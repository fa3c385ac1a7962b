// The picture effects' pixel work, on buffers the tests make.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
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
        // Black to black: the first pass finds nothing to change.
        std::vector<std::uint16_t> black(16, 0), target(16, 0);
        EXPECT_EQ(StepsToTarget(black, target, *c), 1);

        // A channel 31 away takes 31 changing passes and one more that finds nothing.
        std::vector<std::uint16_t> red{c->Pack(31, 0, 0)}, none{0};
        EXPECT_EQ(StepsToTarget(red, none, *c), 32);
        std::vector<std::uint16_t> blue{0}, full{c->Pack(3, 5, 31)};
        EXPECT_EQ(StepsToTarget(blue, full, *c), 32);
        EXPECT_EQ(blue[0], full[0]);

        // Any pictures: never more than 32 passes, and the target comes out bit for bit (on
        // 5-6-5 also the green bit below the five the fade steps).
        std::mt19937 random(7);
        std::vector<std::uint16_t> from(4096), to(4096);
        const std::uint32_t used = c->redMask | c->greenMask | c->greenLowBit | 0x1F;
        for (auto& p : from) p = static_cast<std::uint16_t>(random() & used);
        for (auto& p : to) p = static_cast<std::uint16_t>(random() & used);
        EXPECT_LE(StepsToTarget(from, to, *c), 32);
        EXPECT_EQ(from, to);
    }
}

TEST(Fade, TheCardsFrameIntoTheDisplayLayout) {
    const std::vector<std::uint16_t> frame{0xFFFF, 0xF800, 0x07E0, 0x0020, 0x001F, 0x1234};
    std::vector<std::uint16_t> out(frame.size());
    FrameToDisplay(frame.data(), out.data(), frame.size(), k565);
    EXPECT_EQ(out, frame);  // already the display's own layout
    FrameToDisplay(frame.data(), out.data(), frame.size(), k555);
    // Red and blue keep their five bits, green keeps the top five of its six.
    EXPECT_EQ(out, (std::vector<std::uint16_t>{0x7FFF, 0x7C00, 0x03E0, 0x0000, 0x001F, 0x0914}));
}

class Bump : public ::testing::Test {
protected:
    void SetUp() override {
        BumpInit(s, 640, 480, k565);
        s.lightX = 160;
        s.lightY = 40;
    }
    void TearDown() override { BumpFree(s); }
    std::size_t At(int x, int y) const { return static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x); }

    BumpState s;
    std::vector<std::uint16_t> picture = std::vector<std::uint16_t>(640 * 480, 0);
    std::vector<std::uint16_t> out = std::vector<std::uint16_t>(640 * 480, 0x5555);
};

TEST_F(Bump, RampAndLightMap) {
    EXPECT_EQ(s.lightRamp[0], 0);
    EXPECT_EQ(s.lightRamp[127], k565.Pack(15, 15, 0));
    EXPECT_EQ(s.lightRamp[255], k565.Pack(16, 16, 15));
    EXPECT_EQ(s.lightMap[128 + 256 * 128], s.lightRamp[255]);  // facing the light
    EXPECT_EQ(s.lightMap[0], 0);                               // beyond the rim
    EXPECT_EQ(s.lightMap[100 + 256 * 128], s.lightMap[156 + 256 * 128]);  // round about the centre
}

TEST_F(Bump, TheBeamRaisesTheReliefWithEightBitWrap) {
    s.beamSprite[0] = 1;                  // lands at (lightX - 32, lightY - 32)
    s.beamSprite[1] = 1;
    s.beamSprite[63 * 64 + 63] = 1;      // lands at (lightX + 31, lightY + 31)
    s.reliefSource[At(128, 8)] = 206;
    s.reliefSource[At(129, 8)] = 205;
    s.reliefSource[At(191, 71)] = 7;
    s.reliefWork[At(5, 300)] = 9;  // below the 200 rows the stamp copies
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(128, 8)], 0);
    EXPECT_EQ(s.reliefWork[At(129, 8)], 255);
    EXPECT_EQ(s.reliefWork[At(191, 71)], 57);
    EXPECT_EQ(s.reliefWork[At(5, 300)], 9);
    // The next stamp starts again from the source.
    s.lightX = 500;
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(128, 8)], 206);

    // Not on row or column 0, and never outside the map, wherever the light is.
    s.lightX = 32;
    s.lightY = 32;
    BumpStamp(s);
    EXPECT_EQ(s.reliefWork[At(0, 0)], 0);
    EXPECT_EQ(s.reliefWork[At(1, 0)], 0);
    for (int x : {-100000, -40, 620, 700, 100000})
        for (int y : {-100000, -40, 470, 500, 100000}) {
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
    EXPECT_EQ(entry(33, 10), std::make_pair(255, 158));
    EXPECT_EQ(entry(34, 10), std::make_pair(254, 158));
    // Past either end of an axis is 255 of that axis, not the near end.
    EXPECT_EQ(entry(499, 198), std::make_pair(255, 255));
    s.lightY = -300;
    BumpDraw(s, picture.data(), out.data(), k565);
    EXPECT_EQ(entry(200, 100), std::make_pair(88, 255));
    // Only rows 1 to 198 and columns 1 to 499 are drawn.
    for (auto [x, y] : {std::pair{0, 50}, {500, 50}, {639, 50}, {100, 0}, {100, 199}, {100, 300}})
        EXPECT_EQ(out[At(x, y)], 0x5555) << x << "," << y;
}

TEST_F(Bump, LightAddsPerChannelAndSaturates) {
    for (const PixelChannels* c : {&k565, &k555}) {
        BumpInit(s, 640, 480, *c);
        s.lightX = 200;
        s.lightY = 100;  // the centre of the light on (200, 100): ramp entry 255
        const std::uint16_t under = static_cast<std::uint16_t>(c->Pack(31, 20, 30) | c->greenLowBit);
        picture[At(200, 100)] = under;
        BumpDraw(s, picture.data(), out.data(), *c);
        EXPECT_EQ(out[At(200, 100)], static_cast<std::uint16_t>(c->Pack(31, 31, 31) | c->greenLowBit));
        picture[At(200, 100)] = c->Pack(2, 3, 4);
        BumpDraw(s, picture.data(), out.data(), *c);
        EXPECT_EQ(out[At(200, 100)], c->Pack(18, 19, 19));
    }
}

class Ripples : public ::testing::Test {
protected:
    void SetUp() override {
        RippleInit(r, 32, 24);
        for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint16_t>(i);
    }
    Ripple r;
    std::vector<std::uint16_t> source = std::vector<std::uint16_t>(32 * 24);
    std::vector<std::uint16_t> out = std::vector<std::uint16_t>(32 * 24, 0xEEEE);
    const RippleRect all{1, 1, 30, 22};
};

TEST_F(Ripples, CalmWaterShowsThePictureAndSlopesOutsideItTakeTheLastCell) {
    RippleRender(r, all, source.data(), source.size(), out.data());
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::size_t c = static_cast<std::size_t>(y * 32 + x);
            EXPECT_EQ(out[c], (x >= 1 && x <= 30 && y >= 1 && y <= 22) ? source[c] : 0xEEEE);
        }

    // A slope down the column moves the look-up sideways, one across the row up or down.
    r.Current()[5 * 32 + 5] = 16;
    RippleRender(r, all, source.data(), source.size(), out.data());
    EXPECT_EQ(out[5 * 32 + 5], source[5 * 32 + 5 + 2 + 2 * 32]);

    // Far past the end, and before the start (a negative offset taken unsigned).
    r.Current()[20 * 32 + 20] = 100000;
    r.Current()[2 * 32 + 2] = -100000;
    RippleRender(r, all, source.data(), source.size(), out.data());
    EXPECT_EQ(out[20 * 32 + 20], source.back());
    EXPECT_EQ(out[2 * 32 + 2], source.back());
    // A shorter source limits it the same way.
    RippleRender(r, all, source.data(), 100, out.data());
    EXPECT_EQ(out[20 * 32 + 20], source[99]);
}

TEST_F(Ripples, AWaveSpreadsEvenlyAndDiesDown) {
    RippleDrop(r, 15, 11, 1, 4096);
    RippleDrop(r, -3, -3, 5, 77);  // clipped to the corner
    EXPECT_EQ(r.Current()[33], 77);
    r.Current()[33] = 0;
    r.Current()[0] = 0;
    r.Current()[1] = 0;
    r.Current()[32] = 0;
    for (int pass = 0; pass < 6; ++pass) {
        RippleFilter(r, all);
        const std::int32_t* h = r.Current();
        for (int d = 1; d <= 4; ++d) {
            EXPECT_EQ(h[11 * 32 + 15 - d], h[11 * 32 + 15 + d]);
            EXPECT_EQ(h[(11 - d) * 32 + 15], h[(11 + d) * 32 + 15]);
            EXPECT_EQ(h[11 * 32 + 15 + d], h[(11 + d) * 32 + 15]);
        }
    }
    EXPECT_NE(r.Current()[11 * 32 + 17], 0);
    for (int pass = 0; pass < 3000; ++pass) RippleFilter(r, all);
    for (std::int32_t v : r.fields[0]) EXPECT_LE(std::abs(v), 1);
    // The frame of the field never moves.
    for (int x = 0; x < 32; ++x) EXPECT_EQ(r.fields[0][static_cast<std::size_t>(x)], 0);
}

TEST(SkyRipple, ThePictureIsThrownInOnTheTenthPassAndTheDropsCircle) {
    Ripple sky;
    RippleInit(sky, 320, 200);
    std::vector<std::uint16_t> picture(320 * 200), output(320 * 200, 0);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint16_t>((i % 320) < 160 ? 0xFFFF : 0);
    for (int pass = 1; pass <= 10; ++pass) {
        SkyStep(sky, picture.data(), output.data(), 0);
        if (pass < 10) {
            for (int y = 1; y <= 198; ++y) ASSERT_EQ(output[y * 320 + 50], picture[y * 320 + 50]);
            for (std::int32_t v : sky.fields[0]) ASSERT_EQ(v, 0);
        }
    }
    // The bright half stood 0xFFFF >> 6 high; its edge now makes waves.
    SkyStep(sky, picture.data(), output.data(), 0);
    EXPECT_NE(output, picture);

    Ripple drops;
    RippleInit(drops, 320, 200);
    SkyStep(drops, picture.data(), output.data(), 1);
    // The first drop fell at (160, 160): the step turned its block into waves around it.
    EXPECT_EQ(drops.Previous()[162 * 320 + 162], 100);
    EXPECT_EQ(drops.Current()[159 * 320 + 162], 74);  // (3 x 100) / 4 and its damping
    EXPECT_EQ(drops.Current()[157 * 320 + 162], 0);
    EXPECT_DOUBLE_EQ(drops.angle, 0.1);
}

TEST(PondRipple, OnlyThePondMovesAndTheForegroundStaysOverIt) {
    Ripple pond;
    RippleInit(pond, 640, 480);
    std::vector<std::uint16_t> landscape(640 * 480), out(640 * 480, 0);
    for (std::size_t i = 0; i < landscape.size(); ++i) landscape[i] = static_cast<std::uint16_t>(i * 7);
    for (int pass = 0; pass < 300; ++pass) PondStep(pond, landscape.data(), out.data());
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (x < 250 || y < 280 || x > 638 || y > 478) {
                ASSERT_EQ(out[static_cast<std::size_t>(y * 640 + x)], 0);
            }
    std::size_t moved = 0;
    for (std::size_t i = 0; i < out.size(); ++i) moved += out[i] != 0 && out[i] != landscape[i];
    EXPECT_GT(moved, 0u);  // 300 passes bring drops

    std::vector<std::uint16_t> mask(640 * 480, 0);
    mask[300 * 640 + 300] = 0x1234;
    mask[10 * 640 + 10] = 0x4321;  // not over the pond
    std::vector<std::uint16_t> before = out;
    PondMaskOver(pond, out.data(), mask.data());
    before[300 * 640 + 300] = 0x1234;
    EXPECT_EQ(out, before);
}

}  // namespace
