// The display's per-frame and per-picture costs, to compare as ratios within one run:
// a flip (chain rotation and hand-over to the presenter) against a plain 640x480 fill, the
// 5-5-5 display's widening on present, a stretched blit, lines, and picture loading.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>

#include "engine/video/Video.h"
#include "platform/os/Presenter.h"
#include "support/BmpFiles.h"

namespace {

void StartDisplay(Video& video, bool rgb555 = false) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (rgb555) video.UseDisplayMasks(0x7C00, 0x03E0, 0x001F);
    video.headless = true;
    video.Init(0, nullptr);
    video.CreateDirectDraw(1);
    video.SetMode(640, 480);
}

// A sink that reads the frame, as a real presenter would.
void CountingSink() {
    os::SetFrameSink([](const std::uint16_t* p, int w, int h) { benchmark::DoNotOptimize(p[w * h - 1]); });
}

void BM_Cls(benchmark::State& state) {
    Video video;
    StartDisplay(video);
    std::uint32_t c = 0;
    for (auto _ : state) video.Cls(++c);
}
BENCHMARK(BM_Cls);

void BM_Flip(benchmark::State& state) {
    Video video;
    StartDisplay(video, state.range(0) == 555);
    CountingSink();
    for (auto _ : state) video.Flip();
    os::SetFrameSink({});
}
BENCHMARK(BM_Flip)->Arg(565)->Arg(555);

void BM_BlitStretch320To640(benchmark::State& state) {
    Video video;
    StartDisplay(video);
    Surface* small = video.CreateSurface(320, 240, nullptr);
    for (auto _ : state) video.Blit(video.screen1, small);
}
BENCHMARK(BM_BlitStretch320To640);

void BM_DrawLines(benchmark::State& state) {
    Video video;
    StartDisplay(video);
    video.LockBackBuffer();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> xs(-200, 840), ys(-200, 680);
    int ends[400];
    for (int& e : ends) e = (&e - ends) % 2 ? ys(rng) : xs(rng);
    for (auto _ : state)
        for (int i = 0; i < 400; i += 4) video.DrawLine(ends[i], ends[i + 1], ends[i + 2], ends[i + 3], 0xFFFF);
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DrawLines);

std::string Picture24() {
    static const std::string path = bmp::Write("bench24.bmp", bmp::Bmp24(320, 240, [](int x, int y) {
        return bmp::Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 90};
    }));
    return path;
}

std::string Picture8() {
    static const std::string path =
        bmp::Write("bench8.bmp", bmp::Bmp8(320, 240, std::vector<bmp::Rgb>(256), [](int x, int y) {
                       return static_cast<std::uint8_t>(x ^ y);
                   }));
    return path;
}

void BM_LoadPicture24Scaled(benchmark::State& state) {
    Video video;
    StartDisplay(video);
    const std::string path = Picture24();
    for (auto _ : state) video.LoadPicture(video.screen1, path.c_str());
}
BENCHMARK(BM_LoadPicture24Scaled);

void BM_LoadBmp8(benchmark::State& state) {
    Video video;
    StartDisplay(video);
    const std::string path = Picture8();
    std::vector<std::uint8_t> out(320 * 240);
    for (auto _ : state) video.LoadBmp8(out.data(), path.c_str());
}
BENCHMARK(BM_LoadBmp8);

}  // namespace
