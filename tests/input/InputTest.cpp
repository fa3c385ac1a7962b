#include <gtest/gtest.h>

#include <SDL.h>

#include <tuple>
#include <utility>

#include "support/Headless.h"
#include "support/PushKey.h"
#include "engine/input/Input.h"
#include "platform/keys/Devices.h"
#include "platform/keys/KeyCodes.h"

namespace {

// An Input on its own devices, so tests do not share the system keyboard's state.
struct TestInput {
    keys::Keyboard keyboard;
    keys::Mouse mouse;
    Input input;
    TestInput() {
        input.keyboard = &keyboard;
        input.mouse = &mouse;
    }
};

}  // namespace

// Codes name keys by their place on the board; out-of-range scancodes have none.
TEST(KeyCodes, SdlScancodesMapByPosition) {
    using namespace keys;
    const std::pair<int, int> cases[] = {
        {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_Z, DIK_Z},   {SDL_SCANCODE_0, DIK_0},
        {SDL_SCANCODE_F11, DIK_F11},       {SDL_SCANCODE_UP, DIK_UP}, {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
        {SDL_SCANCODE_UNKNOWN, 0},         {-1, 0},                   {100000, 0}};
    for (auto [scancode, dik] : cases) EXPECT_EQ(DikFromScancode(scancode), dik) << scancode;
    // Every code is used by at most one scancode, apart from the two backslash positions.
    int owners[256] = {};
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (sc != SDL_SCANCODE_NONUSHASH) ++owners[DikFromScancode(sc)];
    for (int dik = 1; dik < 256; ++dik) EXPECT_LE(owners[dik], 1) << dik;
}

// Each read hands over the changes since the previous one: key records oldest first, the
// keys held at the read, mouse motion summed and button presses.
TEST(InputRead, ChangesSinceThePreviousRead) {
    TestInput t;
    t.keyboard.KeyEvent(keys::DIK_A, true, 1);
    t.keyboard.KeyEvent(keys::DIK_A, true, 2);  // a repeat is not a change
    t.keyboard.KeyEvent(keys::DIK_B, true, 3);
    t.keyboard.KeyEvent(keys::DIK_B, false, 4);  // pressed and released between reads
    t.keyboard.KeyEvent(keys::DIK_NUMPAD0, true, 5);
    t.mouse.Motion(10, 3, 1);
    t.mouse.Motion(-4, 0, 2);
    t.mouse.Button(0, true, 3);
    t.mouse.Button(0, false, 4);
    t.mouse.Button(0, true, 5);  // two presses: still 1
    t.mouse.Button(2, true, 6);
    t.mouse.Wheel(120, 7);  // ignored by the read
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.keyA, 0x80);
    EXPECT_EQ(t.input.keyB, 0);
    EXPECT_EQ(t.input.keyPad0, 0x80);
    const std::pair<unsigned, unsigned> records[] = {
        {keys::DIK_A, 0x80}, {keys::DIK_B, 0x80}, {keys::DIK_B, 0}, {keys::DIK_NUMPAD0, 0x80}};
    ASSERT_EQ(t.input.eventCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::make_pair(t.input.events[i].offset, t.input.events[i].data), records[i]) << i;
        EXPECT_GT(t.input.events[i].sequence, i > 0 ? t.input.events[i - 1].sequence : 0u);
    }
    t.input.ReadMouse();
    EXPECT_EQ(std::make_pair(t.input.mouseDX, t.input.mouseDY), std::make_pair(6, 3));
    EXPECT_EQ(std::make_tuple(t.input.mouseButton0, t.input.mouseButton1, t.input.mouseButton2), std::make_tuple(1, 0, 1));

    t.keyboard.KeyEvent(keys::DIK_A, false, 7);
    t.input.ReadMouse();
    EXPECT_EQ(t.input.mouseDX + t.input.mouseButton0, 0);
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.keyA, 0);
    EXPECT_EQ(t.input.keyPad0, 0x80);  // still held
    EXPECT_EQ(t.input.eventCount, 1);
}

TEST(InputKeyboard, BufferHoldsThirtyTwoRecordsAndFeedsTheTypedTextStep) {
    TestInput t;
    for (int i = 0; i < 40; ++i) t.keyboard.KeyEvent(keys::DIK_SPACE, i % 2 == 0, i);
    t.input.typedTextStep = [](Input& in) {
        in.typedCount = 0;
        for (int i = 0; i < in.eventCount; ++i)
            if (in.events[i].data & 0x80) in.typed[in.typedCount++] = ' ';
    };
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.eventCount, 32);  // the newest records were lost, as the device's buffer does
    EXPECT_EQ(t.input.typedCount, 16);
    EXPECT_TRUE(t.keyboard.Buffer().TakeOverflow());
    EXPECT_FALSE(t.keyboard.Buffer().TakeOverflow());
}

// Without input nothing is opened and reads stay off even with a device; with it, SDL's
// events reach the buffered records.
TEST(InputSystem, TheSwitchAndSdlEvents) {
    Input off;
    off.Init(1, nullptr);
    EXPECT_EQ(off.keyboard, nullptr);
    keys::Keyboard kb;
    off.keyboard = &kb;
    kb.KeyEvent(keys::DIK_E, true, 0);
    off.ReadKeyboard();
    EXPECT_EQ(off.keyE, 0);
    EXPECT_EQ(kb.Buffer().Pending(), 1);

    Input input;
    input.Init(0, nullptr);
    ASSERT_TRUE(input.directInput);
    keys::SystemKeyboard().Reset();
    keys::SystemMouse().Reset();
    PushKey(SDL_SCANCODE_W, SDLK_z);  // the Z key of an AZERTY board: named by its place
    SDL_Event motion{}, button{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = -7;
    motion.motion.yrel = 2;
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    for (SDL_Event* e : {&motion, &button}) SDL_PushEvent(e);
    input.ReadKeyboard();
    ASSERT_EQ(input.eventCount, 1);
    EXPECT_EQ(input.events[0].offset, keys::DIK_W);
    EXPECT_EQ(input.keyState[keys::DIK_W], 0x80);
    input.ReadMouse();
    EXPECT_EQ(std::make_pair(input.mouseDX, input.mouseDY), std::make_pair(-7, 2));
    EXPECT_EQ(input.mouseButton1, 1);
}
