// The rasteriser under the production's kind of load, and against its naive reference.
// Figures are meant to be read as ratios within one run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "platform/glide/Glide.h"
#include "platform/raster/Rasteriser.h"
#include "platform/raster/ReferenceRasteriser.h"

using namespace raster;

namespace {

constexpr int kWidth = 640, kHeight = 480;
// This thread's CPU time: the machine is shared, and wall time would count the others' work.
struct Clock {
    using time_point = double;
    static double now() {
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
    }
};

double Seconds(double d) { return d; }

Texture MakeTexture(int side, std::uint32_t seed, bool keyed) {
    std::vector<std::uint16_t> texels(std::size_t(side) * side);
    std::mt19937 rng(seed);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool hole = keyed && ((x / 8 + y / 8) % 3 == 0);
            const int r = (x * 31 / side) ^ (rng() & 3), g = (y * 63 / side) ^ (rng() & 7), b = ((x + y) * 31 / side / 2);
            texels[std::size_t(y) * side + x] = hole ? 0xF81F : static_cast<std::uint16_t>((r << 11) | (g << 5) | b);
        }
    Texture t;
    t.Load(texels.data(), side, TexelFormat::RGB565);
    return t;
}

enum Kind { kTexIter, kDecal, kGouraud, kConstant, kAdditive, kKinds };
const char* const kKindNames[kKinds] = {"texture x iterated", "keyed decal", "gouraud", "constant", "additive"};

struct Batch {
    Kind kind;
    int texture;
    std::uint32_t constant;
    std::vector<Vertex> corners;   // three per triangle
};

struct Frame {
    std::vector<Batch> batches;
};

// The scripted stream: object-sized batches of one draw kind, mostly small triangles,
// a few large ones, about three layers of overdraw.
std::vector<Frame> MakeStream(int frames, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<Frame> stream(frames);
    for (Frame& f : stream) {
        const int triangles = 2000 + int(rng() % 3001);
        int made = 0;
        while (made < triangles) {
            Batch b;
            const float pick = unit(rng);
            b.kind = pick < 0.55f ? kTexIter : pick < 0.70f ? kDecal : pick < 0.80f ? kGouraud : pick < 0.85f ? kConstant : kAdditive;
            b.texture = int(rng() % 3);
            b.constant = rng() & 0xFFFFFF;
            const int count = std::min(triangles - made, 10 + int(rng() % 50));
            const float cx = unit(rng) * kWidth, cy = unit(rng) * kHeight;
            for (int i = 0; i < count; ++i) {
                const float roll = unit(rng);
                const float size = roll < 0.9997f ? (roll < 0.991f ? 6 + unit(rng) * 28 : 40 + unit(rng) * 120)
                                                  : 500 + unit(rng) * 300;
                const float x = roll < 0.991f ? cx + (unit(rng) - 0.5f) * 120 : unit(rng) * kWidth;
                const float y = roll < 0.991f ? cy + (unit(rng) - 0.5f) * 120 : unit(rng) * kHeight;
                const float depth = 0.004f + unit(rng) * 0.3f;
                // Corners near those of a right triangle of the size, turned either way.
                const float shape[3][2] = {{0, 0}, {1, 0.2f * unit(rng)}, {0.2f * unit(rng), 1}};
                const float flip = unit(rng) < 0.5f ? 1.0f : -1.0f;
                const float s0 = unit(rng) * 256, t0 = unit(rng) * 256;
                for (int k = 0; k < 3; ++k) {
                    Vertex v;
                    v.x = x + flip * (shape[k][0] - 0.4f) * size, v.y = y + (shape[k][1] - 0.4f) * size;
                    v.oow = depth * (0.8f + 0.4f * unit(rng));
                    v.r = unit(rng) * 255, v.g = unit(rng) * 255, v.b = unit(rng) * 255;
                    // Mapped as on a model: about two texture units (a texel of a 128 map) per pixel.
                    v.sow = (s0 + flip * shape[k][0] * size * 2) * v.oow, v.tow = (t0 + shape[k][1] * size * 2) * v.oow;
                    b.corners.push_back(v);
                }
            }
            made += count;
            f.batches.push_back(std::move(b));
        }
    }
    return stream;
}

struct Textures {
    Texture t[3] = {MakeTexture(256, 1, false), MakeTexture(64, 2, false), MakeTexture(128, 3, true)};
};

void Configure(State& s, const Batch& b, const Textures& tex) {
    s = State{};
    s.depthMode = DepthMode::WBuffer;
    s.depthFunc = DepthFunc::Less;
    s.filter = Filter::Bilinear;
    s.constant = b.constant;
    switch (b.kind) {
        case kTexIter: s.source = ColorSource::TextureTimesIterated, s.texture = &tex.t[b.texture % 2]; break;
        case kDecal: s.source = ColorSource::Texture, s.texture = &tex.t[2], s.chromaKey = true, s.chromaKeyValue = 0xFF00FF; break;
        case kGouraud: s.source = ColorSource::Iterated; break;
        case kConstant: s.source = ColorSource::Constant; break;
        default:
            s.source = ColorSource::Texture, s.texture = &tex.t[b.texture % 2];
            s.additive = true, s.depthWrite = false;
            break;
    }
}

struct Buffers {
    std::vector<std::uint16_t> color = std::vector<std::uint16_t>(kWidth * kHeight);
    std::vector<std::uint16_t> depth = std::vector<std::uint16_t>(kWidth * kHeight);
    Target target() { return Target{color.data(), depth.data(), kWidth, kHeight}; }
};

// Draws one frame: background copy and depth clear, the batches, then the read of the frame.
template <class R>
void DrawFrame(R& r, Buffers& buffers, const std::vector<std::uint16_t>& background, const Frame& frame,
               const Textures& tex, std::vector<std::uint16_t>& readBack, double* kindSeconds, std::uint64_t* kindPixels) {
    std::memcpy(buffers.color.data(), background.data(), background.size() * 2);
    std::fill(buffers.depth.begin(), buffers.depth.end(), 0xFFFF);
    r.target = buffers.target();
    for (const Batch& b : frame.batches) {
        Configure(r.state, b, tex);
        const std::uint64_t before = r.stats.pixels;
        const auto start = Clock::now();
        for (std::size_t i = 0; i + 2 < b.corners.size(); i += 3) r.DrawTriangle(b.corners[i], b.corners[i + 1], b.corners[i + 2]);
        if (kindSeconds) kindSeconds[b.kind] += Seconds(Clock::now() - start);
        if (kindPixels) kindPixels[b.kind] += r.stats.pixels - before;
    }
    std::memcpy(readBack.data(), buffers.color.data(), readBack.size() * 2);
}

std::uint64_t Hash(const std::vector<std::uint16_t>& pixels) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint16_t p : pixels) h = (h ^ p) * 1099511628211ull;
    return h;
}

void BM_ScriptedStream(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const auto stream = MakeStream(frames, 2024);
    const Textures tex;
    std::vector<std::uint16_t> background(kWidth * kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i) background[i] = static_cast<std::uint16_t>((i % kWidth) * 31 / kWidth << 11 | (i / kWidth) * 63 / kHeight << 5);
    for (auto _ : state) {
        Buffers buffers;
        Rasteriser fast;
        std::vector<std::uint16_t> readBack(kWidth * kHeight);
        double kindSeconds[kKinds] = {};
        std::uint64_t kindPixels[kKinds] = {};
        std::vector<double> frameTimes;
        std::vector<std::uint16_t> last;
        const auto all = Clock::now();
        for (int f = 0; f < frames; ++f) {
            const auto start = Clock::now();
            DrawFrame(fast, buffers, background, stream[f], tex, readBack, kindSeconds, kindPixels);
            frameTimes.push_back(Seconds(Clock::now() - start));
        }
        const double total = Seconds(Clock::now() - all);
        const std::uint64_t lastHash = Hash(readBack);

        // The reference draws every frame of the same stream; each is compared with the fast
        // rasteriser's frame, drawn again untimed beside it (frames are independent).
        ReferenceRasteriser slow;
        Rasteriser again;
        Buffers refBuffers, againBuffers;
        std::vector<std::uint16_t> refRead(kWidth * kHeight), againRead(kWidth * kHeight);
        std::size_t pixels = 0, beyondOne = 0, differing = 0;
        double refSeconds = 0;
        for (int f = 0; f < frames; ++f) {
            const auto start = Clock::now();
            DrawFrame(slow, refBuffers, background, stream[f], tex, refRead, nullptr, nullptr);
            refSeconds += Seconds(Clock::now() - start);
            DrawFrame(again, againBuffers, background, stream[f], tex, againRead, nullptr, nullptr);
            for (std::size_t i = 0; i < refRead.size(); ++i) {
                if (refRead[i] == againRead[i]) continue;
                ++differing;
                const int a = refRead[i], b = againRead[i];
                const int d = std::max({std::abs((a >> 11) - (b >> 11)), std::abs(((a >> 5) & 63) - ((b >> 5) & 63)),
                                        std::abs((a & 31) - (b & 31))});
                if (d > 1) ++beyondOne;
            }
            pixels += refRead.size();
        }
        const double fastSecondsSame = total;

        std::sort(frameTimes.begin(), frameTimes.end());
        const double median = frameTimes[frameTimes.size() / 2];
        const double p99 = frameTimes[std::min(frameTimes.size() - 1, frameTimes.size() * 99 / 100)];
        std::printf("\nstream: %d frames, %llu triangles set up, %llu pixels written (overdraw %.2f), %.2f s\n", frames,
                    (unsigned long long)fast.stats.triangles, (unsigned long long)fast.stats.pixels,
                    double(fast.stats.pixels) / frames / (kWidth * kHeight), total);
        std::printf("frame time: median %.2f ms, 99th percentile %.2f ms\n", median * 1e3, p99 * 1e3);
        for (int k = 0; k < kKinds; ++k)
            std::printf("  %-20s %12llu pixels %8.1f Mpixel/s\n", kKindNames[k], (unsigned long long)kindPixels[k],
                        kindSeconds[k] > 0 ? kindPixels[k] / kindSeconds[k] / 1e6 : 0.0);
        std::printf("last frame image hash %016llx\n", (unsigned long long)lastHash);
        std::printf("reference, all %d frames: %.3f%% of pixels identical, %.4f%% beyond one step; fast is %.1fx faster\n",
                    frames, 100.0 * (pixels - differing) / pixels, 100.0 * beyondOne / pixels, refSeconds / fastSecondsSame);
        state.counters["median_ms"] = median * 1e3;
        state.counters["p99_ms"] = p99 * 1e3;
        state.counters["Mpix/s"] = fast.stats.pixels / total / 1e6;
        state.counters["match_%"] = 100.0 * (pixels - beyondOne) / pixels;
        state.counters["vs_ref_x"] = refSeconds / fastSecondsSame;
        if (beyondOne * 1000 > pixels) state.SkipWithError("fast and reference images differ");
    }
}
BENCHMARK(BM_ScriptedStream)->Arg(600)->Iterations(1)->Unit(benchmark::kSecond);

// The same stream through the Glide calls the renderer makes: background through a locked
// back buffer, state calls per batch, guDrawTriangleWithClip, swap, front-buffer read. Its
// last frame must hash like the rasteriser's own.
void BM_GlideStream(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const auto stream = MakeStream(frames, 2024);
    const Textures tex;
    std::vector<std::uint16_t> background(kWidth * kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i) background[i] = static_cast<std::uint16_t>((i % kWidth) * 31 / kWidth << 11 | (i / kWidth) * 63 / kHeight << 5);
    // The stream's textures, downloaded as the renderer would.
    std::vector<std::vector<std::uint16_t>> texels;
    for (int k = 0; k < 3; ++k) {
        const Texture& t = tex.t[k];
        std::vector<std::uint16_t> raw(std::size_t(t.Side()) * t.Side());
        for (int y = 0; y < t.Side(); ++y)
            for (int x = 0; x < t.Side(); ++x) {
                const std::uint32_t c = t.At(x, y);
                raw[std::size_t(y) * t.Side() + x] = static_cast<std::uint16_t>(((c >> 19) << 11) | (((c >> 10) & 63) << 5) | ((c >> 3) & 31));
            }
        texels.push_back(std::move(raw));
    }
    for (auto _ : state) {
        grGlideInit();
        grSstWinOpen(0, GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0);
        grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
        grDepthBufferFunction(GR_CMP_LESS);
        GrTexInfo info[3];
        FxU32 address[3], next = 0;
        for (int k = 0; k < 3; ++k) {
            info[k].smallLod = info[k].largeLod = tex.t[k].Side() == 256 ? GR_LOD_256 : tex.t[k].Side() == 128 ? GR_LOD_128 : GR_LOD_64;
            info[k].data = texels[k].data();
            address[k] = next;
            grTexDownloadMipMap(GR_TMU0, next, GR_MIPMAPLEVELMASK_BOTH, &info[k]);
            next += grTexTextureMemRequired(GR_MIPMAPLEVELMASK_BOTH, &info[k]);
        }
        std::vector<std::uint16_t> front(kWidth * kHeight);
        std::vector<double> frameTimes;
        const double all = Clock::now();
        for (const Frame& f : stream) {
            const double start = Clock::now();
            grDepthMask(FXTRUE);
            grBufferClear(0, 0, 0xFFFF);
            GrLfbInfo_t lfb;
            if (grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &lfb)) {
                for (int y = 0; y < kHeight; ++y)
                    std::memcpy(static_cast<char*>(lfb.lfbPtr) + std::size_t(y) * lfb.strideInBytes, background.data() + y * kWidth, kWidth * 2);
                grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
            }
            for (const Batch& b : f.batches) {
                const int k = b.kind == kDecal ? 2 : b.texture % 2;
                grTexSource(GR_TMU0, address[k], GR_MIPMAPLEVELMASK_BOTH, &info[k]);
                grChromakeyMode(b.kind == kDecal ? GR_CHROMAKEY_ENABLE : GR_CHROMAKEY_DISABLE);
                grChromakeyValue(0xFF00FF);
                grConstantColorValue(b.constant);
                grDepthMask(b.kind == kAdditive ? FXFALSE : FXTRUE);
                grAlphaBlendFunction(GR_BLEND_ONE, b.kind == kAdditive ? GR_BLEND_ONE : GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
                guColorCombineFunction(b.kind == kTexIter     ? GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB
                                       : b.kind == kGouraud   ? GR_COLORCOMBINE_ITRGB
                                       : b.kind == kConstant  ? GR_COLORCOMBINE_CCRGB
                                                              : GR_COLORCOMBINE_DECAL_TEXTURE);
                for (std::size_t i = 0; i + 2 < b.corners.size(); i += 3) {
                    GrVertex v[3];
                    for (int c = 0; c < 3; ++c) {
                        const Vertex& r = b.corners[i + c];
                        v[c].x = r.x, v[c].y = r.y, v[c].oow = r.oow, v[c].r = r.r, v[c].g = r.g, v[c].b = r.b;
                        v[c].tmuvtx[0].sow = r.sow, v[c].tmuvtx[0].tow = r.tow, v[c].tmuvtx[0].oow = r.oow;
                    }
                    guDrawTriangleWithClip(&v[0], &v[1], &v[2]);
                }
            }
            grBufferSwap(1);
            grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, kWidth, kHeight, kWidth * 2, front.data());
            frameTimes.push_back(Clock::now() - start);
        }
        const double total = Clock::now() - all;
        std::sort(frameTimes.begin(), frameTimes.end());
        std::printf("\nglide stream: %d frames in %.2f s, median %.2f ms, 99th percentile %.2f ms, last frame hash %016llx\n",
                    frames, total, frameTimes[frameTimes.size() / 2] * 1e3,
                    frameTimes[std::min(frameTimes.size() - 1, frameTimes.size() * 99 / 100)] * 1e3,
                    (unsigned long long)Hash(front));
        state.counters["median_ms"] = frameTimes[frameTimes.size() / 2] * 1e3;
        grGlideShutdown();
    }
}
BENCHMARK(BM_GlideStream)->Arg(600)->Iterations(1)->Unit(benchmark::kSecond);

// Large triangles with every per-pixel feature the show uses at once.
void BM_LargeTexturedBilinearGouraudW(benchmark::State& state) {
    const Textures tex;
    Buffers buffers;
    Rasteriser r;
    r.target = buffers.target();
    r.state.source = ColorSource::TextureTimesIterated;
    r.state.filter = Filter::Bilinear;
    r.state.texture = &tex.t[0];
    r.state.depthMode = DepthMode::WBuffer;
    r.state.depthWrite = true;
    r.state.dither = true;
    Vertex v[4];
    const float xy[4][2] = {{0, 0}, {640, 0}, {640, 480}, {0, 480}};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xy[i][0], v[i].y = xy[i][1];
        v[i].oow = i < 2 ? 0.5f : 0.05f;
        v[i].r = 200, v[i].g = float(60 * i), v[i].b = 255 - float(60 * i);
        v[i].sow = (i == 1 || i == 2 ? 512.0f : 0.0f) * v[i].oow, v[i].tow = (i >= 2 ? 1024.0f : 0.0f) * v[i].oow;
    }
    for (auto _ : state) {
        std::fill(buffers.depth.begin(), buffers.depth.end(), 0xFFFF);
        r.DrawTriangle(v[0], v[1], v[2]);
        r.DrawTriangle(v[0], v[2], v[3]);
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(r.stats.pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LargeTexturedBilinearGouraudW)->Unit(benchmark::kMillisecond);

std::vector<Vertex> RandomTriangles(int count, float sizeLow, float sizeHigh, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<Vertex> out;
    for (int i = 0; i < count; ++i) {
        const float x = 20 + unit(rng) * 600, y = 20 + unit(rng) * 440, size = sizeLow + unit(rng) * (sizeHigh - sizeLow);
        for (int k = 0; k < 3; ++k) {
            Vertex v;
            v.x = x + (unit(rng) - 0.5f) * size, v.y = y + (unit(rng) - 0.5f) * size;
            v.oow = 0.01f + unit(rng) * 0.2f;
            v.r = unit(rng) * 255, v.g = unit(rng) * 255, v.b = unit(rng) * 255;
            v.sow = unit(rng) * 256 * v.oow, v.tow = unit(rng) * 256 * v.oow;
            out.push_back(v);
        }
    }
    return out;
}

template <class R>
void SetTexturedState(R& r, const Texture& t, Buffers& buffers) {
    r.target = buffers.target();
    r.state.source = ColorSource::TextureTimesIterated;
    r.state.texture = &t;
    r.state.depthMode = DepthMode::WBuffer;
}

// Mid-size triangles (40-80 pixels across): the fast rasteriser against the reference, timed
// in the same run.
void BM_MidSizeFastVsReference(benchmark::State& state) {
    const Textures tex;
    const auto tris = RandomTriangles(2000, 40, 80, 5);
    Buffers a, b;
    Rasteriser fast;
    ReferenceRasteriser slow;
    SetTexturedState(fast, tex.t[1], a);
    SetTexturedState(slow, tex.t[1], b);
    double fastSeconds = 0, slowSeconds = 0;
    for (auto _ : state) {
        std::fill(a.depth.begin(), a.depth.end(), 0xFFFF);
        std::fill(b.depth.begin(), b.depth.end(), 0xFFFF);
        auto t0 = Clock::now();
        for (std::size_t i = 0; i < tris.size(); i += 3) fast.DrawTriangle(tris[i], tris[i + 1], tris[i + 2]);
        auto t1 = Clock::now();
        for (std::size_t i = 0; i < tris.size(); i += 3) slow.DrawTriangle(tris[i], tris[i + 1], tris[i + 2]);
        auto t2 = Clock::now();
        fastSeconds += Seconds(t1 - t0), slowSeconds += Seconds(t2 - t1);
    }
    state.counters["fast_Mpix/s"] = fast.stats.pixels / fastSeconds / 1e6;
    state.counters["ref_Mpix/s"] = slow.stats.pixels / slowSeconds / 1e6;
    state.counters["speedup_x"] = slowSeconds / fastSeconds;
    if (a.color != b.color) state.counters["differing_px"] = double(std::count_if(
        a.color.begin(), a.color.end(), [&, i = std::size_t(0)](std::uint16_t p) mutable { return p != b.color[i++]; }));
}
BENCHMARK(BM_MidSizeFastVsReference)->Unit(benchmark::kMillisecond);

// Small textured triangles (4-12 pixels across), the bulk of a busy frame.
void BM_SmallTexturedTriangles(benchmark::State& state) {
    const Textures tex;
    const auto tris = RandomTriangles(20000, 4, 12, 6);
    Buffers buffers;
    Rasteriser r;
    SetTexturedState(r, tex.t[1], buffers);
    std::uint64_t drawn = 0;
    for (auto _ : state) {
        std::fill(buffers.depth.begin(), buffers.depth.end(), 0xFFFF);
        for (std::size_t i = 0; i < tris.size(); i += 3) r.DrawTriangle(tris[i], tris[i + 1], tris[i + 2]);
        drawn += tris.size() / 3;
    }
    state.counters["Mtri/s"] = benchmark::Counter(double(drawn) / 1e6, benchmark::Counter::kIsRate);
    state.counters["px/tri"] = double(r.stats.pixels) / double(r.stats.triangles);
}
BENCHMARK(BM_SmallTexturedTriangles)->Unit(benchmark::kMillisecond);

}  // namespace
