// A park by a pond: a pigeon flies to and fro, a cloud drifts, the fountain sprays and drops
// fall on the water; a card grows from the fountain until the music moves on, then swells
// over the screen and the show fades to the sunset.
#include <cmath>
#include <cstdint>

#include "app/Globals.h"
#include "app/Scene.h"
#include "app/effects/Fade.h"
#include "app/effects/Ripples.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
// The park has shown itself once the pigeon has crossed it (about five seconds).
constexpr int kParkPasses = 150;
}  // namespace

void FountainScene() {
    Scene scene("FountainScene");
    PondInit();
    video.LoadPicture(video.screen1, "paysage2.bmp");
    video.LoadPicture(video.screen2, "paysage2.bmp");
    // What stands in front of the pond; the surface lives as long as the display.
    static Surface* maskSurface = nullptr;
    static std::uint16_t* maskPixels = nullptr;
    if (!maskSurface) maskSurface = video.CreateSurface(video.width, video.height, &maskPixels);
    if (maskSurface) video.LoadPicture(maskSurface, "cache.bmp");

    Camera camera;
    world.SetCamera(&camera);
    const int pigeonTextures[2] = {world.LoadTexture("pigeon1"), world.LoadTexture("pigeon2")};
    const int fountainTextures[4] = {world.LoadTexture("fontaine1"), world.LoadTexture("fontaine2"),
                                     world.LoadTexture("fontaine3"), world.LoadTexture("fontaine4")};
    const int cloudTexture = world.LoadTexture("nuage3");

    scene.Load("fondv.ase");
    scene.Load("fondv.ase");
    scene.Load("fondv.ase");
    scene.Load("fontaine.ase");
    Object3D* card = scene.At(0);
    Object3D* pigeon = scene.At(1);
    Object3D* cloud = scene.At(2);
    Object3D* fountain = scene.At(3);
    for (Object3D* o : {card, pigeon, cloud, fountain}) {
        o->SetFlags(RenderFlags::kTextured | RenderFlags::kCull);
        o->visible = 0;  // not over the fade
    }

    world.AddAdditive(card);
    card->Scale(0.7, 0.7, 0.7);
    card->angles[0] = kPi;
    card->position[0] = -100;
    card->position[1] = 110;
    card->position[2] = -130;
    card->Scale(0.1, 0.1, 0.1);

    pigeon->SetTexture(pigeonTextures[0]);
    pigeon->position[0] = -500;
    pigeon->position[1] = -100;
    pigeon->position[2] = -150;
    pigeon->Scale(0.6, 0.6, 0.6);

    world.AddAdditive(cloud);
    cloud->SetTexture(cloudTexture);
    cloud->Scale(10, 3, 1);
    cloud->position[0] = -550;
    cloud->position[2] = -150;

    fountain->SetTexture(fountainTextures[0]);
    fountain->position[0] = 144;
    fountain->position[1] = 8;
    fountain->position[2] = -91;

    world.SetColorKey(0);  // black texels are holes
    FadeToPicture("paysage2.bmp");
    world.SetCamera(&camera);
    world.SetBackground(video.screen1);
    for (Object3D* o : {card, pigeon, cloud, fountain}) o->visible = 1;
    scene.Mark();
    const int parkStart = scene.Passes();

    double growth = 1;
    double pigeonSpeed = 5;
    int passes = 0;
    int sprayPass = 0;
    int wingPass = 0;
    while (!scene.SyncSinceMark()) {
        ++passes;
        if (growth < 1.7) {
            growth += 0.1;
            card->Scale(growth, growth, growth);
        }
        if (card->position[2] > -150) card->position[2] -= 1;
        card->angles[2] = 0.05 * passes;

        sprayPass = (sprayPass + 1) % 8;
        if (sprayPass == 1) fountain->SetTexture(fountainTextures[0]);
        if (sprayPass == 2) fountain->SetTexture(fountainTextures[1]);
        if (sprayPass == 4) fountain->SetTexture(fountainTextures[2]);
        if (sprayPass == 6) fountain->SetTexture(fountainTextures[3]);

        cloud->position[0] += 1;

        pigeon->position[0] += pigeonSpeed;
        if (pigeon->position[0] > 500) {
            pigeonSpeed = -pigeonSpeed;
            pigeon->angles[2] = kPi;
            pigeon->position[1] = -200;
            pigeon->position[2] = -120;
        } else if (pigeon->position[0] < -500) {
            pigeonSpeed = -pigeonSpeed;
            pigeon->angles[2] = 0;  // facing the way it flies again
            pigeon->position[1] = -150;
        }
        wingPass = wingPass % 10 + 1;
        if (wingPass == 5) pigeon->SetTexture(pigeonTextures[1]);
        if (wingPass == 10) pigeon->SetTexture(pigeonTextures[0]);

        PondWater();
        PondMask(video.screen1Pixels, maskPixels);
        scene.Pass();
    }
    scene.Cue("park", parkStart + kParkPasses);

    // The card swells over the screen.
    while (growth <= 1.73) {
        growth += 0.005;
        card->Scale(growth, growth, growth);
        scene.Pass();
    }

    world.SetBackground(nullptr);
    world.SetColorKey(0xFFFFFFFF);
    world.Clear();
    world.SetCamera(nullptr);  // the local camera ends here
    FadeToPicture("montsoleil.bmp");
}
