// The hall: the camera rides round it while three motorbikes race a lap of its floor, leaping
// off both ramps; a car dives from under the roof over them and a second one sweeps across the
// back. The bikes stop on the lift in the corner. A ship brings the figure, which leaps down
// among the bikes and gathers energy in its hands; it lifts the light over its head, the lift
// takes it and the bikes down, and the light flares up out of the shaft.
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
constexpr int kHallObjects = 23;
constexpr int kBikes = 3, kBikeParts = 6, kCarParts = 7, kFigureParts = 6;

// The camera's walk over the ride's keys: the first two segments faster.
constexpr double kFirstStep = 0.0055, kSecondStep = 0.0035, kStep = 0.0025;
constexpr int kCar3Segment = 2;
// The bikes: the first sets off once the camera's t passes kFirstFrom, the pair at kPairFrom.
constexpr double kFirstFrom = 0.1, kPairFrom = 0.4;
constexpr double kBikeStep = 0.012;
// The pair ride either side of the track (a bike is about 30 wide at the bars), the second of
// them a little behind, so that seen from any side they read as two.
constexpr double kPairSide = 80, kPairTrail = 60;
// The car under the roof sets off late in the first segment.
constexpr double kCar1From = 0.8, kCar1Step = 0.003;
// The second car sweeps across the back, inside the bikes' line, during the third segment:
// x from a to b, z on a curve bent towards the back wall.
constexpr double kCar3X[2] = {600, -500};
constexpr double kCar3Z[3] = {-300, -1000, -800};

// A strong light from above and a softer one along +z, the rest low, so that floor, ceiling and
// the walls facing each way all differ.
constexpr double kLights[6][3] = {{1.7, 1.6, 1.5}, {0.3, 0.28, 0.35}, {0.9, 0.9, 1.0},
                                  {0.5, 0.5, 0.55}, {0.6, 0.55, 0.6}, {0.6, 0.55, 0.6}};
constexpr unsigned kLit = RenderFlags::kGouraud | RenderFlags::kTextured;
constexpr unsigned kSolidLit = kLit | RenderFlags::kCull;

// The ship and the figure riding it: the ship's top is about 18 over its middle, the figure's
// feet about 47 under its hip at this scale.
constexpr double kShipScale = 1.5, kFigureScale = 0.2;
constexpr double kRiderAbove = 65;
// Arrival: in along the front wall from the right, slowing down, to hover over the lift while
// the camera draws back to take in its approach.
constexpr double kShipFrom[3] = {-100, -380, 1500};
constexpr double kShipDip = -300;  // Bezier2 control of its height
constexpr double kShipAt[3] = {-900, -200, 1200};
constexpr double kFinaleView[3] = {-400, -230, 600};
constexpr double kFinaleLook[3] = {-820, -150, 1100};
constexpr double kShipHeading = kPi / 2;  // nose towards -x
constexpr double kArriveStep = 1.0 / 75;
// The leap onto the platform's corner nearest the camera, the figure turning to face it; the
// camera comes in closer.
constexpr double kCloseView[3] = {-560, -170, 800};
constexpr double kCloseLook[3] = {-820, -100, 1110};
constexpr double kLandAt[3] = {-790, -47, 1060};
constexpr double kLeapHeight = 140;
constexpr double kFigureFacing = 0.72;
constexpr double kLeapStep = 1.0 / 45;
// Gathering: the balls swell in the hands (model hand at x +-80, y -16) while the ship leaves
// over the right, climbing.
constexpr double kHandX = 80 * kFigureScale, kHandY = -16 * kFigureScale;
constexpr double kBallGrowth = 1.025;
constexpr double kBallSpin = 4;  // turns about y over a phase, so the glow's texture moves
constexpr double kShipAway[3] = {300, -600, 1450};
constexpr double kShipTurnAway = 1;  // banks round to the right as it goes
constexpr double kGatherStep = 1.0 / 60;
// The light: the balls rise over the head and meet; the glow opens where they meet.
constexpr double kOverHead = -110;
constexpr double kRaiseStep = 1.0 / 45;
constexpr double kSunOpen = 1.12;  // per pass over the phase's second half
// The lift: sinks with everything on it, faster and faster, until its top is at y 1400; the
// camera rises meanwhile to look down the shaft.
constexpr double kLiftDepth = 1400;
constexpr double kLiftPull = 0.5;
constexpr double kShaftView[3] = {-820, -430, 960};
constexpr double kShaftLook[3] = {-900, 1400, 1200};
// The flare: the glow climbs out of the shaft towards the camera, swelling to fill the screen,
// and holds there over the last fifth.
constexpr double kFlareStep = 0.02, kFlareEnd = 1.2;
constexpr double kFlareTo[3] = {-835, -160, 1010};
constexpr double kFlareGrowth = 1.085;

void PoseBetween(Object3D* o, const PathKey& a, const PathKey& b, double t, double dx, double dz) {
    SetPose(o, Lerp(a.x, b.x, t) + dx, Lerp(a.y, b.y, t), Lerp(a.z, b.z, t) + dz, Lerp(a.rx, b.rx, t),
            Lerp(a.ry, b.ry, t), Lerp(a.rz, b.rz, t));
}

// A place on the track: the segment and the parameter in it. Once set off it moves on each
// pass; past the last segment it stays on the last key.
struct Rider {
    bool started = false;
    int segment = 0;
    double t = 0;
    void Advance(int segments) {
        if (!started || segment >= segments) return;
        t += kBikeStep;
        if (t > 1) {
            t = 0;
            ++segment;
        }
    }
};

// The camera's move from where it is to a view of a point: position and angles by Lerp, the
// turn about y the short way round.
class CameraMove {
public:
    CameraMove(const Camera& camera, const double view[3], const double look[3]) {
        const double dx = look[0] - view[0], dy = look[1] - view[1], dz = look[2] - view[2];
        const double angles[3] = {std::atan2(dy, std::hypot(dx, dz)),
                                  camera.angles[1] + std::remainder(std::atan2(dx, dz) - camera.angles[1], 2 * kPi), 0};
        for (int i = 0; i < 3; ++i) {
            from[i] = camera.position[i];
            from[3 + i] = camera.angles[i];
            to[i] = view[i];
            to[3 + i] = angles[i];
        }
    }
    void Apply(Camera& camera, double s) const {
        for (int i = 0; i < 3; ++i) {
            camera.position[i] = Lerp(from[i], to[i], s);
            camera.angles[i] = Lerp(from[3 + i], to[3 + i], s);
        }
    }

private:
    double from[6], to[6];
};

}  // namespace

void MotorbikeScene() {
    Scene scene("MotorbikeScene");
    RigAxisLights(kLights);
    Camera camera;
    world.SetCamera(&camera);

    scene.Load("IntVokar.ase");  // objects 0 to 22
    constexpr int kFirstBike = kHallObjects;
    for (int i = 0; i < kBikes; ++i) scene.Load("moto.ase");
    constexpr int kCar1 = kFirstBike + kBikes * kBikeParts;
    scene.Load("car1.ase");
    constexpr int kCar3 = kCar1 + kCarParts;
    scene.Load("car3.ase");
    constexpr int kBalls = kCar3 + kCarParts;
    scene.Load("energie.ase");
    scene.Load("energie.ase");
    scene.Load("ys21.3ds");
    Object3D* ship = scene.Last();
    constexpr int kFigure = kBalls + 3;
    scene.Load("vboy.ase");
    scene.Load("fondv.ase");
    Object3D* sun = scene.Last();
    Object3D* lift = scene.Find("ascenseur");

    for (int i = 0; i < kHallObjects; ++i) {
        scene.At(i)->SetFlags(kLit);
        scene.At(i)->visible = 1;
    }
    Object3D* bikes[kBikes][kBikeParts];
    for (int b = 0; b < kBikes; ++b)
        for (int p = 0; p < kBikeParts; ++p) {
            Object3D* o = bikes[b][p] = scene.At(kFirstBike + b * kBikeParts + p);
            o->SetFlags(kSolidLit);
            o->Scale(0.2, 0.2, 0.2);
        }
    Object3D* car1[kCarParts];
    Object3D* car3[kCarParts];
    for (int p = 0; p < kCarParts; ++p) {
        car1[p] = scene.At(kCar1 + p);
        car1[p]->SetFlags(kSolidLit);
        car1[p]->Scale(0.1, 0.1, 0.1);
        car3[p] = scene.At(kCar3 + p);
        car3[p]->SetFlags(kSolidLit);
        car3[p]->Scale(3, 3, 3);
        car3[p]->visible = 0;
    }
    Object3D* balls[2] = {scene.At(kBalls), scene.At(kBalls + 1)};
    for (Object3D* b : balls) {
        b->SetFlags(kLit);
        b->Scale(0.05, 0.05, 0.05);
        b->visible = 0;
    }
    ship->SetFlags(kSolidLit);
    ship->Scale(kShipScale, kShipScale, kShipScale);
    ship->visible = 0;
    Object3D* figure[kFigureParts];
    for (int p = 0; p < kFigureParts; ++p) {
        figure[p] = scene.At(kFigure + p);
        figure[p]->SetFlags(kSolidLit);
        figure[p]->Scale(kFigureScale, kFigureScale, kFigureScale);
        figure[p]->visible = 0;
    }
    sun->SetFlags(RenderFlags::kCull | RenderFlags::kTextured);
    world.AddAdditive(sun);
    sun->Scale(0.05, 0.05, 0.05);
    sun->angles[0] = kPi;
    sun->visible = 0;
    // Later it turns to face the camera wherever that goes.
    Vector3 eye;
    sun->FollowPoint(&eye);

    LoadPaths("scene11.txt", 1);
    const Path ride = PathTable[0];
    LoadPaths("scene11moto.txt", 1);
    const Path track = PathTable[0];
    const int trackSegments = std::max(track.keyCount - 1, 0);

    Rider riders[2];  // the first bike's, and the pair's
    auto poseBikes = [&] {
        if (trackSegments == 0) return;
        for (int b = 0; b < kBikes; ++b) {
            const Rider& r = riders[b == 0 ? 0 : 1];
            const bool done = r.segment >= trackSegments;
            const int k = done ? trackSegments - 1 : r.segment;
            const double t = done ? 1 : r.t;
            const double side = b == 0 ? 0 : (b == 1 ? kPairSide : -kPairSide);
            const double back = b == 2 ? kPairTrail : 0;
            // The bike's own x axis lies along (cos ry, sin ry) in x and z, its nose along
            // (-sin ry, cos ry).
            const double ry = Lerp(track.keys[k].ry, track.keys[k + 1].ry, t);
            const double dx = side * std::cos(ry) + back * std::sin(ry);
            const double dz = side * std::sin(ry) - back * std::cos(ry);
            for (Object3D* o : bikes[b]) PoseBetween(o, track.keys[k], track.keys[k + 1], t, dx, dz);
        }
    };
    poseBikes();

    double car1T = 0;
    auto poseCar1 = [&] {
        for (Object3D* o : car1)
            SetPose(o, Lerp(1086, 964, car1T), Bezier2(-580, 100, -200, car1T), Lerp(588, -202, car1T), 0, 2.91, kPi);
    };
    poseCar1();
    auto poseCar3 = [&](double t) {
        const double dx = kCar3X[1] - kCar3X[0];
        const double dz = 2 * (1 - t) * (kCar3Z[1] - kCar3Z[0]) + 2 * t * (kCar3Z[2] - kCar3Z[1]);
        for (Object3D* o : car3)
            SetPose(o, Lerp(kCar3X[0], kCar3X[1], t), 0, Bezier2(kCar3Z[0], kCar3Z[1], kCar3Z[2], t), 0,
                    std::atan2(-dx, dz), 0);
    };

    for (int k = 0; k + 1 < ride.keyCount; ++k) {
        const double step = k == 0 ? kFirstStep : (k == 1 ? kSecondStep : kStep);
        const PathKey& a = ride.keys[k];
        const PathKey& b = ride.keys[k + 1];
        for (Object3D* o : car3) o->visible = k == kCar3Segment;
        for (double t = 0; t < 1; t += step) {
            camera.position[0] = Lerp(a.x, b.x, t);
            camera.position[1] = Lerp(a.y, b.y, t);
            camera.position[2] = Lerp(a.z, b.z, t);
            camera.angles[0] = Lerp(a.rx, b.rx, t);
            camera.angles[1] = Lerp(a.ry, b.ry, t);
            camera.angles[2] = Lerp(a.rz, b.rz, t);

            if (t > kFirstFrom) riders[0].started = true;
            if (t > kPairFrom) riders[1].started = true;
            for (Rider& r : riders) r.Advance(trackSegments);
            poseBikes();

            if (((k == 0 && t > kCar1From) || k == 1) && car1T < 1) {
                car1T = std::min(car1T + kCar1Step, 1.0);
                poseCar1();
            }
            if (k == kCar3Segment) poseCar3(t);
            scene.Pass();
        }
    }
    for (Object3D* o : car3) o->visible = 0;

    // From here on each pass turns the glow to the camera first.
    auto show = [&] {
        eye = Vector3(camera.position[0], camera.position[1], camera.position[2]);
        scene.Pass();
    };

    // The ship brings the figure standing on its back.
    ship->visible = 1;
    for (Object3D* p : figure) p->visible = 1;
    auto poseFigure = [&](double x, double y, double z, double heading) {
        for (Object3D* p : figure) SetPose(p, x, y, z, 0, heading, 0);
    };
    auto rideShip = [&] {
        poseFigure(ship->position[0], ship->position[1] - kRiderAbove, ship->position[2], kShipHeading - kPi);
    };
    const CameraMove back(camera, kFinaleView, kFinaleLook);
    for (double s = 0; s <= 1; s += kArriveStep) {
        back.Apply(camera, s);
        const double e = Bezier2(0, 1, 1, s);  // fast at first, slowing to a stop
        SetPose(ship, Lerp(kShipFrom[0], kShipAt[0], e), Bezier2(kShipFrom[1], kShipDip, kShipAt[1], e),
                Lerp(kShipFrom[2], kShipAt[2], e), 0, kShipHeading, 0);
        rideShip();
        show();
    }

    // The leap down among the bikes.
    const double leapFrom[3] = {ship->position[0], ship->position[1] - kRiderAbove, ship->position[2]};
    const CameraMove in(camera, kCloseView, kCloseLook);
    for (double s = 0; s <= 1; s += kLeapStep) {
        in.Apply(camera, s);
        poseFigure(Lerp(leapFrom[0], kLandAt[0], s),
                   Bezier2(leapFrom[1], std::min(leapFrom[1], kLandAt[1]) - kLeapHeight, kLandAt[1], s),
                   Lerp(leapFrom[2], kLandAt[2], s), Lerp(kShipHeading - kPi, kFigureFacing, s));
        show();
    }
    poseFigure(kLandAt[0], kLandAt[1], kLandAt[2], kFigureFacing);

    // The balls swell in its hands; the ship leaves.
    const double c = std::cos(kFigureFacing), sn = std::sin(kFigureFacing);
    auto hand = [&](int side, double* at) {
        // The figure's x axis turned by its heading, as for the bikes.
        at[0] = kLandAt[0] + side * kHandX * c;
        at[1] = kLandAt[1] + kHandY;
        at[2] = kLandAt[2] + side * kHandX * sn;
    };
    for (int i = 0; i < 2; ++i) balls[i]->visible = 1;
    const double shipFrom[3] = {ship->position[0], ship->position[1], ship->position[2]};
    for (double s = 0; s <= 1; s += kGatherStep) {
        for (int i = 0; i < 2; ++i) {
            double at[3];
            hand(i == 0 ? 1 : -1, at);
            SetPose(balls[i], at[0], at[1], at[2], 0, 0, 0);
            balls[i]->Scale(kBallGrowth, kBallGrowth, kBallGrowth);
            balls[i]->angles[1] = kBallSpin * s;
        }
        SetPose(ship, Lerp(shipFrom[0], kShipAway[0], s), Bezier2(shipFrom[1], shipFrom[1], kShipAway[1], s),
                Lerp(shipFrom[2], kShipAway[2], s), 0, kShipHeading + kShipTurnAway * s, 0);
        show();
    }
    ship->visible = 0;

    // The balls rise over its head and meet; the glow opens there.
    const double over[3] = {kLandAt[0], kLandAt[1] + kOverHead, kLandAt[2]};
    for (double s = 0; s <= 1; s += kRaiseStep) {
        for (int i = 0; i < 2; ++i) {
            double at[3];
            hand(i == 0 ? 1 : -1, at);
            SetPose(balls[i], Lerp(at[0], over[0], s), Bezier2(at[1], over[1], over[1], s), Lerp(at[2], over[2], s),
                    0, kBallSpin * (1 + s), 0);
        }
        if (s > 0.5) {
            sun->visible = 1;
            sun->Scale(kSunOpen, kSunOpen, kSunOpen);
        }
        SetPose(sun, over[0], over[1], over[2], kPi, 0, 0);
        show();
    }
    for (Object3D* b : balls) b->visible = 0;

    // Down the shaft with everything on the lift; the camera rises to look after it.
    const CameraMove down(camera, kShaftView, kShaftLook);
    double speed = 0;
    while (lift->position[1] < kLiftDepth) {
        speed += kLiftPull;
        const double drop = std::min(speed, kLiftDepth - lift->position[1]);
        lift->position[1] += drop;
        for (auto& bike : bikes)
            for (Object3D* o : bike) o->position[1] += drop;
        for (Object3D* p : figure) p->position[1] += drop;
        sun->position[1] += drop;
        down.Apply(camera, lift->position[1] / kLiftDepth);
        show();
    }

    // The light flares up out of the shaft.
    const double flareFrom[3] = {sun->position[0], sun->position[1], sun->position[2]};
    for (double s = 0; s <= kFlareEnd; s += kFlareStep) {
        const double u = std::min(s, 1.0);
        SetPose(sun, Lerp(flareFrom[0], kFlareTo[0], u), Lerp(flareFrom[1], kFlareTo[1], u),
                Lerp(flareFrom[2], kFlareTo[2], u), kPi, 0, 0);
        sun->Scale(kFlareGrowth, kFlareGrowth, kFlareGrowth);
        show();
    }

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
    FadeToPicture(nullptr);
}
