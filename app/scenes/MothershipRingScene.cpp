// Under a rippling sky: a ring rushes at the camera three times, then the mothership stands
// in the distance until the music lets it go, and it flies past the camera and away.
#include "app/Globals.h"
#include "app/Scene.h"
#include "app/effects/Ripples.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// The ring comes straight down the view axis; from 1200 away it starts small and fills the
// screen just before it goes by.
constexpr int kGateCameraZ = -600;
constexpr int kFirstRushPasses = 20;
constexpr int kLaterRushPasses = 15;
constexpr double kRushStep = 20;  // the ring's speed grows by this every pass

// The far distance is 1500 and the ship stands at 1700, so the ship is watched from beside
// its path, close enough to be seen whole while it waits, turning to follow it past and on
// until it fades out beyond the far distance.
constexpr int kShipCameraX = -520;
constexpr int kShipCameraY = -380;
constexpr int kShipCameraZ = 650;
// Long enough for the waiting ship to register before the music may send it off.
constexpr int kShipStandingPasses = 45;

// A light's direction is the way its light travels. The one along -z catches the ship's
// stern as it leaves; the key light comes from above the ship camera's side.
constexpr int kKeyLight[3] = {1, 1, 2};
constexpr double kKeyColour[3] = {1.8, 1.75, 1.7};
constexpr double kSternColour[3] = {1.2, 1.25, 1.4};

void RingRush(Scene& scene, Object3D* ring, int passes, int skyMode) {
    ring->position[2] = 600;
    for (int pass = 1; pass <= passes; ++pass) {
        ring->position[2] -= kRushStep * pass;
        SkyWater(skyMode);
        scene.Pass();
    }
}
}  // namespace

void MothershipRingScene() {
    Scene scene("MothershipRingScene");
    scene.Mark();
    Camera gateCamera(kGateCameraZ, 512);
    Camera shipCamera;
    world.SetCamera(&gateCamera);
    world.SetFarZ(1500);

    Omni stern, key;
    stern.SetDirection(0, 0, -1);
    stern.SetColor(kSternColour[0], kSternColour[1], kSternColour[2]);
    key.SetDirection(kKeyLight[0], kKeyLight[1], kKeyLight[2]);
    key.SetColor(kKeyColour[0], kKeyColour[1], kKeyColour[2]);
    world.AddOmni(&stern);
    world.AddOmni(&key);

    scene.Load("vaiss_mere.3ds");  // hull, then the two engine glows
    scene.Load("cercle.ase");
    Object3D* hull = scene.At(0);
    Object3D* glows[2] = {scene.At(1), scene.At(2)};
    Object3D* ring = scene.At(3);
    hull->SetFlags(RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull);
    for (Object3D* g : glows) {
        g->SetFlags(RenderFlags::kTextured);
        world.AddAdditive(g);
    }
    ring->SetFlags(RenderFlags::kTextured);
    for (Object3D* part : {hull, glows[0], glows[1]}) {
        part->angles[1] = kPi;
        part->position[2] = 1700;
        part->visible = 0;
    }
    ring->position[2] = 600;
    ring->angles[0] = kPi / 2;

    SkyInit();
    world.SetBackground(video.screen1);

    RingRush(scene, ring, kFirstRushPasses, 0);
    RingRush(scene, ring, kLaterRushPasses, 1);
    RingRush(scene, ring, kLaterRushPasses, 1);

    // The ship waits far off until the music has moved on since the scene began.
    ring->visible = 0;
    for (Object3D* part : {hull, glows[0], glows[1]}) part->visible = 1;
    shipCamera.position[0] = kShipCameraX;
    shipCamera.position[1] = kShipCameraY;
    shipCamera.position[2] = kShipCameraZ;
    shipCamera.FollowObject(hull);
    world.SetCamera(&shipCamera);
    const int shownPass = scene.Passes();
    while (!scene.SyncSinceMark()) {
        SkyWater(1);
        scene.Pass();
    }
    scene.Cue("ship", shownPass + kShipStandingPasses);

    while (hull->position[2] >= -1200) {
        const double step = hull->position[2] < 500 ? 30 : 160;
        for (Object3D* part : {hull, glows[0], glows[1]}) part->position[2] -= step;
        SkyWater(hull->position[2] >= 1700 ? 1 : 0);
        scene.Pass();
    }

    world.Clear();
    world.RemoveOmni(&stern);
    world.RemoveOmni(&key);
    world.SetBackground(nullptr);
    world.SetCamera(nullptr);  // the local cameras end here
    world.SetFarZ(20000);
}
