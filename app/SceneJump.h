#pragma once

// Starting the show at a later scene. The scenes before it run as the show runs them, drawn
// too (the fades between scenes go on for as long as the last picture shown needs), so the
// world, the lights, the renderer, the pictures and the music are exactly where the whole show
// has them; but unseen: no frame goes to the screen or a file, nothing is traced, and each pass
// moves a virtual clock by 1/30 s and pulls the same length of music, which is dropped. Then
// the stage the program set up takes over.

#include "app/Capture.h"
#include "app/Scene.h"

class SceneJump {
public:
    // Unseen from here: takes the stage's pacing, trace and scene hooks, keeping them for
    // Arrive, and drops shown frames. Window messages are still pumped, so Escape works
    // meanwhile. The music must be on its virtual clock.
    void Begin();
    // The program's own stage again; where shown frames go is for the caller to say.
    void Arrive();
    bool Unseen() const { return unseen; }

    // Passes run unseen, and the show's clock they make.
    long Passes() const { return passes; }
    long ClockMs() const { return passes * 1000L / Capture::kPassesPerSecond; }

private:
    void EndOfPass();

    Stage saved;
    long passes = 0;
    bool unseen = false;
};
