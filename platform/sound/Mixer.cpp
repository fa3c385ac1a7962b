#include "platform/sound/Mixer.h"

#include <algorithm>
#include <cmath>

namespace sound {

Mixer::Mixer() { pending_.reserve(256); }

void Mixer::SetModule(std::shared_ptr<ModulePlayer> module, bool loop) {
    std::lock_guard lock(mutex_);
    if (module) module->Restart(loop);
    module_ = std::move(module);
}

void Mixer::StopModule() {
    std::shared_ptr<ModulePlayer> old;
    std::lock_guard lock(mutex_);
    old.swap(module_);
}

void Mixer::SetMusicVolume(int volume) {
    volume_.store(std::clamp(volume, 0, kMaxVolume), std::memory_order_relaxed);
}

void Mixer::PlaySample(std::shared_ptr<const Pcm> pcm, int volume, int panning) {
    const float gain = static_cast<float>(std::clamp(volume, 0, kMaxVolume)) / kMaxVolume;
    const int pan = std::clamp(panning, -64, 64);
    std::lock_guard lock(mutex_);
    voice_ = std::move(pcm);
    voicePos_ = 0;
    voiceLeft_ = gain * std::min(1.0f, static_cast<float>(64 - pan) / 64.0f);
    voiceRight_ = gain * std::min(1.0f, static_cast<float>(64 + pan) / 64.0f);
}

void Mixer::SetSyncListener(SyncListener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void Mixer::Render(std::int16_t* out, std::size_t frames) {
    constexpr std::size_t kChunk = ModulePlayer::kReadFrames;
    float music[2 * kChunk];
    std::lock_guard lock(mutex_);
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t n = std::min(kChunk, frames - done);
        if (module_) {
            module_->Render(music, n, mixed_, pending_);
        } else {
            std::fill(music, music + 2 * n, 0.0f);
        }
        const float gain = static_cast<float>(volume_.load(std::memory_order_relaxed)) / kMaxVolume;
        for (std::size_t i = 0; i < n; ++i) {
            float left = music[2 * i] * gain;
            float right = music[2 * i + 1] * gain;
            if (voice_ && voicePos_ + 1 < voice_->size()) {
                left += static_cast<float>((*voice_)[voicePos_]) / 32768.0f * voiceLeft_;
                right += static_cast<float>((*voice_)[voicePos_ + 1]) / 32768.0f * voiceRight_;
                voicePos_ += 2;
            }
            out[2 * (done + i)] = static_cast<std::int16_t>(std::lrint(std::clamp(left, -1.0f, 1.0f) * 32767.0f));
            out[2 * (done + i) + 1] = static_cast<std::int16_t>(std::lrint(std::clamp(right, -1.0f, 1.0f) * 32767.0f));
        }
        if (voice_ && voicePos_ + 1 >= voice_->size()) voice_.reset();
        done += n;
        mixed_ += static_cast<std::int64_t>(n);
    }
}

int Mixer::DeliverHeard(std::int64_t heardFrame) {
    std::lock_guard lock(mutex_);
    int delivered = 0;
    while (pendingHead_ < pending_.size() && pending_[pendingHead_].frame <= heardFrame) {
        if (listener_) listener_(pending_[pendingHead_]);
        ++pendingHead_;
        ++delivered;
    }
    if (pendingHead_ == pending_.size()) {
        pending_.clear();  // keeps the capacity: no allocation in the steady state
        pendingHead_ = 0;
    } else if (pendingHead_ >= 64) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingHead_));
        pendingHead_ = 0;
    }
    return delivered;
}

void Mixer::DevicePull(std::int16_t* out, std::size_t frames, std::int64_t latencyFrames) {
    DeliverHeard(FramesMixed() - latencyFrames);
    Render(out, frames);
}

void Mixer::DiscardPending() {
    std::lock_guard lock(mutex_);
    pending_.clear();
    pendingHead_ = 0;
}

std::int64_t Mixer::FramesMixed() const {
    std::lock_guard lock(mutex_);
    return mixed_;
}

bool Mixer::Position(int& order, int& row) const {
    std::lock_guard lock(mutex_);
    order = module_ ? module_->Order() : 0;
    row = module_ ? module_->Row() : 0;
    return module_ != nullptr;
}

std::size_t Mixer::PendingEvents() const {
    std::lock_guard lock(mutex_);
    return pending_.size() - pendingHead_;
}

}  // namespace sound
