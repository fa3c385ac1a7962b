// Drawing in bands: the same pixels, depth values and counts as one rasteriser drawing alone.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/raster/Bands.h"
#include "platform/raster/Rasteriser.h"

using namespace raster;

TEST(Bands, AnyNumberOfBandsDrawsWhatOneRasteriserDraws) {
    // 101 rows: bands of unequal height; lines steep and shallow across the bands' edges.
    constexpr int kWidth = 160, kHeight = 101;
    std::vector<std::uint16_t> texels(32 * 32);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<std::uint16_t>(i * 40503u);
    Texture texture;
    ASSERT_TRUE(texture.Load(texels.data(), 32, TexelFormat::RGB565));

    auto draw = [&](auto&& triangle, auto&& line, auto&& point, State& state) {
        std::mt19937 random(11);
        std::uniform_real_distribution<float> x(-40, kWidth + 40), y(-40, kHeight + 40), w(0.05f, 1), c(0, 255);
        for (int i = 0; i < 400; ++i) {
            state.source = static_cast<ColorSource>(i % 5);
            state.additive = i % 3 == 0;
            state.depthMode = i % 7 == 0 ? DepthMode::Off : DepthMode::WBuffer;
            state.clip = i % 11 == 0 ? ClipRect{10, 20, 150, 60} : ClipRect{};
            Vertex v[3];
            for (Vertex& p : v) {
                p.x = x(random), p.y = y(random), p.oow = w(random);
                p.r = c(random), p.g = c(random), p.b = c(random), p.sow = c(random) * p.oow, p.tow = c(random) * p.oow;
            }
            if (i % 9 == 0) line(v[0], v[1]);
            else if (i % 13 == 0) point(v[2]);
            else triangle(v[0], v[1], v[2]);
        }
    };

    std::vector<std::uint16_t> color(kWidth * kHeight, 0x1234), depth(kWidth * kHeight, 0xFFFF);
    Rasteriser alone;
    alone.target = Target{color.data(), depth.data(), kWidth, kHeight};
    alone.state.texture = &texture;
    draw([&](auto& a, auto& b, auto& c) { alone.DrawTriangle(a, b, c); }, [&](auto& a, auto& b) { alone.DrawLine(a, b); },
         [&](auto& p) { alone.DrawPoint(p); }, alone.state);
    ASSERT_GT(alone.stats.pixels, 0u);

    for (int threads : {1, 2, 3, 7}) {
        std::vector<std::uint16_t> bandColor(kWidth * kHeight, 0x1234), bandDepth(kWidth * kHeight, 0xFFFF);
        const Target target{bandColor.data(), bandDepth.data(), kWidth, kHeight};
        Bands bands(threads);
        State state;
        state.texture = &texture;
        draw([&](auto& a, auto& b, auto& c) { bands.DrawTriangle(target, state, a, b, c); },
             [&](auto& a, auto& b) { bands.DrawLine(target, state, a, b); },
             [&](auto& p) { bands.DrawPoint(target, state, p); }, state);
        EXPECT_TRUE(bands.Pending());
        // Nothing reaches the buffers before the flush.
        EXPECT_EQ(bandColor, std::vector<std::uint16_t>(kWidth * kHeight, 0x1234));
        bands.Flush();
        EXPECT_FALSE(bands.Pending());
        EXPECT_EQ(bandColor, color) << threads;
        EXPECT_EQ(bandDepth, depth) << threads;
        EXPECT_EQ(bands.stats.pixels, alone.stats.pixels) << threads;
        EXPECT_EQ(bands.stats.triangles, alone.stats.triangles) << threads;
        // A second flush with nothing recorded changes nothing; changing the threads keeps working.
        bands.Flush();
        EXPECT_EQ(bands.stats.pixels, alone.stats.pixels);
        bands.SetThreads(threads + 1);
        EXPECT_EQ(bands.Threads(), threads + 1);
    }
}
