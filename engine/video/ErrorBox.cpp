#include "engine/video/ErrorBox.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
ErrorBoxHandler& Handler() {
    static ErrorBoxHandler handler;
    return handler;
}
}  // namespace

void ErrorBox(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
    if (Handler()) Handler()(caption, text);
}

void SetErrorBoxHandler(ErrorBoxHandler handler) { Handler() = std::move(handler); }

void FatalError(const char* caption, const char* text, int code) {
    ErrorBox(caption, text);
    std::exit(code);
}
