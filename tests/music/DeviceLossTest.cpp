// The sound device going away during real play: SDL's device-removed event for our device
// switches the music to the clock, said once, and the cues keep coming; events for other
// devices change nothing.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "MusicFixtures.h"
#include "engine/music/Music.h"

namespace {

void PushRemoved(std::uint32_t which, bool capture) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_AUDIODEVICEREMOVED;
    e.adevice.which = which;
    e.adevice.iscapture = capture ? 1 : 0;
    SDL_PushEvent(&e);
}

// Waits (boundedly: the music runs on SDL's thread) until the count has gone `more` past `from`.
bool CountsOn(const Music& music, int from, int more) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (music.syncCount < from + more && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return music.syncCount >= from + more;
}

TEST(MusicDeviceLoss, RemovedDeviceSwitchesToTheClockAndTheCuesGoOn) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Music music;
    testing::internal::CaptureStderr();
    music.Init(1);
    saved ? setenv("SDL_AUDIODRIVER", previous.c_str(), 1) : unsetenv("SDL_AUDIODRIVER");
    sound::SoundSystem& sound = music.Sound();
    ASSERT_NE(sound.DeviceId(), 0u);

    xm::Module m = fixtures::Blank(2, {16}, {0});
    fixtures::AddTone(m);
    for (int r : {0, 4, 8, 12}) fixtures::Sync(m, 0, r, 1);
    music.PlayModule(fixtures::WriteModule("lost.xm", m).c_str());
    ASSERT_TRUE(CountsOn(music, 0, 3));

    // Another device, or a recording device with our number: not ours.
    PushRemoved(sound.DeviceId() + 1, false);
    PushRemoved(sound.DeviceId(), true);
    EXPECT_FALSE(sound.DeviceLost());

    PushRemoved(sound.DeviceId(), false);
    PushRemoved(sound.DeviceId(), false);  // said once
    EXPECT_TRUE(sound.DeviceLost());
    const int atLoss = music.syncCount;
    EXPECT_TRUE(CountsOn(music, atLoss, 6)) << "cues stopped after the device went away: " << music.syncCount;
    music.Close();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string said = "sound: the audio device went away; the music goes on, not heard\n";
    ASSERT_NE(err.find(said), std::string::npos) << err;
    EXPECT_EQ(err.find(said), err.rfind(said)) << err;
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace
