#include <cstring>

#include "engine/console/Console.h"
#include "engine/input/Input.h"
#include "platform/keys/KeyCodes.h"

namespace {

struct KeyText {
    std::uint8_t dik;
    const char* text;
};

// The letters printed at these positions on a French AZERTY keyboard. Only lower case, the
// space, the keypad digits and point; everything else gives nothing.
constexpr KeyText kAzerty[] = {
    {0x0E, "\b"}, {0x0F, "\t"}, {0x10, "a"}, {0x11, "z"}, {0x12, "e"}, {0x13, "r"},
    {0x14, "t"},  {0x15, "y"},  {0x16, "u"}, {0x17, "i"}, {0x18, "o"}, {0x19, "p"},
    {0x1C, "\n"}, {0x1E, "q"},  {0x1F, "s"}, {0x20, "d"}, {0x21, "f"}, {0x22, "g"},
    {0x23, "h"},  {0x24, "j"},  {0x25, "k"}, {0x26, "l"}, {0x27, "m"}, {0x2C, "w"},
    {0x2D, "x"},  {0x2E, "c"},  {0x2F, "v"}, {0x30, "b"}, {0x31, "n"}, {0x39, " "},
    {0x47, "7"},  {0x48, "8"},  {0x49, "9"}, {0x4B, "4"}, {0x4C, "5"}, {0x4D, "6"},
    {0x4F, "1"},  {0x50, "2"},  {0x51, "3"}, {0x52, "0"}, {0x53, "."},
};

}  // namespace

const char* AzertyText(std::uint8_t dik) {
    for (const KeyText& k : kAzerty)
        if (k.dik == dik) return k.text;
    return "";
}

void TypeAzerty(Input& input) {
    input.typed[0] = 0;
    input.typedCount = 0;
    const int count = input.eventCount < 0 ? 0 : (input.eventCount > Input::kEventCount ? Input::kEventCount : input.eventCount);
    for (int i = 0; i < count; ++i) {
        const int state = static_cast<int>(input.events[i].data & 0x80);
        // Presses and releases are taken in turn, so a keystroke normally gives its text
        // twice (the console's doubling filter keeps one) and a key pressed while another is
        // held gives nothing.
        if (state == input.lastKeyState) continue;
        input.lastKeyState = state;
        const std::uint32_t offset = input.events[i].offset;
        const char* text = offset < 256 ? AzertyText(static_cast<std::uint8_t>(offset)) : "";
        for (; *text && input.typedCount < static_cast<int>(sizeof input.typed) - 1; ++text)
            input.typed[input.typedCount++] = *text;
        input.typed[input.typedCount] = 0;
    }
}

void TypeSystemText(Input& input) {
    input.typed[0] = 0;
    input.typedCount = 0;
    if (!input.keyboard) return;
    char text[Input::kEventCount];
    const int n = input.keyboard->TakeText(text, Input::kEventCount);
    // Each character twice, as a keystroke of the key map gives it, so the console's doubling
    // filter treats both ways of typing alike.
    for (int i = 0; i < n; ++i) {
        input.typed[input.typedCount++] = text[i];
        input.typed[input.typedCount++] = text[i];
    }
    input.typed[input.typedCount] = 0;
}
