#include "platform/sound/Sample.h"

#include "platform/sound/ModulePlayer.h"

#include <SDL.h>

#include <cstring>

namespace sound {

std::unique_ptr<Sample> Sample::LoadWav(const std::string& path, std::string& error) {
    SDL_AudioSpec fileFormat;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &fileFormat, &buffer, &length)) {
        error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<Sample> s(new Sample());
    s->format_ = fileFormat.format;
    s->channels_ = fileFormat.channels;
    const std::size_t frameBytes = static_cast<std::size_t>(SDL_AUDIO_BITSIZE(fileFormat.format) / 8) * fileFormat.channels;
    // A trailing partial frame is dropped rather than handed to the converter.
    s->frames_ = frameBytes ? length / frameBytes : 0;
    s->data_.assign(buffer, buffer + s->frames_ * frameBytes);
    SDL_FreeWAV(buffer);
    return s;
}

std::shared_ptr<const Pcm> Sample::AtRate(int rate, std::string& error) {
    if (rate == cachedRate_ && cached_) return cached_;
    if (rate <= 0 || channels_ <= 0) {
        error = "bad sample rate";
        return nullptr;
    }
    if (data_.size() > (1u << 26)) {  // the converter counts bytes in an int
        error = "sample too long";
        return nullptr;
    }
    // SDL_AudioStream would drop the tail of a short sound in this SDL version; the one-shot
    // converter keeps all of it.
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, format_, static_cast<Uint8>(channels_), rate, AUDIO_S16SYS, 2, kMixRate) < 0) {
        error = SDL_GetError();
        return nullptr;
    }
    std::vector<std::uint8_t> work(data_.size() * static_cast<std::size_t>(cvt.len_mult) + 16);
    std::memcpy(work.data(), data_.data(), data_.size());
    cvt.buf = work.data();
    cvt.len = static_cast<int>(data_.size());
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0) {
        error = SDL_GetError();
        return nullptr;
    }
    const std::size_t bytes = cvt.needed ? static_cast<std::size_t>(cvt.len_cvt) : data_.size();
    auto pcm = std::make_shared<Pcm>(bytes / sizeof(std::int16_t) / 2 * 2);
    std::memcpy(pcm->data(), work.data(), pcm->size() * sizeof(std::int16_t));
    cachedRate_ = rate;
    cached_ = std::move(pcm);
    return cached_;
}

}  // namespace sound
