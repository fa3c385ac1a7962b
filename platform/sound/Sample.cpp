#include "platform/sound/Sample.h"

#include "platform/sound/ModulePlayer.h"

#include <SDL.h>

#include <cstring>
#include <string>

namespace sound {

namespace {

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }

// SDL allocates each chunk it reads (the format, the data) at the size the chunk claims before
// reading it, so every chunk up to the data must lie inside the file. Reads 8 bytes a chunk.
bool ChunksFit(SDL_RWops* file, std::string& error) {
    const Sint64 size = SDL_RWsize(file);
    std::uint8_t head[12];
    if (size < 12 || SDL_RWread(file, head, 1, 12) != 12) {
        error = "not a WAVE file";
        return false;
    }
    // SDL also takes a file that starts at the form type, without the RIFF chunk around it.
    Sint64 at = 12;
    if (std::memcmp(head, "WAVE", 4) == 0) {
        at = 4;
    } else if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        error = "not a WAVE file";
        return false;
    }
    for (int chunk = 0; chunk < 10000 && at + 8 <= size; ++chunk) {  // SDL's own chunk limit
        if (SDL_RWseek(file, at, RW_SEEK_SET) != at || SDL_RWread(file, head, 1, 8) != 8) break;
        const Sint64 length = Le32(head + 4);
        if (at + 8 + length > size) {
            error = "chunk \"" + std::string(reinterpret_cast<const char*>(head), 4) + "\" claims " +
                    std::to_string(length) + " bytes; the file holds " + std::to_string(size - at - 8) + " after it";
            return false;
        }
        if (std::memcmp(head, "data", 4) == 0) return true;
        at += 8 + length + (length & 1);
    }
    error = "no data chunk";
    return false;
}

// Decodes the WAV that `file` holds (taking it over: closed whatever happens) into its own
// format and whole frames.
bool Decode(SDL_RWops* file, std::uint16_t& format, int& channels, std::size_t& frames, std::vector<std::uint8_t>& data,
            std::string& error) {
    if (!file) {
        error = SDL_GetError();
        return false;
    }
    if (!ChunksFit(file, error) || SDL_RWseek(file, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(file);
        return false;
    }
    SDL_AudioSpec fileFormat;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(file, 1, &fileFormat, &buffer, &length)) {
        error = SDL_GetError();
        return false;
    }
    format = fileFormat.format;
    channels = fileFormat.channels;
    const std::size_t frameBytes = static_cast<std::size_t>(SDL_AUDIO_BITSIZE(fileFormat.format) / 8) * fileFormat.channels;
    // A trailing partial frame is dropped rather than handed to the converter; a sound without
    // one whole frame is no sound.
    frames = frameBytes ? length / frameBytes : 0;
    if (frames == 0) {
        SDL_FreeWAV(buffer);
        error = "no whole sample frame in the data chunk";
        return false;
    }
    data.assign(buffer, buffer + frames * frameBytes);
    SDL_FreeWAV(buffer);
    return true;
}

}  // namespace

std::unique_ptr<Sample> Sample::LoadWav(const std::string& path, std::string& error) {
    std::unique_ptr<Sample> s(new Sample());
    if (!Decode(SDL_RWFromFile(path.c_str(), "rb"), s->format_, s->channels_, s->frames_, s->data_, error))
        return nullptr;
    return s;
}

std::unique_ptr<Sample> Sample::LoadWavFromMemory(const void* data, std::size_t size, std::string& error) {
    if (!data || size > 0x7fffffff) {
        error = "not a WAVE file";
        return nullptr;
    }
    std::unique_ptr<Sample> s(new Sample());
    SDL_RWops* file = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!Decode(file, s->format_, s->channels_, s->frames_, s->data_, error)) return nullptr;
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
    if (!pcm->empty()) std::memcpy(pcm->data(), work.data(), pcm->size() * sizeof(std::int16_t));
    cachedRate_ = rate;
    cached_ = std::move(pcm);
    return cached_;
}

}  // namespace sound
