#include "app/SceneJump.h"

#include <cstdint>

#include "app/Globals.h"

void SceneJump::Begin() {
    if (unseen || !world.renderer) return;
    Stage& stage = TheStage();
    saved = stage;
    stage.flip = nullptr;
    stage.endOfPass = [this] { EndOfPass(); };
    // A wait that draws nothing is a pass of time like any other.
    stage.idle = [this] { EndOfPass(); };
    stage.sceneBegins = nullptr;
    stage.sceneEnds = nullptr;
    stage.trace = false;
    real = world.renderer;
    silent = std::make_unique<SilentRenderer>(*real);
    world.renderer = silent.get();
    unseen = true;
}

void SceneJump::Arrive() {
    if (!unseen) return;
    TheStage() = saved;
    world.renderer = real;
    unseen = false;
}

void SceneJump::EndOfPass() {
    std::int16_t audio[Capture::kFramesPerPass * 2];
    soundtrack.RenderVirtual(audio, Capture::kFramesPerPass);
    ++passes;
}
