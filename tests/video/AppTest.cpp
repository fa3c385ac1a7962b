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
            Input input;
            App app(video, input);
            app.Init(1, nullptr);  // no window: the quit code still ends the process
            os::PostQuitMessage(7);
            app.PumpMessages();
            std::exit(99);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.StartGlide();
            FatalError("V3D Error", "There is no Active Renderer", 200);
        },
        ::testing::ExitedWithCode(200), "V3D Error: There is no Active Renderer");
}

TEST(App, OneMessagePerPumpAndTheWindowProcedure) {
    Video video;
    Input input;
    App app(video, input);
    app.Init(1, nullptr);  // no window, no input: the thread's queue still works
    EXPECT_EQ(video.hwnd, 0);
    os::ThreadQueue().Clear();

    int handled = 0;
    const os::WindowHandle counter = os::RegisterWindow([&](os::WindowHandle, unsigned, std::uintptr_t, std::intptr_t) {
        ++handled;
        return os::MessageResult{0};
    });
    for (int i = 0; i < 3; ++i) os::PostMessage(counter, os::WM_USER + i, 0, 0);
    app.PumpMessages();
    EXPECT_EQ(handled, 1);
    for (int i = 0; i < 3; ++i) app.PumpMessages();  // the last finds nothing: returns at once
    EXPECT_EQ(handled, 3);
    os::DestroyWindow(counter);

    // The procedure itself: keys other than Escape are answered 0 and post nothing; the
    // cursor is never set; Escape posts exactly a close request.
    EXPECT_EQ(app.WindowProc(counter, os::WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(os::ThreadQueue().Size(), 0u);
    EXPECT_EQ(app.WindowProc(counter, os::WM_SETCURSOR, 0, 0), 1);
    EXPECT_EQ(app.WindowProc(counter, os::WM_KEYDOWN, os::VK_ESCAPE, 0), 0);
    os::Message m;
    ASSERT_TRUE(os::GetMessage(m));
    EXPECT_EQ(m.message, os::WM_CLOSE);
    EXPECT_EQ(m.window, counter);
    EXPECT_FALSE(os::ThreadQueue().HasMessage());
}

TEST(ErrorBox, ShutsTheDisplayDownBeforeItsBox) {
    Video video;
    Input input;
    App app(video, input);
    app.Init(0, nullptr);  // the dummy display: a window, but nobody to see a box
    ASSERT_NE(video.hwnd, 0);
    EXPECT_TRUE(os::IsMainWindowShown());
    EXPECT_FALSE(os::DisplayExists());
    ::testing::internal::CaptureStderr();
    ErrorBox("V3D Error", "There is no Active Renderer");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "V3D Error: There is no Active Renderer\n");
    EXPECT_FALSE(os::IsMainWindowShown());
    EXPECT_TRUE(os::IsWindow(video.hwnd));  // hidden, not destroyed
}
