#include "platform/sound/AudioDevice.h"

#include "platform/sound/ModulePlayer.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <ostream>

namespace sound {
namespace {
std::atomic<bool> fallbackSaid{false};
}

struct AudioDeviceCallback {
    static void Run(void* self, Uint8* stream, int len);
};

AudioDevice::~AudioDevice() { Close(); }

bool AudioDevice::OpenWith(const char* driver) {
    // The hint only chooses the driver for this initialisation; it is put back afterwards.
    const char* previous = SDL_GetHint(SDL_HINT_AUDIODRIVER);
    const std::string saved = previous ? previous : "";
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    const bool initialised = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, previous ? saved.c_str() : nullptr, SDL_HINT_OVERRIDE);
    if (!initialised) return false;
    subsystem_ = true;

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
        return false;
    }
    const char* current = SDL_GetCurrentAudioDriver();
    dummy_ = current && std::strcmp(current, "dummy") == 0;
    name_ = current ? current : "unknown";
    // A real device holds about one more buffer than the one being filled; the dummy driver
    // holds none (it waits one buffer's time between callbacks instead).
    latency_ = dummy_ ? 0 : got.samples;
    SDL_PauseAudioDevice(id_, 0);
    return true;
}

bool AudioDevice::Open(Pull pull, std::ostream& diag) {
    Close();
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
