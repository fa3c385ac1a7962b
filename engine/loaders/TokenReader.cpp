#include "engine/loaders/TokenReader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
// The "C" locale's white space, which is what "%s" stops at.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Copies a token into a terminated buffer, so the C conversions stop at its end.
void Terminate(std::string_view token, char (&buffer)[TokenReader::kMaxToken + 1]) {
    const std::size_t n = token.size() < TokenReader::kMaxToken ? token.size() : TokenReader::kMaxToken;
    std::memcpy(buffer, token.data(), n);
    buffer[n] = '\0';
}
}  // namespace

bool TokenReader::Next(std::string_view& token) {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return false;
    lastStart_ = pos_;
    const std::size_t limit = pos_ + kMaxToken < text_.size() ? pos_ + kMaxToken : text_.size();
    while (pos_ < limit && !IsSpace(text_[pos_])) ++pos_;
    token = text_.substr(lastStart_, pos_ - lastStart_);
    return true;
}

// Same answer as reading token after token, found by a substring search: an occurrence is the
// token when it starts a token (after white space, or a whole number of kMaxToken characters
// into a run) and ends one.
bool TokenReader::SkipTo(std::string_view word) {
    if (word.empty() || word.size() > kMaxToken) {
        std::string_view token;
        while (Next(token))
            if (token == word) return true;
        return false;
    }
    // Token boundaries run from pos_ and restart after every white space; runStart follows
    // them as the search moves on, so each character is looked at once.
    std::size_t from = pos_, runStart = pos_, scanned = pos_;
    while (true) {
        const std::size_t at = text_.find(word, from);
        if (at == std::string_view::npos) break;
        for (; scanned < at; ++scanned)
            if (IsSpace(text_[scanned])) runStart = scanned + 1;
        const std::size_t end = at + word.size();
        const bool starts = (at - runStart) % kMaxToken == 0;
        const bool ends = end == text_.size() || IsSpace(text_[end]) || word.size() == kMaxToken;
        if (starts && ends) {
            lastStart_ = at;
            pos_ = end;
            return true;
        }
        from = at + 1;
    }
    pos_ = text_.size();
    return false;
}

TokenReader TokenReader::Until(std::string_view word) {
    TokenReader part(text_);
    part.pos_ = part.lastStart_ = pos_;
    if (SkipTo(word)) Unread();
    // The cut falls where a token starts, so the part splits its text as this reader would.
    part.text_ = text_.substr(0, pos_);
    return part;
}

int TokenInt(std::string_view token) {
    // The usual short decimal numbers directly; anything else through strtol.
    std::size_t i = 0;
    const bool negative = !token.empty() && token[0] == '-';
    if (!token.empty() && (token[0] == '-' || token[0] == '+')) i = 1;
    int digits = 0, small = 0;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9' && digits < 9) {
        small = small * 10 + (token[i++] - '0');
        ++digits;
    }
    if (digits > 0 && (i == token.size() || token[i] < '0' || token[i] > '9')) return negative ? -small : small;
    char buffer[TokenReader::kMaxToken + 1];
    Terminate(token, buffer);
    const long value = std::strtol(buffer, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double TokenReal(std::string_view token) {
    char buffer[TokenReader::kMaxToken + 1];
    Terminate(token, buffer);
    return std::strtod(buffer, nullptr);
}
