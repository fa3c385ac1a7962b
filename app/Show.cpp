#include "app/Show.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <thread>

#include "app/Benchmark.h"
#include "app/Capture.h"
#include "app/Globals.h"
#include "app/Progress.h"
#include "app/Scene.h"
#include "app/SceneJump.h"
#include "app/VideoFile.h"
#include "app/Screenshot.h"
#include "app/scenes/Scenes.h"
#include "platform/os/Clock.h"
#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"
#include "platform/os/Wait.h"
#include "platform/os/Window.h"

namespace {

Capture capture;
std::unique_ptr<Benchmark> benchmark;
std::unique_ptr<Progress> progress;
SceneJump jump;
long passLimit = -1;
double tailSeconds = 10;

// Ctrl+C or a polite kill during a capture: the files are closed as at the end (pictures whole,
// the audio playable, the video made of the frames so far) before the program stops.
volatile std::sig_atomic_t interrupted = 0;

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A capture that has rendered what was asked ends the program here, files complete; a
// benchmark prints its figures.
[[noreturn]] void FinishCapture() {
    if (benchmark) {
        benchmark->Finish();
        std::exit(0);
    }
    if (progress) progress->Finish();
    const bool ok = capture.Close();
    if (ok)
        std::fprintf(stderr, "solmire: captured %ld frames, %ld passes\n", capture.FramesWritten(), capture.Passes());
    std::exit(ok ? 0 : 1);
}

// A file could not be written (the capture says which as it closes): what is on disk is left
// complete and the program stops, since every later frame would fail the same way.
[[noreturn]] void AbandonCapture() {
    if (progress) progress->Finish();
    capture.Close();
    std::exit(1);
}

[[noreturn]] void InterruptCapture() {
    if (progress) progress->Finish();
    const bool ok = capture.Close();
    if (ok)
        std::fprintf(stderr, "solmire: interrupted: captured %ld frames, %ld passes\n", capture.FramesWritten(),
                     capture.Passes());
    std::exit(130);
}

void CaptureEndOfPass() {
    if (interrupted && !benchmark) InterruptCapture();
    capture.EndOfPass();
    if (capture.Failed()) AbandonCapture();
    if (benchmark) benchmark->EndOfPass();
    if (progress) progress->Pass(capture.Passes(), SteadySeconds());
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
        os::SleepUntil(next);
    } else {
        // Late: no wait, but the page of a web build still gets its turn.
        os::SleepFor(std::chrono::microseconds(0));
        if (now - next > period) next = now;
    }
}

std::unique_ptr<Benchmark> MakeBenchmark() {
    return std::make_unique<Benchmark>(stdout, SteadySeconds, Benchmark::CpuSeconds, Benchmark::ResidentKiB);
}

Renderer* ChosenRenderer(RendererChoice choice) {
    switch (choice) {
        case RendererChoice::D3D: return &d3dRenderer;
        case RendererChoice::D3DSoft: return &d3dSoftRenderer;
        case RendererChoice::Glide: break;
    }
    return &glideRenderer;
}

// The capture's files: a folder of pictures, or one video file when ffmpeg is there to make it
// (and the pictures in a folder named after it when it is not). False when it cannot start.
bool OpenCapture(const ShowOptions& options) {
    capture.SetPngWorkers(std::max(1u, std::thread::hardware_concurrency()));
    const std::string& target = options.captureDir;
    if (!IsVideoFileName(target)) return capture.Open(target, options.pictureEvery);
    const char* searchPath = std::getenv("PATH");
    const std::string ffmpeg = FindProgram("ffmpeg", searchPath ? searchPath : "");
    std::string why;
    if (ffmpeg.empty()) {
        why = "ffmpeg is not installed (not on PATH)";
    } else {
        std::string encoders, missing;
        const int code = RunForOutput({ffmpeg, "-hide_banner", "-encoders"}, encoders);
        if (code != 0) {
            std::fprintf(stderr, "solmire: %s failed listing its encoders (exit code %d): cannot make %s\n",
                         ffmpeg.c_str(), code, target.c_str());
            return false;
        }
        VideoFormat format;
        if (ChooseVideoFormat(target, encoders, format, missing)) return capture.OpenVideo(ffmpeg, target, format);
        why = "ffmpeg has no " + missing + " encoder";
    }
    const std::string folder = FallbackFolder(target);
    std::fprintf(stderr, "solmire: %s: writing PNG frames and audio.wav into %s/ instead of %s\n", why.c_str(),
                 folder.c_str(), target.c_str());
    return capture.Open(folder, options.pictureEvery);
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

namespace {

// The axis lights come on for the planet, go off for the mothership's ring, come back for the
// battle and stay until the greetings.
void PlanetStep() {
    AddAxisLights();
    PlanetScene();
}
void MothershipRingStep() {
    RemoveAxisLights();
    MothershipRingScene();
}
void SpaceBattleStep() {
    AddAxisLights();
    SpaceBattleScene();
}
// The missiles' last frame fades into the picture that the lighthouse starts from.
void MissileStep() {
    MissileScene();
    FadeToPicture("pevin.bmp");
}
void GreetingsStep() {
    RemoveAxisLights();
    GreetingsScene();
}

constexpr ShowStep kSteps[] = {
    {"title", TitleScene},
    {"planet", PlanetStep},
    {"cockpit-tunnel", CockpitTunnelScene},
    {"mothership-ring", MothershipRingStep},
    {"space-battle", SpaceBattleStep},
    {"fleet-launch", FleetLaunchScene},
    {"fountain", FountainScene},
    {"mountain-pass", MountainPassScene},
    {"forest-flight", ForestFlightScene},
    {"missile", MissileStep},
    {"lighthouse", LighthouseEffect},
    {"lake", LakeScene},
    {"character", CharacterScene},
    {"logo", LogoScene},
    {"motorbike", MotorbikeScene},
    {"greetings", GreetingsStep},
};

}  // namespace

std::span<const ShowStep> ShowSteps() { return kSteps; }

int FindShowStep(const std::string& name) {
    for (std::size_t i = 0; i < std::size(kSteps); ++i)
        if (name == kSteps[i].name) return static_cast<int>(i);
    return -1;
}

std::string ShowStepNames() {
    std::string names;
    for (const ShowStep& step : kSteps) names += (names.empty() ? "" : ", ") + std::string(step.name);
    return names;
}

void PlaySequence(const std::function<void(int)>& stepBegins) {
    for (std::size_t i = 0; i < std::size(kSteps); ++i) {
        if (stepBegins) stepBegins(static_cast<int>(i));
        kSteps[i].run();
    }
    // The greetings end in a loop that never returns.
    std::abort();
}

void RealPlayIdle() {
    app.PumpMessages();
    os::SleepFor(std::chrono::milliseconds(5));
}

music::FadeClock RealPlayFadeClock() {
    const auto now = music::FadeClock::Real().now;
    return {now, [now](double seconds) {
                const double end = now() + seconds;
                while (now() < end) RealPlayIdle();
            }};
}

namespace {

// Every step unseen, each noted as it begins; the program ends as the last one would start.
[[noreturn]] void ListScenes(const ShowOptions& options) {
    Stage& stage = TheStage();
    stage.pump = [] { app.PumpMessages(); };
    stage.syncCount = [] { return static_cast<int>(soundtrack.syncCount.load()); };
    app.onShutdown = [] { soundtrack.Close(); };
    video.headless = true;
    soundtrack.UseVirtualClock();
    os::SetClockSource([] { return jump.ClockMs(); });
    StartUp(options);
    jump.Begin();
    PlaySequence([](int step) {
        const long seconds = jump.ClockMs() / 1000;
        std::printf("%-16s %2ld:%02ld  ", ShowSteps()[static_cast<std::size_t>(step)].name, seconds / 60, seconds % 60);
        int order = 0, row = 0;
        if (soundtrack.Position(order, row))
            std::printf("%s order %d row %d\n", soundtrack.PlayingFile().c_str(), order, row);
        else
            std::printf("no music\n");
        std::fflush(stdout);  // each line as its step is reached
        if (static_cast<std::size_t>(step) + 1 == ShowSteps().size()) std::exit(0);
    });
}

}  // namespace

int RunShow(const ShowOptions& options) {
    if (options.listScenes) ListScenes(options);
    Stage& stage = TheStage();
    stage.trace = options.trace;
    stage.flip = [] { video.Flip(); };
    stage.pump = [] { app.PumpMessages(); };
    stage.syncCount = [] { return static_cast<int>(soundtrack.syncCount.load()); };
    video.windowProc = [](os::WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        return app.WindowProc(w, m, wp, lp);
    };
    app.onShutdown = [] { soundtrack.Close(); };

    const bool capturing = !options.captureDir.empty() || options.benchmark || options.hashes;
    if (capturing) {
        if (options.hashes) {
            capture.StartHashing(stdout);
        } else if (options.benchmark) {
            capture.StartWithoutFiles();
            benchmark = MakeBenchmark();
            stage.sceneBegins = [](const char* name) { benchmark->SceneBegins(name); };
            stage.sceneEnds = [](const char*) { benchmark->SceneEnds(); };
        } else {
            if (!OpenCapture(options)) return 1;
            std::signal(SIGINT, [](int) { interrupted = 1; });
            std::signal(SIGTERM, [](int) { interrupted = 1; });
            // The bar is for a person watching; a trace already says where the show is.
            if (isatty(STDERR_FILENO) && !options.trace) {
                progress = std::make_unique<Progress>(stderr, CapturePasses(options.maxPasses, options.tailSeconds),
                                                      SteadySeconds());
                stage.sceneBegins = [](const char* name) { progress->SceneBegins(name); };
                stage.sceneEnds = [](const char*) { progress->SceneEnds(); };
            }
        }
        passLimit = options.maxPasses;
        tailSeconds = options.tailSeconds;
        video.headless = true;
        soundtrack.UseVirtualClock();
        // The show's time, counting the passes of the scenes skipped unseen, if any.
        os::SetClockSource([] { return (jump.Passes() + capture.Passes()) * 1000L / Capture::kPassesPerSecond; });
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

    const int first = options.startScene.empty() ? 0 : FindShowStep(options.startScene);
    if (first < 0) {
        std::fprintf(stderr, "solmire: --scene is %s\n", ShowStepNames().c_str());
        return 2;
    }
    if (first > 0)
        std::fprintf(stderr, "solmire: starting at %s once the scenes before it have run unseen\n",
                     ShowSteps()[static_cast<std::size_t>(first)].name);
    if (first > 0 && !capturing) {
        // Real play reaches the scene headless first, then hands the music to the sound card.
        soundtrack.UseVirtualClock();
        os::SetClockSource([] { return jump.ClockMs(); });
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
    auto showFrames = [capturing] {
        if (capturing)
            os::SetFrameSink([](const std::uint16_t* pixels, int w, int h) {
                if (!capture.WriteFrame(pixels, w, h)) AbandonCapture();
            });
        else
            os::SetFrameSink(os::WindowSink());
    };
    if (capturing) showFrames();
    if (first > 0) jump.Begin();
    // The show ends in its last loop: by Escape in real play, after the tail in a capture.
    PlaySequence([first, capturing, showFrames](int step) {
        if (step != first || !jump.Unseen()) return;
        jump.Arrive();
        showFrames();
        if (capturing) {
            // Timed from the chosen scene on.
            if (benchmark) benchmark = MakeBenchmark();
            return;
        }
        soundtrack.LeaveVirtualClock();
        using clock = std::chrono::steady_clock;
        os::SetClockSource([from = jump.ClockMs(), start = clock::now()] {
            return from + static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count());
        });
    });
}
