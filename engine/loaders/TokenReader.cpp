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

bool TokenReader::SkipTo(std::string_view word) {
    std::string_view token;
    while (Next(token))
        if (token == word) return true;
    return false;
}

int TokenInt(std::string_view token) {
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
