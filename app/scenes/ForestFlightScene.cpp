// Two small ships weave low over a spinning forest seen from above, the canopy turning more
// slowly than the ground beneath it.
#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
// Ships and the forest floor: lit, seen from one side only.
constexpr unsigned kLitFlags = RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kTextured;
// The canopy glows over the floor; culled so that overlapping puffs add up once each.
constexpr unsigned kCanopyFlags = RenderFlags::kTextured | RenderFlags::kCull;
}  // namespace

void ForestFlightScene() {
    Scene scene("ForestFlightScene");
    Camera camera(-600, 512);
    world.SetCamera(&camera);
    const double colours[6][3] = {{1, 1, 1},       {0.1, 0.1, 0.1}, {1, 1, 1},
                                  {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}};
    RigAxisLights(colours);

    scene.Load("xwing.ase");   // object 0
    scene.Load("ys21.3ds");    // object 1
    scene.Load("foret1.ase");  // object 2
    scene.Load("foret2.ase");  // object 3
    Object3D* xwing = scene.At(0);
    Object3D* ys21 = scene.At(1);
    Object3D* floor = scene.At(2);
    Object3D* canopy = scene.At(3);
    for (Object3D* o : {xwing, ys21, floor}) o->SetFlags(kLitFlags);
    canopy->SetFlags(kCanopyFlags);
    world.AddAdditive(canopy);
    xwing->Scale(0.1, 0.1, 0.1);
    ys21->Scale(0.1, 0.1, 0.1);

    LoadPaths("scene6.txt", 3);
    PlaceOnPath(ys21, 0);
    PlaceOnPath(xwing, 1);
    PlaceOnPath(floor, 2);
    PlaceOnPath(canopy, 2);
    floor->position[2] += 95;
    floor->Scale(2, 2, 2);
    canopy->position[2] -= 10;
    canopy->Scale(1.6, 1.6, 1.6);

    // Both ships take the same segment and step; the ys21's path sets how many there are.
    const Path& ysPath = PathTable[0];
    const Path& xwingPath = PathTable[1];
    for (int k = 0; k + 1 < ysPath.keyCount; ++k) {
        for (double t = 0; t < 1; t += 0.02) {
            const PathKey* keys[2][2] = {{&ysPath.keys[k], &ysPath.keys[k + 1]},
                                         {&xwingPath.keys[k], &xwingPath.keys[k + 1]}};
            Object3D* riders[2] = {ys21, xwing};
            for (int s = 0; s < 2; ++s) {
                const PathKey& a = *keys[s][0];
                const PathKey& b = *keys[s][1];
                SetPose(riders[s], Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t), Lerp(a.rx, b.rx, t),
                        Lerp(a.ry, b.ry, t), Lerp(a.rz, b.rz, t));
            }
            floor->angles[2] -= 0.08;
            canopy->angles[2] -= 0.03;
            scene.Pass();
        }
    }

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
