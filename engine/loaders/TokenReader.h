#pragma once

#include <cstddef>
#include <string_view>

// Whitespace-separated tokens of a text model file, as "%s" scanning splits them. A token is
// at most kMaxToken characters; a longer run goes on as the next token, so no reader ever
// needs a bigger buffer.
class TokenReader {
public:
    static constexpr std::size_t kMaxToken = 255;

    explicit TokenReader(std::string_view text) : text_(text) {}

    // The next token; false at end of text. The view points into the text.
    bool Next(std::string_view& token);
    // Reads tokens until one equals word exactly; false when the text ends first.
    bool SkipTo(std::string_view word);
    // A reader of the tokens from here up to the next one equal to word (or the end of the
    // text); this reader moves on to that token, so that its next token is word.
    TokenReader Until(std::string_view word);
    // Puts the last token read back, so that the next Next returns it again.
    void Unread() { pos_ = lastStart_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lastStart_ = 0;
};

// atoi and atof on a token (the token ends the number), without atoi's overflow:
// integers beyond the int range saturate.
int TokenInt(std::string_view token);
double TokenReal(std::string_view token);
