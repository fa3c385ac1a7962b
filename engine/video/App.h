#pragma once

#include <cstdint>
#include <functional>

#include "platform/os/Messages.h"

class Video;
class Input;

// The application shell: starts the display and the input with one switch, pumps one window
// message per frame, and ends the process with the quit code once the window is gone.
class App {
public:
    App(Video& video, Input& input) : video_(video), input_(input) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Video::Init then Input::Init, both with the same two arguments.
    void Init(int noVideo, void* hInstance);
    // Handles at most one queued message; the quit message ends the process with its code.
    void PumpMessages();
    // Run when the window is destroyed: closes the music (onShutdown).
    void Shutdown();
    // The main window's message handler.
    os::MessageResult WindowProc(os::WindowHandle window, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam);

    // What Shutdown closes: the program sets it to its music's Close.
    std::function<void()> onShutdown;

private:
    Video& video_;
    Input& input_;
};
