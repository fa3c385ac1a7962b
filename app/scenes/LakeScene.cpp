// By the lake at night: the figure walks out of the trees towards the camera; small rocks
// tremble as it passes, lift off and circle it; it stops and waits for the music, then raises
// its arms while an energy ball gathers between its hands, sparks of light play over it and
// the rocks burst; it crouches, the fragments fall, and it jumps.
#include <cmath>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/Random.h"
#include "engine/world/RenderFlags.h"

namespace {

// The walk: eight segments between the nine keys of each part's path.
constexpr int kSegments = 8;
constexpr int kArmsSegment = 5;      // waits for the music
constexpr int kTrembleSegment = 1;
constexpr int kLiftSegment = 2;
constexpr int kFastSegment = 6;      // from here the last moves run faster
constexpr double kStep = 0.01;
constexpr double kFastStep = 0.0125;
constexpr double kCloudTurn = 0.003;
constexpr double kRockScale = 0.3;
constexpr double kRockTremble = 0.02;
constexpr double kTreeScale = 2;
constexpr double kLakeScale = 10;
constexpr double kFigureScale = 0.3;
constexpr double kFigureY = 400;
constexpr double kFigureZ = 840;
constexpr int kLakeColour[3] = {0, 0, 175};
constexpr double kGroundX = -1000, kGroundZ = 2160;
constexpr double kHaloNear = 10, kHaloFar = 25;

// Faces past this distance are dropped: the far trees stand about 4000 from the camera.
constexpr int kFarZ = 8000;
// What the scenes after it were made with (the mothership ring scene's setting).
constexpr int kFarZAfter = 20000;
// A night by the water: a cool light from above, a fainter one from the camera's side so the
// figure's front reads, and a weak warm fill from the right; the rest nearly dark. Kept well
// under saturation (2 is full strength) so that the sparks' halo shows where it lands.
constexpr double kLights[6][3] = {{0.85, 0.9, 1.15}, {0.1, 0.1, 0.12}, {0.7, 0.7, 0.8},
                                  {0.25, 0.25, 0.3}, {0.45, 0.4, 0.35}, {0.2, 0.2, 0.25}};

// The rocks lie round the spot where the figure ends its first stride (key 2 at z 1100), off
// its line of walk, on the ground (the grass lies at about y 475).
constexpr double kRockRingX = 0, kRockRingY = 462, kRockRingZ = 1100, kRockRingRadius = 75;
// Their ring angles skip the line of walk (90 and 270 degrees) so no foot crosses a rock.
constexpr double kRockAngles[6] = {0.0, 0.9, 2.24, 3.14, 4.04, 5.38};
// Circling the body: a turn per pass about the vertical, and the lift per pass while rising
// (100 passes bring them from the grass to the figure's chest).
constexpr double kCircleTurn = 0.05;
constexpr double kRise = 0.9;
// The burst: the fragments fly out at this speed (they settle about 20 speeds away), and
// each rock's fragments keep tumbling by this much per pass.
constexpr double kBurstSpeed = 1.2;
constexpr int kBurstRandom = 1;
constexpr double kBurstTurn = 0.08;
constexpr int kFallGravity = 1;

// The energy ball gathers between the hands once the music has come: small at first, it
// grows each pass of the arms' segment.
constexpr double kBallStartScale = 0.08;
constexpr double kBallGrowth = 1.015;
// The hand of either arm in the arm's model (the palm sphere, model units times 0.3).
constexpr double kHandX = 24, kHandY = -4.8;
// The sparks land within this box round the hip, close to the figure's surface (it spans
// y -90 to +70 about the hip and about 20 either side), so that most of them light it.
constexpr double kSparkHalfWidth = 22, kSparkAbove = 90, kSparkBelow = 65, kSparkHalfDepth = 12;

// The cloud ring glows faintly far behind the lake, high up, large enough to read there.
constexpr double kCloudX = -500, kCloudY = -700, kCloudZ = 6500, kCloudScale = 2;
// The mist's banks lie just over the grass, centred on the lake.
constexpr double kFogX = 150, kFogY = 440, kFogZ = 2300;

// The camera at each key of the walk (nine: the start of each segment and the end of the
// last), and the point it looks at. It opens wide on the lake, comes down to the rocks as
// the figure reaches them, then keeps the figure large as it stops, crouches and jumps.
struct CameraKey {
    double x, y, z, lookX, lookY, lookZ;
};
constexpr CameraKey kCameraKeys[kSegments + 1] = {
    {520, 180, 150, 0, 430, 1500},  // the lake, the trees and the figure setting off
    {170, 400, 790, 0, 430, 1110},  // low by the rocks as it comes to them
    {150, 395, 810, 0, 425, 1095},  // they tremble
    {140, 320, 660, 0, 390, 1030},  // they have risen round it
    {110, 320, 560, 0, 385, 930},
    {90, 320, 500, 0, 380, 845},    // it stops: the waiting pose
    {120, 300, 470, 0, 370, 840},   // arms up, the rocks burst
    {170, 320, 440, 0, 380, 840},   // it crouches, the fragments fall
    {230, 330, 380, 0, 300, 830},   // and jumps
};

double Uniform(double halfRange) { return (2.0 * Random::Next() / Random::kMax - 1) * halfRange; }

// Where a point of a part's model is in the world with the part's current pose.
Vector3 WorldPoint(Object3D* part, Vector3 model) {
    part->UpdateRotation();
    return model * part->rotation + Vector3(part->position[0], part->position[1], part->position[2]);
}

}  // namespace

void LakeScene() {
    Scene scene("LakeScene");
    scene.Mark();
    Camera camera;
    Vector3 look(kCameraKeys[0].lookX, kCameraKeys[0].lookY, kCameraKeys[0].lookZ);
    camera.FollowPoint(&look);
    world.SetCamera(&camera);
    world.SetFarZ(kFarZ);
    RigAxisLights(kLights);

    scene.Load("energie.ase");
    scene.Load("nuage2.ase");
    scene.Load("sol.3ds");
    scene.Load("brouillard.ase");
    for (const char* file : {"ptitrocher1.ase", "ptitrocher2.ase", "ptitrocher3.ase"}) {
        scene.Load(file);
        scene.Load(file);
    }
    constexpr int kFirstRock = 4, kFirstTree1 = 10, kFirstTree2 = 22;
    for (int i = 0; i < 6; ++i) scene.Load("arbre1.ase");
    for (int i = 0; i < 6; ++i) scene.Load("arbre2.ase");
    scene.Load("lac.ase");
    Object3D* lake = scene.Last();
    scene.Load("vboy.ase");
    Object3D* energy = scene.At(0);
    Object3D* cloud = scene.At(1);
    Object3D* ground = scene.At(2);
    Object3D* fog = scene.At(3);
    Object3D* rocks[6];
    for (int i = 0; i < 6; ++i) rocks[i] = scene.At(kFirstRock + i);
    // Path order: head, body, left arm, left foot, right arm, right foot.
    Object3D* parts[6] = {scene.Find("tete"), scene.Find("corps"), scene.Find("brasg"),
                          scene.Find("piedg"), scene.Find("brasd"), scene.Find("piedd")};
    Object3D* body = parts[1];
    Object3D* arms[2] = {parts[2], parts[4]};

    const unsigned lit = RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull;
    world.AddAdditive(energy);
    energy->SetFlags(RenderFlags::kTextured);  // a glow: its own picture at full strength
    energy->Scale(kBallStartScale, kBallStartScale, kBallStartScale);
    energy->visible = 0;

    world.AddAdditive(cloud);  // a glow on the night sky rather than a solid lump
    cloud->SetFlags(RenderFlags::kTextured | RenderFlags::kGouraud);
    cloud->Scale(kCloudScale, kCloudScale, kCloudScale);
    SetPose(cloud, kCloudX, kCloudY, kCloudZ, 0, 0, 0);

    ground->SetFlags(RenderFlags::kTextured | RenderFlags::kGouraud);
    ground->visible = 1;
    ground->position[0] = kGroundX;
    ground->position[2] = kGroundZ;

    world.AddAdditive(fog);
    fog->SetFlags(RenderFlags::kTextured | RenderFlags::kGouraud);  // lit: each bank fades at its rim
    SetPose(fog, kFogX, kFogY, kFogZ, 0, 0, 0);

    for (int i = 0; i < 6; ++i) {
        Object3D* r = rocks[i];
        r->SetFlags(lit);
        r->Scale(kRockScale, kRockScale, kRockScale);
        SetPose(r, kRockRingX + kRockRingRadius * std::cos(kRockAngles[i]), kRockRingY,
                kRockRingZ + kRockRingRadius * std::sin(kRockAngles[i]), 0, 0.7 * i, 0);
        r->Explode(kBurstSpeed, 0, kBurstRandom);
    }

    for (int i = kFirstTree1; i < kFirstTree2 + 12; ++i) {
        Object3D* t = scene.At(i);
        t->SetFlags(lit);
        t->Scale(kTreeScale, kTreeScale, kTreeScale);
    }

    lake->SetFlags(RenderFlags::kCull | RenderFlags::kGouraud | RenderFlags::kSolid);
    lake->SetColor(kLakeColour[0], kLakeColour[1], kLakeColour[2]);
    lake->Scale(kLakeScale, kLakeScale, kLakeScale);
    world.AddAdditive(lake);

    for (Object3D* p : parts) {
        p->SetFlags(lit);
        p->Scale(kFigureScale, kFigureScale, kFigureScale);
        p->position[1] = kFigureY;
        p->position[2] = kFigureZ;
    }

    LoadPaths("arbre.txt", 13);
    PlaceOnPath(lake, 0);
    for (int i = 0; i < 12; ++i) {
        PlaceOnPath(scene.At(kFirstTree1 + i), 1 + i / 2);
        PlaceOnPath(scene.At(kFirstTree2 + i), 7 + i / 2);
    }
    LoadPaths("scene8.txt", 6);

    Halo halo;
    halo.SetFar(kHaloFar);
    halo.SetNear(kHaloNear);
    bool sparks = false;
    double bodyWas[3] = {0, 0, 0};
    int tremble = 0;

    // Every part at (k, t) of its own path; the body's place before it is kept for the rocks.
    auto pose = [&](int k, double t) {
        for (int c = 0; c < 3; ++c) bodyWas[c] = body->position[c];
        for (int i = 0; i < 6; ++i) {
            const PathKey& p = PathTable[i].keys[k];
            const PathKey& q = PathTable[i].keys[k + 1];
            SetPose(parts[i], Lerp(p.x, q.x, t), Lerp(p.y, q.y, t), Lerp(p.z, q.z, t), Lerp(p.rx, q.rx, t),
                    Lerp(p.ry, q.ry, t), Lerp(p.rz, q.rz, t));
        }
    };
    // One pass of everything that moves on its own, whatever the segment.
    auto frame = [&](int k, double t) {
        cloud->angles[2] += kCloudTurn;
        const CameraKey& a = kCameraKeys[k];
        const CameraKey& b = kCameraKeys[k + 1 <= kSegments ? k + 1 : kSegments];
        camera.position[0] = Lerp(a.x, b.x, t);
        camera.position[1] = Lerp(a.y, b.y, t);
        camera.position[2] = Lerp(a.z, b.z, t);
        look = Vector3(Lerp(a.lookX, b.lookX, t), Lerp(a.lookY, b.lookY, t), Lerp(a.lookZ, b.lookZ, t));
        if (sparks) {
            halo.SetPosition(static_cast<int>(body->position[0] + Uniform(kSparkHalfWidth)),
                             static_cast<int>(body->position[1] - kSparkAbove +
                                              (Random::Next() * (kSparkAbove + kSparkBelow)) / Random::kMax),
                             static_cast<int>(body->position[2] + Uniform(kSparkHalfDepth)));
            // The ball rides between the two hands.
            const Vector3 left = WorldPoint(arms[0], Vector3(kHandX, kHandY, 0));
            const Vector3 right = WorldPoint(arms[1], Vector3(-kHandX, kHandY, 0));
            SetPose(energy, (left.x + right.x) / 2, (left.y + right.y) / 2, (left.z + right.z) / 2, 0, 0, 0);
        }
        scene.Pass();
    };
    // The rocks ride along with the body and circle it (one orbit step per drawn pass).
    auto circle = [&](double rise) {
        for (Object3D* r : rocks) {
            for (int c = 0; c < 3; ++c) r->position[c] += body->position[c] - bodyWas[c];
            r->position[1] -= rise;
            r->SetSpinAroundObject(body, 0, kCircleTurn, 0);
        }
    };

    int readyPass = 0;
    for (int k = 0; k < kSegments; ++k) {
        if (k == kArmsSegment) {
            // The figure holds its pose until the music calls; the rocks keep circling.
            readyPass = scene.Passes();
            while (!scene.SyncSinceMark()) {
                pose(k, 0);
                circle(0);
                frame(k, 0);
            }
            scene.Cue("arms", readyPass);
            world.AddHalo(&halo);
            sparks = true;
            energy->visible = 1;
            // The fragments tumble: light them on whichever side faces the camera.
            for (Object3D* r : rocks) r->FlipWinding();
        }
        if (k == kFastSegment)
            for (Object3D* r : rocks) r->SetGravity(kFallGravity);
        const double step = k >= kFastSegment ? kFastStep : kStep;
        for (double t = 0; t < 1; t += step) {
            pose(k, t);
            if (k == kTrembleSegment) {
                const double angle = (tremble++ % 2 == 0) ? kRockTremble : -kRockTremble;
                for (Object3D* r : rocks) r->angles[0] = r->angles[2] = angle;
            } else if (k == kLiftSegment) {
                circle(kRise);
            } else if (k > kLiftSegment && k < kArmsSegment) {
                circle(0);
            } else if (k >= kArmsSegment) {
                for (Object3D* r : rocks) r->AdvanceExplode(kBurstTurn);
                if (k == kArmsSegment) energy->Scale(kBallGrowth, kBallGrowth, kBallGrowth);
            }
            frame(k, t);
        }
    }

    world.RemoveHalo(&halo);
    world.SetCamera(nullptr);  // the local camera ends here
    world.SetFarZ(kFarZAfter);
    world.Clear();
}
