#include "platform/sound/SoundSystem.h"

#include <algorithm>
#include <ostream>

namespace sound {

SoundSystem::SoundSystem(std::ostream& diag) : diag_(diag) {}

SoundSystem::~SoundSystem() { Close(); }

bool SoundSystem::Init(Output output) {
    // A second Init changes the output; what is loaded and playing stays.
    device_.Close();
    started_ = false;
    output_ = output;
    if (output == Output::Device) {
        auto pull = [this](std::int16_t* out, std::size_t frames, std::int64_t latency) {
            mixer_.DevicePull(out, frames, latency);
        };
        if (!device_.Open(pull, diag_)) return false;
    }
    started_ = true;
    return true;
}

std::string SoundSystem::DeviceName() const {
    if (!started_) return "none";
    if (output_ == Output::Virtual) return "virtual";
    return device_.Name();
}

int SoundSystem::LoadModule(const std::string& path) {
    std::string error;
    std::unique_ptr<ModulePlayer> m = ModulePlayer::LoadFile(path, error);
    if (!m) {
        diag_ << "sound: couldn't load module \"" << path << "\": " << error << "\n";
        return 0;
    }
    modules_.push_back(std::move(m));
    return static_cast<int>(modules_.size());
}

int SoundSystem::PlayModule(int module, bool loop) {
    if (module < 1 || static_cast<std::size_t>(module) > modules_.size()) return 0;
    mixer_.SetModule(modules_[static_cast<std::size_t>(module - 1)], loop);
    playing_ = nextHandle_++;
    return playing_;
}

double SoundSystem::ModuleSeconds(int module) const {
    if (module < 1 || static_cast<std::size_t>(module) > modules_.size()) return 0;
    return modules_[static_cast<std::size_t>(module - 1)]->DurationSeconds();
}

void SoundSystem::StopModule(int playHandle) {
    if (playHandle == 0 || playHandle != playing_) return;
    mixer_.StopModule();
    playing_ = 0;
}

void SoundSystem::SetMusicVolume(int playHandle, int volume) {
    if (playHandle != 0 && playHandle == playing_) mixer_.SetMusicVolume(volume);
}

void SoundSystem::SetMusicSyncCallback(int playHandle, SyncCallback callback) {
    if (playHandle == 0 || playHandle != playing_) return;
    mixer_.SetSyncListener([this, callback = std::move(callback)](const SyncEvent& e) {
        if (collect_) collect_->push_back(e);
        if (callback) callback(e);
    });
}

int SoundSystem::LoadWaveSample(const std::string& path) {
    std::string error;
    std::unique_ptr<Sample> s = Sample::LoadWav(path, error);
    if (!s) {
        diag_ << "sound: couldn't load \"" << path << "\": " << error << "\n";
        return 0;
    }
    samples_.push_back(std::move(s));
    return static_cast<int>(samples_.size());
}

int SoundSystem::PlaySample(int sample, int rate, int volume, int panning) {
    if (!started_ || sample < 1 || static_cast<std::size_t>(sample) > samples_.size()) return 0;
    std::string error;
    std::shared_ptr<const Pcm> pcm = samples_[static_cast<std::size_t>(sample - 1)]->AtRate(rate, error);
    if (!pcm) {
        diag_ << "sound: couldn't play sample " << sample << ": " << error << "\n";
        return 0;
    }
    mixer_.PlaySample(std::move(pcm), volume, panning);
    return nextHandle_++;
}

bool SoundSystem::Render(std::int16_t* out, std::size_t frames, std::vector<SyncEvent>* events) {
    if (!started_ || output_ != Output::Virtual) {
        std::fill(out, out + 2 * frames, std::int16_t{0});
        return false;
    }
    // Pieces of one read each, so every event is delivered within the pull that contains it.
    collect_ = events;
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t n = std::min(ModulePlayer::kReadFrames, frames - done);
        mixer_.Render(out + 2 * done, n);
        mixer_.DeliverHeard(mixer_.FramesMixed());
        done += n;
    }
    collect_ = nullptr;
    return true;
}

void SoundSystem::Close() {
    device_.Close();
    mixer_.StopModule();
    mixer_.PlaySample(nullptr, 0, 0);
    // Events mixed but not yet heard are dropped with the output that would have played them.
    mixer_.DiscardPending();
    mixer_.SetSyncListener(nullptr);
    modules_.clear();
    samples_.clear();
    playing_ = 0;
    started_ = false;
}

}  // namespace sound
