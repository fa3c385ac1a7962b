#pragma once

// The production from start to end: the start-up calls in their order, then the scenes.
// Real play paces passes to 30 per second and shows them in the window; a capture renders
// them into files on a virtual clock.

#include <functional>
#include <span>
#include <string>

#include "engine/music/Fade.h"

// The renderer the show attaches at start-up.
enum class RendererChoice { Glide, D3D, D3DSoft };
// "glide", "d3d" or "d3dsoft"; false for anything else.
bool ParseRendererChoice(const std::string& text, RendererChoice& choice);

struct ShowOptions {
    std::string captureDir;   // empty: real play
    bool benchmark = false;   // render as a capture does, write nothing, print the timings
    bool hashes = false;      // render as a capture does, print the frames' and audio's hashes
    long maxPasses = -1;      // capture: stop after this many passes (-1: no limit)
    double tailSeconds = 10;  // capture, benchmark: how long to keep rendering the endless last loop
    long pictureEvery = 1;    // capture: write every so many frames' picture
    bool trace = false;
    bool windowed = false;
    bool console = false;     // the in-frame console open from the start
    bool systemKeymap = false;  // console text from the system's keyboard layout, not AZERTY
    RendererChoice renderer = RendererChoice::Glide;
    std::string startScene;   // a step's name: start there (empty: from the start)
    bool listScenes = false;  // print the steps and where each starts, play nothing
    int scale = 1;            // the 3D drawn at scale x 640 by scale x 480 (1 to 4)
    bool dither = true;       // the board's 4x4 ordered dither
    int threads = 0;          // the rasteriser's bands (0: one per core)
    std::string screenshotDir = ".";  // where F12 writes solmire-NNNN.png
};

// One step of the show: a scene with the world calls that come before it, under the name that
// --scene takes. The fade to a picture that follows the missiles belongs to their step.
struct ShowStep {
    const char* name;
    void (*run)();
};
// The show's steps in playing order.
std::span<const ShowStep> ShowSteps();
// The index of the step with this name; -1 for none.
int FindShowStep(const std::string& name);
// The steps' names in order, separated by ", ".
std::string ShowStepNames();

// Runs the show, which ends in an endless last loop: real play ends through the message pump
// (Escape), a capture once it has rendered what was asked. Returns an exit code only when the
// capture cannot start. With a start scene, the steps before it run unseen first; a list of
// scenes runs them all unseen, printing where each starts, and ends the program.
int RunShow(const ShowOptions& options);

// The scenes in the show's order, with the world calls between them, into the last loop.
// stepBegins, when given, hears each step's index just before the step runs.
[[noreturn]] void PlaySequence(const std::function<void(int)>& stepBegins = {});

// One turn of a wait that draws nothing, in real play: one window message (so Escape still
// ends the program) and a short sleep.
void RealPlayIdle();

// The module fades' clock in real play: real time, waited out in turns of RealPlayIdle, so
// that Escape ends the program at any moment of a module change.
music::FadeClock RealPlayFadeClock();
