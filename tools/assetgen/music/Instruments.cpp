#include "tools/assetgen/music/Instruments.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/music/Synth.h"

namespace music {
namespace {

constexpr double kSamplePeak = 0.9;

constexpr int kMix[kInstrumentCount] = {
    64,  // kick
    64,  // snare
    64,  // clap
    64,  // closed hat
    48,  // open hat
    64,  // crash
    36,  // bass
    36,  // pad, three voices
    42,  // lead
    64,  // pluck
    44,  // bell
};

xm::Sample Finish(const char* name, Signal signal, int instrument, bool looped) {
    Normalise(signal, kSamplePeak);
    xm::Sample s;
    s.name = name;
    s.data = ToPcm16(signal);
    s.volume = static_cast<std::uint8_t>(MixLevel(instrument));
    s.relativeNote = kRelativeNote;
    s.finetune = kFinetune;
    if (looped) {
        s.loop = xm::LoopType::Forward;
        s.loopStart = 0;
        s.loopLength = static_cast<std::uint32_t>(s.data.size());
    }
    return s;
}

xm::Instrument Wrap(const char* name, xm::Sample sample) {
    xm::Instrument in;
    in.name = name;
    in.samples.push_back(std::move(sample));
    return in;
}

// Attack, hold at `sustain` while the key is down, then release to silence: ticks at 50 a second.
xm::Envelope Adsr(int attack, int decay, int sustain, int release) {
    xm::Envelope e;
    e.enabled = true;
    const auto a = static_cast<std::uint16_t>(std::max(1, attack));
    const auto d = static_cast<std::uint16_t>(a + std::max(1, decay));
    const auto r = static_cast<std::uint16_t>(d + std::max(1, release));
    e.points = {{0, 0}, {a, 64}, {d, static_cast<std::uint16_t>(sustain)}, {r, 0}};
    e.sustain = 2;
    return e;
}

// For one-shot samples played as notes: the sample shapes the sound; a key-off lets it go over
// `release` ticks instead of cutting it (a cut clicks).
xm::Envelope Release(int release) {
    xm::Envelope e;
    e.enabled = true;
    e.points = {{0, 64}, {1, 64}, {static_cast<std::uint16_t>(1 + std::max(1, release)), 0}};
    e.sustain = 1;
    return e;
}

// A sine whose pitch falls from `from` to `to` Hz: the body of the kick.
Signal Kick() {
    const int n = Frames(0.42);
    Signal s(static_cast<std::size_t>(n));
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / SampleRate();
        const double f = 44 + 120 * std::exp(-t / 0.028) + 200 * std::exp(-t / 0.004);
        phase += 2 * kPi * f / SampleRate();
        s[static_cast<std::size_t>(i)] = std::sin(phase) * Decay(i, 0.16) * (t < 0.06 ? 1.0 : std::exp(-(t - 0.06) / 0.09));
    }
    FadeIn(s, Frames(0.0015));
    FadeOut(s, Frames(0.03));
    return s;
}

Signal Snare() {
    const int n = Frames(0.32);
    Signal s(static_cast<std::size_t>(n));
    Noise noise(0x5a17u);
    StateVariable band(3200, 0.9);
    HighPass high(900);
    double p1 = 0, p2 = 0;
    for (int i = 0; i < n; ++i) {
        p1 += 2 * kPi * 186 / SampleRate();
        p2 += 2 * kPi * 334 / SampleRate();
        const double tone = (0.7 * std::sin(p1) + 0.35 * std::sin(p2)) * Decay(i, 0.05);
        band.Step(noise.Next());
        const double rattle = high.Step(band.low + 0.6 * band.band) * Decay(i, 0.09);
        s[static_cast<std::size_t>(i)] = tone + 0.9 * rattle;
    }
    Saturate(s, 3);
    FadeIn(s, Frames(0.001));
    FadeOut(s, Frames(0.04));
    return s;
}

// Three quick bursts and a tail, band-passed round 1.3 kHz.
Signal Clap() {
    const int n = Frames(0.3);
    Signal s(static_cast<std::size_t>(n));
    Noise noise(0xc1a9u);
    StateVariable filter(1300, 2.0);
    const int burst = Frames(0.011);
    for (int i = 0; i < n; ++i) {
        filter.Step(noise.Next());
        const int last = std::min(i / burst, 3);
        const int since = i - last * burst;
        const double env = last < 3 ? Decay(since, 0.004) : Decay(since, 0.07);
        s[static_cast<std::size_t>(i)] = filter.band * env;
    }
    Saturate(s, 2);
    FadeIn(s, Frames(0.0008));
    FadeOut(s, Frames(0.04));
    return s;
}

// Noise high-passed twice, with a faint metallic ring of square partials.
Signal Hat(double seconds, double tau, std::uint32_t seed) {
    const int n = Frames(seconds);
    Signal s(static_cast<std::size_t>(n));
    Noise noise(seed);
    StateVariable filter(5200, 1.2);
    HighPass high(6500);
    const double ratios[] = {1.0, 1.342, 1.2312, 1.6532, 1.9523, 2.1523};
    for (int i = 0; i < n; ++i) {
        filter.Step(noise.Next());
        double metal = 0;
        for (double r : ratios) metal += std::sin(2 * kPi * 410 * r * i / SampleRate()) > 0 ? 1 : -1;
        const double body = high.Step(filter.high + 0.08 * metal);
        s[static_cast<std::size_t>(i)] = body * Decay(i, tau);
    }
    FadeIn(s, Frames(0.0006));
    FadeOut(s, std::min(n / 3, Frames(0.05)));
    return s;
}

Signal Crash() {
    const int n = Frames(1.6);
    Signal s(static_cast<std::size_t>(n));
    Noise noise(0xc4a5u);
    StateVariable filter(4200, 0.8);
    HighPass high(3000);
    for (int i = 0; i < n; ++i) {
        filter.Step(noise.Next());
        const double attack = 1 + 1.5 * Decay(i, 0.02);
        s[static_cast<std::size_t>(i)] = high.Step(filter.high + 0.5 * filter.band) * Decay(i, 0.5) * attack;
    }
    FadeIn(s, Frames(0.001));
    FadeOut(s, Frames(0.3));
    return s;
}

// Plucked string: a filtered noise burst in a delay line of one period. Its loss filter is
// symmetric about the delay, so the pitch is exactly that of the looped tones.
Signal Pluck() {
    const int n = Frames(1.1);
    const int period = kLoopFrames / kLoopCycles;
    Signal s(static_cast<std::size_t>(n));
    Noise noise(0x91c4u);
    StateVariable shape(2500, 0.7);
    for (int i = 0; i < period; ++i) {
        shape.Step(noise.Next());
        s[static_cast<std::size_t>(i)] = shape.low;
    }
    for (int i = period; i < n; ++i) {
        const auto at = static_cast<std::size_t>(i - period);
        const double next = at + 1 < static_cast<std::size_t>(i) ? s[at + 1] : s[at];
        const double prev = at > 0 ? s[at - 1] : s[at];
        s[static_cast<std::size_t>(i)] = 0.996 * (0.25 * prev + 0.5 * s[at] + 0.25 * next);
    }
    // The burst's mean would stay as a thump; take it out over the first periods.
    HighPass dc(40);
    for (double& v : s) v = dc.Step(v);
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] *= Decay(i, 0.45);
    Saturate(s, 2);
    FadeIn(s, Frames(0.002));
    FadeOut(s, Frames(0.08));
    return s;
}

// Soft electric bell: a few harmonic partials, the upper ones dying first, and a short
// inharmonic shimmer at the strike.
Signal Bell() {
    const int n = Frames(1.8);
    Signal s(static_cast<std::size_t>(n));
    const double f = SampleRate() * kLoopCycles / kLoopFrames;
    struct Part {
        double ratio, amplitude, tau;
    };
    const Part parts[] = {{1, 1.0, 0.9}, {2, 0.45, 0.45}, {3, 0.18, 0.3}, {4, 0.12, 0.2}, {7.1, 0.1, 0.04}};
    for (int i = 0; i < n; ++i) {
        double v = 0;
        for (const Part& p : parts) v += p.amplitude * std::sin(2 * kPi * f * p.ratio * i / SampleRate()) * Decay(i, p.tau);
        s[static_cast<std::size_t>(i)] = v;
    }
    FadeIn(s, Frames(0.003));
    FadeOut(s, Frames(0.15));
    return s;
}

}  // namespace

int MixLevel(int instrument) { return instrument >= 1 && instrument <= kInstrumentCount ? kMix[instrument - 1] : 0; }

std::vector<xm::Instrument> MakeInstruments() {
    std::vector<xm::Instrument> out;
    out.push_back(Wrap("kick", Finish("kick", Kick(), kKick, false)));
    out.push_back(Wrap("snare", Finish("snare", Snare(), kSnare, false)));
    out.push_back(Wrap("clap", Finish("clap", Clap(), kClap, false)));
    out.push_back(Wrap("closed hat", Finish("closed hat", Hat(0.09, 0.022, 0x4a7u), kHatClosed, false)));
    out.push_back(Wrap("open hat", Finish("open hat", Hat(0.45, 0.14, 0x4a8u), kHatOpen, false)));
    out.push_back(Wrap("crash", Finish("crash", Crash(), kCrash, false)));

    // Looped tones: every partial repeats exactly over the loop, so the loop point is seamless.
    {
        auto partials = Saw(kLoopCycles, 0.6, 7, 60);
        const auto square = Square(kLoopCycles, 0.5, 5, 59);
        partials.insert(partials.end(), square.begin(), square.end());
        partials.push_back({kLoopCycles / 2, 0.5});  // a sub-octave for weight
        xm::Instrument bass = Wrap("bass", Finish("bass", Additive(partials, kLoopFrames), kBass, true));
        bass.volumeEnvelope = Adsr(1, 12, 44, 4);
        bass.fadeout = 2048;
        out.push_back(bass);
    }
    {
        std::vector<Partial> partials;
        const int voices[] = {kLoopCycles, kLoopCycles - 1, kLoopCycles + 1};
        double phase = 0.3;
        for (int cycles : voices) {
            for (Partial p : Saw(cycles, 1.0, 3.5, 28)) {
                p.phase = phase;
                phase += 1.7;  // spread phases so the voices do not line up into a spike
                partials.push_back(p);
            }
        }
        for (Partial p : Saw(2 * kLoopCycles + 1, 0.25, 2, 14)) partials.push_back(p);
        xm::Instrument pad = Wrap("pad", Finish("pad", Additive(partials, kLoopFrames), kPad, true));
        pad.volumeEnvelope = Adsr(30, 30, 50, 45);
        pad.fadeout = 512;
        out.push_back(pad);
    }
    {
        auto partials = Square(kLoopCycles, 1.0, 9, 19);
        for (Partial p : Saw(kLoopCycles + 1, 0.35, 6, 18)) partials.push_back(p);
        xm::Instrument lead = Wrap("lead", Finish("lead", Additive(partials, kLoopFrames), kLead, true));
        lead.volumeEnvelope = Adsr(2, 25, 40, 8);
        lead.fadeout = 1024;
        lead.vibratoType = 0;
        lead.vibratoSweep = 60;
        lead.vibratoDepth = 3;
        lead.vibratoRate = 10;
        out.push_back(lead);
    }
    for (auto [number, signal] : {std::pair{kPluck, Pluck()}, std::pair{kBell, Bell()}}) {
        const char* name = number == kPluck ? "pluck" : "bell";
        xm::Instrument in = Wrap(name, Finish(name, std::move(signal), number, false));
        in.volumeEnvelope = Release(10);
        out.push_back(in);
    }
    return out;
}

}  // namespace music
