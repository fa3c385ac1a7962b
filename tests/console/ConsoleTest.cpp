#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/console/Console.h"
#include "engine/input/Input.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "platform/keys/Devices.h"
#include "platform/keys/KeyCodes.h"
#include "support/ModelFiles.h"
#include "support/RecordingRenderer.h"

namespace {

constexpr std::uint32_t kPrompt = 0xFFFFFF, kError = 255, kInfo = 0xFF0000;

// A console reading a keyboard of the test's own, typed on key by key.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        console = std::make_unique<Console>();
        console->AttachInput(input);
        input.keyboard = &keyboard;
    }

    // The key that gives c on the AZERTY map.
    static std::uint8_t KeyFor(char c) {
        for (int k = 0; k < 256; ++k)
            if (AzertyText(static_cast<std::uint8_t>(k))[0] == c) return static_cast<std::uint8_t>(k);
        ADD_FAILURE() << "no key gives '" << c << "'";
        return 0;
    }
    void Stroke(char c) {
        keyboard.KeyEvent(KeyFor(c), true, ++time);
        keyboard.KeyEvent(KeyFor(c), false, ++time);
    }
    // Types text as keystrokes, one console read per keystroke, as a person at 30 frames a
    // second does; returns the last read's result.
    int Type(const std::string& text, Console& c) {
        int result = Console::kNothing;
        for (char ch : text) {
            Stroke(ch);
            result = c.ReadLine(out);
        }
        return result;
    }
    int Type(const std::string& text) { return Type(text, *console); }
    int Enter(const std::string& line) { return Type(line + "\n"); }
    std::string Line(int i) const { return console->lines[i]; }

    Input input;
    keys::Keyboard keyboard;
    std::unique_ptr<Console> console;
    char out[Console::kOutBytes] = {};
    std::uint32_t time = 0;
};

TEST_F(ConsoleTest, SetUpFollowsTheScreenAndTheBoxIsDrawnWithItsLines) {
    console->SetScreen(640, 480);
    EXPECT_EQ(console->lineCount, 23);
    EXPECT_EQ(Line(0), ">");
    EXPECT_EQ(console->cursor, 1);
    Enter("exit");
    RecordingRenderer r;
    console->Draw(&r);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"FillRect 50 50 590 430 8947848", "DrawText 65 80 16777215 >exit",
                                                 "DrawText 65 95 16777215 >"}));
    console->SetScreen(800, 600);
    EXPECT_EQ(console->boxRight, 750);
    EXPECT_EQ(console->lineCount, 31);
    console->SetScreen(4000, 3000);  // more lines than are kept
    EXPECT_EQ(console->lineCount, Console::kMaxLines);
}

TEST_F(ConsoleTest, KeystrokesGiveOneCharacterEachAndEditingKeepsThePrompt) {
    Type("set");
    EXPECT_EQ(Line(0), ">set");
    // The same key twice: two characters, in one read or in several.
    Stroke('l');
    Stroke('l');
    console->ReadLine(out);
    Type("l");
    EXPECT_EQ(Line(0), ">setlll");
    Type("\t");
    EXPECT_EQ(Line(0), ">setlll");
    Type("\b\b\b\b\b\b\b\b\b");
    EXPECT_EQ(Line(0), ">");
    EXPECT_EQ(console->cursor, 1);
    // A key pressed while another is held is lost.
    keyboard.KeyEvent(KeyFor('a'), true, ++time);
    keyboard.KeyEvent(KeyFor('b'), true, ++time);
    keyboard.KeyEvent(KeyFor('a'), false, ++time);
    keyboard.KeyEvent(KeyFor('b'), false, ++time);
    console->ReadLine(out);
    EXPECT_EQ(Line(0), ">a");
    // Keys outside the map give nothing: main-row digits, M's place, shift.
    for (std::uint8_t k : {keys::DIK_1, keys::DIK_M, keys::DIK_LSHIFT}) {
        keyboard.KeyEvent(k, true, ++time);
        keyboard.KeyEvent(k, false, ++time);
    }
    console->ReadLine(out);
    EXPECT_EQ(Line(0), ">a");
    EXPECT_EQ(input.typedCount, 0);
}

TEST_F(ConsoleTest, TheSystemLayoutGivesItsOwnCharactersWithTheEditingKeys) {
    input.typedTextStep = TypeSystemText;
    keyboard.TextEvent("Move S.3 ll\xc3\xa9");  // the accented letter is not kept
    keyboard.KeyEvent(keys::DIK_BACK, true, ++time);
    keyboard.KeyEvent(keys::DIK_BACK, false, ++time);
    keyboard.KeyEvent(keys::DIK_TAB, true, ++time);
    console->ReadLine(out);
    EXPECT_EQ(Line(0), ">Move S.3 l");
    keyboard.TextEvent("l");
    keyboard.KeyEvent(keys::DIK_RETURN, true, ++time);
    EXPECT_EQ(console->ReadLine(out), 1);
    EXPECT_EQ(Line(0), ">Move S.3 ll");
    EXPECT_EQ(Line(1), "Syntax Error : Command Move not found");
    for (int i = 0; i < 300; ++i) keyboard.TextEvent("x");  // waiting text is bounded
    int taken = 0;
    for (int i = 0; i < 20; ++i) {
        console->ReadLine(out);
        taken += input.typedCount / 2;
    }
    EXPECT_EQ(taken, keys::Keyboard::kTextCapacity);
}

TEST_F(ConsoleTest, AFullLineKeepsItsZeroByteAndTheNextLinesUntouched) {
    // A burst straight into typed text, each character doubled as press and release give it.
    for (int i = 0; i < 300; ++i) {
        const char c = "abcdefghij"[i % 10];
        std::strcpy(input.typed, std::string(2, c).c_str());
        input.typedCount = 2;
        input.keyboard = nullptr;  // this read takes typed as it stands
        console->ReadLine(out);
    }
    EXPECT_EQ(std::strlen(console->lines[0]), 254u);
    EXPECT_EQ(console->lines[0][254], 0);
    EXPECT_EQ(console->lines[0][253], 'j');  // the last character replaced the one before
    for (int i = 1; i < Console::kMaxLines; ++i) EXPECT_EQ(console->lines[i][0], 0) << i;
    input.keyboard = &keyboard;
    Type("\b");
    EXPECT_EQ(std::strlen(console->lines[0]), 252u);
}

TEST_F(ConsoleTest, AFullBoxScrollsKeepingColours) {
    console->SetScreen(640, 160);  // two lines: each answer scrolls
    ASSERT_EQ(console->lineCount, 2);
    Enter("bad");
    EXPECT_EQ(Line(0), "Syntax Error : Command bad not found");
    EXPECT_EQ(console->lineColours[0], kError);
    EXPECT_EQ(Line(1), ">");
    Enter("getfromfile x");
    EXPECT_EQ(Line(0), "Getting file : 'x'");
    EXPECT_EQ(console->lineColours[0], kInfo);
    EXPECT_EQ(console->lineColours[1], kPrompt);
    EXPECT_EQ(console->currentLine, 1);

    console->SetScreen(640, 480);
    for (int i = 0; i < 12; ++i) Enter("nope");  // 25 lines with the last prompt, into 23
    EXPECT_EQ(Line(0), ">nope");
    EXPECT_EQ(console->lineColours[0], kPrompt);
    EXPECT_EQ(Line(1), "Syntax Error : Command nope not found");
    EXPECT_EQ(console->lineColours[1], kError);
    EXPECT_EQ(Line(22), ">");
}

TEST_F(ConsoleTest, CommandsAnswerAndErrorsReportInTheirColours) {
    struct Case {
        std::string line;
        int result;
        std::string answer;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"", 1, "Syntax Error : Command  not found", kError},
        {"Exit", 1, "Syntax Error : Command Exit not found", kError},
        {"getfromfile", 1, "You must specify a .3DS, .ASC or .ASE file", kError},
        {"getfromfile a b", 1, "You must specify a .3DS, .ASC or .ASE file", kError},
        {"getfromfile  model.xyz ", -2, "Getting file : 'model.xyz'", kInfo},
        {"set v", 1, "Syntax Error : set 'var' asnumber .. | set 'var' asname ..", kError},
        {"set v asword 1", 1, "Syntax Error : set 'var' asnumber .. | set 'var' asname ..", kError},
        {"set   v asnumber   7", -3, "v is now object '7'", kInfo},
        {"set v asname hull", 1, "This var has been already defined...", kError},
        {"set w asname hull", -4, "w is now object 'hull'", kInfo},
        {"move v to 1 2", 1, "Syntax Error : move 'var' to x y z", kError},
        {"move v at 1 2 3", 1, "Syntax Error : move 'var' to x y z", kError},
        {"move q to 1 2 3", 1, "This var does not exist...", kError},
        {"move v to 1 2 3", 1, "This var does not name an object", kError},  // no world bound it
    };
    int line = 0;
    for (const Case& c : cases) {
        std::memset(out, 0, sizeof out);
        EXPECT_EQ(console->Execute(("<" + c.line).c_str(), out), c.result) << c.line;
        EXPECT_EQ(Line(line), c.answer) << c.line;
        EXPECT_EQ(console->lineColours[line], c.colour) << c.line;
        EXPECT_EQ(Line(line + 1), ">") << c.line;
        line += 1;
    }
    EXPECT_STREQ(console->words[0], "move");
    EXPECT_EQ(console->varCount, 2);
    EXPECT_EQ(console->FindVariable("w"), 1);
    EXPECT_EQ(console->FindVariable("W"), -1);

    Object3D ship;
    console->varObjects[0] = &ship;
    EXPECT_EQ(console->Execute(">move v to 1.5 -2 junk", out), Console::kMove);
    EXPECT_EQ(Line(line), "Moving v");
    EXPECT_EQ(console->currentVar, 0);
    EXPECT_EQ(console->moveX, 1.5);
    EXPECT_EQ(console->moveY, -2);
    EXPECT_EQ(console->moveZ, 0);
    EXPECT_EQ(console->Execute(">EXIT", out), 1);
    EXPECT_EQ(console->lineColours[line + 1], kError);
}

TEST_F(ConsoleTest, LimitsStayInsideTheirBuffers) {
    // More than ten words: all counted, ten kept, so the command's count fails.
    EXPECT_EQ(console->Execute(">getfromfile a b c d e f g h i j k l", out), 1);
    EXPECT_EQ(console->wordCount, 13);
    EXPECT_STREQ(console->words[9], "i");
    // An answer longer than a line is cut to it.
    const std::string longWord(200, 'x');
    EXPECT_EQ(console->Execute((">set " + longWord + " asname " + longWord).c_str(), out), Console::kSetAsName);
    EXPECT_EQ(std::strlen(console->lines[1]), 254u);
    EXPECT_EQ(std::string(out), longWord);
    // More variables than are kept.
    for (int i = console->varCount; i < Console::kMaxVars; ++i)
        ASSERT_EQ(console->Execute((">set v" + std::to_string(i) + " asnumber 0").c_str(), out), Console::kSetAsNumber);
    EXPECT_EQ(console->Execute(">set last asnumber 0", out), 1);
    EXPECT_EQ(Line(console->currentLine - 1), "Too many variables");
    EXPECT_EQ(console->lineColours[console->currentLine - 1], kError);
    EXPECT_EQ(console->varCount, Console::kMaxVars);
    // No line and no out text at all.
    EXPECT_EQ(console->Execute(nullptr, nullptr), 1);
    EXPECT_EQ(Line(console->currentLine - 1), "Syntax Error : Command  not found");
    EXPECT_EQ(console->FindVariable(nullptr), -1);
}

// The world carries out what the console answers, in its console step.
class WorldConsoleTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        World::ResetProcessState();
        world.SetRenderer(&renderer);
        world.console.AttachInput(input);
        world.ConsoleOn();
        dir = std::filesystem::temp_directory_path() / ("console-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
        World::ResetProcessState();
    }
    // One console step per keystroke, as the frames would run it.
    void TypeInWorld(const std::string& text) {
        for (char ch : text) {
            Stroke(ch);
            world.RunConsole();
        }
    }
    std::string WorldLine(int i) const { return world.console.lines[i]; }

    RecordingRenderer renderer;
    World world;
    std::filesystem::path dir, previous;
};

TEST_F(WorldConsoleTest, TheExampleExchangeEndToEnd) {
    modelfiles::WriteFile("ship.ase", modelfiles::MakeAse({std::nullopt}, {modelfiles::GridMesh("hull", 2, 2, 2)}));
    TypeInWorld("getfromfile ship.ase\n");
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_EQ(WorldLine(1), "Getting file : 'ship.ase'");
    TypeInWorld("set s asnumber 0\n");
    EXPECT_EQ(world.console.varObjects[0], world.objects[0]);
    EXPECT_EQ(WorldLine(3), "s is now object '0'");
    TypeInWorld("move s to 0 0 100\n");
    EXPECT_EQ(WorldLine(5), "Moving s");
    EXPECT_EQ(world.objects[0]->position[2], 100);
    for (int i : {1, 3, 5}) EXPECT_EQ(world.console.lineColours[i], kInfo) << i;
    // Names and out-of-range numbers bind what the world has, or nothing.
    TypeInWorld("set h asname hull\nset g asname ghost\nset n asnumber 1\n");
    EXPECT_EQ(world.console.varObjects[1], world.objects[0]);
    EXPECT_EQ(world.console.varObjects[2], nullptr);
    EXPECT_EQ(world.console.varObjects[3], nullptr);
    TypeInWorld("move n to 1 1 1\n");
    EXPECT_EQ(WorldLine(world.console.currentLine - 1), "This var does not name an object");
    EXPECT_EQ(world.objects[0]->position[0], 0);

    // Drawn each step, box first, every line up to the command line.
    renderer.calls.clear();
    world.RunConsole();
    ASSERT_EQ(renderer.calls.size(), static_cast<size_t>(world.console.currentLine + 2));
    EXPECT_EQ(renderer.calls[0], "FillRect 50 50 590 430 8947848");
    EXPECT_EQ(renderer.calls[2], "DrawText 65 95 16711680 Getting file : 'ship.ase'");

    // exit closes without an answer; reopened, the command line shows the prompt.
    TypeInWorld("exit\n");
    EXPECT_EQ(world.consoleOn, 0);
    const int prompt = world.console.currentLine;
    EXPECT_EQ(WorldLine(prompt - 1), ">exit");
    EXPECT_EQ(WorldLine(prompt), ">");
    world.ConsoleOn();
    TypeInWorld("exi");
    EXPECT_EQ(WorldLine(prompt), ">exi");
}

}  // namespace
