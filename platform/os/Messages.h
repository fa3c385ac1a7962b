#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

// A window message queue with the semantics the engine was written against: messages are
// posted to a queue, taken one at a time, and dispatched to the procedure of their window.
// Message numbers and virtual-key codes keep the values of that system, so the engine's
// window procedure reads as it always has. No SDL here: the window module feeds the queue.
namespace os {

using WindowHandle = int;  // 0: no window (a message for the thread itself)
using MessageResult = std::intptr_t;

constexpr unsigned WM_NULL = 0;
constexpr unsigned WM_DESTROY = 2;
constexpr unsigned WM_CLOSE = 16;
constexpr unsigned WM_QUIT = 18;
constexpr unsigned WM_SETCURSOR = 32;
constexpr unsigned WM_KEYDOWN = 256;
constexpr unsigned WM_KEYUP = 257;
constexpr unsigned WM_SYSKEYDOWN = 260;
constexpr unsigned WM_SYSKEYUP = 261;
constexpr unsigned WM_USER = 0x400;

constexpr std::uintptr_t VK_BACK = 0x08;
constexpr std::uintptr_t VK_TAB = 0x09;
constexpr std::uintptr_t VK_RETURN = 0x0D;
constexpr std::uintptr_t VK_ESCAPE = 0x1B;
constexpr std::uintptr_t VK_SPACE = 0x20;
constexpr std::uintptr_t VK_LEFT = 0x25;
constexpr std::uintptr_t VK_UP = 0x26;
constexpr std::uintptr_t VK_RIGHT = 0x27;
constexpr std::uintptr_t VK_DOWN = 0x28;
constexpr std::uintptr_t VK_F1 = 0x70;  // F1..F12 are consecutive

struct Message {
    WindowHandle window = 0;
    unsigned message = WM_NULL;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

using WindowProc =
    std::function<MessageResult(WindowHandle, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;

// One thread's queue. The quit request is a flag, not a queued message: it is delivered once
// every message posted before and after it has been taken, as on the original system.
class MessageQueue {
public:
    // A full queue refuses the message (false), like the original's 10000-message limit.
    static constexpr std::size_t kCapacity = 10000;

    bool Post(const Message& message);
    void PostQuit(int exitCode);
    // True when Get would return something (a message or the quit request).
    bool HasMessage() const;
    // Takes the next message. Returns false for the quit request (out.message = WM_QUIT,
    // out.wParam = the exit code); true otherwise. With nothing waiting it returns a WM_NULL.
    bool Get(Message& out);
    std::size_t Size() const { return messages_.size(); }
    void Clear();

private:
    std::deque<Message> messages_;
    bool quitPosted_ = false;
    int quitCode_ = 0;
};

// The process's one queue (the engine runs on one thread).
MessageQueue& ThreadQueue();

// Moves pending system events (keyboard, window closing) into the thread's queue. The window
// module installs the real source; without one it does nothing. Tests may install their own.
using EventSource = std::function<void()>;
void SetEventSource(EventSource source);
void PollSystemEvents();

// The calls of the original API, on the thread's queue and the registered windows.
bool PostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
void PostQuitMessage(int exitCode);
// Polls system events, then reports whether a message waits (without taking it).
bool PeekMessage();
// Takes one message; false when it is the quit request.
bool GetMessage(Message& out);
MessageResult DispatchMessage(const Message& message);
MessageResult SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
// Default handling: WM_CLOSE destroys the window; everything else is answered 0.
MessageResult DefWindowProc(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// Windows as the queue knows them: a procedure, and what to do when the window is destroyed
// (the window module releases its SDL window there).
WindowHandle RegisterWindow(WindowProc proc, std::function<void()> onDestroyed = {});
// Sends WM_DESTROY to the window's procedure, runs its destruction hook, forgets the handle.
void DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
// Forgets the handle without WM_DESTROY or the destruction hook (the owner is going away).
void ForgetWindow(WindowHandle window);

}  // namespace os
