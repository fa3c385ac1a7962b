// The mix: events heard after the device's latency, the music volume, samples on top of the
// music at their rate, volume and panning.

#include "MusicFixtures.h"
#include "platform/sound/Mixer.h"
#include "platform/sound/SoundSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// A quiet steady tone, so that a sample on top of it does not clip.
xm::Module Tone() {
    xm::Module m = fixtures::Blank(2, {16}, {0});
    fixtures::AddTone(m, 0x10 + 20);
    return m;
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

// The fades work through the music volume: half is half, 0 is silence, above 64 is 64.
TEST(Mixer, MusicVolumeScalesTheModuleLinearlyAndClampsTo64) {
    std::vector<std::int16_t> out[4];
    for (int i = 0; i < 4; ++i) {
        sound::Mixer mixer;
        mixer.SetModule(LoadPlayer(Tone()), true);
        mixer.SetMusicVolume(std::array{64, 32, 200, 0}[i]);
        out[i].resize(2 * 8000);
        mixer.Render(out[i].data(), 8000);
    }
    EXPECT_GT(*std::max_element(out[0].begin(), out[0].end()), 300);  // the tone is really there
    for (std::size_t i = 0; i < out[0].size(); ++i)
        ASSERT_TRUE(std::abs(2 * out[1][i] - out[0][i]) <= 2 && out[2][i] == out[0][i] && out[3][i] == 0) << i;
}

// A WAV sample of 2205 equal frames (8000), played by the sound system on top of the music,
// compared with the music alone: it lasts as long as its rate says, sounds at its volume and
// panning, and a new sample replaces the one playing.
TEST(Samples, AddToTheMusicAtTheRateVolumeAndPanningAskedAndReplaceEachOther) {
    std::ostringstream diag;
    sound::SoundSystem withSample(diag), musicOnly(diag);
    const int sample = withSample.LoadWaveSample(fixtures::WriteWav("step.wav", 22050, 2205, 8000));
    ASSERT_NE(sample, 0) << diag.str();
    EXPECT_EQ(withSample.PlaySample(sample, 22050, 64, 0), 0);  // before the output starts nothing plays
    const std::string music = fixtures::WriteModule("under.xm", Tone());
    for (sound::SoundSystem* s : {&withSample, &musicOnly}) {
        ASSERT_TRUE(s->Init(sound::Output::Virtual));
        s->PlayModule(s->LoadModule(music), true);
    }
    // Plays the sample and mixes `frames`: it sounds in `sounding` of them, adding `left` and
    // `right` in the middle of those (its edges ring a little after resampling).
    auto expectHeard = [&](int rate, int volume, int panning, std::size_t frames, int sounding, int left, int right) {
        SCOPED_TRACE("rate " + std::to_string(rate) + " panning " + std::to_string(panning));
        EXPECT_NE(withSample.PlaySample(sample, rate, volume, panning), 0);
        std::vector<std::int16_t> a(2 * frames), b(2 * frames);
        withSample.Render(a.data(), frames);
        musicOnly.Render(b.data(), frames);
        std::size_t n = 0;
        for (std::size_t i = 0; i < 2 * frames; i += 2) n += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) > 100;
        EXPECT_NEAR(static_cast<double>(n), sounding, 40);
        const std::size_t middle = 2 * (n / 2);
        EXPECT_NEAR(a[middle] - b[middle], left, std::max(2, left / 80));
        EXPECT_NEAR(a[middle + 1] - b[middle + 1], right, std::max(2, right / 80));
    };
    // 2205 frames going by at 22050 a second last 0.1 s: 4410 frames of the 44100 Hz mix.
    expectHeard(22050, 64, 0, 6000, 4410, 8000, 8000);
    expectHeard(44100, 32, -64, 3000, 2205, 4000, 0);  // half volume, hard left
    // Hard right for 1000 frames, then a new sample hard left: the first is cut, not summed.
    expectHeard(22050, 64, 64, 1000, 1000, 0, 8000);
    expectHeard(22050, 64, -64, 1000, 1000, 8000, 0);

    EXPECT_EQ(withSample.LoadWaveSample(fixtures::WriteBytes("bad.wav", std::vector<std::uint8_t>(64, 7))), 0);
    EXPECT_EQ(withSample.PlaySample(sample + 1, 22050, 64, 0), 0);
    EXPECT_EQ(withSample.PlaySample(sample, 0, 64, 0), 0);
}

}  // namespace
