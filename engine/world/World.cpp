#include "engine/world/World.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/render/Renderer.h"
#include "engine/video/ErrorBox.h"
#include "engine/world/Group.h"
#include "engine/world/Numeric.h"
#include "engine/world/Object3D.h"
#include "platform/os/Clock.h"

namespace {

// Process-wide, as the engine has exactly one world and one renderer for its whole life.
bool gRendererLatched = false;
int gFrameStarts = 0;

constexpr double kFramePeriodMs = 100.0 / 3.0;

template <typename T>
bool Contains(T* const* list, int count, const T* item) {
    for (int i = 0; i < count; ++i)
        if (list[i] == item) return true;
    return false;
}

// Removes the first occurrence, moving later entries down.
template <typename T>
void RemoveFirst(T** list, int& count, const T* item) {
    for (int i = 0; i < count; ++i)
        if (list[i] == item) {
            for (int j = i; j + 1 < count; ++j) list[j] = list[j + 1];
            list[--count] = nullptr;
            return;
        }
}

}  // namespace

void World::ResetProcessState() {
    gRendererLatched = false;
    gFrameStarts = 0;
}

void World::AddObject(Object3D* object) {
    if (objectCount >= kMaxObjects) FatalError("V3D Error", "Too many objects in the world", 201);
    objects[objectCount++] = object;
    object->ComputeBoundingBox();
    object->ComputeVertexNormals();
    pointTotal += object->vertexCount;
    faceTotal += object->faceCount;
}

void World::RemoveObjectAt(int index) {
    if (index < 0 || index >= objectCount) return;
    Object3D* object = objects[index];
    if (object->textured && renderer) {
        // A handle is released once; one the renderer could not release may be tried again.
        constexpr int kReleasedCapacity = 256;
        int released[kReleasedCapacity];
        int releasedCount = 0;
        for (int f = 0; f < object->faceCount; ++f) {
            const int texture = object->faces[f]->texture;
            bool done = false;
            for (int i = 0; i < releasedCount && !done; ++i) done = released[i] == texture;
            if (done) continue;
            if (renderer->FreeTexture(texture) != 0 && releasedCount < kReleasedCapacity)
                released[releasedCount++] = texture;
        }
    }
    for (int i = index; i + 1 < objectCount; ++i) objects[i] = objects[i + 1];
    objects[--objectCount] = nullptr;
}

void World::RemoveObject(Object3D* object) {
    for (int i = objectCount - 1; i >= 0; --i)
        if (objects[i] == object) RemoveObjectAt(i);
}

void World::Clear() {
    const int n = objectCount;
    for (int i = 0; i < n; ++i) RemoveObjectAt(0);
    objectCount = 0;
    groupCount = 0;
    additiveCount = 0;
}

Object3D* World::FindObject(const char* name) const {
    if (!name) return nullptr;
    for (int i = 0; i < objectCount; ++i)
        if (std::strcmp(objects[i]->name, name) == 0) return objects[i];
    return nullptr;
}

Object3D* World::GetObject(int index) const {
    return (index >= 0 && index < objectCount) ? objects[index] : nullptr;
}

void World::SetAllObjectsFlags(unsigned flags) {
    for (int i = 0; i < objectCount; ++i) objects[i]->flags = flags;
}

void World::AddAdditive(Object3D* object) {
    if (Contains(additive, additiveCount, object)) return;
    if (additiveCount >= kMaxAdditive) {
        std::fprintf(stderr, "V3D: additive list full, \"%s\" stays an ordinary object\n", object->name);
        return;
    }
    additive[additiveCount++] = object;
    object->additive = 1;
}

void World::RemoveAdditive(Object3D* object) {
    RemoveFirst(additive, additiveCount, object);
    object->additive = 0;
}

void World::AddOmni(Omni* omni) {
    if (lights.omniCount >= LightSet::kMaxLights || Contains(lights.omnis, lights.omniCount, omni)) return;
    lights.omnis[lights.omniCount++] = omni;
}

void World::AddHalo(Halo* halo) {
    if (lights.haloCount >= LightSet::kMaxLights || Contains(lights.halos, lights.haloCount, halo)) return;
    lights.halos[lights.haloCount++] = halo;
}

void World::RemoveOmni(Omni* omni) { RemoveFirst(lights.omnis, lights.omniCount, omni); }
void World::RemoveHalo(Halo* halo) { RemoveFirst(lights.halos, lights.haloCount, halo); }

void World::SetRenderer(Renderer* r) {
    if (gRendererLatched) return;
    gRendererLatched = true;
    renderer = r;
    if (renderer) renderer->Init();
}

int World::LoadTexture(const char* name) { return renderer ? renderer->LoadTexture(name) : 0; }
void World::SetColorKey(unsigned rgb) { if (renderer) renderer->SetColorKey(rgb); }
void World::SetFarZ(int distance) { if (renderer) renderer->SetFarZ(distance); }
void World::SetBackground(Surface* picture) { if (renderer) renderer->SetBackground(picture); }

void World::ShowStatistics() {
    const long seconds = (os::ClockMs() - startClock) / 1000;
    // Under a second of running there is no rate to give yet.
    const double fps = seconds > 0 ? static_cast<double>(frameCount) / static_cast<double>(seconds) : 0.0;
    char text[256];
    std::snprintf(text, sizeof text, "Points:%d\nFaces:%d\nOmni:%d\nHalo:%d\n\nFrames:%d\nFPS:%f\n", pointTotal,
                  faceTotal, lights.omniCount, lights.haloCount, frameCount, fps);
    ErrorBox("V3D Status", text);
}

void World::AddGroup(Group* group) {
    if (groupCount >= kMaxGroups) {
        std::fprintf(stderr, "V3D: group list full, group ignored\n");
        return;
    }
    groups[groupCount++] = group;
}

int World::RenderFrame() {
    if (skipFrames > 0) {
        --skipFrames;
        return 0;
    }
    const long t0 = os::ClockMs();
    if (!renderer) FatalError("V3D Error", "There is no Active Renderer", 200);
    if (++gFrameStarts == 1) startClock = os::ClockMs();

    for (int i = 0; i < groupCount; ++i) groups[i]->Apply();

    Camera* cam = camera ? camera : &fallbackCamera;
    double target[3] = {0, 0, 0};
    if (const Object3D* t = cam->GetTargetObject())
        for (int k = 0; k < 3; ++k) target[k] = t->position[k];
    cam->Update(target[0], target[1], target[2]);

    renderer->BeginFrame();
    ++frameCount;
    for (int i = 0; i < objectCount; ++i) objects[i]->Render(renderer, cam, &lights);
    if (additiveCount != 0) {
        renderer->BeginAdditive();
        for (int i = 0; i < additiveCount; ++i) additive[i]->Submit(renderer, &lights);
        if (consoleOn) RunConsole();
        renderer->EndAdditive();
    }
    renderer->EndFrame();

    const long t1 = os::ClockMs();
    skipFrames = TruncToInt(static_cast<double>(t1 - t0) / kFramePeriodMs - 1.0);
    return 1;
}

World::World() = default;
World::~World() = default;

void World::RunConsole() {
    console.Draw(renderer);
    char out[Console::kOutBytes] = {};
    const int result = console.ReadLine(out);
    const int var = console.currentVar;
    switch (result) {
        case Console::kMove:
            if (Object3D* o = console.varObjects[var]) {
                o->position[0] = console.moveX;
                o->position[1] = console.moveY;
                o->position[2] = console.moveZ;
            }
            break;
        case Console::kSetAsName:
            console.varObjects[var] = FindObject(out);
            break;
        case Console::kSetAsNumber: {
            // A number past an int's range names no object, like any index out of the list.
            const long index = std::strtol(out, nullptr, 10);
            console.varObjects[var] = (index >= 0 && index < objectCount) ? GetObject(static_cast<int>(index)) : nullptr;
            break;
        }
        case Console::kGetFromFile: {
            const int before = objectCount;
            LoadObject(out);
            for (int i = before; i < objectCount; ++i) consoleLoaded.emplace_back(objects[i]);
            break;
        }
        case Console::kExit:
            ConsoleOff();
            break;
        default:
            break;
    }
}
