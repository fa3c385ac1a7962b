// The two generated modules as the show plays them: through libopenmpt (ModulePlayer) and the
// solmire-music tool on the build's content pack.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "music/MusicFixtures.h"
#include "platform/sound/ModulePlayer.h"
#include "tools/assetgen/music/Greeting.h"
#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Score.h"
#include "tools/assetgen/music/Song.h"

namespace {

using music::RowSeconds;

const std::vector<xm::Instrument>& Instruments() {
    static const std::vector<xm::Instrument> instruments = music::MakeInstruments();
    return instruments;
}

const std::vector<std::uint8_t>& SongBytes() {
    static const std::vector<std::uint8_t> bytes = xm::Write(music::ComposeSong(Instruments()));
    return bytes;
}

const std::vector<std::uint8_t>& GreetingBytes() {
    static const std::vector<std::uint8_t> bytes = xm::Write(music::ComposeGreeting(Instruments()));
    return bytes;
}

// Loudness of one stretch of a rendered module.
struct Stretch {
    double sumSquares = 0, peak = 0;
    std::int64_t samples = 0;
    double RmsDb() const { return 20 * std::log10(std::max(std::sqrt(sumSquares / std::max<std::int64_t>(samples, 1)), 1e-9)); }
};

// A module played from its start for `seconds` (looping): every sync event, and the loudness
// between the given times.
struct Playback {
    std::vector<sound::SyncEvent> events;
    std::vector<Stretch> stretches;
    double songSeconds = 0;
};

Playback Play(const std::vector<std::uint8_t>& bytes, double seconds, const std::vector<std::pair<double, double>>& windows) {
    Playback out;
    std::string error;
    auto player = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
    EXPECT_TRUE(player) << error;
    if (!player) return out;
    out.songSeconds = player->DurationSeconds();
    player->Restart(true);
    out.stretches.resize(windows.size());
    std::vector<float> buffer(2 * 4096);
    const auto total = static_cast<std::int64_t>(seconds * sound::kMixRate);
    for (std::int64_t at = 0; at < total; at += 4096) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(4096, total - at));
        player->Render(buffer.data(), n, at, out.events);
        // Index into the buffer of a time, clamped to this block.
        auto index = [&](double t) {
            const auto frame = static_cast<std::int64_t>(t * sound::kMixRate) - at;
            return 2 * static_cast<std::size_t>(std::clamp<std::int64_t>(frame, 0, static_cast<std::int64_t>(n)));
        };
        for (std::size_t w = 0; w < windows.size(); ++w) {
            Stretch& s = out.stretches[w];
            for (std::size_t i = index(windows[w].first); i < index(windows[w].second); ++i) {
                s.sumSquares += buffer[i] * buffer[i];
                s.peak = std::max(s.peak, static_cast<double>(std::abs(buffer[i])));
                ++s.samples;
            }
        }
    }
    return out;
}

double OrderSeconds(int order, int bpm) { return order * music::kRowsPerPattern * RowSeconds(bpm); }

constexpr int kSections[] = {0, 6, 13, 20, 26, 29, 33, 36};

// The song played once through its loop, for the tests below: a few seconds of each section,
// the seconds either side of the loop, every sync event.
const Playback& SongPlayback() {
    static const Playback p = [] {
        const int bpm = music::kSongBpm;
        const double songEnd = OrderSeconds(music::kSongPatterns, bpm);
        std::vector<std::pair<double, double>> windows;
        for (int order : kSections) windows.push_back({OrderSeconds(order, bpm) + 1, OrderSeconds(order, bpm) + 4});
        windows.push_back({songEnd - 3, songEnd});  // before the loop...
        windows.push_back({songEnd, songEnd + 3});  // ...and after it
        return Play(SongBytes(), songEnd + 3, windows);
    }();
    return p;
}

// What the show hears in every section is music, and never clips, also where every channel
// plays (the climaxes); played through (and a little past its loop), the song raises exactly
// the table's cues, each within one row of its time.
TEST(Soundtrack, EverySectionSoundsWithoutClippingAndTheSyncsAreTheCueTable) {
    const int bpm = music::kSongBpm;
    const double songEnd = OrderSeconds(music::kSongPatterns, bpm);
    const std::size_t sections = std::size(kSections);
    const Playback& p = SongPlayback();
    ASSERT_EQ(p.stretches.size(), sections + 2);

    // Between four and seven minutes, as libopenmpt counts one pass.
    EXPECT_GE(p.songSeconds, 240.0);
    EXPECT_LE(p.songSeconds, 420.0);
    EXPECT_NEAR(p.songSeconds, songEnd, 0.5);

    for (std::size_t i = 0; i < sections + 2; ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        if (i < sections) {
            EXPECT_GT(p.stretches[i].RmsDb(), -40.0);
        }
        EXPECT_LT(p.stretches[i].peak, 0.89);  // at least 1 dB below full scale
    }
    EXPECT_NEAR(p.stretches[sections + 1].RmsDb(), p.stretches[sections].RmsDb(), 2.0) << "the loop jumps in level";

    // The restart position is the finale, which holds no cue: a show that outruns the song
    // gets no stray cues from the loop.
    EXPECT_EQ(SongBytes().at(66) | SongBytes().at(67) << 8, music::kSongRestart);
    const auto& cues = music::SongCues();
    ASSERT_EQ(p.events.size(), cues.size());
    for (std::size_t i = 0; i < cues.size(); ++i) {
        SCOPED_TRACE(cues[i].cues);
        EXPECT_NEAR(static_cast<double>(p.events[i].frame) / sound::kMixRate, cues[i].seconds, RowSeconds(bpm));
        EXPECT_LT(p.events[i].order, music::kSongRestart);
    }
}

// The greetings loop: a sync on the first row of every second bar, also after it loops, and
// sound without clipping all through.
TEST(Soundtrack, GreetingSyncsEveryTwoBarsFromItsFirstBarAndLoops) {
    const int bpm = music::kGreetingBpm;
    const double loopEnd = OrderSeconds(music::kGreetingPatterns, bpm);
    EXPECT_GT(loopEnd, 45.0);
    EXPECT_LT(loopEnd, 80.0);
    const Playback p = Play(GreetingBytes(), loopEnd + 3, {{1, 4}, {loopEnd - 3, loopEnd}, {loopEnd, loopEnd + 3}, {20, 26}});
    ASSERT_EQ(p.stretches.size(), 4u);

    const int syncsPerLoop = music::kGreetingPatterns * music::kRowsPerPattern / (music::kGreetingSyncBars * music::kRowsPerBar);
    ASSERT_EQ(static_cast<int>(p.events.size()), syncsPerLoop + 1);
    const double twoBars = music::kGreetingSyncBars * music::kRowsPerBar * RowSeconds(bpm);
    for (int i = 0; i < syncsPerLoop; ++i) {
        EXPECT_NEAR(static_cast<double>(p.events[static_cast<std::size_t>(i)].frame) / sound::kMixRate, i * twoBars,
                    RowSeconds(bpm));
    }
    // After the last bar the loop goes on at its restart, the second pattern, and syncs there.
    EXPECT_EQ(p.events.back().order, 1);
    EXPECT_EQ(p.events.back().row, 0);
    EXPECT_NEAR(static_cast<double>(p.events.back().frame) / sound::kMixRate, loopEnd, RowSeconds(bpm));

    for (const Stretch& s : p.stretches) {
        EXPECT_GT(s.RmsDb(), -40.0);
        EXPECT_LT(s.peak, 0.89);
    }
    EXPECT_NEAR(p.stretches[2].RmsDb(), p.stretches[1].RmsDb(), 2.0) << "the loop jumps in level";
}

TEST(Soundtrack, GeneratingTwiceGivesTheSameBytes) {
    const auto instruments = music::MakeInstruments();
    EXPECT_TRUE(xm::Write(music::ComposeSong(instruments)) == SongBytes());
    EXPECT_TRUE(xm::Write(music::ComposeGreeting(instruments)) == GreetingBytes());
}

// Each section of the song past the opening has drums, bass, chords and a melody.
TEST(Soundtrack, SectionsHaveDrumsBassChordsAndMelody) {
    const xm::Module song = music::ComposeSong(Instruments());
    for (const auto& [first, end] : std::vector<std::pair<int, int>>{{6, 13}, {13, 20}, {20, 26}, {26, 29}, {33, 36}, {36, 45}}) {
        SCOPED_TRACE("orders " + std::to_string(first) + " to " + std::to_string(end - 1));
        std::map<int, int> notes;  // by instrument
        for (int order = first; order < end; ++order)
            for (const xm::Cell& c : song.patterns.at(song.orders.at(static_cast<std::size_t>(order))).cells)
                if (c.note != 0 && c.note != xm::kKeyOff) ++notes[c.instrument];
        const int bars = (end - first) * music::kRowsPerPattern / music::kRowsPerBar;
        EXPECT_GE(notes[music::kKick], 4 * bars);
        EXPECT_GE(notes[music::kSnare] + notes[music::kClap], bars);
        EXPECT_GE(notes[music::kHatClosed] + notes[music::kHatOpen], 4 * bars);
        EXPECT_GE(notes[music::kBass], 4 * bars);
        EXPECT_GE(notes[music::kPad], 3 * bars);  // a triad a bar
        EXPECT_GE(notes[music::kLead], 4);
        EXPECT_GE(notes[music::kPluck] + notes[music::kBell], 8 * bars);
    }
}

// The pack's modules, as a musician checks them: solmire-music lists the table's cues.
TEST(Soundtrack, SolmireMusicListsTheCuesOfThePack) {
    const fixtures::ToolRun song = fixtures::Tool(std::string(SOLMIRE_DATA_DIR) + "/solmire.xm");
    ASSERT_EQ(song.status, 0) << song.out;
    const std::regex line(R"(sync (\d+) at ([0-9.]+) order (\d+) row (\d+))");
    std::vector<double> times;
    for (auto it = std::sregex_iterator(song.out.begin(), song.out.end(), line); it != std::sregex_iterator(); ++it)
        times.push_back(std::stod((*it)[2]));
    const auto& cues = music::SongCues();
    ASSERT_EQ(times.size(), cues.size()) << song.out;
    for (std::size_t i = 0; i < cues.size(); ++i) EXPECT_NEAR(times[i], cues[i].seconds, RowSeconds(music::kSongBpm));
    EXPECT_NE(song.out.find("total " + std::to_string(cues.size()) + "\n"), std::string::npos);

    const fixtures::ToolRun greeting = fixtures::Tool(std::string(SOLMIRE_DATA_DIR) + "/greeting.xm");
    ASSERT_EQ(greeting.status, 0) << greeting.out;
    const int syncs = music::kGreetingPatterns * music::kRowsPerPattern / (music::kGreetingSyncBars * music::kRowsPerBar);
    EXPECT_NE(greeting.out.find("total " + std::to_string(syncs) + "\n"), std::string::npos) << greeting.out;
}

}  // namespace
