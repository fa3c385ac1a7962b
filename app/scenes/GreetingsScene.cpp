// The greetings, to their own tune: a pillar with four lettered panels turns a quarter at each
// of the tune's cues, spins while rings slide along it and the lift goes by, and goes dark. Then
// the greeted names roll out of the screen one after another over a bursting ball, and "bye"
// turns until Escape.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "content/GreetedGroups.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"
#include "platform/os/Clock.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// The set.
constexpr int kLightDirections[2][3] = {{-1, 0, 1}, {0, -1, 1}};
constexpr double kLightTargets[2][3] = {{1, 0, 1}, {0, 0, 2}};
constexpr double kLightRamp = 0.01;
constexpr double kLightFade = 0.04;
constexpr double kRingHeights[2] = {500, 900};
constexpr double kLiftScale[3] = {6.5, 10, 1};
constexpr double kLiftHeight = 1100;
constexpr double kLiftDepth = 400;
constexpr double kQuarterTurn = 1.5707963;
constexpr double kTurnStep = 0.05;
constexpr int kQuarterTurns = 3;  // the cue after them starts the spin
constexpr double kSpinStep = 0.04;
constexpr double kSpinEnd = 15.707963;
constexpr double kRingFall = 20;
constexpr double kRingWrapBelow = -500;
constexpr double kRingWrapTo = 500;
constexpr double kLiftSinkSpinning = 4;
constexpr double kSlowTurnStep = 0.02;
constexpr double kLiftSinkFading = 2;
constexpr const char* kTurnCues[kQuarterTurns] = {"turn1", "turn2", "turn3"};
// The set is solid and lit; the rings glow in the additive pass, as the title's do.
constexpr unsigned kSolidLit = RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kTextured;
constexpr unsigned kGlowing = RenderFlags::kGouraud | RenderFlags::kTextured;

// The roll.
constexpr double kRollColours[2][3] = {{1, 1, 2}, {1, 0, 2}};
constexpr int kRollDirections[2][3] = {{0, 0, 1}, {1, 0, 1}};
constexpr unsigned kRollFlags = RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kTextured;
constexpr double kRollStartZ = -20;
constexpr double kHeadingStep = 20;
constexpr double kHeadingEndZ = 500;
constexpr double kNameStep = 20;
constexpr double kNameFastStep = 70;  // once turned up past a quarter
constexpr double kTurnUpFromZ = 700;
constexpr double kTurnUpStep = 0.05;
constexpr double kNameGoneZ = 2000;
constexpr double kByeStopZ = 900;
constexpr double kByeTurn = 0.05;
constexpr double kBallTurn = 0.07;
constexpr int kHeadingHiddenPass = 15;
// The ball's fragments drift out to about twice its radius and hang there, turning; the
// heading gets corners of its own for a burst the roll never sets off.
constexpr double kBallBurstSpeed = 3;
constexpr int kBallBurstGravity = 0;
constexpr int kBallBurstRandom = 1;
constexpr double kHeadingBurstSpeed = 4;
constexpr int kHeadingBurstGravity = 0;
constexpr int kHeadingBurstRandom = 1;

// The waits that draw nothing give up a little after the 4.4 s between the tune's cues.
constexpr double kSyncWaitSeconds = 6;
constexpr double kPassesPerSecond = 30;

// Since `startMs` on the engine clock, in passes of show time.
int PassesSince(long startMs) {
    return static_cast<int>(std::lround((os::ClockMs() - startMs) * kPassesPerSecond / 1000.0));
}

// A wait for the music that draws nothing, noted in the trace with its length in show time:
// ready is as many passes before now as the wait lasted.
void WaitForTheMusic(Scene& scene, const char* phase) {
    const long start = os::ClockMs();
    scene.WaitForSync(kSyncWaitSeconds);
    scene.Cue(phase, scene.Passes() - PassesSince(start));
}
}  // namespace

void GreetingsScene() {
    {
        Scene scene("GreetingsScene");
        // Free, as the show starts it: a camera left aiming at a ball of an earlier run would
        // aim at freed memory.
        greetCamera.SetFree();
        world.SetCamera(&greetCamera);
        double light[2][3] = {};
        for (int i = 0; i < 2; ++i) {
            greetLights[i].SetDirection(kLightDirections[i][0], kLightDirections[i][1], kLightDirections[i][2]);
            greetLights[i].SetColor(0, 0, 0);
            world.AddOmni(&greetLights[i]);
        }
        auto showLights = [&] {
            for (int i = 0; i < 2; ++i) greetLights[i].SetColor(light[i][0], light[i][1], light[i][2]);
        };
        scene.Mark();

        std::vector<Object3D*> set;  // the pillar and its panels share one angle
        scene.Load("pilier.ase");
        set.push_back(scene.Last());
        for (const char* panel : {"pan1.ase", "pan2.ase", "pan3.ase", "pan4.ase"}) {
            scene.Load(panel);
            set.push_back(scene.Last());
        }
        for (Object3D* o : set) o->SetFlags(kSolidLit);
        Object3D* rings[2];
        for (int i = 0; i < 2; ++i) {
            scene.Load("torus.ase");
            rings[i] = scene.Last();
            rings[i]->SetFlags(kGlowing);
            world.AddAdditive(rings[i]);
            rings[i]->position[1] = kRingHeights[i];
        }
        scene.Load("ascen.ase");
        Object3D* lift = scene.Last();
        lift->SetFlags(kSolidLit);
        lift->Scale(kLiftScale[0], kLiftScale[1], kLiftScale[2]);
        lift->position[1] = kLiftHeight;
        lift->position[2] = kLiftDepth;

        soundtrack.ChangeModule("greeting.xm");
        // The new tune's first cue may well have come during its fade-in.
        WaitForTheMusic(scene, "tune");
        scene.Mark();

        double ry = 0;
        auto pass = [&] {
            for (Object3D* o : set) o->angles[1] = ry;
            showLights();
            scene.Pass();
        };
        auto rampLights = [&] {
            for (int i = 0; i < 2; ++i)
                for (int k = 0; k < 3; ++k) light[i][k] = std::min(kLightTargets[i][k], light[i][k] + kLightRamp);
        };

        // A quarter turn at each cue, each ending exactly on its quarter.
        double turnTarget = 0;
        int cues = 0;
        int ready = scene.Passes();  // the set stands still, facing the camera
        for (;;) {
            if (scene.SyncSinceMark()) {
                scene.Mark();
                if (cues == kQuarterTurns) break;
                scene.Cue(kTurnCues[cues++], ready);
                turnTarget += kQuarterTurn;
            }
            const bool turning = ry < turnTarget;
            if (turning) ry = std::min(turnTarget, ry + kTurnStep);
            rampLights();
            pass();
            if (turning && ry == turnTarget) ready = scene.Passes();
        }
        scene.Cue("spin", ready);

        // The spin: the rings slide along the pillar, the lift goes by.
        while (ry <= kSpinEnd) {
            ry += kSpinStep;
            for (Object3D* r : rings) {
                r->position[1] -= kRingFall;
                if (r->position[1] < kRingWrapBelow) r->position[1] = kRingWrapTo;
            }
            lift->position[1] -= kLiftSinkSpinning;
            rampLights();
            pass();
        }

        // Dark again, slowly turning.
        auto lit = [&] {
            for (const auto& l : light)
                for (double c : l)
                    if (c > 0) return true;
            return false;
        };
        while (lit()) {
            for (auto& l : light)
                for (double& c : l) c = std::max(0.0, c - kLightFade);
            ry += kSlowTurnStep;
            lift->position[1] -= kLiftSinkFading;
            pass();
        }

        world.Clear();
    }
    GreetingRoll();
}

void GreetingRoll() {
    Scene scene("GreetingRoll");
    for (int i = 0; i < 2; ++i) {
        greetLights[i].SetColor(kRollColours[i][0], kRollColours[i][1], kRollColours[i][2]);
        greetLights[i].SetDirection(kRollDirections[i][0], kRollDirections[i][1], kRollDirections[i][2]);
    }
    scene.Mark();

    // Every model of the roll glows, fixed to the screen, facing the camera and hidden until
    // its turn; it starts just behind the camera.
    std::vector<Object3D*> roll;
    auto load = [&](const std::string& file) {
        scene.Load(file.c_str());
        Object3D* o = scene.Last();
        o->SetFlags(kRollFlags);
        world.AddAdditive(o);
        o->visible = 0;
        o->cameraRelative = 0;
        o->position[2] = kRollStartZ;
        o->angles[0] = kPi;
        roll.push_back(o);
        return o;
    };

    Object3D* heading = load("greets.3ds");
    heading->visible = 1;
    heading->Explode(kHeadingBurstSpeed, kHeadingBurstGravity, kHeadingBurstRandom);
    while (heading->position[2] <= kHeadingEndZ) {
        heading->position[2] += kHeadingStep;
        scene.Pass();
    }
    for (std::string_view group : content::kGreetedGroups) load(std::string(group) + ".3ds");
    load("bye.3ds");

    WaitForTheMusic(scene, "names");

    // The ball comes with the first name and stays in the middle of the screen.
    Object3D* ball = nullptr;
    auto stepBall = [&] {
        if (!ball) {
            scene.Load("boulemap.ase");
            ball = scene.Last();
            ball->SetFlags(kRollFlags);
            world.AddAdditive(ball);
            ball->Explode(kBallBurstSpeed, kBallBurstGravity, kBallBurstRandom);
            greetCamera.FollowObject(ball);
        }
        ball->AdvanceExplode(kBallTurn);
    };

    // The names, one after the other, out of the screen and turning up into the distance.
    std::size_t current = 1;
    roll[current]->visible = 1;
    for (int rollPass = 1;; ++rollPass) {
        Object3D* name = roll[current];
        if (current + 1 == roll.size() && name->position[2] > kByeStopZ) break;
        name->position[2] += name->angles[0] <= kPi / 2 ? kNameFastStep : kNameStep;
        if (name->position[2] > kTurnUpFromZ) name->angles[0] -= kTurnUpStep;
        if (name->position[2] > kNameGoneZ && current + 1 < roll.size()) {
            name->visible = 0;
            roll[++current]->visible = 1;
        }
        if (rollPass == kHeadingHiddenPass) {
            heading->visible = 0;
        } else {
            stepBall();
        }
        stepBall();
        scene.Pass();
    }

    // "bye" turns until Escape.
    Object3D* bye = roll.back();
    if (TheStage().finalLoop) TheStage().finalLoop();
    for (;;) {
        bye->angles[1] += kByeTurn;
        scene.Pass();
    }
}
