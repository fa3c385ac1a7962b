// The mothership arrives before the station and brakes; two waves of three fighters leave it,
// the camera riding just ahead of each wave's leader; then all six, grown, fly out together
// towards the camera and past it while the ship falls behind.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Point {
    double x, y, z;
};
constexpr Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Point operator*(Point a, double k) { return {a.x * k, a.y * k, a.z * k}; }
Point Unit(Point a) { return a * (1 / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z)); }
constexpr Point Cross(Point a, Point b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// A Bezier2 arc in space: from, control, to.
struct Arc {
    Point from, via, to;
};
Point On(const Arc& a, double t) {
    return {Bezier2(a.from.x, a.via.x, a.to.x, t), Bezier2(a.from.y, a.via.y, a.to.y, t),
            Bezier2(a.from.z, a.via.z, a.to.z, t)};
}

// Where the mothership comes to rest (43 passes of approach, 63 of braking from z -10000).
// Every placement below is an offset from it, so the show stays framed round the ship.
// The bright lights (+Y, +X) fall on faces turned to -y and -x: the camera keeps to that side.
constexpr Point kShipRest = {0, 0, -615};

// The approach is watched from ahead of the resting point, above and to the ship's left.
constexpr Point kApproachCamera = {-320, -200, 900};
// Scenery: the station off the ship's right; the nebula a glowing sheet high above the
// approach; the galaxy far behind, within the far distance (20000) of every camera place.
constexpr Point kStation = {780, 120, -900};
constexpr Point kNebula = {1600, 1500, -7000};
constexpr double kGalaxyZ = -13000;

// The waves leave from the deck behind the nose. The camera rides ahead of each wave's first
// fighter on the line from the ship's centre through it, so that fighter stays large in front
// of the shrinking ship; the second (the faster one) overtakes the camera, the third trails.
constexpr Arc kWave1[3] = {
    {{-25, -45, 200}, {-120, -180, 480}, {-230, -170, 900}},   // xwing
    {{15, -45, 150}, {15, -50, 160}, {-360, -230, 2400}},      // 3ailes
    {{0, -30, 290}, {-100, -120, 650}, {-300, -200, 1150}},    // tiefighter, ridden
};
constexpr Arc kWave2[3] = {
    {{0, -30, 290}, {120, -150, 600}, {250, -250, 1100}},      // ys21, ridden
    {{-15, -45, 150}, {-15, -50, 160}, {400, -330, 2500}},     // ys21
    {{20, -45, 200}, {150, -200, 450}, {180, -150, 850}},      // xwing
};
constexpr double kWaveSteps[3] = {0.005, 0.007, 0.005};
// How far ahead of its leader the camera rides (a tie fighter at 0.01 is about one unit
// wide), and a small lift so the leader sits off the screen's centre.
constexpr double kRideDistance[2] = {10, 40};
constexpr Point kRideLift[2] = {{-2, -2, 0}, {-6, -6, 0}};

// The fly-out: the camera draws away from the ship on its own arc and the six fighters come
// after it, each holding a place in the picture (pixels from the centre) while the gap to the
// camera closes (its three Bezier2 values), until they overtake it near the end.
constexpr Arc kFlyOutCamera = {{-200, -150, 800}, {-240, -190, 1800}, {-280, -230, 2900}};
struct Slot {
    double screenX, screenY;
    double gap[3];
};
// Order: xwing, 3ailes, tiefighter (kept nearest: it is the smallest), ys21, ys21, xwing.
constexpr Slot kFormation[6] = {
    {-170, -90, {450, 380, -40}}, {170, -110, {480, 400, -25}}, {-30, 90, {150, 120, -15}},
    {120, 120, {420, 360, -55}},  {-220, 70, {500, 400, -30}},  {220, 50, {440, 370, -50}},
};
// Extra gap over which the places spread, so the fighters leave by the picture's edges.
constexpr double kFormationSpread = 40;
constexpr double kFocal = 512;  // the camera's
constexpr double kFlyOutStart = 0.1;
constexpr double kFlyOutStep = 0.002;

void Put(Object3D* o, Point p) {
    o->position[0] = kShipRest.x + p.x;
    o->position[1] = kShipRest.y + p.y;
    o->position[2] = kShipRest.z + p.z;
}

// A point on the line from the ship's centre through p, distance beyond p, then lifted.
Point Ahead(Point p, double distance, Point lift) { return p + Unit(p) * distance + lift; }

// The arc of a formation place: the camera's arc, plus the gap along the camera's view of the
// ship and the place's offset across it (the sum of Bezier2 arcs is a Bezier2 arc).
Arc FormationArc(const Slot& s) {
    const Point forward = Unit(Point{0, 0, 0} - kFlyOutCamera.via);
    const Point right = Unit(Cross({0, 1, 0}, forward));
    const Point up = Cross(forward, right);
    const Point cam[3] = {kFlyOutCamera.from, kFlyOutCamera.via, kFlyOutCamera.to};
    Point p[3];
    for (int k = 0; k < 3; ++k) {
        const double spread = (s.gap[k] + kFormationSpread) / kFocal;
        p[k] = cam[k] + forward * s.gap[k] + right * (s.screenX * spread) + up * (s.screenY * spread);
    }
    return {p[0], p[1], p[2]};
}

}  // namespace

void SpaceBattleScene() {
    Scene scene("SpaceBattleScene");
    Camera camera(0, static_cast<int>(kFocal));
    world.SetCamera(&camera);

    const double colours[6][3] = {{4, 4, 4},          {0.25, 0.25, 0.25}, {0.25, 0.25, 0.25},
                                  {0.25, 0.25, 0.25}, {4, 4, 4},          {0.25, 0.25, 0.25}};
    RigAxisLights(colours);

    scene.Load("vaiss_mere.3ds");  // hull, then the two glows
    scene.Load("vland.ase");
    scene.Load("nuage.ase");
    scene.Load("galaxie2.ase");
    scene.Load("xwing.ase");
    scene.Load("xwing.ase");
    scene.Load("tiefighter.3ds");
    scene.Load("3ailes.3ds");
    scene.Load("ys21.3ds");
    scene.Load("ys21.3ds");
    Object3D* hull = scene.At(0);
    Object3D* glows[2] = {scene.At(1), scene.At(2)};
    Object3D* station = scene.At(3);
    Object3D* nebula = scene.At(4);
    Object3D* galaxy = scene.At(5);
    // In the order of the waves: xwing, 3ailes, tiefighter, then ys21, ys21, xwing.
    Object3D* fighters[6] = {scene.At(6), scene.At(9), scene.At(8), scene.At(10), scene.At(11), scene.At(7)};

    const unsigned lit = RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull;
    hull->SetFlags(lit);
    station->SetFlags(lit);
    Put(station, kStation);
    for (Object3D* f : fighters) {
        f->SetFlags(lit);
        f->visible = 0;
    }
    fighters[0]->Scale(0.05, 0.05, 0.05);
    fighters[1]->Scale(0.05, 0.05, 0.05);
    fighters[2]->Scale(0.01, 0.01, 0.01);
    for (int i = 3; i < 6; ++i) fighters[i]->Scale(0.05, 0.05, 0.05);
    // Glows and nebula give light of their own: not shaded.
    for (Object3D* g : glows) {
        g->SetFlags(RenderFlags::kTextured);
        world.AddAdditive(g);
    }
    nebula->SetFlags(RenderFlags::kTextured | RenderFlags::kCull);
    world.AddAdditive(nebula);
    nebula->angles[0] = kPi / 2;
    Put(nebula, kNebula);
    galaxy->SetFlags(RenderFlags::kTextured);
    galaxy->Scale(15, 15, 15);
    galaxy->position[2] = kGalaxyZ;

    auto placeCamera = [&](Point p) {
        camera.position[0] = kShipRest.x + p.x;
        camera.position[1] = kShipRest.y + p.y;
        camera.position[2] = kShipRest.z + p.z;
    };
    camera.FollowObject(hull);
    placeCamera(kApproachCamera);
    hull->position[2] = -10000;

    auto pass = [&] {
        galaxy->angles[1] += 0.001;
        for (Object3D* g : glows) CopyPose(hull, g);
        scene.Pass();
    };

    // The approach.
    double speed = 200;
    while (hull->position[2] < -1600) {
        hull->position[2] += speed;
        speed -= 0.01;
        pass();
    }
    // The brake, while the camera glides to where it will ride with the first wave.
    constexpr double kBrakeSpeed = 25;
    const Point firstRide = Ahead(kWave1[2].from, kRideDistance[0], kRideLift[0]);
    speed = kBrakeSpeed;
    while (speed > 0) {
        hull->position[2] += speed;
        speed -= 0.4;
        const double glide = 1 - std::max(speed, 0.0) / kBrakeSpeed;
        placeCamera(kApproachCamera + (firstRide - kApproachCamera) * glide);
        pass();
    }

    // Two waves leave the ship, each fighter on its own arc at its own pace.
    for (int w = 0; w < 2; ++w) {
        Object3D* const* wave = fighters + 3 * w;
        const Arc* arcs = w == 0 ? kWave1 : kWave2;
        const int leader = w == 0 ? 2 : 0;
        double t[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) wave[i]->visible = 1;
        while (t[0] < 1 || t[1] < 1 || t[2] < 1) {
            for (int i = 0; i < 3; ++i) {
                t[i] = std::min(1.0, t[i] + kWaveSteps[i]);
                Put(wave[i], On(arcs[i], t[i]));
            }
            placeCamera(Ahead(On(arcs[leader], t[leader]), kRideDistance[w], kRideLift[w]));
            pass();
        }
        for (int i = 0; i < 3; ++i) wave[i]->visible = 0;  // gone by
    }

    // All six, grown, fly out together; two of them roll.
    Arc formation[6];
    for (int i = 0; i < 6; ++i) {
        formation[i] = FormationArc(kFormation[i]);
        fighters[i]->Scale(4, 4, 4);
        fighters[i]->visible = 1;
    }
    for (double u = kFlyOutStart; u < 1; u += kFlyOutStep) {
        placeCamera(On(kFlyOutCamera, u));
        for (int i = 0; i < 6; ++i) Put(fighters[i], On(formation[i], u));
        fighters[1]->angles[2] += 0.05;
        fighters[4]->angles[2] -= 0.03;
        pass();
    }

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
