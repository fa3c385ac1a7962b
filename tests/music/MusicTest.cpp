// The engine's Music: counting across module changes, the fades, closing, sample errors, and
// real-time play through SDL (the dummy driver where there is no sound card).

#include "MusicFixtures.h"
#include "engine/music/Music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using fixtures::kRowFrames;

// A module of `rows` rows sounding a tone, with sync commands on the rows given.
std::string SyncModule(const std::string& name, int rows, std::initializer_list<int> syncRows) {
    xm::Module m = fixtures::Blank(2, {rows}, {0});
    fixtures::AddTone(m);
    for (int r : syncRows) fixtures::Sync(m, 0, r, 1);
    return fixtures::WriteModule(name, m);
}

std::vector<std::int16_t> Pull(Music& music, std::size_t frames) {
    std::vector<std::int16_t> audio(2 * frames, 1);
    EXPECT_TRUE(music.RenderVirtual(audio.data(), frames));
    return audio;
}

// Time that passes only when the fade waits.
struct FakeClock {
    double t = 100;  // any origin
    music::FadeClock Clock() {
        return {[this] { return t; }, [this](double s) { t += s; }};
    }
};

TEST(Fade, StepsMonotonicallyTo0Or63InOneAndAHalfSecondsPacedEvenly) {
    for (const bool fadeIn : {false, true}) {
        SCOPED_TRACE(fadeIn ? "fade in" : "fade out");
        FakeClock fake;
        std::vector<int> volumes;
        double halfwayAt = -1;  // clock time at which the volume first crossed 31/32
        auto sink = [&](int v) {
            if (halfwayAt < 0 && (fadeIn ? v >= 32 : v <= 31)) halfwayAt = fake.t;
            volumes.push_back(v);
        };
        fadeIn ? music::FadeIn(sink, fake.Clock()) : music::FadeOut(sink, fake.Clock());
        EXPECT_TRUE(fadeIn ? std::is_sorted(volumes.begin(), volumes.end()) : std::is_sorted(volumes.rbegin(), volumes.rend()));
        EXPECT_EQ(volumes.back(), fadeIn ? 63 : 0);
        EXPECT_NEAR(fake.t - 100, music::kFadeSeconds, 1e-6);
        // Half the volume is reached half way through (one volume step is about 24 ms).
        EXPECT_NEAR(halfwayAt - 100, music::kFadeSeconds / 2, 0.03);
    }
}

// One run on the virtual clock: a module that fails to load leaves silence and the counter
// still; module changes keep counting where the old module left off; closing is safe and final.
TEST(Music, CountsOnThroughFailedLoadsAndModuleChangesUntilClosed) {
    Music().Close();  // and the destructor closes once more
    Music music;
    music.UseVirtualClock();
    music.Init(1);
    testing::internal::CaptureStderr();
    music.PlayModule((fixtures::TempDir() + "/missing.xm").c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("missing.xm"), std::string::npos) << err;
    EXPECT_EQ(music.module, 0);
    const auto silence = Pull(music, 44100);
    EXPECT_EQ(std::count(silence.begin(), silence.end(), 0), static_cast<long>(silence.size()));
    EXPECT_EQ(music.syncCount, 0);

    music.PlayModule(SyncModule("first.xm", 16, {2, 5, 9, 13}).c_str());
    Pull(music, 16 * kRowFrames);
    EXPECT_EQ(music.syncCount, 4);
    const int firstHandle = music.module;
    // On a clock of its own the fades take no music time: the count moves on from 4 only
    // with the new module's rows.
    FakeClock fake;
    music.SetFadeClock(fake.Clock());
    music.ChangeModule(SyncModule("second.xm", 8, {0, 4}).c_str());
    EXPECT_NEAR(fake.t - 100, 2 * music::kFadeSeconds, 1e-6);
    EXPECT_NE(music.module, firstHandle);
    EXPECT_EQ(music.syncCount, 4);
    Pull(music, 2 * 8 * kRowFrames);
    EXPECT_EQ(music.syncCount, 8);

    // On the virtual clock's own pace a change takes three seconds of music, during which the
    // old module's syncs keep counting as it fades (two a loop of 0.08 s), and the new one's.
    music.SetFadeClock({});
    const std::int64_t before = music.Sound().FramesMixed();
    music.ChangeModule(SyncModule("third.xm", 16, {0}).c_str());
    EXPECT_NEAR(static_cast<double>(music.Sound().FramesMixed() - before) / sound::kMixRate, 2 * music::kFadeSeconds, 0.01);
    EXPECT_GE(music.syncCount, 8 + 2 * 18 + 9);
    const auto audio = Pull(music, 256);
    EXPECT_GT(*std::max_element(audio.begin(), audio.end()), 1000) << "back at full level";

    const int counted = music.syncCount;
    music.Close();
    music.Close();
    EXPECT_FALSE(music.RenderVirtual(std::vector<std::int16_t>(2 * 64).data(), 64));
    EXPECT_EQ(music.syncCount, counted);
}

using MusicDeathTest = testing::Test;

TEST_F(MusicDeathTest, SampleErrorsEndWithCode155) {
    testing::GTEST_FLAG(death_test_style) = "threadsafe";
    Music music;
    music.UseVirtualClock();
    music.Init(1);
    EXPECT_EXIT(music.LoadSample((fixtures::TempDir() + "/none.wav").c_str()), testing::ExitedWithCode(155),
                "VMusic Error: Couldn't load WAV file");
    EXPECT_EXIT(music.PlaySample(0), testing::ExitedWithCode(155), "VMusic Error: Couldn't play Sample");  // nothing loaded
    const std::string wav = fixtures::WriteWav("click.wav", 22050, 100, 1000);
    EXPECT_EXIT(
        {
            for (int i = 0; i < Music::kMaxSamples; ++i) music.LoadSample(wav.c_str());
            music.PlaySample(Music::kMaxSamples - 1);
            std::fprintf(stderr, "all slots loaded\n");
            music.LoadSample(wav.c_str());  // one past the table
        },
        testing::ExitedWithCode(155), "all slots loaded\n(.|\n)*Couldn't load WAV file");
}

TEST(MusicRealTime, CountsSyncsAsTheyArePlayedEvenWithNoSoundCard) {
    // A driver that cannot exist forces the fallback to SDL's dummy driver, as on a machine
    // without a sound card.
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Music music;
    testing::internal::CaptureStderr();
    music.Init(1);
    const std::string err = testing::internal::GetCapturedStderr();
    saved ? setenv("SDL_AUDIODRIVER", previous.c_str(), 1) : unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(music.Sound().DeviceName(), "dummy");
    EXPECT_NE(err.find("dummy"), std::string::npos) << err;

    // A sync every 4 rows (40 ms). The music runs on SDL's thread; wait for it, but not for ever.
    music.PlayModule(SyncModule("live.xm", 16, {0, 4, 8, 12}).c_str());
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (music.syncCount < 6 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(music.syncCount, 6);
    music.Close();
    const int after = music.syncCount;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(music.syncCount, after) << "still counting after Close";
}

}  // namespace
