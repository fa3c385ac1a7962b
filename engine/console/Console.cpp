#include "engine/console/Console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/input/Input.h"
#include "engine/render/Renderer.h"

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kBoxMargin = 50;
constexpr int kLineSpacing = 15;
// Room the box keeps above the first line and below the last.
constexpr int kBoxChrome = 130;
constexpr int kTextIndent = 15;

constexpr char kPrompt = '>';
constexpr char kBackspace = 8;
constexpr char kTab = 9;
constexpr char kReturn = 10;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Console::Console() { SetScreen(kDefaultWidth, kDefaultHeight); }

void Console::SetScreen(int width, int height) {
    boxLeft = kBoxMargin;
    boxTop = kBoxMargin;
    boxRight = width - kBoxMargin;
    boxBottom = height - kBoxMargin;
    currentLine = 0;
    cursor = 0;
    varCount = 0;
    lineCount = (height - kBoxChrome) / kLineSpacing;
    // A tiny screen still gets a command line and the line before it; a huge one no more
    // lines than are kept.
    if (lineCount < 2) lineCount = 2;
    if (lineCount > kMaxLines) lineCount = kMaxLines;
    for (int i = 0; i < kMaxLines; ++i) {
        ClearLine(i);
        lineColours[i] = promptColour;
    }
    lines[0][0] = kPrompt;
    cursor = 1;
}

void Console::AttachInput(Input& in) {
    input = &in;
    if (!in.typedTextStep) in.typedTextStep = TypeAzerty;
}

void Console::Draw(Renderer* renderer) const {
    if (!renderer) return;
    renderer->FillRect(boxLeft, boxTop, boxRight, boxBottom, static_cast<int>(boxColour));
    for (int i = 0; i <= currentLine; ++i)
        renderer->DrawText(boxLeft + kTextIndent, boxTop + kLineSpacing * (i + 2), lines[i],
                           static_cast<int>(lineColours[i]));
}

int Console::ReadLine(char* out) {
    if (!input) return kNothing;
    input->ReadKeyboard();
    const int count = input->typedCount < 0 ? 0 : (input->typedCount > 255 ? 255 : input->typedCount);
    for (int i = 0; i < count; ++i) {
        const char c = input->typed[i];
        const int code = static_cast<unsigned char>(c);
        // Each keystroke arrives twice (press and release): of a run of one character only
        // every other one counts.
        if (code == lastChar) {
            ++repeatCount;
            if (repeatCount < 2) continue;
        }
        repeatCount = 0;
        lastChar = code;
        if (Edit(c)) return Execute(lines[currentLine - 1], out);
    }
    return kNothing;
}

bool Console::Edit(char c) {
    char* line = lines[currentLine];
    if (cursor > kLastTypedPos) cursor = kLastTypedPos;  // a full line: replace the last character
    line[cursor++] = c;
    if (c == kTab) {
        line[--cursor] = 0;
    } else if (c == kBackspace) {
        cursor -= 2;
        if (cursor < 1) cursor = 1;
        line[cursor] = 0;
        line[cursor + 1] = 0;
    } else if (c == kReturn) {
        line[cursor - 1] = 0;
        NextLine();
        return true;
    }
    return false;
}

void Console::ClearLine(int index) { std::memset(lines[index], 0, kLineBytes); }

void Console::Scroll() {
    for (int i = 0; i + 1 < lineCount; ++i) {
        std::memcpy(lines[i], lines[i + 1], kLineBytes);
        lineColours[i] = lineColours[i + 1];
    }
    ClearLine(lineCount - 1);
}

void Console::NextLine() {
    ++currentLine;
    if (currentLine >= lineCount) {
        Scroll();
        currentLine = lineCount - 1;
    }
    ClearLine(currentLine);
}

void Console::NewPrompt() {
    NextLine();
    cursor = 0;
    lineColours[currentLine] = promptColour;
    lines[currentLine][cursor++] = kPrompt;
}

void Console::Answer(std::uint32_t colour, const char* text) {
    lineColours[currentLine] = colour;
    std::snprintf(lines[currentLine], kLineBytes, "%s", text);
    NewPrompt();
}

void Console::Split(const char* text) {
    wordCount = 0;
    words[0][0] = 0;
    if (!text) return;
    const char* p = text;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && !IsBlank(*p)) ++p;
        // Every word counts, so an over-long line fails its command's word count; only the
        // first ones are kept.
        if (wordCount < kMaxWords) {
            std::size_t n = static_cast<std::size_t>(p - start);
            if (n > kLineBytes - 1) n = kLineBytes - 1;
            std::memcpy(words[wordCount], start, n);
            words[wordCount][n] = 0;
        }
        ++wordCount;
    }
}

int Console::FindVariable(const char* name) const {
    if (!name) return -1;
    for (int i = 0; i < varCount; ++i)
        if (std::strcmp(varNames[i], name) == 0) return i;
    return -1;
}

int Console::SyntaxError(int code) {
    char text[kOutBytes + 64];
    switch (code) {
        case 1: std::snprintf(text, sizeof text, "Syntax Error : Command %s not found", words[0]); break;
        case 2: std::snprintf(text, sizeof text, "Syntax Error : set 'var' asnumber .. | set 'var' asname .."); break;
        case 3: std::snprintf(text, sizeof text, "You must specify a .3DS, .ASC or .ASE file"); break;
        case 4: std::snprintf(text, sizeof text, "This var has been already defined..."); break;
        case 5: std::snprintf(text, sizeof text, "Syntax Error : move 'var' to x y z"); break;
        case 6: std::snprintf(text, sizeof text, "This var does not exist..."); break;
        default: text[0] = 0; break;
    }
    Answer(errorColour, text);
    return kNothing;
}

int Console::Execute(const char* line, char* out) {
    char scratch[kOutBytes];
    if (!out) out = scratch;
    Split(line && line[0] ? line + 1 : "");
    // Room for the longest answer: two words of a full line.
    char answer[2 * kLineBytes + 32];
    const char* command = wordCount > 0 ? words[0] : "";

    if (std::strcmp(command, "getfromfile") == 0) {
        if (wordCount != 2) return SyntaxError(3);
        std::snprintf(out, kOutBytes, "%s", words[1]);
        std::snprintf(answer, sizeof answer, "Getting file : '%s'", words[1]);
        Answer(infoColour, answer);
        return kGetFromFile;
    }
    if (std::strcmp(command, "set") == 0) {
        if (wordCount != 4) return SyntaxError(2);
        const bool asNumber = std::strcmp(words[2], "asnumber") == 0;
        if (!asNumber && std::strcmp(words[2], "asname") != 0) return SyntaxError(2);
        if (FindVariable(words[1]) != -1) return SyntaxError(4);
        if (varCount >= kMaxVars) {
            Answer(errorColour, "Too many variables");
            return kNothing;
        }
        std::memcpy(varNames[varCount], words[1], kLineBytes);
        varObjects[varCount] = nullptr;
        currentVar = varCount++;
        std::snprintf(out, kOutBytes, "%s", words[3]);
        std::snprintf(answer, sizeof answer, "%s is now object '%s'", words[1], words[3]);
        Answer(infoColour, answer);
        return asNumber ? kSetAsNumber : kSetAsName;
    }
    if (std::strcmp(command, "move") == 0) {
        if (wordCount != 6 || std::strcmp(words[2], "to") != 0) return SyntaxError(5);
        const int var = FindVariable(words[1]);
        if (var < 0) return SyntaxError(6);
        // A variable whose lookup found nothing has nothing to move.
        if (!varObjects[var]) {
            Answer(errorColour, "This var does not name an object");
            return kNothing;
        }
        currentVar = var;
        moveX = std::strtod(words[3], nullptr);
        moveY = std::strtod(words[4], nullptr);
        moveZ = std::strtod(words[5], nullptr);
        std::snprintf(answer, sizeof answer, "Moving %s", words[1]);
        Answer(infoColour, answer);
        return kMove;
    }
    if (std::strcmp(command, "exit") == 0) {
        // No answer: the line after the command becomes the prompt for the next opening.
        cursor = 0;
        lineColours[currentLine] = promptColour;
        ClearLine(currentLine);
        lines[currentLine][cursor++] = kPrompt;
        return kExit;
    }
    return SyntaxError(1);
}
