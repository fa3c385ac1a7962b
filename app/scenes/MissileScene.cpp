// Three ships dive in over the mountains one after the other; the second fires a salvo of
// thirty missiles that arc down onto the maker's logo on its pedestal; the letters burst one
// after the other while suns flare round them, until the music moves on.
#include <algorithm>
#include <iterator>
#include <string>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/Random.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vector3.h"

namespace {

struct Point {
    double x, y, z;
};
Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point Mix(Point a, Point b, double t) { return {Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t)}; }
Point Arc(Point a, Point b, Point c, double t) {
    return {Bezier2(a.x, b.x, c.x, t), Bezier2(a.y, b.y, c.y, t), Bezier2(a.z, b.z, c.z, t)};
}
Point At(const Object3D* o) { return {o->position[0], o->position[1], o->position[2]}; }
void Put(Object3D* o, Point p) {
    o->position[0] = p.x;
    o->position[1] = p.y;
    o->position[2] = p.z;
}

// +Y, -Y, +Z, -Z, +X, -X: a strong light from above on the ships' backs and the letters' tops.
constexpr double kAxisColours[6][3] = {{3, 3, 3},       {0.2, 0.2, 0.2}, {0.5, 0.5, 0.5},
                                       {0.2, 0.2, 0.2}, {0.2, 0.2, 0.2}, {0.2, 0.2, 0.2}};

constexpr int kMissiles = 30, kShips = 3, kSuns = 6, kParts = 13;
constexpr int kPathCount = 5, kSoclePath = 3;
constexpr int kFramePath = 4;  // the frame stands with the pedestal

// The ships take turns as in the mountain pass.
constexpr double kShipStep = 0.005;
constexpr double kHandOver = 0.5;
// Control x of each ship's arc: the outer ships swing wide before closing in.
constexpr double kShipArcX[kShips] = {-520, 60, 560};

// The letters stand in a row in front of the pedestal; the row is centred on it and lifted so
// that the letters (about 11 high) stand on its top.
constexpr double kPartSpacing = 10, kPartDepth = -5;
constexpr double kRowFirstX = -60;
constexpr double kRowLift = -7;
// Fragments fly out about 20 times their speed while they fall away.
constexpr double kBurstSpeed = 3;
constexpr int kBurstGravity = 1;
constexpr int kBurstRandom = 1;
constexpr double kBurstTurn = 0.4;

// The salvo leaves just ahead of the second ship and converges on the pedestal. The arcs'
// control points stand above the launch point (a lob that comes down onto the pedestal) and
// scatter at random; they sit near the launch in z, so the missiles speed up towards the end.
constexpr double kMissileLead = 30;
constexpr double kMissileStep = 0.0025;
constexpr double kMissileNear = 150;
constexpr Point kMissileVia = {0, -320, 150};
constexpr Point kMissileScatter = {700, 260, 160};

// The burst's counter: the letters join at these counts, each sun grows in its own window.
constexpr double kCounterStep = 0.5;  // 52 counts last about three and a half seconds
constexpr double kJoinCounts[kParts - 1] = {4, 6, 8, 13, 18, 21, 23, 24, 26, 27, 30, 31};
constexpr double kSunWindows[kSuns][2] = {{2, 12}, {8, 18}, {14, 24}, {20, 30}, {26, 36}, {32, 52}};
// Where each sun flares, from the row's centre: behind the letters as they go, the last one
// in the middle of the frame, rising behind the pedestal.
constexpr Point kSunPlaces[kSuns] = {{-50, -15, 30}, {-20, -35, 40}, {30, -10, 30},
                                     {50, -30, 40},  {-5, -25, 50},  {0, -30, 60}};
constexpr double kSunFirstScale = 0.01;  // the sphere's radius is 200
constexpr double kSunGrowth[kSuns] = {1.11, 1.11, 1.11, 1.11, 1.11, 1.085};
// Passes from the burst's start to the end of the last sun's window.
constexpr int kBurstReadyPasses = static_cast<int>(kSunWindows[kSuns - 1][1] / kCounterStep) + 1;

// The mountains far behind the pedestal, wide enough to fill the view from every camera place;
// their picture reads upright after a half turn in the screen plane.
constexpr Point kMountains = {800, 800, 4500};
constexpr double kMountainScale = 18;
constexpr double kHalfTurn = 3.14159265358979323846;

// The camera watches the ships come in over its head; during the salvo it moves back and up
// to see the arcs down to the pedestal, then dips under the missiles to a close view of the
// letters, low enough that the missiles come down onto the pedestal in front of it, and draws
// back slowly during the burst. Its places are keyed on the missiles' parameter; between keys
// it moves smoothly.
constexpr Point kShipCamera = {0, -250, -900};
struct CameraKey {
    double t;
    Point at;
    double onRow;  // how far the aim has moved from the salvo to the letters
};
constexpr CameraKey kChase[] = {
    {0, kShipCamera, 0},
    {0.35, {-450, -550, -700}, 0.2},
    {0.75, {-350, -450, -300}, 0.35},
    {0.86, {-200, 120, 800}, 0.7},
    {0.94, {-20, 75, 1262}, 1},
};
// While the ships come in the camera keeps looking ahead, turning only partly towards them.
constexpr Point kShipLookAhead = {0, -200, 1000};
constexpr double kShipAimShare = 0.35;
constexpr double kAimEase = 0.08;  // share of the gap the aim closes each pass
constexpr double kBurstDolly = 0.4;

// Where the camera is and how far its aim has turned to the letters at missile parameter t.
CameraKey Chase(double t) {
    const int last = static_cast<int>(std::size(kChase)) - 1;
    if (t >= kChase[last].t) return kChase[last];
    int k = 0;
    while (t > kChase[k + 1].t) ++k;
    double s = (t - kChase[k].t) / (kChase[k + 1].t - kChase[k].t);
    s = s * s * (3 - 2 * s);
    return {t, Mix(kChase[k].at, kChase[k + 1].at, s), Lerp(kChase[k].onRow, kChase[k + 1].onRow, s)};
}

}  // namespace

void MissileScene() {
    Scene scene("MissileScene");
    Camera camera;
    world.SetCamera(&camera);
    RigAxisLights(kAxisColours);
    scene.Mark();

    for (int i = 0; i < kMissiles; ++i) scene.Load("missile.ase");
    scene.Load("ys21.3ds");
    scene.Load("ys21.3ds");
    scene.Load("xwing.ase");
    scene.Load("fond_mont1.ase");
    for (int i = 0; i < kSuns; ++i) scene.Load("soleil.ase");
    scene.Load("vokar.ase");  // "1" to "13", "bat", "socle"
    Object3D* missiles[kMissiles];
    for (int i = 0; i < kMissiles; ++i) missiles[i] = scene.At(i);
    Object3D* ships[kShips] = {scene.At(kMissiles), scene.At(kMissiles + 1), scene.At(kMissiles + 2)};
    Object3D* mountains = scene.At(kMissiles + 3);
    Object3D* suns[kSuns];
    for (int i = 0; i < kSuns; ++i) suns[i] = scene.At(kMissiles + 4 + i);
    Object3D* parts[kParts];
    for (int i = 0; i < kParts; ++i) parts[i] = scene.Find(std::to_string(i + 1).c_str());
    Object3D* frame = scene.Find("bat");
    Object3D* socle = scene.Find("socle");

    const unsigned lit = RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull;
    for (Object3D* o : missiles) {
        o->SetFlags(lit);
        o->visible = 0;
    }
    for (Object3D* o : ships) o->SetFlags(lit);
    mountains->SetFlags(RenderFlags::kTextured);  // a picture, not lit
    Put(mountains, kMountains);
    mountains->Scale(kMountainScale, kMountainScale, kMountainScale);
    mountains->angles[2] = kHalfTurn;
    for (Object3D* o : suns) {
        o->SetFlags(RenderFlags::kTextured | RenderFlags::kCull);
        world.AddAdditive(o);
        o->visible = 0;
    }
    frame->SetFlags(lit);
    socle->SetFlags(lit);

    LoadPaths("scene7.txt", kPathCount);
    PlaceOnPath(socle, kSoclePath);
    PlaceOnPath(frame, kFramePath);
    const Point pedestal = At(socle);
    const Point rowCentre = pedestal + Point{0, kRowLift, kPartDepth};
    for (int i = 0; i < kParts; ++i) {
        parts[i]->SetFlags(lit);
        Put(parts[i], pedestal + Point{kRowFirstX + kPartSpacing * i, kRowLift, kPartDepth});
        parts[i]->Explode(kBurstSpeed, kBurstGravity, kBurstRandom);
    }

    double shipT[kShips] = {0, 0, 0};
    auto flyShips = [&] {
        for (int i = 0; i < kShips; ++i) {
            const Path& path = PathTable[i];
            const PathKey& a = path.keys[0];
            const PathKey& b = path.keys[1];
            if (shipT[i] > 1) {
                ships[i]->visible = 0;
            } else if (i > 0 && shipT[i - 1] <= kHandOver) {
                PlaceOnPath(ships[i], i);
                ships[i]->visible = 0;
            } else {
                const double t = shipT[i];
                ships[i]->visible = 1;
                SetPose(ships[i], Bezier2(a.x, kShipArcX[i], b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t),
                        Lerp(a.rx, b.rx, t), Lerp(a.ry, b.ry, t), Lerp(a.rz, b.rz, t));
                shipT[i] += kShipStep;
            }
        }
    };

    // The camera aims at an eased point, so that it pans smoothly between what it follows.
    Vector3 aim(0, 0, 0);
    camera.FollowPoint(&aim);
    auto aimAt = [&](Point p, double ease) {
        aim.x += (p.x - aim.x) * ease;
        aim.y += (p.y - aim.y) * ease;
        aim.z += (p.z - aim.z) * ease;
    };
    auto shipsCentre = [&] {
        Point sum{0, 0, 0};
        int n = 0;
        for (Object3D* s : ships)
            if (s->visible) {
                sum = sum + At(s);
                ++n;
            }
        return n ? Point{sum.x / n, sum.y / n, sum.z / n} : rowCentre;
    };
    camera.position[0] = kShipCamera.x;
    camera.position[1] = kShipCamera.y;
    camera.position[2] = kShipCamera.z;
    aim = Vector3(kShipLookAhead.x, kShipLookAhead.y, kShipLookAhead.z);

    // The ships come in one after the other until the second is half-way.
    while (shipT[1] <= kHandOver) {
        flyShips();
        aimAt(Mix(kShipLookAhead, shipsCentre(), kShipAimShare), kAimEase);
        scene.Pass();
    }

    // The salvo: one parameter for all thirty arcs.
    const Point launch = At(ships[1]) + Point{0, 0, kMissileLead};
    const Point via = launch + kMissileVia;
    Point vias[kMissiles];
    auto scatter = [](double spread) { return (Random::Next() / static_cast<double>(Random::kMax) - 0.5) * spread; };
    for (int i = 0; i < kMissiles; ++i) {
        vias[i] = via + Point{scatter(kMissileScatter.x), scatter(kMissileScatter.y), scatter(kMissileScatter.z)};
        missiles[i]->visible = 1;
    }
    double missileT = 0;
    // Each missile points along its arc: its nose aims a little further along it.
    Vector3 ahead[kMissiles];
    for (int i = 0; i < kMissiles; ++i) missiles[i]->FollowPoint(&ahead[i]);
    auto flyMissiles = [&] {
        for (int i = 0; i < kMissiles; ++i) {
            if (missileT >= 1) {
                missiles[i]->visible = 0;  // arrived
                continue;
            }
            Put(missiles[i], Arc(launch, vias[i], pedestal, missileT));
            const Point next = Arc(launch, vias[i], pedestal, missileT + 0.02);
            ahead[i] = Vector3(next.x, next.y, next.z);
        }
    };
    auto chase = [&] {
        const CameraKey key = Chase(missileT);
        camera.position[0] = key.at.x;
        camera.position[1] = key.at.y;
        camera.position[2] = key.at.z;
        Point swarm{0, 0, 0};
        for (Object3D* m : missiles) swarm = swarm + At(m);
        aimAt(Mix(Point{swarm.x / kMissiles, swarm.y / kMissiles, swarm.z / kMissiles}, rowCentre, key.onRow),
              kAimEase);
    };
    flyMissiles();
    while (missileT < 1 && pedestal.z - missiles[0]->position[2] > kMissileNear) {
        missileT = std::min(1.0, missileT + kMissileStep);
        flyShips();
        flyMissiles();
        chase();
        scene.Pass();
    }

    // The burst, until the music has moved on since the scene began.
    const int burstStart = scene.Passes();
    double counter = 0;
    do {
        counter += kCounterStep;
        parts[0]->AdvanceExplode(kBurstTurn);
        for (int i = 1; i < kParts; ++i)
            if (counter > kJoinCounts[i - 1]) parts[i]->AdvanceExplode(kBurstTurn);
        for (int i = 0; i < kSuns; ++i) {
            if (counter < kSunWindows[i][0]) continue;
            if (counter > kSunWindows[i][1]) {
                suns[i]->visible = i == kSuns - 1;  // the last one holds the picture
                continue;
            }
            if (!suns[i]->visible) {
                suns[i]->visible = 1;
                Put(suns[i], rowCentre + kSunPlaces[i]);
                suns[i]->Scale(kSunFirstScale, kSunFirstScale, kSunFirstScale);
            }
            suns[i]->Scale(kSunGrowth[i], kSunGrowth[i], kSunGrowth[i]);
        }
        missileT = std::min(1.0, missileT + kMissileStep);
        flyMissiles();
        flyShips();
        camera.position[2] -= kBurstDolly;
        aimAt(rowCentre, kAimEase);
        scene.Pass();
    } while (!scene.SyncSinceMark());
    scene.Cue("end", burstStart + kBurstReadyPasses);

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
