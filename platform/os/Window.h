#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/os/Messages.h"
#include "platform/os/Presenter.h"

// The program's one window over SDL2: full screen at the desktop's resolution (or a plain
// window), no cursor, the shown frame scaled with its aspect kept and letterboxed. Its
// keyboard and close events arrive as window messages through the thread's queue.
namespace os {

struct WindowOptions {
    const char* title = "";
    bool fullScreen = true;
    // Size of a plain window; a full-screen one takes the desktop's.
    int width = 640;
    int height = 480;
};

// Creates, registers and shows the main window. Returns 0 when no window can be opened
// (no display); LastWindowError says why. Only one main window exists at a time: a new one
// replaces the old one as CloseMainWindowQuietly does.
WindowHandle CreateMainWindow(const WindowOptions& options, WindowProc proc);
WindowHandle MainWindow();
// Releases the main window without any message to its procedure, for an owner that is
// going away (no WM_DESTROY, no quit).
void CloseMainWindowQuietly();
void ShowMainWindow(bool show);
bool IsMainWindowShown();
std::string LastWindowError();

// True when a real display is in use (not SDL's dummy or offscreen drivers), so that a
// message box can be seen by someone.
bool DisplayExists();
// An exclamation box with an OK button; returns when it is closed. Does nothing without a
// display.
void ShowMessageBox(const char* caption, const char* text);

// Shows one RGB565 frame in the main window (nothing when there is none).
void PresentToWindow(const std::uint16_t* pixels, int width, int height);
// A frame sink for SetFrameSink that presents to the main window.
FrameSink WindowSink();

// Called with the frame last shown in the main window when F12 is pressed there (nothing
// happens before a frame was shown). Alt+Enter switches that window between full screen and
// a plain window; both keys still reach the window procedure.
using ScreenshotHandler = std::function<void(const std::uint16_t* pixels, int width, int height)>;
void SetScreenshotHandler(ScreenshotHandler handler);
bool IsMainWindowFullScreen();
void ToggleMainWindowFullScreen();

}  // namespace os
