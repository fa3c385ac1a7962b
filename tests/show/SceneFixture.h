#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/Globals.h"
#include "app/Scene.h"
#include "platform/os/Clock.h"
#include "support/RecordingRenderer.h"

// Runs scenes on the global world with a renderer that only records, in the content folder,
// on a fake clock the test controls.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(SOLMIRE_DATA_DIR);
        World::ResetProcessState();
        world.skipFrames = 0;  // a slow frame of the test before must not drop this one's first
        world.renderer = nullptr;
        world.SetRenderer(&renderer);
        renderer.onBeginFrame = [this] { now += frameMs; };
        os::SetClockSource([this] { return now; });
        TheStage() = Stage{};
        TheStage().flip = [this] { ++flips; };
        TheStage().syncCount = [this] { return syncs; };
    }
    void TearDown() override {
        TheStage() = Stage{};
        os::SetClockSource({});
        world.Clear();
        world.SetCamera(nullptr);  // a scene's camera lives in the scene's routine only
        world.renderer = nullptr;
        World::ResetProcessState();
        std::filesystem::current_path(previousDir);
    }

    std::filesystem::path previousDir;
    RecordingRenderer renderer;
    long now = 0;
    long frameMs = 5;
    int flips = 0;
    int syncs = 0;
};

// For death tests that press Escape: the shell on SDL's dummy driver with its real window
// procedure; shutting down says "music closed". Exits 90 if the window cannot be made.
inline void StartTheShellOnTheDummyDriver() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    video.windowProc = [](os::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        return app.WindowProc(w, m, wp, lp);
    };
    app.onShutdown = [] { std::fprintf(stderr, "music closed\n"); };
    app.Init(0, nullptr);
    if (video.hwnd == 0) std::exit(90);
}
