#pragma once

#include <memory>
#include <vector>

#include "engine/console/Console.h"
#include "engine/world/Camera.h"
#include "engine/world/LightSet.h"

class Object3D;
class Group;
class Renderer;
class Surface;
class Vertex;

// The engine's scene container: the objects drawn each frame, the additive objects drawn
// after them, groups, lights, the active camera and renderer, statistics and the console.
// It owns none of what it points to; removing an object never destroys it.
class World {
public:
    // The 1998 list held 50 and two scenes overflowed it; 128 with a refusal past it.
    static constexpr int kMaxObjects = 128;
    static constexpr int kMaxGroups = 50;
    static constexpr int kMaxAdditive = 20;

    Object3D* objects[kMaxObjects] = {};
    int objectCount = 0;
    Group* groups[kMaxGroups] = {};
    int groupCount = 0;
    Object3D* additive[kMaxAdditive] = {};
    int additiveCount = 0;
    Camera* camera = nullptr;
    Renderer* renderer = nullptr;
    LightSet lights;
    int pointTotal = 0;        // points of every object ever added
    int faceTotal = 0;
    int frameCount = 0;        // frames drawn since construction
    long startClock = 0;       // clock at the first drawn frame of the process
    Console console;
    int consoleOn = 0;
    int skipFrames = 0;        // coming RenderFrame calls that return 0 at once

    // Out of line: the console's objects are freed where Object3D is a complete type.
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Object list. AddObject computes the bounding box, then the vertex normals; past
    // kMaxObjects it shows "Too many objects in the world" and exits with code 201.
    void AddObject(Object3D* object);
    void RemoveObjectAt(int index);
    void RemoveObject(Object3D* object);
    void Clear();
    Object3D* FindObject(const char* name) const;
    Object3D* GetObject(int index) const;
    int GetObjectCount() const { return objectCount; }
    void SetAllObjectsFlags(unsigned flags);

    // Model loading (the readers live in engine/loaders).
    void LoadObject(const char* fileName);
    void LoadAse(const char* fileName);
    void Load3ds(const char* fileName);
    void LoadAsc(const char* fileName);
    // Copies the points of the file's last object into a new array (delete[] by the caller).
    void LoadPoints(const char* fileName, Vertex** points, int* count);

    // Additive list: drawn with ONE/ONE blending after every other object. Adding twice does
    // nothing; a full list refuses the object (it stays an ordinary object).
    void AddAdditive(Object3D* object);
    void RemoveAdditive(Object3D* object);

    // Lights: 32 of each, no duplicates; extra ones are ignored.
    void AddOmni(Omni* omni);
    void AddHalo(Halo* halo);
    void RemoveOmni(Omni* omni);
    void RemoveHalo(Halo* halo);

    void SetCamera(Camera* c) { camera = c; }
    // Only the first call of the process stores the renderer and calls its Init.
    void SetRenderer(Renderer* r);
    int LoadTexture(const char* name);
    void SetColorKey(unsigned rgb);
    void SetFarZ(int distance);
    void SetBackground(Surface* picture);

    void ConsoleOn() { consoleOn = 1; }
    void ConsoleOff() { consoleOn = 0; }
    // The console's step: draw it, take what was typed, carry out a finished command.
    void RunConsole();
    // A "V3D Status" box with the totals, light counts, frames and frames per second.
    void ShowStatistics();

    // A full list refuses the group.
    void AddGroup(Group* group);

    // One frame: 1 when drawn, 0 when skipped to keep the 30 frames per second pace.
    int RenderFrame();

    // For tests: forget the process-wide renderer latch and first-frame clock.
    static void ResetProcessState();

private:
    Camera fallbackCamera;  // used only when no camera has been set, instead of a null one
    // What the console's getfromfile loaded: the world only points to objects, and no scene
    // owns these, so the world keeps them until it goes (a Clear only drops the pointers).
    std::vector<std::unique_ptr<Object3D>> consoleLoaded;
};
