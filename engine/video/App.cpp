#include "engine/video/App.h"

#include <cstdlib>

#include "engine/input/Input.h"
#include "engine/video/Video.h"

void App::Init(int noVideo, void* hInstance) {
    video_.windowProc = [this](os::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        return WindowProc(w, m, wp, lp);
    };
    video_.Init(noVideo, hInstance);
    input_.Init(noVideo, hInstance);
}

void App::PumpMessages() {
    if (!os::PeekMessage()) return;
    os::Message message;
    if (!os::GetMessage(message)) std::exit(static_cast<int>(message.wParam));
    os::DispatchMessage(message);
}

void App::Shutdown() {
    if (onShutdown) onShutdown();
}

os::MessageResult App::WindowProc(os::WindowHandle window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    switch (message) {
        case os::WM_DESTROY:
            Shutdown();
            os::PostQuitMessage(0);
            return 0;
        case os::WM_SETCURSOR:
            // The window module keeps the cursor hidden; nothing to set.
            return 1;
        case os::WM_KEYDOWN:
            // Escape asks the window to close; every other key is swallowed.
            if (wParam == os::VK_ESCAPE) os::PostMessage(window, os::WM_CLOSE, 0, 0);
            return 0;
        default:
            return os::DefWindowProc(window, message, wParam, lParam);
    }
}
