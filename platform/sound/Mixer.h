#pragma once

// The whole mix, with no device: the playing module (at the music volume), one automatic
// sample channel, and the sync events waiting to be heard. Safe to drive from an audio thread
// while the main thread changes modules, volume and samples.

#include "platform/sound/ModulePlayer.h"
#include "platform/sound/Sample.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sound {

class Mixer {
public:
    // Called once per sync event, in order, when the event is delivered (see DeliverHeard).
    // Runs with the mixer locked: it must not call back into the mixer.
    using SyncListener = std::function<void(const SyncEvent&)>;

    static constexpr int kMaxVolume = 64;

    Mixer();

    // Plays `module` from its first row (looping or not); nullptr is silence.
    void SetModule(std::shared_ptr<ModulePlayer> module, bool loop);
    void StopModule();
    // 0..64 (clamped), scaling the music linearly; 64 is the module's own level.
    void SetMusicVolume(int volume);
    int MusicVolume() const { return volume_.load(std::memory_order_relaxed); }
    // Starts `pcm` on the automatic channel, replacing what it played. Volume 0..64, panning
    // -64 (left) .. 0 (middle) .. 64 (right).
    void PlaySample(std::shared_ptr<const Pcm> pcm, int volume, int panning);
    void SetSyncListener(SyncListener listener);

    // Mixes the next `frames` stereo frames (interleaved int16) into `out`. Sync events found
    // on the way wait, stamped with their stream position, until they are delivered.
    void Render(std::int16_t* out, std::size_t frames);
    // Delivers every waiting event whose position is at or before `heardFrame`; returns how many.
    int DeliverHeard(std::int64_t heardFrame);
    // One audio device callback: the frames mixed so far minus the device's buffered latency
    // have now been heard, so their events are delivered; then the next buffer is mixed.
    void DevicePull(std::int16_t* out, std::size_t frames, std::int64_t latencyFrames);

    // Forgets the waiting events (their audio will never be heard).
    void DiscardPending();

    std::int64_t FramesMixed() const;
    std::size_t PendingEvents() const;
    // Where the playing module has got to; false (and 0, 0) when none plays.
    bool Position(int& order, int& row) const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<ModulePlayer> module_;
    std::atomic<int> volume_{kMaxVolume};
    std::shared_ptr<const Pcm> voice_;
    std::size_t voicePos_ = 0;  // in int16 values
    float voiceLeft_ = 0, voiceRight_ = 0;
    SyncListener listener_;
    std::vector<SyncEvent> pending_;
    std::size_t pendingHead_ = 0;
    std::int64_t mixed_ = 0;
};

}  // namespace sound
