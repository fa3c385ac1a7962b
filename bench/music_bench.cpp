// How fast the music mixes: seconds of 32-channel module audio per CPU second, with sync
// detection on, on the virtual clock (no device). The "x_realtime" counter is the figure.
// And what loading costs: the busy module, against a damaged one whose header claims 256
// patterns of 1024 rows on 127 channels and stores none of them (compare the two as a ratio).

#include "platform/sound/ModulePlayer.h"
#include "platform/sound/SoundSystem.h"
#include "tools/assetgen/xm/XmWriter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// Every channel busy: a note every 4 rows on each of 32 channels, two looped instruments with
// envelopes, a sync command every 16 rows.
std::vector<std::uint8_t> BusyModuleBytes() {
    constexpr int kChannels = 32;
    xm::Module m;
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 125;
    m.orders = {0, 1, 0, 1};
    for (int p = 0; p < 2; ++p) {
        xm::Pattern pattern(64, kChannels);
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < kChannels; ++c) {
                xm::Cell& cell = pattern.At(row, c, kChannels);
                if ((row + c) % 4 == 0) {
                    cell.note = xm::Note(2 + c % 4, (c * 5 + row + p) % 12);
                    cell.instrument = static_cast<std::uint8_t>(1 + c % 2);
                    cell.volume = 0x10 + 40;
                }
            }
            if (row % 16 == 0) pattern.At(row, row % kChannels, kChannels).effect = xm::EffectLetter('W');
        }
        m.patterns.push_back(pattern);
    }
    for (int i = 0; i < 2; ++i) {
        xm::Instrument in;
        xm::Sample s;
        for (int k = 0; k < 1000; ++k)
            s.data.push_back(static_cast<std::int16_t>(9000 * std::sin(k * 2 * M_PI / (50 + 30 * i)) +
                                                       3000 * std::sin(k * 2 * M_PI / 7)));
        s.loop = i ? xm::LoopType::PingPong : xm::LoopType::Forward;
        s.loopStart = 100;
        s.loopLength = 900;
        in.samples.push_back(s);
        in.volumeEnvelope = {{{0, 64}, {10, 40}, {60, 20}}, true, 2, -1, -1};
        in.fadeout = 300;
        m.instruments.push_back(in);
    }
    return xm::Write(m);
}

std::string BusyModule() {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("solmire-bench-" + std::to_string(::getpid()) + ".xm")).string();
    const std::vector<std::uint8_t> bytes = BusyModuleBytes();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// 256 empty patterns of 1024 rows on 127 channels, all in the order list: 2.6 KB.
std::vector<std::uint8_t> WideEmptyModuleBytes() {
    std::vector<std::uint8_t> x(336, 0);
    std::memcpy(x.data(), "Extended Module: ", 17);
    x[37] = 0x1A, x[58] = 4, x[59] = 1, x[60] = 20, x[61] = 1;   // version 1.04, 276-byte header
    x[65] = 1, x[68] = 127, x[71] = 1, x[76] = 6, x[78] = 125;  // 256 orders and patterns
    for (int i = 0; i < 256; ++i) x[80 + i] = static_cast<std::uint8_t>(i);
    for (int p = 0; p < 256; ++p) x.insert(x.end(), {9, 0, 0, 0, 0, 0, 4, 0, 0});
    return x;
}

void BM_LoadBusyModule(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = BusyModuleBytes();
    std::string error;
    for (auto _ : state) benchmark::DoNotOptimize(sound::ModulePlayer::Load(bytes.data(), bytes.size(), error));
}
BENCHMARK(BM_LoadBusyModule)->Unit(benchmark::kMillisecond);

void BM_LoadWideEmptyModulePlayOneSecond(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = WideEmptyModuleBytes();
    std::vector<float> audio(2 * sound::kMixRate);
    std::vector<sound::SyncEvent> events;
    std::string error;
    for (auto _ : state) {
        auto player = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
        if (!player) {
            state.SkipWithError(error.c_str());
            return;
        }
        player->Render(audio.data(), sound::kMixRate, 0, events);
        benchmark::DoNotOptimize(audio.data());
    }
}
BENCHMARK(BM_LoadWideEmptyModulePlayOneSecond)->Unit(benchmark::kMillisecond);

void BM_MixModule32Channels(benchmark::State& state) {
    const std::string path = BusyModule();
    std::ostringstream diag;
    sound::SoundSystem sound(diag);
    sound.Init(sound::Output::Virtual);
    const int module = sound.LoadModule(path);
    std::filesystem::remove(path);
    if (module == 0) {
        state.SkipWithError("module did not load");
        return;
    }
    long syncs = 0;
    sound.SetMusicSyncCallback(sound.PlayModule(module, true), [&](const sound::SyncEvent&) { ++syncs; });
    constexpr std::size_t kFrames = sound::kMixRate;  // one second a pass
    std::vector<std::int16_t> audio(2 * kFrames);
    for (auto _ : state) {
        sound.Render(audio.data(), kFrames);
        benchmark::DoNotOptimize(audio.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["syncs_per_s"] = static_cast<double>(syncs) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MixModule32Channels)->Unit(benchmark::kMillisecond);

}  // namespace
