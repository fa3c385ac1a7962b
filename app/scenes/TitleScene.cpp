// The opening: rocks drift out of the dark, the emblem closes in turning inside its rings,
// two coloured halos sweep across it and the camera flies through; "presents" lights up and
// tilts away; the title words come out of the screen inside their rings, turn, and burst
// while the camera circles them. Then a fade to black.
#include "app/scenes/TitleScene.h"

#include <algorithm>
#include <cmath>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/Random.h"
#include "engine/world/RenderFlags.h"
#include "platform/os/Clock.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kRockCount = 10;

// Loaded objects only draw their points: the emblem and the words are solid lit objects, the
// rings and "presents" glow in the additive pass.
constexpr unsigned kSolidLit = RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kTextured;
constexpr unsigned kGlowing = RenderFlags::kGouraud | RenderFlags::kTextured;
// The three omnis before they go dark for "presents": a soft white fill, so the halos'
// colours still show on the emblem.
constexpr double kFillLight = 0.35;

// The rocks alone on black need a few seconds before the emblem comes.
constexpr int kRocksAlonePasses = 120;
// The word fragments spread about a word's height (speed x 20 in all) and keep no gravity:
// they drift in space while the camera circles.
constexpr double kWordBurstSpeed = 4;
constexpr int kWordBurstGravity = 0;
constexpr int kWordBurstRandom = 1;

// Each ring tumbles on all three axes, each ring its own way.
constexpr int kTumble[3][3] = {{1, -1, 1}, {-1, 1, 1}, {1, 1, -1}};
// The words and their rings turn about y in alternate senses.
constexpr int kTurn[3] = {1, -1, 1};

void Tumble(Object3D* const rings[3], double step) {
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) rings[r]->angles[k] += kTumble[r][k] * step;
}

void SetLights(Omni lights[3], double r, double g, double b) {
    for (int i = 0; i < 3; ++i) lights[i].SetColor(r, g, b);
}
}  // namespace

void RespawnTitleRock(TitleRock& rock) {
    rock.spin[0] = Random::Next() / 327670.0;  // up to 0.1 radian per pass
    rock.spin[1] = 0;
    rock.spin[2] = 0;
    // One draw per statement: the order of draws is the field's.
    const int side = Random::Next() % 5;
    double* p = rock.object->position;
    int* v = rock.velocity;
    switch (side) {
        case 0:  // from the left
        case 1:  // from the right
            p[0] = side == 0 ? -2000 : 2000;
            p[1] = 1000 - Random::Next() % 2000;
            p[2] = 2000 + Random::Next() % 800;
            v[0] = side == 0 ? 10 + Random::Next() % 20 : -10 - Random::Next() % 20;
            v[1] = 5 - Random::Next() % 10;
            v[2] = 5 - Random::Next() % 10;
            break;
        case 2:  // from the top
        case 3:  // from the bottom
            p[0] = 1500 - Random::Next() % 3000;
            p[1] = side == 2 ? 1500 : -1500;
            p[2] = 2000 + Random::Next() % 800;
            v[0] = 5 - Random::Next() % 10;
            v[1] = side == 2 ? -10 - Random::Next() % 20 : 10 + Random::Next() % 20;
            v[2] = 5 - Random::Next() % 10;
            break;
        default:  // from the distance
            p[0] = 1500 - Random::Next() % 3000;
            p[1] = 1000 - Random::Next() % 2000;
            p[2] = 12000;
            v[0] = 5 - Random::Next() % 10;
            v[1] = 5 - Random::Next() % 10;
            v[2] = -10 - Random::Next() % 20;
            break;
    }
}

void MoveTitleRocks(TitleRock* rocks, int count) {
    for (int i = 0; i < count; ++i) {
        TitleRock& rock = rocks[i];
        if (!rock.object->inView) RespawnTitleRock(rock);
        for (int k = 0; k < 3; ++k) {
            rock.object->angles[k] += rock.spin[k];
            rock.object->position[k] += rock.velocity[k];
        }
    }
}

void TitleScene() {
    Scene scene("TitleScene");
    Camera& camera = titleCamera;
    camera.SetFree();
    camera.position[0] = camera.position[1] = 0;  // as if the show had just started
    world.SetCamera(&camera);
    Omni lights[3];
    Halo halos[2];
    // The clock is virtual in a capture, so the field stays the same there.
    Random::Seed(static_cast<unsigned>(os::ClockMs()));

    scene.Load("vokar.3ds");
    Object3D* logo = scene.At(0);
    logo->SetFlags(kSolidLit);
    Object3D* rings[3];
    scene.Load("torus.ase");
    rings[0] = scene.Last();
    scene.Load("presents.3ds");
    Object3D* presents = scene.Last();
    presents->SetFlags(kGlowing);
    world.AddAdditive(presents);
    presents->visible = 0;
    presents->position[2] = 700;
    presents->angles[0] = kPi;
    Object3D* words[3];  // "end", "of", "solmire"
    const char* const wordFiles[3] = {"end.3ds", "of.3ds", "solmire.3ds"};
    for (int i = 0; i < 3; ++i) {
        scene.Load(wordFiles[i]);
        Object3D* w = words[i] = scene.Last();
        w->SetFlags(kSolidLit);
        w->visible = 0;
        w->angles[0] = kPi;
        w->Explode(kWordBurstSpeed, kWordBurstGravity, kWordBurstRandom);
        w->Scale(1.8, 1.8, 1);
    }
    words[0]->position[1] = -100;
    words[2]->position[1] = 100;
    scene.Load("fond.ase");
    Object3D* stars = scene.Last();
    stars->SetFlags(RenderFlags::kTextured);
    stars->angles[0] = kPi;
    stars->position[2] = 12000;
    stars->Scale(24, 24, 1);
    for (int i = 1; i < 3; ++i) {
        scene.Load("torus.ase");
        rings[i] = scene.Last();
        rings[i]->Scale(0.5, 0.5, 0.5);
    }
    for (Object3D* r : rings) {
        r->SetFlags(kGlowing);
        world.AddAdditive(r);
    }

    TitleRock rocks[kRockCount];
    for (TitleRock& rock : rocks) {
        scene.Load("rochers.3ds");
        rock.object = scene.Last();
        rock.object->SetFlags(RenderFlags::kGouraud | RenderFlags::kTextured);
        rock.object->cameraRelative = 0;
        const int s = 2 + Random::Next() % 8;
        rock.object->Scale(s, s, s);
        RespawnTitleRock(rock);
    }
    auto pass = [&] {
        MoveTitleRocks(rocks, kRockCount);
        scene.Pass();
    };

    world.SetFarZ(16000);
    camera.position[2] = -4700;
    halos[0].SetPosition(-200, 0, 0);
    halos[1].SetPosition(200, 0, 0);
    for (Halo& h : halos) {
        h.SetFar(50);
        h.SetNear(10);
    }
    halos[0].SetColor(0.5, 2, 8);
    halos[1].SetColor(8, 0, 0.5);
    SetLights(lights, kFillLight, kFillLight, kFillLight);
    for (Omni& o : lights) world.AddOmni(&o);
    for (Halo& h : halos) world.AddHalo(&h);

    // The rocks alone, until the music brings the emblem.
    logo->visible = 0;
    scene.Mark();
    const int rocksStart = scene.Passes();
    while (!scene.SyncSinceMark()) pass();
    scene.Cue("a", rocksStart + kRocksAlonePasses);

    // The emblem closes in, turning inside its tumbling rings, until it has turned 3.5 times.
    logo->visible = 1;
    scene.Mark();
    while (logo->angles[0] <= 21.9911482) {
        if (camera.position[2] < -270) camera.position[2] += 20;
        Tumble(rings, 0.04);
        logo->angles[0] += 0.1;
        pass();
    }

    // The halos cross over the emblem, then wait for the music.
    scene.Mark();
    while (halos[0].x < 301) {
        halos[0].x += 3;
        halos[1].x = -halos[0].x;
        pass();
    }
    const int crossed = scene.Passes();
    while (!scene.SyncSinceMark()) pass();
    scene.Cue("c", crossed);

    // Through the emblem.
    scene.Mark();
    while (camera.position[2] <= 340) {
        Tumble(rings, 0.06);
        camera.position[2] += 10;
        pass();
    }
    camera.position[2] = 240;
    const int through = scene.Passes();
    while (!scene.SyncSinceMark()) pass();
    scene.Cue("d", through);

    // "presents" lights up out of the dark.
    logo->visible = 0;
    for (Object3D* r : rings) r->visible = 0;
    camera.SetFree();
    presents->visible = 1;
    for (Halo& h : halos) world.RemoveHalo(&h);
    SetLights(lights, 0, 0, 0);
    scene.Mark();
    for (int step = 1; lights[0].red < 2; ++step) {
        const double level = std::min(2.0, 0.02 * step);
        SetLights(lights, level, level, level);
        pass();
    }

    // ... and tilts away into the distance.
    world.RemoveAdditive(presents);
    scene.Mark();
    while (presents->position[2] <= 3500) {
        presents->angles[0] = std::max(kPi / 2, presents->angles[0] - 0.05);
        presents->position[2] += 40;
        pass();
    }
    presents->visible = 0;
    const int gone = scene.Passes();
    while (!scene.SyncSinceMark()) pass();
    scene.Cue("f", gone);

    // The title words come out of the screen, each inside a ring, as the light turns blue.
    const double ringScale[3] = {1, 0.7, 2.3};
    for (int i = 0; i < 3; ++i) {
        rings[i]->visible = 1;
        for (double& a : rings[i]->angles) a = 0;
        if (ringScale[i] != 1) rings[i]->Scale(ringScale[i], ringScale[i], ringScale[i]);
        rings[i]->position[1] = -100 + 100 * i;
        words[i]->visible = 1;
        words[i]->position[2] = -500;
    }
    scene.Mark();
    double red = 2, green = 2, blue = 2;
    while (words[0]->position[2] <= 1000) {
        for (int i = 0; i < 3; ++i) {
            words[i]->position[2] += 15;
            rings[i]->position[2] = words[i]->position[2];  // each ring stays with its word
        }
        red = std::max(0.0, red - 0.2);
        green = std::max(1.0, green - 0.2);
        blue = std::max(1.0, blue - 0.2);
        SetLights(lights, red, green, blue);
        pass();
    }

    // The words turn in their rings.
    scene.Mark();
    const int turnStart = scene.Passes();
    double a = 0;
    while (scene.Passes() - turnStart < 300 || !scene.SyncSinceMark()) {
        a += 0.05;
        const int c = static_cast<int>(std::trunc(std::cos(a)));
        const int s = static_cast<int>(std::trunc(std::sin(a)));
        lights[0].SetDirection(c, s, 1);
        lights[1].SetDirection(s, c, 1);
        for (int i = 0; i < 3; ++i) {
            words[i]->angles[1] += kTurn[i] * 0.05;
            rings[i]->angles[1] += kTurn[i] * 0.02;
        }
        pass();
    }
    scene.Cue("h", turnStart + 300);

    // The camera circles "of" while the words burst and the rings drift apart.
    Object3D* of = words[1];
    camera.FollowObject(of);
    const double z0 = of->position[2];
    const double burst[3] = {0.1, 0.2, 0.05};
    const double drift[3] = {-10, -20, 10};
    scene.Mark();
    for (a = 0; a <= 9.4247778; a += 0.05) {
        camera.position[0] = std::sin(a) * z0;
        camera.position[2] = z0 - std::cos(a) * z0;
        for (int i = 0; i < 3; ++i) {
            rings[i]->position[1] += drift[i];
            words[i]->AdvanceExplode(burst[i]);
        }
        pass();
    }

    for (Omni& o : lights) world.RemoveOmni(&o);
    world.Clear();
    FadeToPicture(nullptr);
    camera.SetFree();  // "of" is freed with the scene
    world.SetCamera(nullptr);
}
