// The generated soundtrack: its instruments, the score's text forms, and the pack's two modules
// played as the show plays them (through ModulePlayer): tuning, loudness, cues and loops.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "music/MusicFixtures.h"
#include "platform/sound/ModulePlayer.h"
#include "tools/assetgen/music/Greeting.h"
#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Score.h"
#include "tools/assetgen/music/Song.h"
#include "tools/assetgen/music/Synth.h"

namespace {

using music::RowSeconds;

const std::vector<xm::Instrument>& Instruments() {
    static const std::vector<xm::Instrument> instruments = music::MakeInstruments();
    return instruments;
}

// A module played from its start, looping, for `seconds`: every sync event, the loudness of
// each second, and the left channel.
struct Playback {
    std::vector<sound::SyncEvent> events;
    std::vector<double> sumSquares, peak;  // by second
    std::vector<float> left;
    double songSeconds = 0;

    double RmsDb(std::size_t from, std::size_t to) const {  // over whole seconds [from, to)
        double sum = 0;
        for (std::size_t s = from; s < to; ++s) sum += sumSquares[s];
        return 10 * std::log10(std::max(sum / (2.0 * sound::kMixRate * static_cast<double>(to - from)), 1e-18));
    }
};

Playback Play(const std::unique_ptr<sound::ModulePlayer>& player, double seconds) {
    Playback out;
    if (!player) return out;
    out.songSeconds = player->DurationSeconds();
    player->Restart(true);
    const auto total = static_cast<std::size_t>(seconds * sound::kMixRate);
    out.sumSquares.assign(total / sound::kMixRate + 1, 0);
    out.peak = out.sumSquares;
    out.left.resize(total);
    std::vector<float> buffer(2 * 4096);
    for (std::size_t at = 0; at < total; at += 4096) {
        const std::size_t n = std::min<std::size_t>(4096, total - at);
        player->Render(buffer.data(), n, static_cast<std::int64_t>(at), out.events);
        for (std::size_t i = 0; i < 2 * n; ++i) {
            const std::size_t second = (at + i / 2) / sound::kMixRate;
            out.sumSquares[second] += buffer[i] * buffer[i];
            out.peak[second] = std::max(out.peak[second], static_cast<double>(std::abs(buffer[i])));
        }
        for (std::size_t i = 0; i < n; ++i) out.left[at + i] = buffer[2 * i];
    }
    return out;
}

Playback PlayPackFile(const char* name, double extraSeconds) {
    std::string error;
    auto player = sound::ModulePlayer::LoadFile(std::string(SOLMIRE_DATA_DIR) + "/" + name, error);
    EXPECT_TRUE(player) << name << ": " << error;
    return Play(player, player ? player->DurationSeconds() + extraSeconds : 0);
}

// Music in every second (no gap, no dropped part), never clipping, and no jump in level where
// the song loops (played 3 s past it).
void ExpectSoundAllThrough(const Playback& p) {
    const auto loop = static_cast<std::size_t>(p.songSeconds);
    ASSERT_EQ(p.sumSquares.size(), loop + 4);
    for (std::size_t s = 0; s < p.sumSquares.size() - 1; ++s) {
        EXPECT_GT(p.RmsDb(s, s + 1), -40.0) << "second " << s;
        EXPECT_LT(p.peak[s], 0.89) << "second " << s;  // at least 1 dB below full scale
    }
    EXPECT_NEAR(p.RmsDb(loop + 1, loop + 3), p.RmsDb(loop - 3, loop - 1), 2.0) << "the loop jumps in level";
}

double Seconds(const sound::SyncEvent& e) { return static_cast<double>(e.frame) / sound::kMixRate; }

// No clicks: a looped sample joins its end to its start no harder than it moves anywhere
// inside, a one-shot begins and ends at silence, every instrument played as notes (which get
// key-offs) lets go through an envelope that ends in silence, looped ones also rise from it,
// and no sample reaches full scale.
TEST(Instruments, SamplesAreCleanAtTheirEdgesAndLoops) {
    for (std::size_t n = 0; n < Instruments().size(); ++n) {
        const xm::Instrument& in = Instruments()[n];
        SCOPED_TRACE(in.name);
        ASSERT_EQ(in.samples.size(), 1u);
        const std::vector<std::int16_t>& d = in.samples[0].data;
        ASSERT_GT(d.size(), 1000u);
        int peak = 0, largestStep = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(d[i])));
            if (i > 0) largestStep = std::max(largestStep, std::abs(d[i] - d[i - 1]));
        }
        EXPECT_LT(peak, 32000);
        EXPECT_GT(peak, 16000);
        const bool looped = in.samples[0].loop == xm::LoopType::Forward;
        if (looped) {
            ASSERT_EQ(in.samples[0].loopStart + in.samples[0].loopLength, d.size());
            EXPECT_LE(std::abs(d.front() - d.back()), largestStep);
        } else {
            EXPECT_LE(std::max(std::abs(d.front()), std::abs(d.back())), 64);
        }
        const xm::Envelope& e = in.volumeEnvelope;
        EXPECT_EQ(e.enabled, static_cast<int>(n) + 1 >= music::kBass) << "instruments played as notes have one";
        if (!e.enabled) continue;
        ASSERT_GE(e.sustain, 0);
        EXPECT_LT(e.sustain, static_cast<int>(e.points.size()) - 1);
        EXPECT_EQ(e.points.back().value, 0);
        EXPECT_TRUE(!looped || e.points.front().value == 0);
    }
}

// Every looped tone, struck as C-4 and played by the player, sounds middle C: its loop holds
// kLoopCycles periods of the tone, so the sound repeats after that many periods of 261.63 Hz.
// The lag at which it best matches itself is searched within half a period either side.
TEST(Instruments, LoopedTonesPlayMiddleCAtC4) {
    int looped = 0;
    for (std::size_t n = 0; n < Instruments().size(); ++n) {
        if (Instruments()[n].samples[0].loop != xm::LoopType::Forward) continue;
        SCOPED_TRACE(Instruments()[n].name);
        ++looped;
        xm::Module m = fixtures::Blank(2, {64}, {0});
        m.speed = 6;  // 3.84 s: the note is not struck again while it is measured
        m.instruments = Instruments();
        fixtures::At(m, 0, 0, 0) = {xm::Note(4, 0), static_cast<std::uint8_t>(n + 1), 0, 0, 0};
        const std::vector<std::uint8_t> bytes = xm::Write(m);
        std::string error;
        const Playback p = Play(sound::ModulePlayer::Load(bytes.data(), bytes.size(), error), 3);
        ASSERT_FALSE(p.left.empty()) << error;
        const double period = sound::kMixRate / 261.6256, expected = music::kLoopCycles * period;
        const auto from = static_cast<std::size_t>(1.3 * sound::kMixRate);  // past the attack
        double best = -1e30;
        std::size_t bestLag = 0;
        for (auto lag = static_cast<std::size_t>(expected - period / 2); lag < expected + period / 2; ++lag) {
            double match = 0;
            for (std::size_t t = from; t < from + sound::kMixRate / 2; ++t) match += p.left[t] * p.left[t + lag];
            if (match > best) best = match, bestLag = lag;
        }
        EXPECT_NEAR(1200 * std::log2(static_cast<double>(bestLag) / expected), 0.0, 3.0) << bestLag << " frames";
    }
    EXPECT_GE(looped, 2);
}

TEST(Score, TextFormsReadNotesSharpsRestsAndLengthsAndRefuseMistakes) {
    std::vector<std::pair<int, int>> rowAndNote;  // notes are semitones from C-0; -1 rests
    for (const auto& n : music::ParseMelody("A5:4 C#6:2  r:2 G#4:8")) rowAndNote.emplace_back(n.row, n.note);
    EXPECT_EQ(rowAndNote, (std::vector<std::pair<int, int>>{{0, 5 * 12 + 9}, {4, 6 * 12 + 1}, {6, -1}, {8, 4 * 12 + 8}}));
    for (const char* bad : {"A5", "H5:4", "A:4", "A5:0", "A5:x"}) EXPECT_THROW(music::ParseMelody(bad), std::exception) << bad;
    music::Score score(1, music::kChannelCount);
    EXPECT_THROW(score.Drums(0, "K?", 40), std::invalid_argument);
}

// The pack's song, played once through its loop and three seconds on: sound all through, and
// exactly the cue table's syncs, each within one row of its time, none in the part that loops.
TEST(Soundtrack, SongSoundsAllThroughWithoutClippingAndItsSyncsAreTheCueTable) {
    const Playback p = PlayPackFile("solmire.xm", 3);
    EXPECT_GE(p.songSeconds, 240.0);  // four to seven minutes
    EXPECT_LE(p.songSeconds, 420.0);
    ExpectSoundAllThrough(p);

    const int restart = music::ComposeSong(Instruments()).restart;
    const auto& cues = music::SongCues();
    ASSERT_EQ(p.events.size(), cues.size());
    for (std::size_t i = 0; i < cues.size(); ++i) {
        EXPECT_NEAR(Seconds(p.events[i]), cues[i].seconds, RowSeconds(music::kSongBpm)) << cues[i].cues;
        EXPECT_LT(p.events[i].order, restart) << cues[i].cues;
    }
}

// The pack's greetings loop: a sync on the first row of every second bar from its start, also
// after it loops (at its restart order), and sound all through.
TEST(Soundtrack, GreetingSyncsEveryTwoBarsFromItsFirstBarAndLoops) {
    const Playback p = PlayPackFile("greeting.xm", 3);
    EXPECT_GT(p.songSeconds, 45.0);
    EXPECT_LT(p.songSeconds, 80.0);
    const double every = music::kGreetingSyncBars * music::kRowsPerBar * RowSeconds(music::kGreetingBpm);
    ASSERT_EQ(p.events.size(), static_cast<std::size_t>(std::lround(p.songSeconds / every)) + 1);
    for (std::size_t i = 0; i + 1 < p.events.size(); ++i) EXPECT_NEAR(Seconds(p.events[i]), i * every, RowSeconds(music::kGreetingBpm));
    EXPECT_EQ(p.events.back().order, music::ComposeGreeting(Instruments()).restart);
    EXPECT_EQ(p.events.back().row, 0);
    EXPECT_NEAR(Seconds(p.events.back()), p.songSeconds, RowSeconds(music::kGreetingBpm));
    ExpectSoundAllThrough(p);
}

}  // namespace
