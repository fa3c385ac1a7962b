#include "app/Scene.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "app/Globals.h"
#include "engine/video/ErrorBox.h"
#include "engine/world/Object3D.h"
#include "platform/os/Clock.h"

namespace {
constexpr int kMissingContentCode = 25;

[[noreturn]] void Missing(const std::string& what) {
    FatalError("V3D Error", what.c_str(), kMissingContentCode);
}
}  // namespace

Stage& TheStage() {
    static Stage stage;
    return stage;
}

Scene::Scene(const char* name_) : name(name_) {
    // The engine clock places the scene in the show (in a capture it counts passes exactly).
    if (TheStage().trace) std::fprintf(stderr, "scene %s begins at %ld ms\n", name, os::ClockMs());
    if (TheStage().sceneBegins) TheStage().sceneBegins(name);
}

Scene::~Scene() {
    // Anything the scene left in the world goes out before it is freed.
    for (const auto& o : loaded) world.RemoveObject(o.get());
    if (TheStage().trace) std::fprintf(stderr, "scene %s passes %d frames %d\n", name, passes, frames);
    if (TheStage().sceneEnds) TheStage().sceneEnds(name);
}

void Scene::Pass() {
    Stage& stage = TheStage();
    ++passes;
    if (world.RenderFrame()) {
        ++frames;
        if (stage.flip) stage.flip();
    }
    if (stage.pump) stage.pump();
    if (stage.endOfPass) stage.endOfPass();
}

void Scene::Mark() {
    mark = TheStage().syncCount ? TheStage().syncCount() : 0;
    markPass = passes;
}

bool Scene::SyncSinceMark() {
    const int now = TheStage().syncCount ? TheStage().syncCount() : 0;
    if (now != mark) return true;
    if (passes - markPass < kCueGuardPasses) return false;
    std::fprintf(stderr, "%s: no music cue for %d passes; going on without it\n", name, kCueGuardPasses);
    markPass = passes;  // said once per guard period
    return true;
}

bool Scene::WaitForSync(double maxSeconds) {
    const long start = os::ClockMs();
    while (!SyncSinceMark()) {
        if (os::ClockMs() - start >= maxSeconds * 1000.0) return false;
        if (TheStage().idle) TheStage().idle();
    }
    return true;
}

void Scene::Cue(const char* phase, int readyPass) {
    if (TheStage().trace) std::fprintf(stderr, "cue %s %s at pass %d ready %d\n", name, phase, passes, readyPass);
}

void Scene::Load(const char* fileName) {
    if (!std::ifstream(fileName).good()) Missing(std::string("Missing model file : ") + fileName);
    const int before = world.GetObjectCount();
    world.LoadObject(fileName);
    if (world.GetObjectCount() == before) Missing(std::string("No object in model file : ") + fileName);
    for (int i = before; i < world.GetObjectCount(); ++i) loaded.emplace_back(world.GetObject(i));
}

Object3D* Scene::Find(const char* objectName) {
    Object3D* o = world.FindObject(objectName);
    if (!o) Missing(std::string("Missing object : ") + objectName);
    return o;
}

Object3D* Scene::At(int index) {
    Object3D* o = world.GetObject(index);
    if (!o) Missing("Missing object number " + std::to_string(index));
    return o;
}

Object3D* Scene::Last() { return At(world.GetObjectCount() - 1); }
