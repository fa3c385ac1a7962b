#pragma once

// The production from start to end: the start-up calls in their order, then the scenes.
// Real play paces passes to 30 per second and shows them in the window; a capture renders
// them into files on a virtual clock.

#include <string>

struct ShowOptions {
    std::string captureDir;   // empty: real play
    long maxPasses = -1;      // capture: stop after this many passes (-1: no limit)
    double tailSeconds = 10;  // capture: how long to keep rendering the endless last loop
    long pictureEvery = 1;    // capture: write every so many frames' picture
    bool trace = false;
    bool windowed = false;
};

// Runs the show; returns the process exit code when it ends by itself (a capture that is
// done); real play ends through the message pump instead.
int RunShow(const ShowOptions& options);

// The scenes in the show's order, with the world calls between them.
void PlaySequence();

// One turn of a wait that draws nothing, in real play: one window message (so Escape still
// ends the program) and a short sleep.
void RealPlayIdle();
