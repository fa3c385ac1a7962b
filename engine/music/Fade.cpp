#include "engine/music/Fade.h"

#include <chrono>
#include <thread>

namespace music {
namespace {

constexpr double kSteps = kFadeTop / kFadeStep;

// Holds the fade back until `step` steps are due.
void Pace(const FadeClock& clock, double start, double step) {
    if (!clock.now || !clock.wait) return;
    const double due = start + kFadeSeconds * step / kSteps;
    const double ahead = due - clock.now();
    if (ahead > 0) clock.wait(ahead);
}

// The volume only changes 63 times a fade, so the pace is kept at each change (about every
// 24 ms) and once more at the end, not at each of the millions of steps.
template <typename Continue, typename Advance>
void Run(const VolumeSink& setVolume, const FadeClock& clock, double value, Continue more, Advance next) {
    const double start = clock.now ? clock.now() : 0.0;
    int last = static_cast<int>(value);
    double step = 0;
    while (more(value)) {
        value = next(value);
        ++step;
        const int volume = static_cast<int>(value);  // truncation toward zero
        if (volume != last) {
            Pace(clock, start, step);
            last = volume;
        }
        setVolume(volume);
    }
    Pace(clock, start, kSteps);
}

}  // namespace

FadeClock FadeClock::Real() {
    using Clock = std::chrono::steady_clock;
    return {[] { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); },
            [](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }};
}

void FadeOut(const VolumeSink& setVolume, const FadeClock& clock) {
    Run(setVolume, clock, kFadeTop, [](double v) { return v > 0; }, [](double v) { return v - kFadeStep; });
}

void FadeIn(const VolumeSink& setVolume, const FadeClock& clock) {
    Run(setVolume, clock, 0.0, [](double v) { return v < kFadeTop; }, [](double v) { return v + kFadeStep; });
}

}  // namespace music
