#include "app/SceneJump.h"

#include <cstdint>

#include "app/Globals.h"
#include "platform/os/Presenter.h"
#include "platform/os/Wait.h"

namespace {
// How often the unseen run lets a web page have its turn: a few times a second there.
constexpr long kPassesBetweenYields = 16;
}  // namespace

void SceneJump::Begin() {
    if (unseen) return;
    Stage& stage = TheStage();
    saved = stage;
    // Drawn and swapped as ever: a fade reads the last picture shown.
    stage.flip = [] { video.Flip(); };
    os::SetFrameSink({});
    stage.endOfPass = [this] { EndOfPass(); };
    // A wait that draws nothing is a pass of time like any other.
    stage.idle = [this] { EndOfPass(); };
    stage.sceneBegins = nullptr;
    stage.sceneEnds = nullptr;
    stage.trace = false;
    unseen = true;
}

void SceneJump::Arrive() {
    if (!unseen) return;
    TheStage() = saved;
    unseen = false;
}

void SceneJump::EndOfPass() {
    std::int16_t audio[Capture::kFramesPerPass * 2];
    soundtrack.RenderVirtual(audio, Capture::kFramesPerPass);
    ++passes;
    if (passes % kPassesBetweenYields == 0) os::YieldToPage();
}
