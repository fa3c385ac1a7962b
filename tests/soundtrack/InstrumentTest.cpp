// The synthesised instruments and the score's text forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Score.h"
#include "tools/assetgen/music/Synth.h"

namespace {

const std::vector<xm::Instrument>& Instruments() {
    static const std::vector<xm::Instrument> instruments = music::MakeInstruments();
    return instruments;
}

int LargestStep(const std::vector<std::int16_t>& d, std::size_t from, std::size_t to) {
    int most = 0;
    for (std::size_t i = from + 1; i < to; ++i) most = std::max(most, std::abs(d[i] - d[i - 1]));
    return most;
}

// The player's C-4 is the tone a looped sample holds: middle C, within a cent.
TEST(Instruments, LoopedTonesAreTunedToMiddleC) {
    const double hz = music::SampleRate() * music::kLoopCycles / music::kLoopFrames;
    EXPECT_NEAR(1200 * std::log2(hz / 261.6256), 0.0, 1.0);
    // The rate the player gives C-4 from the samples' relative note and finetune.
    const double played = 8363.0 * std::pow(2.0, (music::kRelativeNote + music::kFinetune / 128.0) / 12.0);
    EXPECT_NEAR(played, music::SampleRate(), 1e-6);

    // The lead, measured: count upward zero crossings of its fundamental over the loop.
    const auto& lead = Instruments().at(music::kLead - 1).samples.at(0).data;
    music::StateVariable low(400, 0.7);
    int crossings = 0;
    double last = 0;
    for (int pass = 0; pass < 2; ++pass) {  // the second pass, once the filter has settled
        for (std::int16_t v : lead) {
            low.Step(v);
            if (pass == 1 && last < 0 && low.low >= 0) ++crossings;
            last = low.low;
        }
    }
    EXPECT_NEAR(crossings, music::kLoopCycles, 1);
}

// No clicks: a looped sample joins its end to its start no harder than it moves anywhere
// inside, a one-shot begins and ends at silence, every instrument played as notes (which get
// key-offs) lets go through an envelope that ends in silence, looped ones also rise from it,
// and no sample reaches full scale.
TEST(Instruments, SamplesAreCleanAtTheirEdgesAndLoops) {
    const auto& set = Instruments();
    ASSERT_EQ(set.size(), static_cast<std::size_t>(music::kInstrumentCount));
    for (std::size_t n = 0; n < set.size(); ++n) {
        const xm::Instrument& in = set[n];
        SCOPED_TRACE(in.name);
        ASSERT_EQ(in.samples.size(), 1u);
        const xm::Sample& s = in.samples[0];
        ASSERT_GT(s.data.size(), 1000u);
        int peak = 0;
        for (std::int16_t v : s.data) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_LT(peak, 32000);
        EXPECT_GT(peak, 16000);
        const bool looped = s.loop == xm::LoopType::Forward;
        if (looped) {
            ASSERT_EQ(s.loopStart + s.loopLength, s.data.size());
            const int seam = std::abs(s.data.front() - s.data.back());
            EXPECT_LE(seam, LargestStep(s.data, 0, s.data.size()));
        } else {
            EXPECT_LE(std::abs(s.data.front()), 64);
            EXPECT_LE(std::abs(s.data.back()), 64);
        }
        const bool played = static_cast<int>(n) + 1 >= music::kBass;
        const xm::Envelope& e = in.volumeEnvelope;
        EXPECT_EQ(e.enabled, played);
        if (!played) continue;
        ASSERT_GE(e.sustain, 0);
        EXPECT_LT(e.sustain, static_cast<int>(e.points.size()) - 1);
        EXPECT_EQ(e.points.back().value, 0);
        if (looped) {
            EXPECT_EQ(e.points.front().value, 0);
        }
    }
}

TEST(Instruments, FiltersAndNoiseBehave) {
    // A low-pass passes a low tone and stops a high one.
    auto level = [](double hz, bool lowOut) {
        music::StateVariable f(1000, 0.7);
        double most = 0;
        for (int i = 0; i < 20000; ++i) {
            f.Step(std::sin(2 * music::kPi * hz * i / music::SampleRate()));
            if (i > 10000) most = std::max(most, std::abs(lowOut ? f.low : f.high));
        }
        return most;
    };
    EXPECT_GT(level(100, true), 0.9);
    EXPECT_LT(level(8000, true), 0.05);
    EXPECT_GT(level(8000, false), 0.9);
    EXPECT_LT(level(100, false), 0.05);

    music::HighPass dc(50);
    double out = 1;
    for (int i = 0; i < 20000; ++i) out = dc.Step(1.0);
    EXPECT_LT(std::abs(out), 1e-3);

    // Noise: the same from the same seed, centred, spread over the whole range.
    music::Noise a(7), b(7);
    double sum = 0, most = 0;
    for (int i = 0; i < 10000; ++i) {
        const double v = a.Next();
        ASSERT_EQ(v, b.Next());
        sum += v;
        most = std::max(most, std::abs(v));
    }
    EXPECT_LT(std::abs(sum / 10000), 0.05);
    EXPECT_GT(most, 0.99);
    EXPECT_LE(most, 1.0);
}

TEST(Instruments, AdditiveTonesRepeatExactlyOverTheirLoop) {
    const auto partials = music::Saw(3, 1.0, 4, 40);
    const music::Signal two = music::Additive(partials, 2 * 256, 256);
    for (int i = 0; i < 256; ++i) EXPECT_DOUBLE_EQ(two[static_cast<std::size_t>(i)], two[static_cast<std::size_t>(i + 256)]);
    // Partials at or above half the rate are left out rather than folded back.
    const music::Signal high = music::Additive({{128, 1.0}, {200, 1.0}}, 256, 256);
    for (double v : high) EXPECT_DOUBLE_EQ(v, 0.0);
}

TEST(Score, MelodiesReadNotesSharpsRestsAndLengths) {
    const auto notes = music::ParseMelody("A5:4 C#6:2  r:2 G#4:8");
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].note, 5 * 12 + 9);
    EXPECT_EQ(notes[1].note, 6 * 12 + 1);
    EXPECT_EQ(notes[1].row, 4);
    EXPECT_EQ(notes[2].note, -1);
    EXPECT_EQ(notes[3].note, 4 * 12 + 8);
    EXPECT_EQ(notes[3].row, 8);
    for (const char* bad : {"A5", "H5:4", "A:4", "A5:0", "A5:x"}) EXPECT_THROW(music::ParseMelody(bad), std::exception) << bad;
}

TEST(Score, ChordsPadsAndCuesLandWhereWritten) {
    music::Score score(1, music::kChannelCount);
    // Two chords in a row: the second sounds on the other set of voices and lets the first go.
    score.PadChord(0, music::Chord{9, true}, 40);
    score.PadChord(1, music::Chord{5, false}, 40);
    for (int v = 0; v < 3; ++v) {
        const xm::Cell& first = score.At(0, music::kChPadB + v);
        EXPECT_EQ(first.instrument, music::kPad);
        EXPECT_GE(first.note, 1 + 52);
        EXPECT_LT(first.note, 1 + 64);
        EXPECT_EQ(score.At(16, music::kChPadB + v).note, xm::kKeyOff);
        EXPECT_EQ(score.At(16, music::kChPadA + v).instrument, music::kPad);
    }

    score.Sync(37);
    EXPECT_TRUE(score.HasSync(37));
    EXPECT_FALSE(score.HasSync(36));
    xm::Module m;
    score.Fill(m);
    ASSERT_EQ(m.patterns.size(), 1u);
    EXPECT_EQ(m.patterns[0].At(37, music::kChSync, m.channels).effect, xm::EffectLetter('W'));
    EXPECT_THROW(score.Drums(0, "K?", 40), std::invalid_argument);
}

}  // namespace
