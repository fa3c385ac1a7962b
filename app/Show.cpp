#include "app/Show.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/Benchmark.h"
#include "app/Capture.h"
#include "app/Globals.h"
#include "app/Scene.h"
#include "app/Screenshot.h"
#include "app/scenes/Scenes.h"
#include "platform/os/Clock.h"
#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"
#include "platform/os/Window.h"

namespace {

Capture capture;
std::unique_ptr<Benchmark> benchmark;
long passLimit = -1;
double tailSeconds = 10;

// A capture that has rendered what was asked ends the program here, files complete; a
// benchmark prints its figures.
[[noreturn]] void FinishCapture() {
    if (benchmark) {
        benchmark->Finish();
        std::exit(0);
    }
    const bool ok = capture.Close();
    if (ok)
        std::fprintf(stderr, "solmire: captured %ld frames, %ld passes\n", capture.FramesWritten(), capture.Passes());
    std::exit(ok ? 0 : 1);
}

// A file could not be written (the capture has said which): what is on disk is left complete
// and the program stops, since every later frame would fail the same way.
[[noreturn]] void AbandonCapture() {
    capture.Close();
    std::exit(1);
}

void CaptureEndOfPass() {
    capture.EndOfPass();
    if (capture.Failed()) AbandonCapture();
    if (benchmark) benchmark->EndOfPass();
    if (passLimit >= 0 && capture.Passes() >= passLimit) FinishCapture();
}

// A turn of a wait or a fade in a capture: one pass of time with the last picture again.
void CaptureIdle() {
    capture.RepeatLastFrame();
    if (capture.Failed()) AbandonCapture();
    CaptureEndOfPass();
}

// Real play: at most 30 passes per second, whatever the display's refresh rate. A pass that
// ran late is not caught up on (the frame skip of the world takes care of slow frames).
void PaceEndOfPass() {
    using clock = std::chrono::steady_clock;
    static clock::time_point next = clock::now();
    constexpr auto period = std::chrono::microseconds(1000000 / 30);
    next += period;
    const clock::time_point now = clock::now();
    if (next > now) {
        std::this_thread::sleep_until(next);
    } else if (now - next > period) {
        next = now;
    }
}

Renderer* ChosenRenderer(RendererChoice choice) {
    switch (choice) {
        case RendererChoice::D3D: return &d3dRenderer;
        case RendererChoice::D3DSoft: return &d3dSoftRenderer;
        case RendererChoice::Glide: break;
    }
    return &glideRenderer;
}

void StartUp(const ShowOptions& options) {
    app.Init(0, nullptr);
    video.CreateDirectDraw(1);
    video.SetMode(640, 480);
    // The console's box and lines follow the display mode, known only now.
    world.console.SetScreen(video.width, video.height);
    if (options.systemKeymap) input.typedTextStep = TypeSystemText;
    world.console.AttachInput(input);
    if (options.console) world.ConsoleOn();
    world.SetRenderer(ChosenRenderer(options.renderer));
    soundtrack.Init(1);
    soundtrack.PlayModule("solmire.xm");
    world.SetFarZ(200000);
}

}  // namespace

bool ParseRendererChoice(const std::string& text, RendererChoice& choice) {
    if (text == "glide") choice = RendererChoice::Glide;
    else if (text == "d3d") choice = RendererChoice::D3D;
    else if (text == "d3dsoft") choice = RendererChoice::D3DSoft;
    else return false;
    return true;
}

void PlaySequence() {
    TitleScene();
    AddAxisLights();
    PlanetScene();
    CockpitTunnelScene();
    RemoveAxisLights();
    MothershipRingScene();
    AddAxisLights();
    SpaceBattleScene();
    FleetLaunchScene();
    FountainScene();
    MountainPassScene();
    ForestFlightScene();
    MissileScene();
    FadeToPicture("pevin.bmp");
    LighthouseEffect();
    LakeScene();
    CharacterScene();
    LogoScene();
    MotorbikeScene();
    RemoveAxisLights();
    GreetingsScene();
}

void RealPlayIdle() {
    app.PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

music::FadeClock RealPlayFadeClock() {
    const auto now = music::FadeClock::Real().now;
    return {now, [now](double seconds) {
                const double end = now() + seconds;
                while (now() < end) RealPlayIdle();
            }};
}

int RunShow(const ShowOptions& options) {
    Stage& stage = TheStage();
    stage.trace = options.trace;
    stage.flip = [] { video.Flip(); };
    stage.pump = [] { app.PumpMessages(); };
    stage.syncCount = [] { return static_cast<int>(soundtrack.syncCount.load()); };
    video.windowProc = [](os::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        return app.WindowProc(w, m, wp, lp);
    };
    app.onShutdown = [] { soundtrack.Close(); };

    const bool capturing = !options.captureDir.empty() || options.benchmark;
    if (capturing) {
        if (options.benchmark) {
            capture.StartWithoutFiles();
            benchmark = std::make_unique<Benchmark>(
                stdout,
                [] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); },
                Benchmark::CpuSeconds, Benchmark::ResidentKiB);
            stage.sceneBegins = [](const char* name) { benchmark->SceneBegins(name); };
            stage.sceneEnds = [](const char*) { benchmark->SceneEnds(); };
        } else if (!capture.Open(options.captureDir, options.pictureEvery)) {
            return 1;
        }
        passLimit = options.maxPasses;
        tailSeconds = options.tailSeconds;
        video.headless = true;
        soundtrack.UseVirtualClock();
        os::SetClockSource([] { return capture.ClockMs(); });
        stage.endOfPass = CaptureEndOfPass;
        stage.idle = CaptureIdle;
        // Module fades take their 1.5 s in passes of the capture, heard in its audio.
        soundtrack.SetFadeClock(music::FadeClock{
            [] { return static_cast<double>(capture.Passes()) / Capture::kPassesPerSecond; },
            [](double seconds) {
                const long end = capture.Passes() + static_cast<long>(seconds * Capture::kPassesPerSecond + 0.5);
                while (capture.Passes() < end) CaptureIdle();
            }});
        // The last loop never ends by itself: a capture keeps a tail of it, then stops.
        stage.finalLoop = [] {
            if (TheStage().trace) std::fprintf(stderr, "final loop at pass %ld\n", capture.Passes());
            if (benchmark) benchmark->FinalLoopBegins();
            const long tail = capture.Passes() + static_cast<long>(tailSeconds * Capture::kPassesPerSecond);
            if (passLimit < 0 || tail < passLimit) passLimit = tail;
        };
    } else {
        video.fullScreen = !options.windowed;
        stage.endOfPass = PaceEndOfPass;
        stage.idle = RealPlayIdle;
        soundtrack.SetFadeClock(RealPlayFadeClock());
    }

    // The board draws finer; the frames of the 2D effects are brought to its size.
    glideSetScale(options.scale);
    glideSetDitherAllowed(options.dither);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    glideSetThreads(options.threads > 0 ? options.threads : std::max(cores, 1));
    if (options.scale > 1) os::SetPresentedSize(640 * options.scale, 480 * options.scale);
    static std::string screenshotDir;
    screenshotDir = options.screenshotDir;
    os::SetScreenshotHandler([](const std::uint16_t* pixels, int w, int h) { SaveScreenshot(screenshotDir, pixels, w, h); });

    StartUp(options);
    // The display's own clearing flips during start-up are not part of the show.
    if (capturing)
        os::SetFrameSink([](const std::uint16_t* pixels, int w, int h) {
            if (!capture.WriteFrame(pixels, w, h)) AbandonCapture();
        });
    // The show ends in its last loop: by Escape in real play, after the tail in a capture.
    PlaySequence();
}
