#pragma once

// A WAV sound decoded by SDL2, kept in its own format until it is played at a given rate.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sound {

// Interleaved signed 16-bit stereo at kMixRate: what the mixer adds to the music.
using Pcm = std::vector<std::int16_t>;

class Sample {
public:
    // nullptr, with the reason in `error`, when a RIFF chunk up to the data claims more bytes
    // than the file holds (checked before SDL allocates it), when SDL cannot decode the file,
    // or when the data holds no whole frame.
    static std::unique_ptr<Sample> LoadWav(const std::string& path, std::string& error);
    // The same from a file's bytes in memory.
    static std::unique_ptr<Sample> LoadWavFromMemory(const void* data, std::size_t size, std::string& error);

    // The sound as it sounds when its frames are played `rate` times a second, converted by
    // SDL's own converter; nullptr when SDL refuses the conversion. The last rate is cached.
    std::shared_ptr<const Pcm> AtRate(int rate, std::string& error);

    std::size_t Frames() const { return frames_; }

private:
    Sample() = default;

    std::uint16_t format_ = 0;
    int channels_ = 0;
    std::size_t frames_ = 0;
    std::vector<std::uint8_t> data_;
    int cachedRate_ = 0;
    std::shared_ptr<const Pcm> cached_;
};

}  // namespace sound
