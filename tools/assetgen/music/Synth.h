#pragma once

// The generator's small DSP kit for making instrument samples: oscillators built from partials
// that repeat exactly over a loop, a noise source, one-pole and state-variable filters, and the
// finishing steps (decay, tail fade, normalising, 16-bit conversion).

#include <cstdint>
#include <vector>

namespace music {

constexpr double kPi = 3.14159265358979323846;

// Every sample is made at one rate and tuned so that the tracker note C-4 plays it as made:
// 8363 Hz * 2^((24 + 2/128) / 12). A tone whose loop of kLoopFrames holds kLoopCycles
// cycles then sounds at middle C (261.6 Hz, within half a cent).
constexpr int kRelativeNote = 24;
constexpr int kFinetune = 2;
double SampleRate();
constexpr int kLoopFrames = 16384;
constexpr int kLoopCycles = 128;

using Signal = std::vector<double>;

// One partial of a looped tone: `cycles` whole cycles over the loop, so the loop has no seam.
struct Partial {
    int cycles;
    double amplitude;
    double phase = 0;  // radians
};

// Sum of partials over `frames` frames (a whole number of loops when frames is a multiple of
// loopFrames). Partials at or above half the sample rate are left out.
Signal Additive(const std::vector<Partial>& partials, int frames, int loopFrames = kLoopFrames);

// Partials of a band-limited sawtooth (all harmonics, 1/h) or square (odd harmonics, 1/h) on
// `cycles` per loop, shaped by a gentle low-pass at `cutoffHarmonic` (harmonics beyond it fall
// off at 12 dB per octave) and stopped at `maxHarmonic`.
std::vector<Partial> Saw(int cycles, double amplitude, double cutoffHarmonic, int maxHarmonic);
std::vector<Partial> Square(int cycles, double amplitude, double cutoffHarmonic, int maxHarmonic);

// Deterministic white noise in [-1, 1].
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double Next();

private:
    std::uint32_t state_;
};

// Chamberlin state-variable filter; cutoff in Hz at SampleRate().
class StateVariable {
public:
    StateVariable(double cutoff, double resonance);
    void SetCutoff(double cutoff);
    // Advances one frame; the three outputs stay readable until the next call.
    void Step(double in);
    double low = 0, band = 0, high = 0;

private:
    double f_ = 0, q_ = 0;
};

// One-pole high-pass (removes DC and lows below `cutoff`).
class HighPass {
public:
    explicit HighPass(double cutoff);
    double Step(double in);

private:
    double a_ = 0, lastIn_ = 0, lastOut_ = 0;
};

// exp(-t / tau) for frame i.
double Decay(int frame, double tau);
// Linear ramp from 0 over the first `frames` frames (a soft attack, so the sample starts at 0).
void FadeIn(Signal& s, int frames);
// Linear ramp to 0 over the last `frames` frames (a one-shot ends in silence, without a click).
void FadeOut(Signal& s, int frames);
// Soft clipping, tanh(drive * v) / tanh(drive): lifts a sound's body against its first peak.
void Saturate(Signal& s, double drive);
// Scales so the largest magnitude is `peak` (0..1); silence stays silence.
void Normalise(Signal& s, double peak);
// Frames for a duration in seconds at SampleRate().
int Frames(double seconds);
// Full scale is 32767; values are rounded and clamped.
std::vector<std::int16_t> ToPcm16(const Signal& s);

}  // namespace music
