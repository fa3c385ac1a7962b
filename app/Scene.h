#pragma once

#include <functional>
#include <memory>
#include <vector>

class Object3D;

// What a scene reaches beyond the world. The program wires it to the display, the shell and
// the music for real play, or to a capture; tests wire fakes. Empty members do nothing.
struct Stage {
    std::function<void()> flip;        // show the frame just drawn
    std::function<void()> pump;        // handle one window message; may end the process
    std::function<int()> syncCount;    // the music's sync counter
    std::function<void()> endOfPass;   // pace real time, or advance virtual time in a capture
    std::function<void()> idle;        // one turn of a wait that draws nothing
    std::function<void()> finalLoop;   // the show has reached its endless last loop
    std::function<void(const char*)> sceneBegins;  // a scene (or picture effect) starts...
    std::function<void(const char*)> sceneEnds;    // ...and ends (one may run inside another)
    bool trace = false;                // scene and cue lines on stderr
};

Stage& TheStage();

// One run of a scene routine: its passes, its music marks and the objects it must have.
// Every scene is a sequence of loops whose bodies advance the animation and call Pass().
class Scene {
public:
    explicit Scene(const char* name);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // RenderFrame; Flip when a frame was drawn; one message pump.
    void Pass();
    int Passes() const { return passes; }
    int Frames() const { return frames; }

    // Music cues: a phase waiting for the music ends in the first pass in which the counter
    // differs from the mark noted before. So that a silent or cue-less module cannot hold a
    // scene for ever, a mark older than kCueGuardPasses passes counts as reached.
    static constexpr int kCueGuardPasses = 60 * 30;
    void Mark();
    bool SyncSinceMark();
    // A wait that draws nothing: turns the stage's idle hook (which keeps Escape working and
    // moves virtual time on) until the counter leaves the mark. Gives up after maxSeconds on
    // the engine clock, so a module without further sync commands cannot hang the show.
    // True when the sync came.
    bool WaitForSync(double maxSeconds);
    // Notes in the trace that a phase ended on a music cue at this pass; readyPass is the pass
    // at which the phase had run its own minimum (for a phase that only waits, its start plus
    // the length chosen for it), so the trace shows how long the phase waited for the music.
    void Cue(const char* phase, int readyPass);

    // Loading that a scene depends on: a missing file or object ends the program with an
    // error naming it, instead of a null object being used later. The scene run owns what
    // it loads: the world only points to objects, so they are freed when the run ends.
    void Load(const char* fileName);
    Object3D* Find(const char* objectName);
    Object3D* At(int index);
    Object3D* Last();

private:
    const char* name;
    int passes = 0;
    int frames = 0;
    int mark = 0;
    int markPass = 0;
    std::vector<std::unique_ptr<Object3D>> loaded;
};
