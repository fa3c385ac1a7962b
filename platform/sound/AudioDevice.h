#pragma once

// The sound card, through SDL2: an audio callback on SDL's own thread pulls 16-bit stereo at
// kMixRate. Where no device opens (no sound card, as on CI) it falls back to SDL's "dummy"
// driver, which keeps calling back at real-time pace, so the music clock still runs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace sound {

class AudioDevice {
public:
    // Fills `frames` interleaved stereo frames; `latencyFrames` is how much already handed to the
    // device is still waiting to be heard. Runs on SDL's audio thread.
    using Pull = std::function<void(std::int16_t* out, std::size_t frames, std::int64_t latencyFrames)>;

    // Frames per callback: 11.6 ms, which bounds how late a sync event can be heard.
    static constexpr int kBufferFrames = 512;

    AudioDevice() = default;
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the output and starts calling `pull`. Notes on `diag` (once per process) when it had
    // to fall back to the dummy driver. False only when even that fails.
    bool Open(Pull pull, std::ostream& diag);
    // Stops the callbacks (none runs after it returns) and releases the device; safe to repeat.
    void Close();

    bool IsOpen() const { return id_ != 0; }
    bool IsDummy() const { return dummy_; }
    // SDL's id of the open device (0 when closed).
    std::uint32_t Id() const { return id_; }
    // The device went away while open (SDL said so with its device-removed event): from then
    // on the music follows the steady clock, as on the dummy driver, and is not heard. SDL
    // keeps calling back at about the device's pace after a removal, so nothing stops.
    bool Lost() const { return lost_; }
    const std::string& Name() const { return name_; }

private:
    friend struct AudioDeviceCallback;
    friend struct AudioDeviceWatch;
    bool OpenWith(const char* driver);

    std::uint32_t id_ = 0;  // SDL's device id; 0 when closed
    bool subsystem_ = false;
    bool dummy_ = false;
    int latency_ = 0;
    std::string name_;
    Pull pull_;
    // The dummy driver's callbacks come only roughly on time (its waits are whole milliseconds
    // plus scheduling), so with it the music follows the steady clock instead: each callback
    // mixes what is due since Open, into a scratch buffer nobody hears.
    // clocked_: the callback follows the steady clock (the dummy driver, or a lost device);
    // read and written on the audio thread only, once the device is open.
    bool clocked_ = false;
    std::atomic<bool> lost_{false};
    std::ostream* diag_ = nullptr;
    std::int64_t openedNs_ = 0;
    std::int64_t pulled_ = 0;
    std::vector<std::int16_t> scratch_;
};

}  // namespace sound
