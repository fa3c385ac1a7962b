#pragma once

// The module-change fades: the volume walks from 63 to 0 (or 0 to 63) in steps of 0.00001,
// each step's value truncated toward zero and handed on, 6,300,000 steps a fade. The steps
// are kept; what changes is their pace: a fade takes kFadeSeconds on the given clock instead
// of however long the loop happens to run.

#include <functional>

namespace music {

constexpr double kFadeSeconds = 1.5;
constexpr double kFadeStep = 0.00001;
constexpr double kFadeTop = 63.0;

// Where a fade's time comes from. Real play: the steady clock and a sleep. Capture: virtual
// time, where sleeping renders the audio (and repeats the picture) for that long. Tests: fakes.
struct FadeClock {
    std::function<double()> now;             // seconds, any origin
    std::function<void(double seconds)> wait;  // returns once that much time has gone by

    static FadeClock Real();
};

using VolumeSink = std::function<void(int volume)>;

// 63 down to 0: the first value handed on is 62, the last is 0.
void FadeOut(const VolumeSink& setVolume, const FadeClock& clock);
// 0 up to 63: the first value is 0, the last is 63.
void FadeIn(const VolumeSink& setVolume, const FadeClock& clock);

}  // namespace music
