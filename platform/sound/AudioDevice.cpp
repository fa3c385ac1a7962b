#include "platform/sound/AudioDevice.h"

#include "platform/sound/ModulePlayer.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ostream>

namespace sound {
namespace {

std::atomic<bool> fallbackSaid{false};

// The most a late dummy callback catches up at once, so a stalled process does not then
// spend a long time mixing.
constexpr std::int64_t kMaxCatchUpFrames = kMixRate / 4;

std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

struct AudioDeviceCallback {
    static void Run(void* self, Uint8* stream, int len);
};

// Runs on whatever thread pushes an event (a backend's own, when a device is unplugged).
struct AudioDeviceWatch {
    static int Run(void* self, SDL_Event* event) {
        auto* device = static_cast<AudioDevice*>(self);
        if (event->type == SDL_AUDIODEVICEREMOVED && !event->adevice.iscapture && device->id_ != 0 &&
            event->adevice.which == device->id_ && !device->lost_.exchange(true) && device->diag_)
            *device->diag_ << "sound: the audio device went away; the music goes on, not heard\n" << std::flush;
        return 0;
    }
};

AudioDevice::~AudioDevice() { Close(); }

bool AudioDevice::OpenWith(const char* driver) {
    // The hint only chooses the driver for this initialisation; afterwards the environment
    // (SDL_AUDIODRIVER) decides again.
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    const bool initialised = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!initialised) return false;
    subsystem_ = true;

    const char* current = SDL_GetCurrentAudioDriver();
    dummy_ = current && std::strcmp(current, "dummy") == 0;
    name_ = current ? current : "unknown";

    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &AudioDeviceCallback::Run;
    want.userdata = this;
    SDL_AudioSpec got;
    id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &got, 0);
    if (id_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
        dummy_ = false;
        name_.clear();
        return false;
    }
    // A real device holds about one more buffer than the one being filled; the dummy driver
    // holds none (it waits one buffer's time between callbacks instead).
    latency_ = dummy_ ? 0 : got.samples;
    clocked_ = dummy_;
    lost_ = false;
    openedNs_ = SteadyNs();
    pulled_ = 0;
    scratch_.assign(2 * kBufferFrames, 0);
    SDL_AddEventWatch(&AudioDeviceWatch::Run, this);
    SDL_PauseAudioDevice(id_, 0);
    return true;
}

bool AudioDevice::Open(Pull pull, std::ostream& diag) {
    Close();
    diag_ = &diag;
    pull_ = std::move(pull);
    if (OpenWith(nullptr)) return true;
    const std::string reason = SDL_GetError();
    if (!OpenWith("dummy")) {
        diag << "sound: no audio output (" << reason << "); the music is silent\n";
        pull_ = nullptr;
        return false;
    }
    if (!fallbackSaid.exchange(true))
        diag << "sound: no audio device (" << reason << "); using SDL's dummy driver, the music is not heard\n";
    return true;
}

void AudioDevice::Close() {
    if (id_ != 0) {
        SDL_DelEventWatch(&AudioDeviceWatch::Run, this);  // waits for a running watch to finish
        SDL_CloseAudioDevice(id_);  // waits for a running callback to finish
        id_ = 0;
    }
    if (subsystem_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
    pull_ = nullptr;
    dummy_ = false;
    name_.clear();
}

void AudioDeviceCallback::Run(void* self, Uint8* stream, int len) {
    auto* device = static_cast<AudioDevice*>(self);
    const std::size_t frames = static_cast<std::size_t>(len) / (2 * sizeof(std::int16_t));
    try {
        if (device->lost_ && !device->clocked_) {
            // From the removal on, mix what is due by the clock, from here.
            device->clocked_ = true;
            device->openedNs_ = SteadyNs();
            device->pulled_ = 0;
        }
        if (device->pull_ && device->clocked_) {
            std::memset(stream, 0, static_cast<std::size_t>(len));
            const std::int64_t due = (SteadyNs() - device->openedNs_) / 1000 * kMixRate / 1000000;
            std::int64_t n = std::clamp<std::int64_t>(due - device->pulled_, 0, kMaxCatchUpFrames);
            device->pulled_ = due - n;  // what is beyond the catch-up limit is skipped, not owed
            while (n > 0) {
                const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(n, AudioDevice::kBufferFrames));
                device->pull_(device->scratch_.data(), chunk, 0);
                device->pulled_ += static_cast<std::int64_t>(chunk);
                n -= static_cast<std::int64_t>(chunk);
            }
            return;
        }
        if (device->pull_) {
            device->pull_(reinterpret_cast<std::int16_t*>(stream), frames, device->latency_);
            return;
        }
    } catch (...) {
        // Nothing may unwind into SDL's thread; this buffer is silence.
    }
    std::memset(stream, 0, static_cast<std::size_t>(len));
}

}  // namespace sound
