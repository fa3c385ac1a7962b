// The figure on the cliff: an energy ball spins round it and swells into a flash, the figure
// walks to the edge, speeding up, and leaps down towards the mountains under a ring of clouds.
#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
// Head, body, left arm, left foot, right arm, right foot: path i of the file drives part i.
constexpr const char* kParts[6] = {"tete", "corps", "brasg", "piedg", "brasd", "piedd"};
constexpr int kBody = 1;
// Keys of the walk (0 to 3) and of the leap's landing (8).
constexpr int kWalkKeys = 4, kLeapFrom = 3, kLeapTo = 8;
// Off to the side of the walk (which heads for -z) and above the ring of clouds, clear of
// them: the strides and the leap's arc show side-on and the mountains below fill the view as
// the camera turns down after the falling figure.
constexpr double kCameraAt[3] = {-430, -180, -200};
}  // namespace

void CharacterScene() {
    Scene scene("CharacterScene");
    const double colours[6][3] = {{2, 2, 2},          {0.15, 0.15, 0.15}, {0.15, 0.15, 0.15},
                                  {0.15, 0.15, 0.15}, {0.15, 0.15, 0.15}, {0.15, 0.15, 0.15}};
    RigAxisLights(colours);

    scene.Load("energie.ase");  // object 0
    scene.Load("nuage2.ase");   // object 1
    scene.Load("mont2.ase");    // object 2
    scene.Load("vboy.ase");     // the six parts
    Object3D* ball = scene.At(0);
    Object3D* cloud = scene.At(1);
    Object3D* mountains = scene.At(2);
    Object3D* parts[6];
    for (int i = 0; i < 6; ++i) parts[i] = scene.Find(kParts[i]);
    Object3D* body = parts[kBody];
    const unsigned lit = RenderFlags::kGouraud | RenderFlags::kTextured;
    for (Object3D* o : {ball, cloud, mountains}) o->SetFlags(lit);
    for (Object3D* p : parts) p->SetFlags(lit | RenderFlags::kCull);
    LoadPaths("scene9.txt", 6);

    // The parts share one origin, the hip: the paths' keys pose them about their joints.
    for (Object3D* p : parts) {
        p->visible = 1;
        SetPose(p, 0, 0, 0, 0, 0, 0);
        p->Scale(0.3, 0.3, 0.3);
    }
    mountains->Scale(10, 10, 10);
    SetPose(mountains, 0, 4480, -600, 1.55, 0, -1.01);
    cloud->Scale(5, 5, 5);
    SetPose(cloud, 0, 0, -600, 1.32, 0, -1.68);
    world.AddAdditive(cloud);

    Camera camera;
    camera.position[0] = kCameraAt[0];
    camera.position[1] = kCameraAt[1];
    camera.position[2] = kCameraAt[2];
    camera.FollowObject(body);
    world.SetCamera(&camera);

    world.AddAdditive(ball);
    for (int i = 0; i < 3; ++i) ball->position[i] = body->position[i];
    ball->Scale(1.1, 1.1, 1.1);
    ball->angles[1] = 4.6;
    ball->angles[2] = 14.7;

    // The ball spins round the figure, then swells over the screen and is gone.
    for (int i = 0; i < 20; ++i) {
        cloud->angles[2] += 0.005;
        ball->angles[0] -= 0.1;
        scene.Pass();
    }
    for (int i = 0; i < 20; ++i) {
        cloud->angles[2] += 0.005;
        ball->angles[0] -= 0.1;
        ball->Scale(1.5, 1.5, 1.5);
        scene.Pass();
    }
    ball->visible = 0;

    // The walk to the edge: every part between its own keys, so that the limbs swing against
    // the body; the run-up (last segment) speeds up.
    for (int k = 0; k + 1 < kWalkKeys; ++k) {
        double step = 0.015;
        for (double t = 0; t < 1; t += step) {
            for (int i = 0; i < 6; ++i) {
                const PathKey& a = PathTable[i].keys[k];
                const PathKey& b = PathTable[i].keys[k + 1];
                SetPose(parts[i], Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t), Lerp(a.rx, b.rx, t),
                        Lerp(a.ry, b.ry, t), Lerp(a.rz, b.rz, t));
            }
            cloud->angles[2] += 0.005;
            scene.Pass();
            if (k == kWalkKeys - 2) step += 0.00025;
        }
    }

    // The leap: the arc leaves the edge level and falls to the last key; the pose is held.
    constexpr int kLeapPasses = 200;  // t from 0 by 0.005
    for (int n = 0; n < kLeapPasses; ++n) {
        const double t = n * 0.005;
        for (int i = 0; i < 6; ++i) {
            const PathKey& a = PathTable[i].keys[kLeapFrom];
            const PathKey& b = PathTable[i].keys[kLeapTo];
            parts[i]->position[0] = Lerp(a.x, b.x, t);
            parts[i]->position[1] = Bezier2(a.y, a.y, b.y, t);
            parts[i]->position[2] = Lerp(a.z, b.z, t);
        }
        cloud->angles[2] += 0.025;
        scene.Pass();
    }

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
