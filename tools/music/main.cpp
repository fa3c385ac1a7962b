// solmire-music FILE [--seconds S] [--wav OUT.wav]
//
// Plays a module on the virtual clock (no sound card, as fast as it renders) and prints one line
// per sync event, "sync N at SECONDS order O row R", then "total N". For musicians placing
// cues, and for tests. With --wav the audio goes to a 16-bit stereo 44100 Hz WAV file.

#include "platform/sound/SoundSystem.h"
#include "platform/sound/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr double kMaxSeconds = 24 * 3600.0;  // a song that never ends still stops

int Usage() {
    std::fprintf(stderr, "usage: solmire-music FILE [--seconds S] [--wav OUT.wav]\n");
    return 2;
}

bool ParseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(seconds) && seconds >= 0 && seconds <= kMaxSeconds;
}

}  // namespace

int main(int argc, char** argv) {
    std::string file, wav;
    double seconds = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            if (!ParseSeconds(argv[++i], seconds)) return Usage();
        } else if (std::strcmp(argv[i], "--wav") == 0 && i + 1 < argc) {
            wav = argv[++i];
        } else if (argv[i][0] == '-' || !file.empty()) {
            return Usage();
        } else {
            file = argv[i];
        }
    }
    if (file.empty()) return Usage();

    sound::SoundSystem sound(std::cerr);
    sound.Init(sound::Output::Virtual);
    const int module = sound.LoadModule(file);
    if (module == 0) return 1;
    if (seconds < 0) {
        const double song = sound.ModuleSeconds(module);
        seconds = std::isfinite(song) && song > 0 ? std::min(song, kMaxSeconds) : 0;
    }
    int total = 0;
    sound.SetMusicSyncCallback(sound.PlayModule(module, true), nullptr);

    sound::WavWriter writer;
    if (!wav.empty() && !writer.Open(wav, sound::kMixRate)) {
        std::fprintf(stderr, "solmire-music: cannot write %s\n", wav.c_str());
        return 1;
    }
    auto remaining = static_cast<std::int64_t>(std::llround(seconds * sound::kMixRate));
    std::vector<std::int16_t> audio(2 * 4096);
    std::vector<sound::SyncEvent> events;
    while (remaining > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(remaining, 4096));
        events.clear();
        sound.Render(audio.data(), n, &events);
        for (const sound::SyncEvent& e : events)
            std::printf("sync %d at %.3f order %d row %d\n", ++total,
                        static_cast<double>(e.frame) / sound::kMixRate, e.order, e.row);
        if (!wav.empty() && !writer.Append(audio.data(), n)) break;
        remaining -= static_cast<std::int64_t>(n);
    }
    std::printf("total %d\n", total);
    if (!wav.empty() && !writer.Close()) {
        std::fprintf(stderr, "solmire-music: cannot write %s\n", wav.c_str());
        return 1;
    }
    return 0;
}
