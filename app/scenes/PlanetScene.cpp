// The mothership cruises past the ringed planet towards us, the camera picks it up and chases
// it through a banked turn; it bolts ahead, a tunnel builds itself round it face by face and
// the ship fades away down the tunnel.
#include <algorithm>
#include <cmath>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// The opening shot looks back along -z: the ship comes at the camera past the planet, with the
// sun (where the halo burns) and the galaxy behind it.
constexpr double kCameraStart[3] = {260, -160, 1700};
constexpr double kOpeningAim[3] = {300, 120, -900};  // between the ship's path and the sun
constexpr double kShipStartZ = -400;  // in front of the planet, about 80 pixels long
constexpr double kShipY = 0;
constexpr double kPlanetAt[3] = {-800, 150, -900};
constexpr double kRingTilt = 0.45;   // enough to show the ring as an ellipse
constexpr double kPlanetTurn = 0.003;  // slow: the planet is big and near
constexpr double kRingTurn = 0.004;    // a little faster, so the two do not turn as one
constexpr double kSunAt[3] = {1000, 500, -2000};  // inside its halo
constexpr double kGalaxyAt[3] = {0, 0, -7000};
constexpr double kGalaxyScale = 18;  // wide enough to fill the screen from the camera
// Once the ship has passed the camera the sky is moved, out of sight, to where the turn and the
// tunnel head: the same far galaxy stands ahead of the chase, its bright core up and to the right
// of the tunnel's far end so that the fading ship does not melt into it.
constexpr double kGalaxyAhead[3] = {-5700, -1500, 8200};
constexpr double kGalaxyAheadYaw = 1.0;  // facing back along the ship's heading after the turn

// The ship's cruise and turn.
constexpr double kCruiseEndZ = 800;
constexpr double kApproachEndZ = 1000;
constexpr double kTurnEndZ = 3300;
constexpr double kCruiseSpeed = 4;
constexpr double kSunTurn = 0.005;
constexpr double kTurnStep = 1.0 / 600;
constexpr double kYawEase = 0.1;         // the nose swings round smoothly, not pass by pass
constexpr double kBankPerYawRate = 200;  // roll per radian of heading change per pass: about 30 degrees
constexpr double kBankEase = 0.1;        // the roll settles over a few passes
// The chase camera's place in the ship's frame: outside the turn, above and behind.
constexpr double kChaseSide = 350;
constexpr double kChaseUp = -260;  // -y is the ship's top
constexpr double kChaseBack = 600;
constexpr double kChaseEase = 0.02;  // of the way to that place per pass, once the ship has passed

// The dash: speed x1.2 per pass until 400 beyond where it began.
constexpr double kDashGrowth = 1.2;
constexpr double kDashLength = 400;
constexpr double kLevelOut = 0.15;  // of its roll the ship loses per pass while it dashes

// The tunnel and the fade.
constexpr double kTunnelStretch = 0.8;
constexpr int kTunnelGrey = 128;
constexpr double kTunnelSpin = 0.04;
constexpr int kTunnelFacesPerPass = 15;
constexpr double kTunnelCreep = 2;
// The camera drifts towards the tunnel's axis at its mouth, to look down it as the cockpit shot
// that follows does.
constexpr double kCameraInTunnel = 100;  // behind the point it watches: inside the mouth
constexpr double kCameraDrift = 0.006;  // slower than the ship, which draws away
constexpr int kFadePasses = 80;
constexpr double kFadeStart = 128;
constexpr double kFadeStep = 1.6;
constexpr double kFadeSpeed = 8;

struct Heading {
    double yaw = 0;  // about y; positive turns the nose towards -x
    Vector3 Forward() const { return {-std::sin(yaw), 0, std::cos(yaw)}; }
    Vector3 Side() const { return {std::cos(yaw), 0, std::sin(yaw)}; }  // +x when flying along +z
};

void Move(Object3D* o, const Vector3& direction, double distance) {
    o->position[0] += direction.x * distance;
    o->position[1] += direction.y * distance;
    o->position[2] += direction.z * distance;
}

Vector3 PositionOf(const Object3D* o) { return {o->position[0], o->position[1], o->position[2]}; }

void EaseTowards(Camera& camera, const Vector3& goal, double share) {
    camera.position[0] += (goal.x - camera.position[0]) * share;
    camera.position[1] += (goal.y - camera.position[1]) * share;
    camera.position[2] += (goal.z - camera.position[2]) * share;
}

}  // namespace

void PlanetScene() {
    Scene scene("PlanetScene");
    Camera camera;
    world.SetCamera(&camera);

    scene.Load("vaiss_mere.3ds");  // hull and the two engine glows: objects 0 to 2
    scene.Load("planete1.ase");
    scene.Load("soleil.ase");
    scene.Load("galaxie2.ase");
    scene.Load("anneau.ase");
    scene.Load("tunnel.ase");
    Object3D* hull = scene.At(0);
    Object3D* glows[2] = {scene.At(1), scene.At(2)};
    Object3D* planet = scene.At(3);
    Object3D* sun = scene.At(4);
    Object3D* galaxy = scene.At(5);
    Object3D* ring = scene.At(6);
    Object3D* tunnel = scene.At(7);

    const unsigned lit = RenderFlags::kGouraud | RenderFlags::kTextured;
    hull->SetFlags(lit | RenderFlags::kCull);
    for (Object3D* g : glows) {
        g->SetFlags(lit);
        world.AddAdditive(g);
    }
    planet->SetFlags(lit | RenderFlags::kCull);
    sun->SetFlags(lit | RenderFlags::kCull);
    galaxy->SetFlags(RenderFlags::kTextured);
    galaxy->angles[2] = kPi;
    ring->SetFlags(lit);
    world.AddAdditive(ring);
    tunnel->visible = 0;

    const double axisColours[6][3] = {{1.5, 1.5, 1.5}, {0.5, 0.5, 0.5}, {1.5, 1.5, 1.5},
                                      {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}};
    RigAxisLights(axisColours);
    Halo halo;
    halo.SetPosition(1000, 500, -2000);
    halo.SetFar(500);
    halo.SetNear(100);
    world.AddHalo(&halo);

    SetPose(planet, kPlanetAt[0], kPlanetAt[1], kPlanetAt[2], 0, 0, 0);
    SetPose(ring, kPlanetAt[0], kPlanetAt[1], kPlanetAt[2], kRingTilt, 0, 0);
    SetPose(sun, kSunAt[0], kSunAt[1], kSunAt[2], 0, 0, 0);
    galaxy->position[0] = kGalaxyAt[0];
    galaxy->position[1] = kGalaxyAt[1];
    galaxy->position[2] = kGalaxyAt[2];
    galaxy->Scale(kGalaxyScale, kGalaxyScale, kGalaxyScale);
    SetPose(hull, 0, kShipY, kShipStartZ, 0, 0, 0);
    camera.position[0] = kCameraStart[0];
    camera.position[1] = kCameraStart[1];
    camera.position[2] = kCameraStart[2];
    Vector3 aim(kOpeningAim[0], kOpeningAim[1], kOpeningAim[2]);
    camera.FollowPoint(&aim);

    // The glows are drawn where the hull is, whatever it does.
    auto pass = [&] {
        for (Object3D* g : glows) CopyPose(hull, g);
        scene.Pass();
    };
    auto turnScenery = [&] {
        for (double& a : sun->angles) a += kSunTurn;
        planet->angles[1] += kPlanetTurn;
        ring->angles[1] += kRingTurn;
    };

    // The ship cruises towards the camera.
    while (hull->position[2] < kCruiseEndZ) {
        hull->position[2] += kCruiseSpeed;
        turnScenery();
        pass();
    }
    // The camera's eye slides from the view onto the ship as it comes near.
    const Vector3 openingAim = aim;
    const double approachStartZ = hull->position[2];
    while (hull->position[2] < kApproachEndZ) {
        hull->position[2] += kCruiseSpeed;
        turnScenery();
        const double t = std::min(1.0, (hull->position[2] - approachStartZ) / (kApproachEndZ - approachStartZ));
        aim = Vector3(Lerp(openingAim.x, hull->position[0], t), Lerp(openingAim.y, hull->position[1], t),
                      Lerp(openingAim.z, hull->position[2], t));
        pass();
    }

    // The banked turn: the camera watches the ship go by, then chases it.
    camera.FollowObject(hull);
    Heading heading;
    double u = 0;
    bool skyAhead = false;
    while (hull->position[2] <= kTurnEndZ) {
        u += kTurnStep;
        const double x = Bezier2(0, 200, -1800, u);
        const double dx = x - hull->position[0];
        hull->position[0] = x;
        hull->position[2] += kCruiseSpeed;
        const double yawStep = (std::atan2(-dx, kCruiseSpeed) - heading.yaw) * kYawEase;
        heading.yaw += yawStep;
        // Rolled into the turn: the top (-y) leans towards -x.
        hull->angles[2] += (-yawStep * kBankPerYawRate - hull->angles[2]) * kBankEase;
        hull->angles[1] = heading.yaw;
        turnScenery();
        if (hull->position[2] > camera.position[2]) {
            if (!skyAhead) {
                SetPose(galaxy, kGalaxyAhead[0], kGalaxyAhead[1], kGalaxyAhead[2], 0, kGalaxyAheadYaw, kPi);
                skyAhead = true;
            }
            const Vector3 f = heading.Forward(), s = heading.Side();
            const Vector3 chase(hull->position[0] + s.x * kChaseSide - f.x * kChaseBack, hull->position[1] + kChaseUp,
                                hull->position[2] + s.z * kChaseSide - f.z * kChaseBack);
            EaseTowards(camera, chase, kChaseEase);
        }
        pass();
    }

    // The dash: the camera holds still and the ship bolts ahead. Nothing stands behind the
    // sky any more, so each frame starts from the cleared screen.
    world.SetBackground(nullptr);
    const Vector3 forward = heading.Forward();
    const Vector3 dashStart = PositionOf(hull);
    double speed = kCruiseSpeed;
    double travelled = 0;
    while (travelled < kDashLength) {
        speed *= kDashGrowth;
        Move(hull, forward, speed);
        travelled = (PositionOf(hull) - dashStart).Dot(forward);
        hull->angles[2] *= 1 - kLevelOut;
        pass();
    }

    // The tunnel builds itself round the ship, face by face from its mouth.
    tunnel->visible = 1;
    tunnel->SetFlags(RenderFlags::kGouraud | RenderFlags::kTextured | RenderFlags::kEdges);
    tunnel->SetColor(kTunnelGrey, kTunnelGrey, kTunnelGrey);
    world.AddAdditive(tunnel);
    tunnel->Scale(1, 1, kTunnelStretch);
    std::copy(hull->position, hull->position + 3, tunnel->position);
    tunnel->angles[1] = heading.yaw;
    Vector3 mark = PositionOf(hull);
    camera.FollowPoint(&mark);
    const Vector3 inMouth(mark.x - forward.x * kCameraInTunnel, mark.y, mark.z - forward.z * kCameraInTunnel);
    tunnel->faceLimit = -1;
    while (tunnel->faceLimit <= tunnel->GetFaceCount()) {
        Move(hull, forward, kTunnelCreep);
        tunnel->angles[2] += kTunnelSpin;
        tunnel->faceLimit += kTunnelFacesPerPass;
        EaseTowards(camera, inMouth, kCameraDrift);
        pass();
    }

    // The ship fades away down the tunnel, and the tunnel with it.
    world.AddAdditive(hull);
    double c = kFadeStart;
    for (int i = 0; i < kFadePasses; ++i) {
        c -= kFadeStep;
        const int level = static_cast<int>(c);
        for (Object3D* o : {hull, glows[0], glows[1], tunnel}) o->SetColor(level, level, level);
        Move(hull, forward, kFadeSpeed);
        tunnel->angles[2] += kTunnelSpin;
        EaseTowards(camera, inMouth, kCameraDrift);
        pass();
    }

    world.RemoveHalo(&halo);
    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
