// The mix: events heard after the device's latency, the music volume, samples and their rate.

#include "MusicFixtures.h"
#include "platform/sound/Mixer.h"
#include "platform/sound/SoundSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

using fixtures::kRowFrames;

std::shared_ptr<sound::ModulePlayer> LoadPlayer(const xm::Module& m) {
    const std::vector<std::uint8_t> bytes = xm::Write(m);
    std::string error;
    std::shared_ptr<sound::ModulePlayer> p = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
    EXPECT_TRUE(p) << error;
    return p;
}

TEST(Mixer, EventsWaitForTheDeviceLatencyAndNoLonger) {
    xm::Module m = fixtures::Blank(2, {16}, {0});
    for (int r : {1, 6, 11}) fixtures::Sync(m, 0, r);
    for (const std::int64_t latency : {0, 1024, 3000}) {
        sound::Mixer mixer;
        mixer.SetModule(LoadPlayer(m), true);
        std::int64_t heardNow = 0;
        std::vector<std::pair<sound::SyncEvent, std::int64_t>> raised;
        mixer.SetSyncListener([&](const sound::SyncEvent& e) { raised.emplace_back(e, heardNow); });

        // A simulated device taking 512-frame buffers, holding `latency` frames before they are heard.
        constexpr std::size_t kBuffer = 512;
        std::vector<std::int16_t> buffer(2 * kBuffer);
        for (int call = 0; call < 60; ++call) {
            heardNow = mixer.FramesMixed() - latency;
            mixer.DevicePull(buffer.data(), kBuffer, latency);
        }
        ASSERT_GE(raised.size(), 3u) << "latency " << latency;
        for (const auto& [event, heard] : raised) {
            EXPECT_GE(event.frame, event.row * kRowFrames);  // first pass only in 60 buffers
            EXPECT_GE(heard, event.frame) << "raised before it was heard, latency " << latency;
            EXPECT_LT(heard - event.frame, static_cast<std::int64_t>(kBuffer)) << "raised late, latency " << latency;
        }
    }
}

// On a quiet steady tone: the volume scales the music linearly (clamped to 64), and the one
// automatic sample channel adds to it, each sample replacing the last, at its volume and panning.
TEST(Mixer, MusicVolumeScalesAndSamplesAddReplaceAndPan) {
    xm::Module m = fixtures::Blank(2, {16}, {0});
    fixtures::AddTone(m, 0x10 + 20);  // quiet enough not to clip with a sample on top
    constexpr std::size_t kFrames = 2000;
    auto render = [&](int volume) {
        sound::Mixer mixer;
        mixer.SetModule(LoadPlayer(m), true);
        mixer.SetMusicVolume(volume);
        std::vector<std::int16_t> out(2 * kFrames);
        mixer.Render(out.data(), kFrames);
        return out;
    };
    const auto full = render(64), half = render(32), over = render(200), none = render(0);
    int loud = 0;
    for (std::size_t i = 0; i < full.size(); ++i) {
        ASSERT_NEAR(half[i], full[i] / 2.0, 1.0) << i;
        ASSERT_EQ(over[i], full[i]) << i;
        ASSERT_EQ(none[i], 0) << i;
        loud += std::abs(full[i]) > 300;
    }
    EXPECT_GT(loud, 1000);  // the tone is really there

    sound::Mixer withSamples, musicOnly;
    withSamples.SetModule(LoadPlayer(m), true);
    musicOnly.SetModule(LoadPlayer(m), true);
    auto constant = [](std::int16_t left, std::int16_t right) {
        auto pcm = std::make_shared<sound::Pcm>();
        for (int i = 0; i < 3000; ++i) pcm->insert(pcm->end(), {left, right});
        return pcm;
    };
    std::vector<std::int16_t> a(2 * kFrames), b(2 * kFrames);
    auto expectDifference = [&](int left, int right, const char* what) {
        withSamples.Render(a.data(), kFrames / 2);
        musicOnly.Render(b.data(), kFrames / 2);
        for (std::size_t i = 0; i < kFrames / 2; ++i) {
            ASSERT_NEAR(a[2 * i] - b[2 * i], left, 2) << what << " frame " << i;
            ASSERT_NEAR(a[2 * i + 1] - b[2 * i + 1], right, 2) << what << " frame " << i;
        }
    };
    withSamples.PlaySample(constant(8000, 6000), 64, 0);
    expectDifference(8000, 6000, "first sample");
    withSamples.PlaySample(constant(-4000, -4000), 32, -64);  // half volume, hard left
    expectDifference(-2000, 0, "second sample replaces the first");
    withSamples.PlaySample(constant(1000, 1000), 64, 64);     // hard right
    expectDifference(0, 1000, "panned right");
}

TEST(Samples, PlayAtTheRateAskedFromWavFilesAndRefuseWhatCannotPlay) {
    std::ostringstream diag;
    sound::SoundSystem sound(diag);
    const int sample = sound.LoadWaveSample(fixtures::WriteWav("step.wav", 22050, 2205, 8000));
    ASSERT_NE(sample, 0) << diag.str();
    EXPECT_EQ(sound.PlaySample(sample, 22050, 64, 0), 0);  // before the output starts nothing plays
    ASSERT_TRUE(sound.Init(sound::Output::Virtual));
    // Frames sounding, and the level in the middle of the sound (its edges ring a little
    // after resampling).
    auto play = [&](int rate, int volume) {
        EXPECT_NE(sound.PlaySample(sample, rate, volume, 0), 0);
        std::vector<std::int16_t> out(2 * 10000);
        sound.Render(out.data(), 10000);
        int frames = 0;
        for (std::size_t i = 0; i < 10000; ++i) {
            EXPECT_EQ(out[2 * i], out[2 * i + 1]) << "centre panning";
            frames += out[2 * i] != 0;
        }
        return std::pair(frames, static_cast<int>(out[2 * static_cast<std::size_t>(frames / 2)]));
    };
    // 2205 frames going by at 22050 a second last 0.1 s: 4410 frames of the 44100 Hz mix.
    EXPECT_NEAR(play(22050, 64).first, 4410, 40);
    const auto [fast, fastLevel] = play(44100, 32);
    EXPECT_NEAR(fast, 2205, 40);
    EXPECT_NEAR(fastLevel, 4000, 50);

    EXPECT_EQ(sound.LoadWaveSample(fixtures::WriteBytes("bad.wav", std::vector<std::uint8_t>(64, 7))), 0);
    EXPECT_EQ(sound.PlaySample(sample + 1, 22050, 64, 0), 0);
    EXPECT_EQ(sound.PlaySample(sample, 0, 64, 0), 0);
}

}  // namespace
