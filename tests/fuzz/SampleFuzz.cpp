// The WAV sample loader on any bytes, and the sound at the mixer's rate.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sound/Sample.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::string error;
    std::unique_ptr<sound::Sample> sample = sound::Sample::LoadWavFromMemory(bytes.data(), bytes.size(), error);
    if (!sample) return 0;
    if (sample->Frames() == 0) std::abort();
    // A rate the input chooses, within what the music's samples are played at.
    const int rate = 4000 + (size ? data[size - 1] : 0) * 200;
    std::shared_ptr<const sound::Pcm> pcm = sample->AtRate(rate, error);
    if (pcm && pcm->size() % 2) std::abort();
    return 0;
}
