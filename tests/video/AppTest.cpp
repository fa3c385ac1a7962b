#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "support/Headless.h"
#include "support/PushKey.h"
#include "engine/input/Input.h"
#include "engine/video/App.h"
#include "engine/video/ErrorBox.h"
#include "platform/os/Window.h"

TEST(AppDeathTest, ExitCodes) {
    // Key A, Escape (posts the close request), close (destroys the window: music closed,
    // quit posted), quit: one message per pump.
    EXPECT_EXIT(
        {
            Video video;
            Input input;
            App app(video, input);  // a real (invisible) window on SDL's dummy display
            app.onShutdown = [] { std::fprintf(stderr, "music closed\n"); };
            app.Init(0, nullptr);
            if (video.hwnd == 0) std::exit(90);
            PushKey(SDL_SCANCODE_A, SDLK_a);  // any other key: swallowed, but it costs a pump
            PushKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
            for (int pump = 1; pump <= 10; ++pump) {
                std::fprintf(stderr, "pump %d\n", pump);
                app.PumpMessages();
            }
            std::exit(91);  // never ended
        },
        ::testing::ExitedWithCode(0), "^pump 1\npump 2\npump 3\nmusic closed\npump 4\n$");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no_such_video_driver", 1);
            Video video;
            video.Init(0, nullptr);
        },
        ::testing::ExitedWithCode(2), "VVideo Error: Couldn't create the window\n(.|\n)*--capture");
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.StartGlide();  // the error box closes the board first
            FatalError("V3D Error", "There is no Active Renderer", 200);
        },
        ::testing::ExitedWithCode(200), "V3D Error: There is no Active Renderer");
}

TEST(ErrorBox, ShutsTheDisplayDownBeforeItsBox) {
    Video video;
    Input input;
    App app(video, input);
    app.Init(0, nullptr);  // the dummy display: a window, but nobody to see a box
    ASSERT_NE(video.hwnd, 0);
    EXPECT_TRUE(os::IsMainWindowShown());
    ::testing::internal::CaptureStderr();
    ErrorBox("V3D Error", "There is no Active Renderer");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "V3D Error: There is no Active Renderer\n");
    EXPECT_FALSE(os::IsMainWindowShown());
    EXPECT_TRUE(os::IsWindow(video.hwnd));  // hidden, not destroyed
}
