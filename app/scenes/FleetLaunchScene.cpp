// The fleet leaves the station: the lead ship goes first and the others follow one by one,
// each swinging out to its side, under a slowly turning galaxy; then the whole fleet speeds
// off until the music moves on.
#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr int kFollowers = 6;

// Watched from behind and above the deck, looking down the fleet's way out.
constexpr double kCameraPosition[3] = {0, -220, -1300};
constexpr double kCameraPitch = 0.25;  // the deck in the middle, the way out above it

// Cool light from the galaxy ahead and above, a warm glow from the station below.
constexpr double kLightColours[6][3] = {{1.2, 1.0, 0.8}, {0.9, 0.9, 1.1}, {0.7, 0.7, 0.9},
                                        {1.3, 1.3, 1.4}, {0.8, 0.8, 1.0}, {0.8, 0.8, 1.0}};

// The galaxy stands far off where the fleet is heading, the cloud to one side of it.
constexpr double kGalaxyPosition[3] = {0, 2000, 7000};
constexpr double kGalaxyScale = 16;
constexpr double kCloudPosition[3] = {-2000, -1100, 5000};
constexpr double kCloudScale = 1.5;
// Under the ships, its mast just below the lead's way out.
constexpr double kStationPosition[3] = {0, 260, -250};

// The lead waits in the middle of the deck, the others beside it, in the order they leave
// from the inside out and alternately left and right, so that none crosses another's way.
// Each swings out to its own side and curves back a little by the end of its arc.
constexpr double kLeadStart[3] = {0, 40, -300};
struct Follower {
    double x, y;           // where it waits, in line with the lead
    double control, end;   // its sideways arc in x
};
constexpr Follower kFollowerStarts[kFollowers] = {
    {-160, 40, -760, -460},  {-320, 45, -920, -620}, {-480, 50, -1080, -780},
    {480, 50, 1080, 780},    {160, 40, 760, 460},    {320, 45, 920, 620},
};

constexpr double kSpeed = 15;
constexpr double kArcStep = 0.0025;
constexpr double kLaunchEndZ = 2200;
constexpr double kSpeedGrowth = 0.05;
}  // namespace

void FleetLaunchScene() {
    Scene scene("FleetLaunchScene");
    scene.Mark();
    Camera camera;
    for (int i = 0; i < 3; ++i) camera.position[i] = kCameraPosition[i];
    camera.angles[0] = kCameraPitch;
    world.SetCamera(&camera);
    RigAxisLights(kLightColours);

    scene.Load("galaxie2.ase");
    scene.Load("vland.ase");
    scene.Load("nuage.ase");
    scene.Load("xwing.ase");
    scene.Load("xwing.ase");
    scene.Load("tiefighter.3ds");
    scene.Load("3ailes.3ds");
    scene.Load("ys21.3ds");
    scene.Load("ys21.3ds");
    scene.Load("ys21.3ds");
    Object3D* galaxy = scene.At(0);
    Object3D* station = scene.At(1);
    Object3D* cloud = scene.At(2);
    Object3D* lead = scene.At(3);
    Object3D* followers[kFollowers];
    for (int i = 0; i < kFollowers; ++i) followers[i] = scene.At(4 + i);
    // The lead's z at which each follower leaves the deck.
    const double thresholds[kFollowers] = {0, 600, 1200, 1500, 300, 900};

    const unsigned lit = RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull;
    galaxy->SetFlags(RenderFlags::kTextured);
    galaxy->Scale(kGalaxyScale, kGalaxyScale, kGalaxyScale);
    // Culled, so overlapping puffs add up once each and the cloud does not burn out white.
    cloud->SetFlags(RenderFlags::kTextured | RenderFlags::kCull);
    world.AddAdditive(cloud);
    cloud->Scale(kCloudScale, kCloudScale, kCloudScale);
    station->SetFlags(lit);
    for (int i = 0; i < 3; ++i) {
        galaxy->position[i] = kGalaxyPosition[i];
        cloud->position[i] = kCloudPosition[i];
        station->position[i] = kStationPosition[i];
    }
    lead->SetFlags(lit);
    for (int i = 0; i < 3; ++i) lead->position[i] = kLeadStart[i];
    double arc[kFollowers] = {};
    bool started[kFollowers] = {};
    for (int i = 0; i < kFollowers; ++i) {
        followers[i]->SetFlags(lit);
        followers[i]->position[0] = kFollowerStarts[i].x;
        followers[i]->position[1] = kFollowerStarts[i].y;
        followers[i]->position[2] = kLeadStart[2];
    }

    // One step of a follower that has left: forward, and along its arc until the arc is done.
    auto fly = [&](int i, double speed) {
        Object3D* f = followers[i];
        f->position[2] += speed;
        arc[i] += kArcStep;
        const Follower& s = kFollowerStarts[i];
        f->position[0] = Bezier2(s.x, s.control, s.end, arc[i]);
        if (arc[i] > 1) f->visible = 0;
    };
    auto turnSky = [&] {
        galaxy->angles[1] += 0.001;
        cloud->angles[2] += 0.002;
    };

    // The launch: a sync here ends the scene at once.
    int readyPass = -1;
    while (lead->position[2] < kLaunchEndZ) {
        if (scene.SyncSinceMark()) {
            readyPass = scene.Passes();
            break;
        }
        turnSky();
        lead->position[2] += kSpeed;
        for (int i = 0; i < kFollowers; ++i) {
            if (!started[i] && lead->position[2] > thresholds[i]) started[i] = true;
            if (started[i]) fly(i, kSpeed);
        }
        scene.Pass();
    }

    if (readyPass < 0) {
        // All of them away together, faster and faster, until the music moves on.
        readyPass = scene.Passes();
        double speed = kSpeed;
        while (!scene.SyncSinceMark()) {
            turnSky();
            speed += kSpeedGrowth;
            lead->position[2] += speed;
            for (int i = 0; i < kFollowers; ++i) fly(i, speed);
            scene.Pass();
        }
    }
    scene.Cue("end", readyPass);

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
