#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <utility>

#include "support/Headless.h"
#include "support/PushKey.h"
#include "engine/input/Input.h"
#include "platform/keys/Devices.h"
#include "platform/keys/KeyCodes.h"

// SDL's key events reach the buffered records named by their place on the board; each read
// hands over the records since the previous one, oldest first (a repeat is no record), and
// the keys held at the read.
TEST(InputKeyboard, RecordsComeOldestFirstNamedByPlace) {
    Input input;
    input.Init(0, nullptr);
    ASSERT_TRUE(input.directInput);
    keys::SystemKeyboard().Reset();
    PushKey(SDL_SCANCODE_W, SDLK_z);  // the Z key of an AZERTY board
    input.ReadKeyboard();
    ASSERT_EQ(input.eventCount, 1);
    EXPECT_EQ(std::make_pair(input.events[0].offset, input.events[0].data), std::make_pair(unsigned{keys::DIK_W}, 0x80u));
    EXPECT_EQ(input.keyState[keys::DIK_W], 0x80);
    keys::Keyboard& kb = *input.keyboard;
    kb.KeyEvent(keys::DIK_A, true, 10);
    kb.KeyEvent(keys::DIK_A, true, 11);
    kb.KeyEvent(keys::DIK_B, true, 12);
    kb.KeyEvent(keys::DIK_B, false, 13);  // pressed and released between reads
    kb.KeyEvent(keys::DIK_W, false, 14);
    const std::pair<unsigned, unsigned> records[] = {{keys::DIK_A, 0x80}, {keys::DIK_B, 0x80}, {keys::DIK_B, 0}, {keys::DIK_W, 0}};
    input.ReadKeyboard();
    ASSERT_EQ(input.eventCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::make_pair(input.events[i].offset, input.events[i].data), records[i]) << i;
        EXPECT_GT(input.events[i].sequence, i > 0 ? input.events[i - 1].sequence : 0u);
    }
    EXPECT_EQ(std::make_pair(input.keyA, input.keyB), std::make_pair(std::uint8_t{0x80}, std::uint8_t{0}));
    EXPECT_EQ(input.keyState[keys::DIK_W], 0);
}
