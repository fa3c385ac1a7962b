#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

#include "engine/input/Input.h"
#include "platform/keys/Devices.h"
#include "platform/keys/KeyCodes.h"

namespace {

struct Headless {
    Headless() { setenv("SDL_VIDEODRIVER", "dummy", 1); }
} headless;

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

TEST(KeyCodes, SdlScancodesMapByPosition) {
    const struct {
        int scancode, dik;
    } cases[] = {
        {SDL_SCANCODE_ESCAPE, keys::DIK_ESCAPE}, {SDL_SCANCODE_A, 0x1E}, {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_1, 0x02},  {SDL_SCANCODE_0, 0x0B},    {SDL_SCANCODE_F10, 0x44},
        {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_KP_7, 0x47}, {SDL_SCANCODE_KP_MINUS, 0x4A},
        {SDL_SCANCODE_UP, 0xC8},  {SDL_SCANCODE_DOWN, 0xD0}, {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_UNKNOWN, 0}, {-1, 0},                 {100000, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(keys::DikFromScancode(c.scancode), c.dik) << c.scancode;
    // Every code is used by at most one scancode, apart from the two backslash positions.
    int owners[256] = {};
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (sc != SDL_SCANCODE_NONUSHASH) ++owners[keys::DikFromScancode(sc)];
    for (int dik = 1; dik < 256; ++dik) EXPECT_LE(owners[dik], 1) << dik;
}

TEST(InputKeyboard, FlagsShowKeysHeldAtTheRead) {
    TestInput t;
    t.keyboard.KeyEvent(keys::DIK_A, true, 1);
    t.keyboard.KeyEvent(keys::DIK_A, true, 2);  // a repeat is not a change
    t.keyboard.KeyEvent(keys::DIK_B, true, 3);
    t.keyboard.KeyEvent(keys::DIK_B, false, 4);  // pressed and released between reads
    t.keyboard.KeyEvent(keys::DIK_F12, true, 5);
    t.keyboard.KeyEvent(keys::DIK_NUMPAD0, true, 6);
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.keyA, 0x80);
    EXPECT_EQ(t.input.keyB, 0);
    EXPECT_EQ(t.input.keyF12, 0x80);
    EXPECT_EQ(t.input.keyPad0, 0x80);
    EXPECT_EQ(t.input.keyState[keys::DIK_A], 0x80);
    ASSERT_EQ(t.input.eventCount, 5);
    EXPECT_EQ(t.input.events[1].offset, keys::DIK_B);
    EXPECT_EQ(t.input.events[1].data, 0x80u);
    EXPECT_EQ(t.input.events[2].offset, keys::DIK_B);
    EXPECT_EQ(t.input.events[2].data, 0u);
    for (int i = 1; i < 5; ++i) EXPECT_GT(t.input.events[i].sequence, t.input.events[i - 1].sequence);

    t.keyboard.KeyEvent(keys::DIK_A, false, 7);
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.keyA, 0);
    EXPECT_EQ(t.input.keyF12, 0x80);
    EXPECT_EQ(t.input.eventCount, 1);
    t.input.ReadKeyboard();
    EXPECT_EQ(t.input.eventCount, 0);
}

TEST(InputKeyboard, BufferHoldsThirtyTwoRecordsAndFeedsTheTypedTextStep) {
    TestInput t;
    for (int i = 0; i < 40; ++i) t.keyboard.KeyEvent(keys::DIK_SPACE, i % 2 == 0, i);
    static int seen;
    seen = 0;
    t.input.typedTextStep = [](Input& in) {
        seen = in.eventCount;
        in.typedCount = 0;
        for (int i = 0; i < in.eventCount; ++i)
            if (in.events[i].data & 0x80) in.typed[in.typedCount++] = ' ';
    };
    t.input.ReadKeyboard();
    EXPECT_EQ(seen, 32);  // the newest records were lost, as the device's buffer does
    EXPECT_EQ(t.input.typedCount, 16);
    EXPECT_TRUE(t.keyboard.Buffer().TakeOverflow());
    EXPECT_FALSE(t.keyboard.Buffer().TakeOverflow());
}

TEST(InputMouse, MotionSumsAndButtonPresses) {
    TestInput t;
    t.mouse.Motion(10, 3, 1);
    t.mouse.Motion(-4, 0, 2);
    t.mouse.Button(0, true, 3);
    t.mouse.Button(0, false, 4);
    t.mouse.Button(0, true, 5);  // two presses: still 1
    t.mouse.Button(2, true, 6);
    t.mouse.Wheel(120, 7);  // ignored by the read
    t.input.ReadMouse();
    EXPECT_EQ(t.input.mouseDX, 6);
    EXPECT_EQ(t.input.mouseDY, 3);
    EXPECT_EQ(t.input.mouseButton0, 1);
    EXPECT_EQ(t.input.mouseButton1, 0);
    EXPECT_EQ(t.input.mouseButton2, 1);
    t.input.ReadMouse();  // only what came since the previous read
    EXPECT_EQ(t.input.mouseDX, 0);
    EXPECT_EQ(t.input.mouseButton0, 0);
}

TEST(InputSwitch, NoInputOpensNothingAndReadsNothing) {
    Input input;
    input.Init(1, nullptr);
    EXPECT_FALSE(input.directInput);
    EXPECT_EQ(input.keyboard, nullptr);
    keys::Keyboard kb;
    input.keyboard = &kb;  // even with a device, the switch keeps reads off
    kb.KeyEvent(keys::DIK_E, true, 0);
    input.typedCount = 3;
    input.ReadKeyboard();
    EXPECT_EQ(input.keyE, 0);
    EXPECT_EQ(input.typedCount, 3);
    EXPECT_EQ(kb.Buffer().Pending(), 1);
}

TEST(InputSystem, SdlEventsReachTheBufferedRecords) {
    Input input;
    input.Init(0, nullptr);
    ASSERT_TRUE(input.directInput);
    keys::SystemKeyboard().Reset();
    keys::SystemMouse().Reset();
    SDL_Event key{}, motion{}, button{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_W;  // the Z key of an AZERTY board
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = -7;
    motion.motion.yrel = 2;
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    for (SDL_Event* e : {&key, &motion, &button}) SDL_PushEvent(e);
    input.ReadKeyboard();
    ASSERT_EQ(input.eventCount, 1);
    EXPECT_EQ(input.events[0].offset, keys::DIK_W);
    EXPECT_EQ(input.keyState[keys::DIK_W], 0x80);
    input.ReadMouse();
    EXPECT_EQ(input.mouseDX, -7);
    EXPECT_EQ(input.mouseDY, 2);
    EXPECT_EQ(input.mouseButton1, 1);
    keys::SystemKeyboard().Reset();
}
