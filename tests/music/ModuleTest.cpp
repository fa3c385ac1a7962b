// Modules on the virtual clock: which rows count as syncs, how often, and where (through the
// orders, tempo, patterns and channels the XM writer wrote); what the format cannot hold; and
// solmire-music, which lists a module's syncs.

#include "MusicFixtures.h"
#include "platform/sound/SoundSystem.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace {

using fixtures::kRowFrames;
using Place = std::pair<int, int>;  // (order, row)

// Plays a module file for `rows` rows of fixture tempo; returns every sync event.
std::vector<sound::SyncEvent> Play(const std::string& path, int rows, std::string* diag = nullptr) {
    std::ostringstream log;
    sound::SoundSystem sound(log);
    EXPECT_TRUE(sound.Init(sound::Output::Virtual));
    const int handle = sound.PlayModule(sound.LoadModule(path), true);
    int callbacks = 0;
    sound.SetMusicSyncCallback(handle, [&](const sound::SyncEvent&) { ++callbacks; });
    const std::size_t frames = static_cast<std::size_t>(rows) * kRowFrames;
    std::vector<std::int16_t> audio(2 * frames);
    std::vector<sound::SyncEvent> events;
    // Odd-sized pulls: event positions must not depend on how the caller slices the audio.
    for (std::size_t done = 0; done < frames; done += 777)
        sound.Render(audio.data() + 2 * done, std::min<std::size_t>(777, frames - done), &events);
    EXPECT_EQ(callbacks, static_cast<int>(events.size()));
    if (diag) *diag = log.str();
    return events;
}

std::vector<Place> Places(const xm::Module& m, int rows) {
    std::vector<Place> out;
    for (const auto& e : Play(fixtures::WriteModule("places.xm", m), rows)) out.emplace_back(e.order, e.row);
    return out;
}

TEST(SyncCounting, FourSyncRowsCountTwelveTimesOverThreeLoopsAtTheirRows) {
    xm::Module m = fixtures::Blank(4, {32}, {0});
    const int rows[] = {0, 7, 16, 31};
    for (int r : rows) fixtures::Sync(m, 0, r, r % 4, static_cast<std::uint8_t>(r + 1));
    const auto events = Play(fixtures::WriteModule("four.xm", m), 3 * 32);

    ASSERT_EQ(events.size(), 12u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int row = rows[i % 4];
        EXPECT_EQ(Place(events[i].order, events[i].row), Place(0, row));
        EXPECT_EQ(events[i].value, row + 1);
        // Stamped after the row's first sample and no later than one read after it.
        const std::int64_t start = (static_cast<std::int64_t>(i / 4) * 32 + row) * kRowFrames;
        EXPECT_GT(events[i].frame, start) << "event " << i;
        EXPECT_LE(events[i].frame, start + static_cast<std::int64_t>(sound::ModulePlayer::kReadFrames)) << "event " << i;
    }
}

// Every row played counts once each time it is played, whatever sent playback there; rows
// skipped never count.
TEST(SyncCounting, OnlyTheRowsPlayedCountThroughBreaksJumpsLoopsAndSharedPatterns) {
    // Order 0 breaks at row 3 to row 2 of order 1, which jumps back to order 0 at its end:
    // pattern 0 row 6 and pattern 1 row 0 are never played. Two passes of 4 + 6 rows.
    xm::Module jumps = fixtures::Blank(2, {8, 8}, {0, 1});
    for (auto [pattern, row] : {Place{0, 1}, {0, 6}, {1, 0}, {1, 2}, {1, 5}}) fixtures::Sync(jumps, pattern, row);
    fixtures::Effect(jumps, 0, 3, 1, 'D', 0x02);
    fixtures::Effect(jumps, 1, 7, 1, 'B', 0x00);
    EXPECT_EQ(Places(jumps, 20), (std::vector<Place>{{0, 1}, {1, 2}, {1, 5}, {0, 1}, {1, 2}, {1, 5}}));

    // Rows 2..4 three times (E60 ... E62): rows 0,1, 3 x (2,3,4), 5,6,7.
    xm::Module loop = fixtures::Blank(2, {8}, {0});
    fixtures::Effect(loop, 0, 2, 1, 'E', 0x60);
    fixtures::Effect(loop, 0, 4, 1, 'E', 0x62);
    for (int row : {3, 4, 6}) fixtures::Sync(loop, 0, row);
    EXPECT_EQ(Places(loop, 14), (std::vector<Place>{{0, 3}, {0, 4}, {0, 3}, {0, 4}, {0, 3}, {0, 4}, {0, 6}}));

    // W on two channels of one row is one event, with the first channel's value; one pattern
    // at two orders is two places.
    xm::Module shared = fixtures::Blank(4, {16}, {0, 0});
    fixtures::Sync(shared, 0, 5, 3, 0x33);
    fixtures::Sync(shared, 0, 5, 1, 0x11);
    const auto events = Play(fixtures::WriteModule("shared.xm", shared), 32);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(Place(events[1].order, events[1].row), Place(1, 5));
    EXPECT_EQ(events[0].value, 0x11);

    xm::Module quiet = fixtures::Blank(4, {16}, {0});
    fixtures::AddTone(quiet);
    fixtures::Effect(quiet, 0, 0, 0, 'V', 0x40);  // busy, but no W
    EXPECT_TRUE(Places(quiet, 160).empty());
}

TEST(SyncCounting, UnreadableModulesAreRefusedOrPlayedWithoutHarm) {
    std::string diag;
    EXPECT_TRUE(Play(fixtures::TempDir() + "/absent.xm", 10, &diag).empty());
    EXPECT_NE(diag.find("absent.xm"), std::string::npos) << diag;
    EXPECT_TRUE(Play(fixtures::WriteBytes("junk.xm", std::vector<std::uint8_t>(300, 0xA5)), 10).empty());

    // Cut anywhere: refused, or played as far as it goes; never a crash or a read past the end.
    xm::Module m = fixtures::Blank(4, {32, 16}, {0, 1, 0});
    fixtures::AddTone(m);
    fixtures::Sync(m, 0, 0);
    fixtures::At(m, 1, 3, 2) = {xm::Note(3, 5), 1, 0x30, 0, 0};
    const std::vector<std::uint8_t> whole = xm::Write(m);
    for (std::size_t cut = 0; cut < whole.size(); cut += 37) {
        const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_LE(Play(fixtures::WriteBytes("cut.xm", part), 5).size(), 1u) << "cut at " << cut;
    }
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold) {
    auto refused = [](auto change) {
        xm::Module m = fixtures::Blank(4, {16}, {0});
        fixtures::AddTone(m);
        change(m);
        EXPECT_THROW(xm::Write(m), std::invalid_argument);
    };
    refused([](xm::Module& m) { m.channels = 33; });
    refused([](xm::Module& m) { m.orders.push_back(1); });
    refused([](xm::Module& m) { m.patterns[0].rows = 300; });
    refused([](xm::Module& m) { fixtures::At(m, 0, 3, 1).instrument = 2; });
    refused([](xm::Module& m) { m.instruments[0].samples[0].loopLength = 257; });
    refused([](xm::Module& m) { m.bpm = 300; });
}

// solmire-music run as a user runs it: its exit code (-1 if it did not exit) and what it printed.
std::pair<int, std::string> Tool(const std::string& args) {
    std::string out;
    FILE* pipe = popen((std::string(SOLMIRE_MUSIC_TOOL) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return {-1, out};
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe)) out += buf;
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(SolmireMusic, ListsTheSyncsOfOneLoopOrOfTheTimeAskedAndRefusesMistakes) {
    xm::Module m = fixtures::Blank(2, {32}, {0});
    fixtures::Sync(m, 0, 0);
    fixtures::Sync(m, 0, 16, 1);
    const std::string xm = fixtures::WriteModule("tool.xm", m);

    const auto [status, out] = Tool(xm);  // one loop: 32 rows of 10 ms
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_match(out, std::regex("sync 1 at 0\\.00[0-9] order 0 row 0\n"
                                                 "sync 2 at 0\\.16[0-9] order 0 row 16\n"
                                                 "total 2\n")))
        << out;

    // Two loops: the listing counts on through the loop.
    const auto [twiceStatus, twice] = Tool(xm + " --seconds 0.64");
    EXPECT_EQ(twiceStatus, 0);
    EXPECT_TRUE(std::regex_search(twice, std::regex("sync 3 at 0\\.32[0-9] order 0 row 0\n.*\ntotal 4\n$"))) << twice;

    for (const char* usage : {"", "a.xm b.xm", "a.xm --seconds -1", "a.xm --seconds lots", "a.xm --bogus"})
        EXPECT_EQ(Tool(usage).first, 2) << usage;
    EXPECT_EQ(Tool(fixtures::TempDir() + "/absent.xm").first, 1);
}

}  // namespace
