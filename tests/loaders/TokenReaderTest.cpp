#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/loaders/TokenReader.h"

namespace {

// SkipTo and Until search the text instead of reading token after token; they must stop at the
// same token, including where runs longer than a token are split.
TEST(TokenReader, SearchesStopWhereReadingTokenByTokenWould) {
    std::mt19937 random(7);
    const std::string alphabet = "*KEY  \n\tx*";
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) {
            if (random() % 8 == 0) {
                text += std::string(TokenReader::kMaxToken * (1 + random() % 2) - random() % 3, 'y');
            } else {
                text += random() % 3 == 0 ? std::string("*KEY") : std::string(1, alphabet[random() % alphabet.size()]);
            }
        }
        TokenReader fast(text), slow(text);
        std::string_view a, b;
        for (int step = 0; step < 20; ++step) {
            // Until's part holds exactly the tokens before the next "*KEY"...
            TokenReader part = fast.Until("*KEY");
            bool found = false;
            while (slow.Next(b) && !(found = b == "*KEY")) {
                ASSERT_TRUE(part.Next(a)) << text;
                ASSERT_EQ(a.data(), b.data()) << text;
                ASSERT_EQ(a.size(), b.size()) << text;
            }
            ASSERT_FALSE(part.Next(a)) << text;
            // ...and SkipTo then stops on that token, leaving the reader after it.
            ASSERT_EQ(fast.SkipTo("*KEY"), found) << text;
            if (!found) break;
            fast.Unread();
            ASSERT_TRUE(fast.Next(a));
            ASSERT_EQ(a.data(), b.data()) << text;
        }
    }
}

TEST(TokenReader, LongRunsAreSplitAndRealsStopAtTheirLastDigit) {
    const std::string text = std::string(300, 'z') + " 12";
    TokenReader in(text);
    std::string_view t;
    for (std::size_t size : {TokenReader::kMaxToken, 300 - TokenReader::kMaxToken, std::size_t{2}}) {
        ASSERT_TRUE(in.Next(t));
        EXPECT_EQ(t.size(), size);
    }
    EXPECT_FALSE(in.Next(t));

    EXPECT_DOUBLE_EQ(TokenReal("-1.5e2xyz"), -150.0);
    EXPECT_DOUBLE_EQ(TokenReal(text), 0.0);
}

}  // namespace
