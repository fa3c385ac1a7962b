#pragma once

// The sound system the engine's Music talks to: modules and samples by handle, music volume,
// a sync callback, and one of two outputs.
//
// Output::Device mixes on SDL's audio thread (see AudioDevice) and calls the sync callback on
// that thread when the listener hears the sync row, not when it is mixed.
//
// Output::Virtual is for capture and tests: no device, no thread. Nothing plays until the
// caller pulls audio with Render; each pull mixes exactly the frames asked for and calls the
// sync callback, on the caller's thread, for every sync row that begins inside them.

#include "platform/sound/AudioDevice.h"
#include "platform/sound/Mixer.h"
#include "platform/sound/ModulePlayer.h"
#include "platform/sound/Sample.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace sound {

enum class Output { Device, Virtual };

class SoundSystem {
public:
    using SyncCallback = std::function<void(const SyncEvent&)>;

    // Notes for the user (load failures, the dummy-driver fallback) go to `diag`.
    explicit SoundSystem(std::ostream& diag);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Starts the output. Device: false only when not even SDL's dummy driver opens.
    bool Init(Output output);
    bool IsStarted() const { return started_; }
    Output GetOutput() const { return output_; }
    // "virtual", the SDL audio driver in use, or "none".
    std::string DeviceName() const;
    // SDL's id of the audio device (0 when there is none), and whether it went away during
    // play: the music then goes on by the clock, silent (see AudioDevice::Lost).
    std::uint32_t DeviceId() const { return device_.Id(); }
    bool DeviceLost() const { return device_.Lost(); }

    // Handles are positive; 0 means failure (the reason goes to `diag`).
    int LoadModule(const std::string& path);
    int PlayModule(int module, bool loop);
    // Length of one pass of a loaded module's song in seconds; 0 for an unknown handle.
    double ModuleSeconds(int module) const;
    void StopModule(int playHandle);
    // 0..64 for the playing module; ignored for any other handle.
    void SetMusicVolume(int playHandle, int volume);
    void SetMusicSyncCallback(int playHandle, SyncCallback callback);
    int LoadWaveSample(const std::string& path);
    // Plays a loaded sample on the automatic channel with its frames going by at `rate` per
    // second; volume 0..64, panning -64..64 (0 is the middle). 0 when the sample is not
    // loaded, the output is not started, or the rate cannot be converted.
    int PlaySample(int sample, int rate, int volume, int panning);

    // Virtual output only: mixes exactly `frames` stereo frames into `out`, calling the sync
    // callback for each event inside them and, when `events` is given, appending it there too.
    // False (and silence) with any other output or before Init.
    bool Render(std::int16_t* out, std::size_t frames, std::vector<SyncEvent>* events = nullptr);
    // Frames mixed since construction: the music's clock.
    std::int64_t FramesMixed() const { return mixer_.FramesMixed(); }
    // The playing module's order and row as far as it is mixed; false when none plays.
    bool MusicPosition(int& order, int& row) const { return mixer_.Position(order, row); }

    // Stops the output (no callback runs after it returns) and frees modules and samples.
    // Safe before Init and when repeated.
    void Close();

private:
    std::ostream& diag_;
    Mixer mixer_;
    AudioDevice device_;
    Output output_ = Output::Virtual;
    bool started_ = false;
    std::vector<std::shared_ptr<ModulePlayer>> modules_;
    std::vector<std::unique_ptr<Sample>> samples_;
    int playing_ = 0;      // play handle of the module in the mixer, 0 when none
    int nextHandle_ = 1;
    std::vector<SyncEvent>* collect_ = nullptr;
};

}  // namespace sound
