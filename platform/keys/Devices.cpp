#include "platform/keys/Devices.h"

#include <algorithm>

#include "platform/keys/KeyCodes.h"
#include "platform/os/Messages.h"
#include "platform/os/SdlEvents.h"

namespace keys {

void BufferedDevice::Push(std::uint32_t offset, std::uint32_t data, std::uint32_t timeStamp) {
    if (static_cast<int>(records_.size()) >= capacity_) {
        overflowed_ = true;
        return;
    }
    records_.push_back(Record{offset, data, timeStamp, nextSequence_++});
}

int BufferedDevice::Read(Record* out, int max) {
    if (!out || max <= 0) return 0;
    const int n = std::min(max, static_cast<int>(records_.size()));
    for (int i = 0; i < n; ++i) {
        out[i] = records_.front();
        records_.pop_front();
    }
    return n;
}

bool BufferedDevice::TakeOverflow() {
    const bool was = overflowed_;
    overflowed_ = false;
    return was;
}

void BufferedDevice::Clear() {
    records_.clear();
    overflowed_ = false;
}

void Keyboard::KeyEvent(std::uint8_t dik, bool pressed, std::uint32_t timeStamp) {
    if (dik == 0) return;
    if (IsHeld(dik) == pressed) return;
    state_[dik] = pressed ? 0x80 : 0;
    buffer_.Push(dik, pressed ? 0x80 : 0, timeStamp);
    if (!pressed) return;
    // The editing keys give no text of their own.
    if (dik == DIK_BACK) PushText(8);
    else if (dik == DIK_TAB) PushText(9);
    else if (dik == DIK_RETURN || dik == DIK_NUMPADENTER) PushText(10);
}

void Keyboard::PushText(char c) {
    if (static_cast<int>(text_.size()) < kTextCapacity) text_.push_back(c);
}

void Keyboard::TextEvent(const char* utf8) {
    if (!utf8) return;
    for (const char* p = utf8; *p; ++p)
        if (*p >= ' ' && *p <= '~') PushText(*p);
}

int Keyboard::TakeText(char* out, int max) {
    int n = 0;
    for (; n < max && !text_.empty(); ++n) {
        out[n] = text_.front();
        text_.pop_front();
    }
    return n;
}

void Keyboard::GetState(std::uint8_t out[256]) const { std::copy(state_.begin(), state_.end(), out); }

void Keyboard::Reset() {
    state_.fill(0);
    buffer_.Clear();
    text_.clear();
}

void Mouse::Motion(int dx, int dy, std::uint32_t timeStamp) {
    // The original delivers one record per axis that moved.
    if (dx != 0) buffer_.Push(DIMOFS_X, static_cast<std::uint32_t>(dx), timeStamp);
    if (dy != 0) buffer_.Push(DIMOFS_Y, static_cast<std::uint32_t>(dy), timeStamp);
}

void Mouse::Wheel(int dz, std::uint32_t timeStamp) {
    if (dz != 0) buffer_.Push(DIMOFS_Z, static_cast<std::uint32_t>(dz), timeStamp);
}

void Mouse::Button(int button, bool pressed, std::uint32_t timeStamp) {
    if (button < 0 || button > 3) return;
    buffer_.Push(DIMOFS_BUTTON0 + static_cast<std::uint32_t>(button), pressed ? 0x80 : 0, timeStamp);
}

Keyboard& SystemKeyboard() {
    static Keyboard keyboard;
    return keyboard;
}

Mouse& SystemMouse() {
    static Mouse mouse;
    return mouse;
}

namespace {

void OnSdlEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            SystemKeyboard().KeyEvent(DikFromScancode(e.key.keysym.scancode), e.type == SDL_KEYDOWN,
                                      e.key.timestamp);
            break;
        case SDL_TEXTINPUT:
            SystemKeyboard().TextEvent(e.text.text);
            break;
        case SDL_MOUSEMOTION:
            SystemMouse().Motion(e.motion.xrel, e.motion.yrel, e.motion.timestamp);
            break;
        case SDL_MOUSEWHEEL:
            SystemMouse().Wheel(e.wheel.y, e.wheel.timestamp);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int button = -1;
            switch (e.button.button) {
                case SDL_BUTTON_LEFT: button = 0; break;
                case SDL_BUTTON_RIGHT: button = 1; break;
                case SDL_BUTTON_MIDDLE: button = 2; break;
                case SDL_BUTTON_X1: button = 3; break;
                default: break;
            }
            SystemMouse().Button(button, e.type == SDL_MOUSEBUTTONDOWN, e.button.timestamp);
            break;
        }
        case SDL_WINDOWEVENT:
            // Keys released while another window had the focus would otherwise stay held.
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) SystemKeyboard().ReleaseAll();
            break;
        default:
            break;
    }
}

}  // namespace

bool OpenSystemDevices() {
    static bool open = false;
    if (open) return true;
    if (!os::StartSdlEvents()) return false;
    os::AddSdlEventListener(OnSdlEvent);
    open = true;
    return true;
}

void PollSystemDevices() { os::PollSystemEvents(); }

std::uint8_t DikFromScancode(int sdlScancode) {
    if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z) {
        static constexpr std::uint8_t letters[26] = {
            DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I, DIK_J, DIK_K, DIK_L, DIK_M,
            DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R, DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
        return letters[sdlScancode - SDL_SCANCODE_A];
    }
    // SDL orders 1..9, 0 like the key codes do.
    if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_0)
        return static_cast<std::uint8_t>(DIK_1 + (sdlScancode - SDL_SCANCODE_1));
    if (sdlScancode >= SDL_SCANCODE_F1 && sdlScancode <= SDL_SCANCODE_F10)
        return static_cast<std::uint8_t>(DIK_F1 + (sdlScancode - SDL_SCANCODE_F1));
    switch (sdlScancode) {
        case SDL_SCANCODE_RETURN: return DIK_RETURN;
        case SDL_SCANCODE_ESCAPE: return DIK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE: return DIK_BACK;
        case SDL_SCANCODE_TAB: return DIK_TAB;
        case SDL_SCANCODE_SPACE: return DIK_SPACE;
        case SDL_SCANCODE_MINUS: return DIK_MINUS;
        case SDL_SCANCODE_EQUALS: return DIK_EQUALS;
        case SDL_SCANCODE_LEFTBRACKET: return DIK_LBRACKET;
        case SDL_SCANCODE_RIGHTBRACKET: return DIK_RBRACKET;
        case SDL_SCANCODE_BACKSLASH: return DIK_BACKSLASH;
        case SDL_SCANCODE_NONUSHASH: return DIK_BACKSLASH;
        case SDL_SCANCODE_SEMICOLON: return DIK_SEMICOLON;
        case SDL_SCANCODE_APOSTROPHE: return DIK_APOSTROPHE;
        case SDL_SCANCODE_GRAVE: return DIK_GRAVE;
        case SDL_SCANCODE_COMMA: return DIK_COMMA;
        case SDL_SCANCODE_PERIOD: return DIK_PERIOD;
        case SDL_SCANCODE_SLASH: return DIK_SLASH;
        case SDL_SCANCODE_CAPSLOCK: return DIK_CAPITAL;
        case SDL_SCANCODE_F11: return DIK_F11;
        case SDL_SCANCODE_F12: return DIK_F12;
        case SDL_SCANCODE_PRINTSCREEN: return DIK_SYSRQ;
        case SDL_SCANCODE_SCROLLLOCK: return DIK_SCROLL;
        case SDL_SCANCODE_PAUSE: return DIK_PAUSE;
        case SDL_SCANCODE_INSERT: return DIK_INSERT;
        case SDL_SCANCODE_HOME: return DIK_HOME;
        case SDL_SCANCODE_PAGEUP: return DIK_PRIOR;
        case SDL_SCANCODE_DELETE: return DIK_DELETE;
        case SDL_SCANCODE_END: return DIK_END;
        case SDL_SCANCODE_PAGEDOWN: return DIK_NEXT;
        case SDL_SCANCODE_RIGHT: return DIK_RIGHT;
        case SDL_SCANCODE_LEFT: return DIK_LEFT;
        case SDL_SCANCODE_DOWN: return DIK_DOWN;
        case SDL_SCANCODE_UP: return DIK_UP;
        case SDL_SCANCODE_NUMLOCKCLEAR: return DIK_NUMLOCK;
        case SDL_SCANCODE_KP_DIVIDE: return DIK_DIVIDE;
        case SDL_SCANCODE_KP_MULTIPLY: return DIK_MULTIPLY;
        case SDL_SCANCODE_KP_MINUS: return DIK_SUBTRACT;
        case SDL_SCANCODE_KP_PLUS: return DIK_ADD;
        case SDL_SCANCODE_KP_ENTER: return DIK_NUMPADENTER;
        case SDL_SCANCODE_KP_1: return DIK_NUMPAD1;
        case SDL_SCANCODE_KP_2: return DIK_NUMPAD2;
        case SDL_SCANCODE_KP_3: return DIK_NUMPAD3;
        case SDL_SCANCODE_KP_4: return DIK_NUMPAD4;
        case SDL_SCANCODE_KP_5: return DIK_NUMPAD5;
        case SDL_SCANCODE_KP_6: return DIK_NUMPAD6;
        case SDL_SCANCODE_KP_7: return DIK_NUMPAD7;
        case SDL_SCANCODE_KP_8: return DIK_NUMPAD8;
        case SDL_SCANCODE_KP_9: return DIK_NUMPAD9;
        case SDL_SCANCODE_KP_0: return DIK_NUMPAD0;
        case SDL_SCANCODE_KP_PERIOD: return DIK_DECIMAL;
        case SDL_SCANCODE_NONUSBACKSLASH: return DIK_OEM_102;
        case SDL_SCANCODE_APPLICATION: return DIK_APPS;
        case SDL_SCANCODE_LCTRL: return DIK_LCONTROL;
        case SDL_SCANCODE_LSHIFT: return DIK_LSHIFT;
        case SDL_SCANCODE_LALT: return DIK_LMENU;
        case SDL_SCANCODE_LGUI: return DIK_LWIN;
        case SDL_SCANCODE_RCTRL: return DIK_RCONTROL;
        case SDL_SCANCODE_RSHIFT: return DIK_RSHIFT;
        case SDL_SCANCODE_RALT: return DIK_RMENU;
        case SDL_SCANCODE_RGUI: return DIK_RWIN;
        default: return 0;
    }
}

}  // namespace keys
