#include "platform/os/Messages.h"

#include <map>
#include <utility>

namespace os {

bool MessageQueue::Post(const Message& message) {
    if (messages_.size() >= kCapacity) return false;
    messages_.push_back(message);
    return true;
}

void MessageQueue::PostQuit(int exitCode) {
    quitPosted_ = true;
    quitCode_ = exitCode;
}

bool MessageQueue::HasMessage() const { return !messages_.empty() || quitPosted_; }

bool MessageQueue::Get(Message& out) {
    if (!messages_.empty()) {
        out = messages_.front();
        messages_.pop_front();
        return true;
    }
    if (quitPosted_) {
        quitPosted_ = false;
        out = Message{0, WM_QUIT, static_cast<std::uintptr_t>(quitCode_), 0};
        return false;
    }
    out = Message{};
    return true;
}

void MessageQueue::Clear() {
    messages_.clear();
    quitPosted_ = false;
    quitCode_ = 0;
}

MessageQueue& ThreadQueue() {
    static MessageQueue queue;
    return queue;
}

namespace {

struct WindowEntry {
    WindowProc proc;
    std::function<void()> onDestroyed;
};

std::map<WindowHandle, WindowEntry>& Windows() {
    static std::map<WindowHandle, WindowEntry> windows;
    return windows;
}

EventSource& Source() {
    static EventSource source;
    return source;
}

}  // namespace

void SetEventSource(EventSource source) { Source() = std::move(source); }

void PollSystemEvents() {
    if (Source()) Source()();
}

bool PostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ThreadQueue().Post(Message{window, message, wParam, lParam});
}

void PostQuitMessage(int exitCode) { ThreadQueue().PostQuit(exitCode); }

bool PeekMessage() {
    PollSystemEvents();
    return ThreadQueue().HasMessage();
}

bool GetMessage(Message& out) { return ThreadQueue().Get(out); }

MessageResult SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    auto it = Windows().find(window);
    if (it == Windows().end() || !it->second.proc) return 0;
    // Copy: the procedure may destroy its own window (and entry) while it runs.
    WindowProc proc = it->second.proc;
    return proc(window, message, wParam, lParam);
}

MessageResult DispatchMessage(const Message& message) {
    return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

MessageResult DefWindowProc(WindowHandle window, unsigned message, std::uintptr_t, std::intptr_t) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

WindowHandle RegisterWindow(WindowProc proc, std::function<void()> onDestroyed) {
    static WindowHandle next = 0;
    const WindowHandle handle = ++next;
    Windows()[handle] = WindowEntry{std::move(proc), std::move(onDestroyed)};
    return handle;
}

void DestroyWindow(WindowHandle window) {
    auto it = Windows().find(window);
    if (it == Windows().end()) return;
    SendMessage(window, WM_DESTROY, 0, 0);
    it = Windows().find(window);  // the procedure may have touched the table
    if (it == Windows().end()) return;
    std::function<void()> hook = std::move(it->second.onDestroyed);
    Windows().erase(it);
    if (hook) hook();
}

bool IsWindow(WindowHandle window) { return Windows().count(window) != 0; }

void ForgetWindow(WindowHandle window) { Windows().erase(window); }

}  // namespace os
