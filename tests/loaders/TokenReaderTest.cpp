#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <string>

#include "engine/loaders/TokenReader.h"

namespace {

// SkipTo searches the text instead of reading token after token; both must stop at the same
// token, including where runs longer than a token are split.
TEST(TokenReader, SkipToStopsWhereReadingTokenByTokenWould) {
    std::mt19937 random(7);
    const std::string alphabet = "*KEY  \n\tx*";
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 8 == 0) {
                text += std::string(TokenReader::kMaxToken * (1 + random() % 2) - random() % 3, 'y');
            } else if (random() % 3 == 0) {
                text += "*KEY";
            } else {
                text += alphabet[random() % alphabet.size()];
            }
        }
        TokenReader fast(text), slow(text);
        std::string_view a, b;
        for (int step = 0; step < 20; ++step) {
            const bool found = fast.SkipTo("*KEY");
            bool slowFound = false;
            while (!slowFound && slow.Next(b)) slowFound = b == "*KEY";
            ASSERT_EQ(found, slowFound) << text;
            if (!found) break;
            fast.Unread();
            ASSERT_TRUE(fast.Next(a));
            ASSERT_EQ(a.data(), b.data()) << text;
            const bool more = fast.Next(a);
            ASSERT_EQ(more, slow.Next(b));
            if (more) {
                ASSERT_EQ(a.data(), b.data());
            }
        }
    }
}

TEST(TokenReader, LongRunsAreSplitAndNumbersReadLikeTheCFunctions) {
    const std::string run(300, 'z');
    const std::string text = run + " 12";
    TokenReader in(text);
    std::string_view t;
    ASSERT_TRUE(in.Next(t));
    EXPECT_EQ(t.size(), TokenReader::kMaxToken);
    ASSERT_TRUE(in.Next(t));
    EXPECT_EQ(t.size(), 300 - TokenReader::kMaxToken);
    ASSERT_TRUE(in.Next(t));
    EXPECT_EQ(t, "12");
    EXPECT_FALSE(in.Next(t));

    for (const char* token : {"12:", "-7", "+3", "0009", "123456789", "1234567890", "-99999999999", "99999999999",
                              "abc", "", "-", "3.5", "0x10", " 5"}) {
        long expected = std::strtol(token, nullptr, 10);
        if (expected > INT_MAX) expected = INT_MAX;
        if (expected < INT_MIN) expected = INT_MIN;
        EXPECT_EQ(TokenInt(token), expected) << token;
    }
    EXPECT_DOUBLE_EQ(TokenReal("-1.5e2xyz"), -150.0);
    EXPECT_DOUBLE_EQ(TokenReal(run), 0.0);
}

}  // namespace
