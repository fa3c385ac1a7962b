#include "engine/input/Input.h"

#include "engine/video/ErrorBox.h"
#include "platform/keys/KeyCodes.h"

namespace {

struct KeyFlag {
    std::uint8_t Input::* flag;
    std::uint8_t dik;
};

constexpr KeyFlag kKeyFlags[] = {
    {&Input::keyF1, keys::DIK_F1},         {&Input::keyF2, keys::DIK_F2},
    {&Input::keyF3, keys::DIK_F3},         {&Input::keyF4, keys::DIK_F4},
    {&Input::keyF5, keys::DIK_F5},         {&Input::keyF6, keys::DIK_F6},
    {&Input::keyF7, keys::DIK_F7},         {&Input::keyF8, keys::DIK_F8},
    {&Input::keyF9, keys::DIK_F9},         {&Input::keyF10, keys::DIK_F10},
    {&Input::keyF11, keys::DIK_F11},       {&Input::keyF12, keys::DIK_F12},
    {&Input::key1, keys::DIK_1},           {&Input::key2, keys::DIK_2},
    {&Input::key3, keys::DIK_3},           {&Input::key4, keys::DIK_4},
    {&Input::key5, keys::DIK_5},           {&Input::key6, keys::DIK_6},
    {&Input::key7, keys::DIK_7},           {&Input::key8, keys::DIK_8},
    {&Input::key9, keys::DIK_9},           {&Input::key0, keys::DIK_0},
    {&Input::keyPad1, keys::DIK_NUMPAD1},  {&Input::keyPad2, keys::DIK_NUMPAD2},
    {&Input::keyPad3, keys::DIK_NUMPAD3},  {&Input::keyPad4, keys::DIK_NUMPAD4},
    {&Input::keyPad5, keys::DIK_NUMPAD5},  {&Input::keyPad6, keys::DIK_NUMPAD6},
    {&Input::keyPad7, keys::DIK_NUMPAD7},  {&Input::keyPad8, keys::DIK_NUMPAD8},
    {&Input::keyPad9, keys::DIK_NUMPAD9},  {&Input::keyPad0, keys::DIK_NUMPAD0},
    {&Input::keyPadPlus, keys::DIK_ADD},   {&Input::keyPadMinus, keys::DIK_SUBTRACT},
    {&Input::keyUp, keys::DIK_UP},         {&Input::keyLeft, keys::DIK_LEFT},
    {&Input::keyRight, keys::DIK_RIGHT},   {&Input::keyDown, keys::DIK_DOWN},
    {&Input::keyReturn, keys::DIK_RETURN}, {&Input::keyTab, keys::DIK_TAB},
    {&Input::keyA, keys::DIK_A},           {&Input::keyB, keys::DIK_B},
    {&Input::keyC, keys::DIK_C},           {&Input::keyD, keys::DIK_D},
    {&Input::keyE, keys::DIK_E},
};
static_assert(sizeof kKeyFlags / sizeof kKeyFlags[0] == 45);

}  // namespace

void Input::Init(int noInputFlag, void*) {
    noInput = noInputFlag;
    if (noInput == 1) return;
    if (!keys::OpenSystemDevices()) FatalError("VInput Error", "Couldn't create DirectInput object", 30);
    directInput = true;
    CreateKeyboard();
    CreateMouse();
    mouseDX = mouseDY = 0;
    mouseButton0 = mouseButton1 = mouseButton2 = 0;
}

void Input::CreateKeyboard() {
    if (!directInput) FatalError("VInput Error", "Couldn't get DirectInput device for the keyboard", 31);
    keyboard = &keys::SystemKeyboard();
}

void Input::CreateMouse() {
    if (!directInput) FatalError("VInput Error", "Couldn't get DirectInput device for the mouse", 131);
    mouse = &keys::SystemMouse();
}

void Input::ReadMouse() {
    if (noInput == 1 || !mouse) return;
    mouseButton0 = mouseButton1 = mouseButton2 = 0;
    mouseDX = mouseDY = 0;
    keys::PollSystemDevices();
    eventCount = mouse->Buffer().Read(events, kEventCount);
    for (int i = 0; i < eventCount; ++i) {
        const keys::Record& r = events[i];
        const bool pressed = (r.data & 0x80) != 0;
        switch (r.offset) {
            case keys::DIMOFS_X: mouseDX += static_cast<std::int32_t>(r.data); break;
            case keys::DIMOFS_Y: mouseDY += static_cast<std::int32_t>(r.data); break;
            case keys::DIMOFS_BUTTON0: if (pressed) mouseButton0 = 1; break;
            case keys::DIMOFS_BUTTON1: if (pressed) mouseButton1 = 1; break;
            case keys::DIMOFS_BUTTON2: if (pressed) mouseButton2 = 1; break;
            default: break;
        }
    }
}

void Input::ReadKeyboard() {
    if (noInput == 1 || !keyboard) return;
    keys::PollSystemDevices();
    eventCount = keyboard->Buffer().Read(events, kEventCount);
    if (typedTextStep) typedTextStep(*this);
    keyboard->GetState(keyState);
    for (const KeyFlag& k : kKeyFlags) this->*k.flag = keyState[k.dik] & 0x80;
}
