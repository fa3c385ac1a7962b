#include "platform/os/Window.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/os/SdlEvents.h"

namespace os {
namespace {

struct WindowState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
    WindowHandle handle = 0;
    std::vector<std::uint16_t> shown;   // the last frame, for F12
    int shownWidth = 0, shownHeight = 0;
    ScreenshotHandler screenshot;
    std::string lastError;
};

WindowState& State() {
    static WindowState state;
    return state;
}

std::map<int, SdlEventListener>& Listeners() {
    static std::map<int, SdlEventListener> listeners;
    return listeners;
}

bool g_eventsStarted = false;
bool g_videoStarted = false;
bool g_atExitRegistered = false;

void ReleaseWindowResources() {
    WindowState& s = State();
    if (s.texture) SDL_DestroyTexture(s.texture);
    if (s.renderer) SDL_DestroyRenderer(s.renderer);
    if (s.window) SDL_DestroyWindow(s.window);
    s.texture = nullptr;
    s.renderer = nullptr;
    s.window = nullptr;
    s.textureWidth = s.textureHeight = 0;
    s.shown.clear();
    s.shownWidth = s.shownHeight = 0;
}

// Keys the window itself answers, before the procedure sees them.
void WindowKeys(const SDL_Event& e) {
    if (e.type != SDL_KEYDOWN || e.key.repeat) return;
    WindowState& s = State();
    if (!s.window) return;
    if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT)) {
        ToggleMainWindowFullScreen();
    } else if (e.key.keysym.sym == SDLK_F12 && s.screenshot && !s.shown.empty()) {
        s.screenshot(s.shown.data(), s.shownWidth, s.shownHeight);
    }
}

// Runs before the engine's global destructors (registered later than they were built), so
// those find the window gone and do nothing with SDL.
void QuitSdl() {
    ReleaseWindowResources();
    State().handle = 0;
    if (g_videoStarted || g_eventsStarted) SDL_Quit();
    g_videoStarted = g_eventsStarted = false;
}

void RegisterAtExit() {
    if (!g_atExitRegistered) {
        g_atExitRegistered = true;
        std::atexit(QuitSdl);
    }
}

// Virtual-key code of an SDL key, for the keys a window procedure is likely to look at.
std::uintptr_t VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<std::uintptr_t>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<std::uintptr_t>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<std::uintptr_t>(key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        default: return 0;
    }
}

// Window messages for the events the engine's window procedure handles; the rest go only to
// the listeners. Pointer motion never becomes a message, so it cannot crowd out Escape.
void TranslateToMessages(const SDL_Event& e) {
    const WindowHandle main = State().handle;
    if (main == 0) return;
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = e.type == SDL_KEYDOWN;
            const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            const unsigned msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
            // Bit 30: the key was already down (auto-repeat), as the original reports it.
            const std::intptr_t lParam = 1 | (e.key.repeat ? (std::intptr_t{1} << 30) : 0);
            PostMessage(main, msg, VirtualKey(e.key.keysym.sym), lParam);
            break;
        }
        case SDL_QUIT:
            // The window manager's close button, or an interrupt: ask the window to close.
            PostMessage(main, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void DrainSdlEvents() {
    if (!g_eventsStarted) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        WindowKeys(e);
        TranslateToMessages(e);
        for (auto& [id, listener] : Listeners()) listener(e);
    }
}

}  // namespace

bool StartSdlEvents() {
    if (g_eventsStarted) return true;
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return false;
    g_eventsStarted = true;
    RegisterAtExit();
    SetEventSource(DrainSdlEvents);
    return true;
}

int AddSdlEventListener(SdlEventListener listener) {
    static int next = 0;
    Listeners()[++next] = std::move(listener);
    return next;
}

void RemoveSdlEventListener(int id) { Listeners().erase(id); }

WindowHandle CreateMainWindow(const WindowOptions& options, WindowProc proc) {
    WindowState& s = State();
    CloseMainWindowQuietly();
    if (!g_videoStarted) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            s.lastError = SDL_GetError();
            return 0;
        }
        g_videoStarted = true;
        RegisterAtExit();
    }
    if (!StartSdlEvents()) {
        s.lastError = SDL_GetError();
        return 0;
    }
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED, w = options.width, h = options.height;
    SDL_DisplayMode desktop;
    if (options.fullScreen && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        // A borderless window over the whole desktop, so the picture fills the screen even
        // where no window manager honours the full-screen request.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        x = y = 0;
        w = desktop.w;
        h = desktop.h;
    }
    s.window = SDL_CreateWindow(options.title ? options.title : "", x, y, w, h, flags);
    if (!s.window) {
        s.lastError = SDL_GetError();
        return 0;
    }
    s.renderer = SDL_CreateRenderer(s.window, -1, 0);
    if (!s.renderer) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
    if (!s.renderer) {
        s.lastError = SDL_GetError();
        ReleaseWindowResources();
        return 0;
    }
    SDL_ShowCursor(SDL_DISABLE);
    s.handle = RegisterWindow(std::move(proc), [] {
        ReleaseWindowResources();
        State().handle = 0;
    });
    // A black first picture instead of whatever the screen held.
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    SDL_RenderClear(s.renderer);
    SDL_ShowWindow(s.window);
    SDL_RenderPresent(s.renderer);
    return s.handle;
}

WindowHandle MainWindow() { return State().handle; }

void CloseMainWindowQuietly() {
    WindowState& s = State();
    if (s.handle != 0) ForgetWindow(s.handle);
    s.handle = 0;
    ReleaseWindowResources();
}

void ShowMainWindow(bool show) {
    SDL_Window* w = State().window;
    if (!w) return;
    if (show) {
        SDL_ShowWindow(w);
    } else {
        SDL_HideWindow(w);
    }
}

bool IsMainWindowShown() {
    SDL_Window* w = State().window;
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN) != 0;
}

std::string LastWindowError() { return State().lastError; }

bool DisplayExists() {
    if (!g_videoStarted) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

void ShowMessageBox(const char* caption, const char* text) {
    if (!DisplayExists()) return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption ? caption : "", text ? text : "", nullptr);
}

void PresentToWindow(const std::uint16_t* pixels, int width, int height) {
    WindowState& s = State();
    if (!s.renderer || !pixels || width <= 0 || height <= 0) return;
    if (!s.texture || s.textureWidth != width || s.textureHeight != height) {
        if (s.texture) SDL_DestroyTexture(s.texture);
        s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!s.texture) return;
        s.textureWidth = width;
        s.textureHeight = height;
        // Scales the picture to the window with its aspect kept; the rest stays black.
        SDL_RenderSetLogicalSize(s.renderer, width, height);
    }
    // Whole-number enlargements stay crisp with nearest pixels; others are smoothed rather
    // than given uneven pixel widths.
    int outWidth = 0, outHeight = 0;
    if (SDL_GetRendererOutputSize(s.renderer, &outWidth, &outHeight) == 0) {
        const bool whole = (outWidth * height <= outHeight * width) ? outWidth % width == 0 : outHeight % height == 0;
        SDL_SetTextureScaleMode(s.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    }
    s.shown.assign(pixels, pixels + std::size_t(width) * height);
    s.shownWidth = width, s.shownHeight = height;
    SDL_UpdateTexture(s.texture, nullptr, pixels, width * 2);
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    SDL_RenderClear(s.renderer);
    SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
    SDL_RenderPresent(s.renderer);
}

void SetScreenshotHandler(ScreenshotHandler handler) { State().screenshot = std::move(handler); }

bool IsMainWindowFullScreen() {
    SDL_Window* w = State().window;
    return w && (SDL_GetWindowFlags(w) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP)) != 0;
}

void ToggleMainWindowFullScreen() {
    SDL_Window* w = State().window;
    if (!w) return;
    if (IsMainWindowFullScreen()) {
        SDL_SetWindowFullscreen(w, 0);
        SDL_SetWindowBordered(w, SDL_TRUE);
        SDL_SetWindowSize(w, 640, 480);
        SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

FrameSink WindowSink() { return [](const std::uint16_t* p, int w, int h) { PresentToWindow(p, w, h); }; }

}  // namespace os
