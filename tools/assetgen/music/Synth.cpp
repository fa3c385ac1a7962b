#include "tools/assetgen/music/Synth.h"

#include <algorithm>
#include <cmath>

namespace music {

double SampleRate() { return 8363.0 * std::pow(2.0, (kRelativeNote + kFinetune / 128.0) / 12.0); }

Signal Additive(const std::vector<Partial>& partials, int frames, int loopFrames) {
    Signal out(static_cast<std::size_t>(std::max(0, frames)), 0.0);
    // One table of a sine over the loop: every partial reads it at whole-number steps, so each
    // loop repeats bit for bit and no sine is computed per frame.
    std::vector<double> table(static_cast<std::size_t>(loopFrames));
    for (int k = 0; k < loopFrames; ++k) table[static_cast<std::size_t>(k)] = std::sin(2 * kPi * k / loopFrames);
    const auto length = static_cast<std::int64_t>(loopFrames);
    for (const Partial& p : partials) {
        if (p.cycles <= 0 || 2 * p.cycles >= loopFrames) continue;
        const auto offset = static_cast<std::int64_t>(std::lround(p.phase / (2 * kPi) * loopFrames)) % length;
        for (int i = 0; i < frames; ++i) {
            const std::int64_t at = ((static_cast<std::int64_t>(p.cycles) * i + offset) % length + length) % length;
            out[static_cast<std::size_t>(i)] += p.amplitude * table[static_cast<std::size_t>(at)];
        }
    }
    return out;
}

namespace {

std::vector<Partial> Harmonics(int cycles, double amplitude, double cutoffHarmonic, int maxHarmonic, int stride) {
    std::vector<Partial> out;
    for (int h = 1; h <= maxHarmonic; h += stride) {
        const double r = h / cutoffHarmonic;
        out.push_back({cycles * h, amplitude / h / (1 + r * r)});
    }
    return out;
}

}  // namespace

std::vector<Partial> Saw(int cycles, double amplitude, double cutoffHarmonic, int maxHarmonic) {
    return Harmonics(cycles, amplitude, cutoffHarmonic, maxHarmonic, 1);
}

std::vector<Partial> Square(int cycles, double amplitude, double cutoffHarmonic, int maxHarmonic) {
    return Harmonics(cycles, amplitude, cutoffHarmonic, maxHarmonic, 2);
}

double Noise::Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
}

StateVariable::StateVariable(double cutoff, double resonance) : q_(1.0 / std::max(0.5, resonance)) {
    SetCutoff(cutoff);
}

void StateVariable::SetCutoff(double cutoff) {
    // Stable only well below a sixth of the rate; the callers stay far under it.
    const double limited = std::clamp(cutoff, 10.0, SampleRate() / 6);
    f_ = 2 * std::sin(kPi * limited / SampleRate());
}

void StateVariable::Step(double in) {
    low += f_ * band;
    high = in - low - q_ * band;
    band += f_ * high;
}

HighPass::HighPass(double cutoff) {
    const double rc = 1.0 / (2 * kPi * cutoff);
    const double dt = 1.0 / SampleRate();
    a_ = rc / (rc + dt);
}

double HighPass::Step(double in) {
    lastOut_ = a_ * (lastOut_ + in - lastIn_);
    lastIn_ = in;
    return lastOut_;
}

double Decay(int frame, double tau) { return std::exp(-frame / (tau * SampleRate())); }

void FadeIn(Signal& s, int frames) {
    const int n = std::min(frames, static_cast<int>(s.size()));
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] *= static_cast<double>(i) / n;
}

void FadeOut(Signal& s, int frames) {
    const int size = static_cast<int>(s.size());
    const int n = std::min(frames, size);
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(size - 1 - i)] *= static_cast<double>(i) / n;
}

void Saturate(Signal& s, double drive) {
    double most = 0;
    for (double v : s) most = std::max(most, std::abs(v));
    if (most <= 0 || drive <= 0) return;
    for (double& v : s) v = std::tanh(drive * v / most) / std::tanh(drive);
}

void Normalise(Signal& s, double peak) {
    double most = 0;
    for (double v : s) most = std::max(most, std::abs(v));
    if (most <= 0) return;
    for (double& v : s) v *= peak / most;
}

int Frames(double seconds) { return static_cast<int>(std::lround(seconds * SampleRate())); }

std::vector<std::int16_t> ToPcm16(const Signal& s) {
    std::vector<std::int16_t> out(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(std::lround(s[i] * 32767.0), -32767L, 32767L));
    return out;
}

}  // namespace music
