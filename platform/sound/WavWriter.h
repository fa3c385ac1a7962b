#pragma once

// Streams 16-bit stereo PCM into a RIFF WAV file; the sizes in the header are filled in on
// Close, so a capture can append as it renders.

#include <cstdint>
#include <cstdio>
#include <string>

namespace sound {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // False when the file cannot be created.
    bool Open(const std::string& path, int rate);
    // Appends interleaved stereo frames; false on a write error (the file stays closable).
    bool Append(const std::int16_t* frames, std::size_t count);
    // Writes the final sizes and closes; false when anything failed since Open. Even then the
    // file is left playable: its header counts the whole frames that reached it.
    bool Close();

    std::uint64_t Frames() const { return frames_; }

private:
    void Salvage();

    std::string path_;
    std::FILE* file_ = nullptr;
    int rate_ = 0;
    std::uint64_t frames_ = 0;
    bool failed_ = false;
};

}  // namespace sound
