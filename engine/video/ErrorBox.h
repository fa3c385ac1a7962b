#pragma once

#include <functional>

// The one error-reporting routine. Prints "CAPTION: TEXT" on stderr, then lets the display
// layer shut the screen down and show a message box when a display exists. It does not end
// the process: the caller exits with the code of its own site right after.
void ErrorBox(const char* caption, const char* text);

// What the display layer does for a box: shut the display down and show it on the desktop.
// Tests and headless programs leave it empty (stderr only).
using ErrorBoxHandler = std::function<void(const char* caption, const char* text)>;
void SetErrorBoxHandler(ErrorBoxHandler handler);

// ErrorBox followed by exit(code): the pattern of every fatal site.
[[noreturn]] void FatalError(const char* caption, const char* text, int code);
