#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/raster/PixelOps.h"
#include "platform/raster/Rasteriser.h"
#include "platform/raster/ReferenceRasteriser.h"

using namespace raster;

namespace {

int R5(std::uint16_t p) { return p >> 11; }
int G6(std::uint16_t p) { return (p >> 5) & 63; }
int B5(std::uint16_t p) { return p & 31; }

// The colour and depth buffers a pixel test draws into.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint16_t> color, depth;

    Image(int w, int h, std::uint16_t fill = 0)
        : width(w), height(h), color(std::size_t(w) * h, fill), depth(std::size_t(w) * h, 0xFFFF) {}
    raster::Target Target() { return raster::Target{color.data(), depth.data(), width, height}; }
    std::uint16_t At(int x, int y) const { return color[std::size_t(y) * width + x]; }
};

// Writes the image as <test name><suffix>.ppm beside the test log; returns the message to print.
std::string Dump(const Image& image, const std::string& suffix = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = std::string(info->test_suite_name()) + "." + info->name() + suffix + ".ppm";
    std::ofstream out(path, std::ios::binary);
    out << "P6 " << image.width << " " << image.height << " 255\n";
    for (std::uint16_t p : image.color) out << char(Expand565(p) >> 16) << char(Expand565(p) >> 8) << char(Expand565(p));
    return (out ? "image written to " : "could not write ") + path;
}

std::string DumpPair(const Image& actual, const Image& expected, const std::string& tag = "") {
    return Dump(actual, tag + "-actual") + "; " + Dump(expected, tag + "-expected");
}

bool Near565(std::uint16_t p, int r5, int g6, int b5) {
    return std::abs(R5(p) - r5) <= 1 && std::abs(G6(p) - g6) <= 1 && std::abs(B5(p) - b5) <= 1;
}

Vertex V(float x, float y, float oow = 1, float r = 0, float g = 0, float b = 0, float s = 0, float t = 0) {
    Vertex v;
    v.x = x, v.y = y, v.oow = oow, v.r = r, v.g = g, v.b = b, v.sow = s * oow, v.tow = t * oow;
    return v;
}

// A rasteriser drawing undithered into img, textured from tex when one is given.
Rasteriser On(Image& img, const Texture* tex = nullptr) {
    Rasteriser r;
    r.target = img.Target();
    r.state.dither = false;
    if (tex) r.state.source = ColorSource::Texture, r.state.filter = Filter::Point, r.state.texture = tex;
    return r;
}

// The square (x0, y0)-(x1, y1) as two triangles, texture coordinates from s0 to s1 across it.
void Square(Rasteriser& r, float x0, float y0, float x1, float y1, float s0 = 0, float s1 = 256) {
    const Vertex a = V(x0, y0, 1, 0, 0, 0, s0, s0), b = V(x1, y0, 1, 0, 0, 0, s1, s0), c = V(x1, y1, 1, 0, 0, 0, s1, s1),
                 d = V(x0, y1, 1, 0, 0, 0, s0, s1);
    r.DrawTriangle(a, b, c);
    r.DrawTriangle(a, c, d);
}

Texture MakeTexture(int side, const std::function<std::uint16_t(int x, int y)>& texel) {
    std::vector<std::uint16_t> texels(std::size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) texels[std::size_t(y) * side + x] = texel(x, y);
    Texture t;
    EXPECT_TRUE(t.Load(texels.data(), side, TexelFormat::RGB565));
    return t;
}

// Random texels with every keyEvery-th one the chroma key.
Texture RandomTexture(int side, std::uint32_t seed, int keyEvery) {
    std::mt19937 rng(seed);
    return MakeTexture(side, [&](int x, int y) {
        return keyEvery && (y * side + x) % keyEvery == 0 ? std::uint16_t(0xF81F) : static_cast<std::uint16_t>(rng());
    });
}

}  // namespace

TEST(PixelOps, DepthEncodingGrowsWithDistanceAndMatchesItsWrittenOutForm) {
    EXPECT_EQ(EncodeW(1.0f), 0x0000);   // at or nearer than w = 1
    EXPECT_EQ(EncodeW(3.0f), 0x0000);
    for (float farthest : {1.0f / 65536, -1.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(EncodeW(farthest), 0xFFFF) << farthest;
    std::uint16_t last = 0;
    for (float w = 0.999f; w > 1e-6f; w *= 0.9993f) {
        ASSERT_GE(EncodeW(w), last) << w;
        last = EncodeW(w);
    }
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> exponent(-18.0f, 1.0f);
    for (int i = 0; i < 100000; ++i) {
        const float w = std::exp2(exponent(rng));
        ASSERT_EQ(EncodeW(w), EncodeWReference(w)) << w;
    }
}

TEST(PixelOps, DitherIsMonotoneRoundTripsAndSpreadsInProportion) {
    // A 5-6-5 value widened by bit replication comes back unchanged in every cell (0 and 255 too).
    for (int p = 0; p < 65536; ++p) {
        const std::uint32_t c = Expand565(static_cast<std::uint16_t>(p));
        for (int cell = 0; cell < 16; ++cell) ASSERT_EQ(Pack565(c >> 16, (c >> 8) & 255, c & 255, cell % 4, cell / 4, true), p);
    }
    // A value between two levels spreads over both, in proportion.
    for (int v : {20, 133, 201}) {
        double sum = 0;
        int low = 255, high = 0;
        for (int cell = 0; cell < 16; ++cell) {
            const int r = R5(Pack565(v, 0, 0, cell % 4, cell / 4, true));
            sum += r, low = std::min(low, r), high = std::max(high, r);
        }
        EXPECT_EQ(high - low, 1) << v;
        EXPECT_NEAR(sum / 16, v * 31.0 / 255, 0.13) << v;
    }
}

TEST(Coverage, TopLeftRuleDrawsSharedEdgesOnceAlsoWhenAdding) {
    // Variant 0: a square whose edges and diagonal run through pixel centres; the top and left
    // edges' centres belong to it, the bottom and right ones do not. Variant 1: a fan of thin
    // triangles round a centre. In the additive pass every pixel receives exactly one addition.
    for (int variant = 0; variant < 2; ++variant) {
        Image img(96, 96);
        Rasteriser r = On(img);
        r.state.additive = true;
        r.state.constant = 0x080408;   // one step per channel
        if (variant == 0) Square(r, 10.5f, 10.5f, 70.5f, 70.5f);
        const float cx = 48.3f, cy = 47.7f;
        const int n = 37;
        for (int i = 0; variant == 1 && i < n; ++i) {
            const double a0 = 2 * M_PI * i / n, a1 = 2 * M_PI * (i + 1) / n;
            const Vertex p0 = V(cx + 40 * float(std::cos(a0)), cy + 40 * float(std::sin(a0)));
            const Vertex p1 = V(cx + 40 * float(std::cos(a1)), cy + 40 * float(std::sin(a1)));
            r.DrawTriangle(V(cx, cy), i % 2 ? p0 : p1, i % 2 ? p1 : p0);
        }
        int covered = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) {
                const std::uint16_t p = img.At(x, y);
                ASSERT_TRUE(p == 0 || p == 0x0821) << variant << ": " << x << "," << y << " " << Dump(img);
                ASSERT_TRUE(variant == 1 || (p != 0) == (x >= 10 && x < 70 && y >= 10 && y < 70)) << x << "," << y;
                covered += p != 0;
            }
        EXPECT_NEAR(covered, variant == 0 ? 60 * 60 : M_PI * 40 * 40, variant == 0 ? 0 : 60);
    }
}

TEST(Blending, AdditiveSaturatesAndAddingBlackChangesNothing) {
    Image img(8, 8, 0x8410);   // 16, 32, 16 of 31, 63, 31
    Rasteriser r = On(img);
    r.state.additive = true;
    r.state.constant = 0x404040;
    r.DrawTriangle(V(0, 0), V(8, 0), V(0, 8));
    EXPECT_TRUE(Near565(img.At(1, 1), 16 + 8, 32 + 16, 16 + 8)) << std::hex << img.At(1, 1);
    for (int i = 0; i < 6; ++i) r.DrawTriangle(V(0, 0), V(8, 0), V(0, 8));
    EXPECT_EQ(img.At(1, 1), 0xFFFF);
    r.state.constant = 0x000000;
    r.state.dither = true;
    const auto before = img.color;
    Square(r, 0, 0, 8, 8);
    EXPECT_EQ(img.color, before);
}

TEST(Texturing, BilinearBlendsNeighboursAndWraps) {
    const Texture tex = MakeTexture(2, [](int x, int y) {   // red green / blue white
        return std::uint16_t(y ? (x ? 0xFFFF : 0x001F) : (x ? 0x07E0 : 0xF800));
    });
    Image img(10, 10);
    Rasteriser r = On(img, &tex);
    r.state.filter = Filter::Bilinear;
    // s = 32 (x + 0.5): pixel centres 1, 3, 5 fall on texel 0's centre, between texels, texel 1's centre.
    Square(r, -0.5f, -0.5f, 8.5f, 8.5f, 0, 288);
    EXPECT_EQ(img.At(1, 1), 0xF800);
    EXPECT_EQ(img.At(5, 1), 0x07E0);
    EXPECT_EQ(img.At(1, 5), 0x001F);
    EXPECT_EQ(img.At(5, 5), 0xFFFF);
    EXPECT_TRUE(Near565(img.At(3, 1), 15, 31, 0)) << std::hex << img.At(3, 1);    // half red, half green
    EXPECT_TRUE(Near565(img.At(3, 3), 15, 31, 15)) << std::hex << img.At(3, 3);   // all four alike
    EXPECT_TRUE(Near565(img.At(7, 1), 15, 31, 0)) << std::hex << img.At(7, 1);    // past texel 1: back to 0
    r.state.filter = Filter::Point;
    Square(r, -0.5f, -0.5f, 8.5f, 8.5f, 0, 288);
    EXPECT_EQ(img.At(3, 1), 0x07E0);   // s = 128: texel 1
}

TEST(FastVsReference, RandomTrianglesInEveryStateAndHugeOnes) {
    const Texture textures[3] = {RandomTexture(32, 1, 7), RandomTexture(8, 2, 3), RandomTexture(256, 3, 0)};
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> unit(0, 1);
    std::size_t differing = 0, beyond = 0, total = 0, drawn = 0;
    for (int round = 0; round < 49; ++round) {
        State s;
        s.source = static_cast<ColorSource>(round % 5);
        s.filter = (round / 5) % 2 ? Filter::Point : Filter::Bilinear;
        s.additive = (round / 10) % 2;
        s.chromaKey = (round / 3) % 2;
        s.chromaKeyValue = 0xFF00FF;
        s.depthMode = round % 7 == 0 ? DepthMode::Off : round % 7 == 1 ? DepthMode::ZBuffer : DepthMode::WBuffer;
        s.depthFunc = round % 11 == 5 ? DepthFunc::GreaterEqual : DepthFunc::Less;
        s.depthWrite = round % 13 != 4;
        s.dither = round % 4 != 3;
        s.cull = static_cast<Cull>(round % 3);
        s.constant = rng() & 0xFFFFFF;
        s.texture = round % 9 == 8 ? nullptr : &textures[round % 3];
        s.clip = round % 6 == 2 ? ClipRect{13, 7, 150, 101} : ClipRect{};
        const auto fill = static_cast<std::uint16_t>(rng());
        Image fast(160, 120, fill), slow(160, 120, fill);
        Rasteriser r;
        ReferenceRasteriser ref;
        r.target = fast.Target(), ref.target = slow.Target();
        r.state = s, ref.state = s;
        auto triangle = [&](const Vertex& a, const Vertex& b, const Vertex& c) { r.DrawTriangle(a, b, c), ref.DrawTriangle(a, b, c); };
        const int size = round % 4 == 0 ? 160 : round % 4 == 1 ? 40 : 12;
        for (int i = 0; i < 60 && round < 48; ++i) {
            const float x = unit(rng) * 180 - 10, y = unit(rng) * 140 - 10;
            Vertex v[3];
            for (Vertex& c : v) {
                c = V(x + (unit(rng) - 0.5f) * size, y + (unit(rng) - 0.5f) * size, 0.02f + unit(rng),
                      unit(rng) * 300 - 20, unit(rng) * 255, unit(rng) * 255, unit(rng) * 600 - 100, unit(rng) * 600 - 100);
                c.z = unit(rng) * 70000;
            }
            triangle(v[0], v[1], v[2]);
        }
        if (round == 48) {   // corners millions of pixels away: clipped, not overflowed
            triangle(V(-3.0e6f, 40, 0.5f, 255, 0, 0), V(120, -7.0e5f, 0.25f, 0, 255, 0), V(180, 9.0e6f, 0.125f, 0, 0, 255));
            triangle(V(100, 100, 0.9f, 255, 255, 255), V(2.0e9f, 120, 0.9f, 255, 255, 255), V(100, 140, 0.9f, 0, 0, 0));
            EXPECT_EQ(r.stats.triangles, 2u);
        }
        std::size_t roundBeyond = 0;
        for (std::size_t i = 0; i < fast.color.size(); ++i) {
            const std::uint16_t a = fast.color[i], b = slow.color[i];
            differing += a != b;
            roundBeyond += !Near565(a, R5(b), G6(b), B5(b));
        }
        ASSERT_LE(roundBeyond * 1000, fast.color.size()) << "round " << round << " " << DumpPair(fast, slow, std::to_string(round));
        EXPECT_EQ(r.stats.triangles, ref.stats.triangles) << round;
        beyond += roundBeyond, total += fast.color.size(), drawn += r.stats.pixels;
    }
    // Over the whole run at least 99.9 % of pixels agree to one step, and a good part was drawn on.
    EXPECT_LE(beyond * 1000, total) << differing << " differing";
    EXPECT_GT(drawn, total / 4);
    std::printf("fast vs reference: %zu of %zu pixels differ, %zu by more than one step, %zu drawn\n", differing, total, beyond, drawn);
}

TEST(Clipping, WildPrimitivesNeverWriteOutsideTheBuffers) {
    // The target sits in the middle of larger blocks; the margins must survive.
    const int w = 40, h = 30, margin = 4096;
    const std::uint16_t canary = 0xA5C3;
    std::vector<std::uint16_t> color(w * h + 2 * margin, canary), depth(w * h + 2 * margin, canary);
    const Texture tex = RandomTexture(16, 9, 5);
    Rasteriser r;
    r.target = Target{color.data() + margin, depth.data() + margin, w, h};
    std::mt19937 rng(99);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float specials[] = {inf, -inf, nan, 1e30f, -1e30f, 3e9f, -3e9f, 32768.5f, -32769.0f, 0.0f, -0.0f, 1e-30f};
    auto wild = [&]() {
        const unsigned pick = rng() % 10;
        if (pick < 2) return specials[rng() % std::size(specials)];
        if (pick < 4) return std::ldexp(float(int(rng() % 2001) - 1000), int(rng() % 40));
        return float(int(rng() % 120) - 40) + float(rng() % 16) / 16;
    };
    for (int i = 0; i < 100000; ++i) {
        if (i % 500 == 0) {
            State& s = r.state;
            s.source = static_cast<ColorSource>(rng() % 5);
            s.filter = static_cast<Filter>(rng() % 2);
            s.additive = rng() % 2, s.chromaKey = rng() % 2, s.dither = rng() % 2;
            s.depthMode = static_cast<DepthMode>(rng() % 3);
            s.depthFunc = static_cast<DepthFunc>(rng() % 8);
            s.cull = static_cast<Cull>(rng() % 3);
            s.texture = rng() % 5 ? &tex : nullptr;
            s.clip = rng() % 3 ? ClipRect{} : ClipRect{int(rng() % 80) - 20, int(rng() % 60) - 20, int(rng() % 80) - 20, int(rng() % 60)};
        }
        Vertex v[3];
        for (Vertex& c : v) {
            c.x = wild(), c.y = wild(), c.z = wild(), c.oow = rng() % 3 ? std::fabs(wild()) / 100 : wild();
            c.r = wild(), c.g = wild(), c.b = wild(), c.sow = wild(), c.tow = wild();
        }
        if (rng() % 10 == 0) v[1] = v[0];
        if (i % 5 == 0) r.DrawPoint(v[0]);
        else if (i % 5 == 1) r.DrawLine(v[0], v[1]);
        else r.DrawTriangle(v[0], v[1], v[2]);
    }
    const std::vector<std::uint16_t> untouched(margin, canary);
    for (const auto* buffer : {&color, &depth}) {
        EXPECT_TRUE(std::equal(untouched.begin(), untouched.end(), buffer->begin()));
        EXPECT_TRUE(std::equal(untouched.begin(), untouched.end(), buffer->end() - margin));
    }
    EXPECT_GT(r.stats.pixels, 0u);
}

TEST(Texture, RefusesSidesThatAreNotSmallPowersOfTwo) {
    std::vector<std::uint16_t> data(512 * 512, 0xFFFF);
    Texture t;
    for (int side : {0, -4, 48, 512}) EXPECT_FALSE(t.Load(data.data(), side, TexelFormat::RGB565)) << side;
    EXPECT_FALSE(t.Load(nullptr, 8, TexelFormat::RGB565));
    EXPECT_TRUE(t.Empty());
    for (int side : {1, 256}) EXPECT_TRUE(t.Load(data.data(), side, TexelFormat::ARGB1555)) << side;
    EXPECT_EQ(t.At(255, 255), 0xFFFFFFu);
}

TEST(LinesAndPoints, OnePixelPerStepBothEndsIncluded) {
    Image img(16, 16);
    Rasteriser r = On(img);
    r.state.additive = true;   // a pixel drawn twice would show two steps
    r.state.constant = 0x080408;
    r.DrawLine(V(2.5f, 3.5f), V(10.5f, 3.5f));
    r.DrawLine(V(0.5f, 5.5f), V(5.5f, 10.5f));
    r.DrawLine(V(14.2f, 15.9f), V(14.2f, -40.0f));   // runs off the top: clipped
    r.DrawPoint(V(12.99f, 0.01f));
    r.DrawPoint(V(16.0f, 3.0f));                       // just outside
    int lit = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool want = (y == 3 && x >= 2 && x <= 10) || (x <= 5 && y == x + 5) || x == 14 || (x == 12 && y == 0);
            ASSERT_EQ(img.At(x, y), want ? 0x0821 : 0) << x << "," << y;
            lit += want;
        }
    EXPECT_EQ(r.stats.pixels, std::uint64_t(lit));
}
