#pragma once

#include <cstdint>

class Input;
class Object3D;
class Renderer;

// The in-frame console the world carries: a grey box of text lines over the picture, the last
// one a command line opened by ">". Finished lines go to a small command language (load a
// model, name objects, move them, close the console); the world carries out what it answers.
class Console {
public:
    static constexpr int kMaxLines = 64;
    static constexpr int kLineBytes = 255;
    // The prompt and at most 253 typed characters, so a line always ends with a zero byte.
    static constexpr int kLastTypedPos = kLineBytes - 2;
    static constexpr int kMaxVars = 255;
    static constexpr int kMaxWords = 10;
    static constexpr int kOutBytes = 256;

    // What Execute (and ReadLine) hand the world.
    static constexpr int kNothing = 1;
    static constexpr int kExit = -1;
    static constexpr int kGetFromFile = -2;
    static constexpr int kSetAsNumber = -3;
    static constexpr int kSetAsName = -4;
    static constexpr int kMove = -5;

    // Line editor.
    int boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = 0;
    std::uint32_t promptColour = 0xFFFFFF;
    std::uint32_t errorColour = 255;
    std::uint32_t infoColour = 0xFF0000;
    std::uint32_t boxColour = 0x888888;
    int lineCount = 0;
    char lines[kMaxLines][kLineBytes] = {};
    std::uint32_t lineColours[kMaxLines] = {};
    int currentLine = 0;
    int cursor = 0;

    // Command interpreter.
    char varNames[kMaxVars][kLineBytes] = {};
    int varCount = 0;
    char words[kMaxWords][kLineBytes] = {};
    int wordCount = 0;
    Object3D* varObjects[kMaxVars] = {};
    int currentVar = 0;
    double moveX = 0, moveY = 0, moveZ = 0;

    // The doubling filter's memory (a keystroke arrives as press and release).
    int lastChar = 255;
    int repeatCount = 0;

    // Where typed text comes from; without one the console reads nothing.
    Input* input = nullptr;

    // Laid out for a 640x480 screen until SetScreen gives the display mode's size.
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Box and line count from the screen size; clears every line and opens line 0 with the prompt.
    void SetScreen(int width, int height);
    // Reads the keyboard through `in` from now on, with the AZERTY key map unless `in` has a
    // typed-text step already.
    void AttachInput(Input& in);

    void Draw(Renderer* renderer) const;
    // Takes newly typed characters into the command line; on Return, Execute's result (out may
    // be filled); otherwise kNothing.
    int ReadLine(char* out);

    // Interprets a finished line (prompt at position 0), answering on the current line.
    int Execute(const char* line, char* out);
    void Split(const char* text);
    // Writes error `code` (1 to 6) on the current line and opens a new prompt; returns kNothing.
    int SyntaxError(int code);
    int FindVariable(const char* name) const;

private:
    // Stores or acts on one character that passed the doubling filter. True on Return.
    bool Edit(char c);
    void ClearLine(int index);
    void NextLine();
    void Scroll();
    void NewPrompt();
    // Writes text on the current line in the colour given, cut to the line, then a new prompt.
    void Answer(std::uint32_t colour, const char* text);
};

// The typed-text step of a keyboard read: the key records of the read, press and release taken
// alternately, become characters by the position of each key on a French AZERTY keyboard.
void TypeAzerty(Input& input);
// The typed-text step that takes the characters of the system's own keyboard layout instead,
// with Backspace, Tab and Return.
void TypeSystemText(Input& input);
// The text one key code gives by the AZERTY map ("" for none).
const char* AzertyText(std::uint8_t dik);
