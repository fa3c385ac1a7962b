// Sync detection and counting, on the virtual clock: which rows count, how often, and where.

#include "MusicFixtures.h"
#include "platform/sound/SoundSystem.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

namespace {

using fixtures::kRowFrames;
using Place = std::pair<int, int>;  // (order, row)

// Plays a module file for `frames` frames on the virtual clock; returns every sync event.
std::vector<sound::SyncEvent> Play(const std::string& path, std::size_t frames, std::string* diag = nullptr) {
    std::ostringstream log;
    sound::SoundSystem sound(log);
    EXPECT_TRUE(sound.Init(sound::Output::Virtual));
    const int handle = sound.PlayModule(sound.LoadModule(path), true);
    int callbacks = 0;
    sound.SetMusicSyncCallback(handle, [&](const sound::SyncEvent&) { ++callbacks; });
    std::vector<std::int16_t> audio(2 * frames);
    std::vector<sound::SyncEvent> events;
    // Odd-sized pulls: event positions must not depend on how the caller slices the audio.
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min<std::size_t>(777, frames - done);
        sound.Render(audio.data() + 2 * done, n, &events);
        done += n;
    }
    EXPECT_EQ(callbacks, static_cast<int>(events.size()));
    if (diag) *diag = log.str();
    return events;
}

std::vector<Place> Places(const std::vector<sound::SyncEvent>& events) {
    std::vector<Place> out;
    for (const auto& e : events) out.emplace_back(e.order, e.row);
    return out;
}

TEST(SyncCounting, FourSyncRowsCountTwelveTimesOverThreeLoopsAtTheirRows) {
    xm::Module m = fixtures::Blank(4, {32}, {0});
    const int rows[] = {0, 7, 16, 31};
    for (int r : rows) fixtures::Sync(m, 0, r, r % 4, static_cast<std::uint8_t>(r + 1));
    const int loopFrames = 32 * kRowFrames;
    const auto events = Play(fixtures::WriteModule("four.xm", m), 3 * loopFrames);

    ASSERT_EQ(events.size(), 12u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int row = rows[i % 4];
        EXPECT_EQ(events[i].order, 0);
        EXPECT_EQ(events[i].row, row);
        EXPECT_EQ(events[i].value, row + 1);
        // Stamped no earlier than the row's first sample and no later than one read after it.
        const std::int64_t start = static_cast<std::int64_t>(i / 4) * loopFrames + row * kRowFrames;
        EXPECT_GT(events[i].frame, start) << "event " << i;
        EXPECT_LE(events[i].frame, start + static_cast<std::int64_t>(sound::ModulePlayer::kReadFrames)) << "event " << i;
    }
}

TEST(SyncCounting, BreaksJumpsAndPatternLoopsCountOnlyTheRowsPlayed) {
    // Order 0 breaks at row 3 to row 2 of order 1, which jumps back to order 0 at its end:
    // the syncs on pattern 0 row 6 and pattern 1 row 0 are never played.
    xm::Module jumps = fixtures::Blank(2, {8, 8}, {0, 1});
    for (auto [pattern, row] : {Place{0, 1}, {0, 6}, {1, 0}, {1, 2}, {1, 5}}) fixtures::Sync(jumps, pattern, row);
    fixtures::Effect(jumps, 0, 3, 1, 'D', 0x02);
    fixtures::Effect(jumps, 1, 7, 1, 'B', 0x00);
    // Played rows per pass: 4 of order 0 + 6 of order 1; two passes.
    EXPECT_EQ(Places(Play(fixtures::WriteModule("jumps.xm", jumps), 2 * 10 * kRowFrames)),
              (std::vector<Place>{{0, 1}, {1, 2}, {1, 5}, {0, 1}, {1, 2}, {1, 5}}));

    // Rows 2..4 are played three times (E60 ... E62); syncs on rows 3 and 4 count each time.
    xm::Module loop = fixtures::Blank(2, {8}, {0});
    fixtures::Effect(loop, 0, 2, 1, 'E', 0x60);
    fixtures::Effect(loop, 0, 4, 1, 'E', 0x62);
    for (int row : {3, 4, 6}) fixtures::Sync(loop, 0, row);
    // One pass: rows 0,1, 3 x (2,3,4), 5,6,7 = 14 rows.
    EXPECT_EQ(Places(Play(fixtures::WriteModule("loop.xm", loop), 14 * kRowFrames)),
              (std::vector<Place>{{0, 3}, {0, 4}, {0, 3}, {0, 4}, {0, 3}, {0, 4}, {0, 6}}));
}

TEST(SyncCounting, OneEventPerRowWhateverItsChannelsAndNoneWithoutW) {
    // W on two channels of row 5 is one event (its value from the first channel); the same
    // pattern at two orders is two places, each counted.
    xm::Module m = fixtures::Blank(4, {16}, {0, 0});
    fixtures::Sync(m, 0, 5, 3, 0x33);
    fixtures::Sync(m, 0, 5, 1, 0x11);
    const auto events = Play(fixtures::WriteModule("shared.xm", m), 2 * 16 * kRowFrames);
    ASSERT_EQ(Places(events), (std::vector<Place>{{0, 5}, {1, 5}}));
    EXPECT_EQ(events[0].value, 0x11);

    xm::Module quiet = fixtures::Blank(4, {16}, {0});
    fixtures::AddTone(quiet);
    fixtures::At(quiet, 0, 0, 0) = {xm::Note(4, 0), 1, 0, xm::EffectLetter('V'), 0x40};  // busy, but no W
    EXPECT_TRUE(Play(fixtures::WriteModule("quiet.xm", quiet), 10 * 16 * kRowFrames).empty());
}

TEST(SyncCounting, UnreadableModulesAreRefusedOrPlayedWithoutHarm) {
    std::string diag;
    EXPECT_TRUE(Play(fixtures::TempDir() + "/absent.xm", 4096, &diag).empty());
    EXPECT_NE(diag.find("absent.xm"), std::string::npos) << diag;

    EXPECT_TRUE(Play(fixtures::WriteBytes("junk.xm", std::vector<std::uint8_t>(300, 0xA5)), 4096).empty());

    // Cut anywhere: refused, or played as far as it goes; never a crash or a read past the end.
    xm::Module m = fixtures::Blank(4, {32, 16}, {0, 1, 0});
    fixtures::AddTone(m);
    fixtures::Sync(m, 0, 0);
    fixtures::At(m, 1, 3, 2) = {xm::Note(3, 5), 1, 0x30, 0, 0};
    const std::vector<std::uint8_t> whole = xm::Write(m);
    for (std::size_t cut = 0; cut < whole.size(); cut += 37) {
        const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        Play(fixtures::WriteBytes("cut.xm", part), 2048);
    }
}

}  // namespace
