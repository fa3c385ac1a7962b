// Five ships dive one after another through the mountain pass: each arcs down from above the
// camera and on towards the ridge while the cloud around the camera slowly turns.
#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kShips = 5;
// Ships lit from the sky and from behind the camera, seen from one side only.
constexpr unsigned kShipFlags = RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kTextured;
// The mountains are one sheet: drawn from whichever side the turn shows.
constexpr unsigned kMountainFlags = RenderFlags::kGouraud | RenderFlags::kTextured;
// Culled, so overlapping puffs add up once each and the cloud stays soft.
constexpr unsigned kCloudFlags = RenderFlags::kTextured | RenderFlags::kCull;
}  // namespace

void MountainPassScene() {
    Scene scene("MountainPassScene");
    Camera camera(-600, 512);
    world.SetCamera(&camera);
    const double colours[6][3] = {{2, 2, 2},       {0.1, 0.1, 0.1}, {2, 2, 2},
                                  {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}};
    RigAxisLights(colours);

    for (int i = 0; i < 3; ++i) scene.Load("ys21.3ds");  // objects 0 to 2
    for (int i = 0; i < 2; ++i) scene.Load("xwing.ase");  // objects 3 and 4
    scene.Load("nuage2.ase");      // object 5
    scene.Load("fond_mont2.ase");  // object 6
    Object3D* ships[kShips];
    for (int i = 0; i < kShips; ++i) {
        ships[i] = scene.At(i);
        ships[i]->SetFlags(kShipFlags);
    }
    Object3D* cloud = scene.At(5);
    Object3D* mountains = scene.At(6);

    cloud->SetFlags(kCloudFlags);
    world.AddAdditive(cloud);
    cloud->Scale(5, 5, 5);
    SetPose(cloud, 0, 0, -600, 1.45, 6.33, 0);
    mountains->SetFlags(kMountainFlags);
    mountains->position[2] = 9380;
    mountains->Scale(26, 20, 1);
    mountains->angles[2] = kPi;

    LoadPaths("scene5.txt", kShips);
    for (int i = 0; i < kShips; ++i) PlaceOnPath(ships[i], i);

    // Each ship arcs from key 0 to key 1 of its path, dipping through y 500 on the way; the
    // next one sets off once the one before is half way.
    double t[kShips] = {};
    while (t[kShips - 1] <= 1) {
        for (int i = 0; i < kShips; ++i) {
            cloud->angles[2] += 0.001;
            const PathKey& a = PathTable[i].keys[0];
            const PathKey& b = PathTable[i].keys[1];
            const bool started = i == 0 || t[i - 1] > 0.5;
            if (t[i] <= 1 && started) {
                SetPose(ships[i], Lerp(a.x, b.x, t[i]), Bezier2(a.y, 500, b.y, t[i]), Lerp(a.z, b.z, t[i]),
                        Lerp(a.rx, b.rx, t[i]), Lerp(a.ry, b.ry, t[i]), Lerp(a.rz, b.rz, t[i]));
                ships[i]->visible = 1;
                t[i] += 0.005;
            } else if (!started) {
                SetPose(ships[i], a.x, a.y, a.z, a.rx, a.ry, a.rz);
                ships[i]->visible = 0;
            } else {
                ships[i]->visible = 0;
            }
        }
        scene.Pass();
    }

    cloud->visible = 0;
    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
