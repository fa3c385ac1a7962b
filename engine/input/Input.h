#pragma once

#include <cstdint>

#include "platform/keys/Devices.h"

// Keyboard and mouse, read on demand from buffered devices: the mouse as relative motion and
// button presses, the keyboard as key records (which the console turns into typed text) and
// as a snapshot of the keys held. Shares the display's on/off switch (noInput).
class Input {
public:
    static constexpr int kEventCount = 32;

    // Opens the system keyboard and mouse unless noInput is 1.
    void Init(int noInput, void* hInstance);
    void CreateKeyboard();
    void CreateMouse();
    // Motion sums and button presses since the previous read.
    void ReadMouse();
    // Key records since the previous read (events / eventCount), the typed-text step when one
    // is installed, then the key snapshot and the key flags.
    void ReadKeyboard();

    // Devices (null until opened); tests may point them at devices of their own.
    bool directInput = false;
    keys::Mouse* mouse = nullptr;
    keys::Keyboard* keyboard = nullptr;

    std::uint8_t keyState[256] = {};
    int noInput = 0;
    // One read's records; the mouse and keyboard reads share the buffer.
    keys::Record events[kEventCount] = {};
    int eventCount = 0;
    std::uint8_t mouseButton0 = 0, mouseButton1 = 0, mouseButton2 = 0;
    int mouseDX = 0, mouseDY = 0;
    char typed[256] = {};
    int typedCount = 0;
    // Up/down state (0x80 or 0) of the last key record the typed-text step took; 10 so that
    // the first record is always taken.
    int lastKeyState = 10;
    // Turns the keyboard records of a read into typed / typedCount (the console's key map).
    void (*typedTextStep)(Input& input) = nullptr;

    // Key flags: 0x80 while the key was held at the last keyboard read.
    std::uint8_t keyF1 = 0, keyF2 = 0, keyF3 = 0, keyF4 = 0, keyF5 = 0, keyF6 = 0, keyF7 = 0, keyF8 = 0,
                 keyF9 = 0, keyF10 = 0, keyF11 = 0, keyF12 = 0;
    std::uint8_t key1 = 0, key2 = 0, key3 = 0, key4 = 0, key5 = 0, key6 = 0, key7 = 0, key8 = 0, key9 = 0,
                 key0 = 0;
    std::uint8_t keyPad1 = 0, keyPad2 = 0, keyPad3 = 0, keyPad4 = 0, keyPad5 = 0, keyPad6 = 0, keyPad7 = 0,
                 keyPad8 = 0, keyPad9 = 0, keyPad0 = 0;
    std::uint8_t keyPadPlus = 0, keyPadMinus = 0;
    std::uint8_t keyUp = 0, keyLeft = 0, keyRight = 0, keyDown = 0;
    std::uint8_t keyReturn = 0, keyTab = 0;
    std::uint8_t keyA = 0, keyB = 0, keyC = 0, keyD = 0, keyE = 0;
};
