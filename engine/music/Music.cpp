#include "engine/music/Music.h"

#include "engine/video/ErrorBox.h"

#include <cmath>
#include <cstdio>
#include <iostream>

namespace {
constexpr const char* kErrorCaption = "VMusic Error";
constexpr int kErrorCode = 155;
}  // namespace

void MusicSyncCallback(Music& music, unsigned, unsigned, unsigned) {
    music.syncCount.fetch_add(1, std::memory_order_relaxed);
}

Music::Music() : sound_(std::cerr) {}

Music::~Music() { Close(); }

void Music::Init(int noConfig) {
    sound_.Init(virtualClock_ ? sound::Output::Virtual : sound::Output::Device);
    if (noConfig == 0) std::printf("Music: sound output %s, 44100 Hz\n", sound_.DeviceName().c_str());
}

void Music::PlayModule(const char* fileName) {
    playingFile_ = fileName ? fileName : "";
    module = sound_.LoadModule(playingFile_);
    if (module == 0) std::cerr << "Music: no module playing; the show goes on silent\n";
    playHandle = sound_.PlayModule(module, true);
    sound_.SetMusicSyncCallback(playHandle, [this](const sound::SyncEvent& e) {
        MusicSyncCallback(*this, static_cast<unsigned>(e.value), static_cast<unsigned>(e.order),
                          static_cast<unsigned>(e.row));
    });
}

void Music::ChangeModule(const char* fileName) {
    const music::FadeClock clock = FadeClockInUse();
    const int fading = playHandle;
    music::FadeOut([&](int v) { sound_.SetMusicVolume(fading, v); }, clock);
    sound_.StopModule(playHandle);
    PlayModule(fileName);
    // The new module starts at the silence the fade-out left; the fade brings it up.
    const int rising = playHandle;
    sound_.SetMusicVolume(rising, 0);
    music::FadeIn([&](int v) { sound_.SetMusicVolume(rising, v); }, clock);
}

void Music::Close() { sound_.Close(); }

void Music::LoadSample(const char* fileName) {
    // A full table is refused like an unreadable file, rather than written past.
    const int handle = sampleCount < kMaxSamples ? sound_.LoadWaveSample(fileName ? fileName : "") : 0;
    if (handle == 0) FatalError(kErrorCaption, "Couldn't load WAV file", kErrorCode);
    samples[sampleCount] = handle;
    ++sampleCount;
}

void Music::PlaySample(int index) {
    const bool loaded = index >= 0 && index < sampleCount;
    const int handle = loaded ? sound_.PlaySample(samples[index], kSampleRate, 64, 0) : 0;
    if (handle == 0) FatalError(kErrorCaption, "Couldn't play Sample", kErrorCode);
}

void Music::UseVirtualClock() { virtualClock_ = true; }

void Music::LeaveVirtualClock() {
    if (!virtualClock_) return;
    virtualClock_ = false;
    // A second start changes the output only: the module and its place stay.
    if (sound_.IsStarted()) sound_.Init(sound::Output::Device);
}

bool Music::RenderVirtual(std::int16_t* out, std::size_t frames, std::vector<sound::SyncEvent>* events) {
    return sound_.Render(out, frames, events);
}

void Music::SetFadeClock(music::FadeClock clock) { fadeClock_ = std::move(clock); }

music::FadeClock Music::FadeClockInUse() {
    if (fadeClock_.now && fadeClock_.wait) return fadeClock_;
    if (!virtualClock_) return music::FadeClock::Real();
    return {[this] { return static_cast<double>(sound_.FramesMixed()) / sound::kMixRate; },
            [this](double seconds) {
                std::vector<std::int16_t> scratch(2 * sound::ModulePlayer::kReadFrames);
                auto frames = static_cast<std::int64_t>(std::ceil(seconds * sound::kMixRate));
                while (frames > 0) {
                    const auto n = static_cast<std::size_t>(
                        std::min<std::int64_t>(frames, static_cast<std::int64_t>(sound::ModulePlayer::kReadFrames)));
                    if (!sound_.Render(scratch.data(), n)) return;  // not started: no time to pass
                    frames -= static_cast<std::int64_t>(n);
                }
            }};
}
