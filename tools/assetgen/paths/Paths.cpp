// The keyframe path files. Placements follow the scenes' cameras (at z -600, focal 512, looking
// along +z with +y down on screen) and the models' own axes: ships fly nose first along +z with
// their top towards -y; the figure's parts turn about their joints.
#include <cmath>
#include <numbers>

#include "tools/assetgen/Catalogue.h"
#include "tools/assetgen/Pack.h"
#include "tools/assetgen/models/Figure.h"
#include "tools/assetgen/writers/ModelWriters.h"
#include "tools/assetgen/writers/PathWriter.h"

namespace assetgen {

namespace {

constexpr double kPi = std::numbers::pi;

// The engine's placement rotation with angles (ax, ay, 0): a turn about y, then about x.
Vec3 Turn(const Vec3& v, double ax, double ay) {
    const double cy = std::cos(ay), sy = std::sin(ay);
    const Vec3 w{cy * v.x - sy * v.z, v.y, sy * v.x + cy * v.z};
    const double cx = std::cos(ax), sx = std::sin(ax);
    return {w.x, cx * w.y - sx * w.z, sx * w.y + cx * w.z};
}

// One figure pose: the hip at `at`, the whole figure leaning by `lean` about x, each limb swung
// by its own angle (arms and feet) about its joint; `heading` pi turns the figure to face +z.
struct Pose {
    Vec3 at;
    double lean = 0;
    double armL = 0, armR = 0, legL = 0, legR = 0, head = 0;
    double heading = 0;
};

Key PartKey(int part, const Pose& p, int frames) {
    const double swing[6] = {p.head, 0, p.armL, p.legL, p.armR, p.legR};
    const double a = p.lean + swing[part];
    // The lean turns everything about the hip (the origin), the swing then turns the part about
    // its joint J; turns about x add up, so the part turns by `a` and moves by Rlean J - Ra J.
    const Vec3 j = figure::kJoints[part] * figure::kSceneScale;
    const Vec3 shift = Turn(j, p.lean, p.heading) - Turn(j, a, p.heading);
    return {p.at.x + shift.x, p.at.y + shift.y, p.at.z + shift.z, a, p.heading, 0, frames};
}

std::vector<KeyPath> FigureWalk(const std::vector<Pose>& poses, const char* prefix) {
    std::vector<KeyPath> paths;
    for (int part = 0; part < 6; ++part) {
        KeyPath path{std::string(prefix) + figure::kParts[part], {}};
        for (std::size_t k = 0; k < poses.size(); ++k) path.keys.push_back(PartKey(part, poses[k], static_cast<int>(k) * 50));
        paths.push_back(path);
    }
    return paths;
}

double Unwrap(double angle, double previous) {
    while (angle - previous > kPi) angle -= 2 * kPi;
    while (angle - previous < -kPi) angle += 2 * kPi;
    return angle;
}

// Heading about y so that a nose along +z points along (dx, dz).
double HeadingY(double dx, double dz) { return std::atan2(-dx, dz); }

KeyPath Arc(const std::string& label, Key from, Key to) { return {label, {from, to}}; }

void Add(Pack& pack, const char* file, const std::vector<KeyPath>& paths) {
    for (const auto& entry : kPathFiles) {
        if (entry.file != file) continue;
        if (static_cast<int>(paths.size()) != entry.paths) throw ContentError(std::string(file) + ": wrong path count");
        for (const auto& p : paths)
            if (static_cast<int>(p.keys.size()) < entry.minKeys) throw ContentError(std::string(file) + ": too few keys");
        pack.AddText(file, WritePaths(paths));
        return;
    }
    throw ContentError(std::string(file) + " is not in the catalogue");
}

// Five ships dive in turn from above the camera and swoop into the pass cut in the ridge (y
// arcs through 500 on the way: down below the pass, then up into it). They come alternately
// from left and right; the pass's floor stands about 50 pixels below the screen's middle, and
// key 1 leaves each ship in the gap above it, against the sky, 3000 ahead of the camera.
std::vector<KeyPath> MountainPass() {
    const double from[5] = {-240, 240, -130, 130, 0}, to[5] = {-40, 40, -20, 20, 0};
    const double z0 = -300, z1 = 2400, y0 = -350, y1 = -150;
    // Pitch follows the arc: nose down as steeply as the dive begins, a little up at the end.
    const double pitch0 = -std::atan2(2 * (500 - y0), z1 - z0), pitch1 = std::atan2(2 * (500 - y1), z1 - z0);
    std::vector<KeyPath> paths;
    for (int i = 0; i < 5; ++i) {
        const double heading = HeadingY(to[i] - from[i], z1 - z0);
        const double roll = from[i] < 0 ? -0.4 : (from[i] > 0 ? 0.4 : 0);  // banked into the turn
        paths.push_back(Arc("ship" + std::to_string(i), {from[i], y0 - 20 * (i % 2), z0, pitch0, heading, roll, 0},
                            {to[i], y1, z1, pitch1, heading, -roll * 0.3, 200}));
    }
    return paths;
}

// Two small ships weave low over the spinning forest, seen from above (their top turned towards
// the camera by rx = pi/2; ry then steers them in the screen plane). They fly 80 to 110 from
// the camera, well above the canopy, so that at a tenth of their size they still read.
std::vector<KeyPath> ForestFlight() {
    std::vector<KeyPath> paths;
    for (int s = 0; s < 2; ++s) {
        KeyPath p{s == 0 ? "ys21" : "xwing", {}};
        const int keys = 9;
        std::vector<Vec3> at;
        for (int k = 0; k < keys; ++k) {
            const double a = 2 * kPi * k / (keys - 1) + s * 0.9;
            at.push_back({(48 - 8 * s) * std::cos(a), (30 + 5 * s) * std::sin(a), -505 + 8 * s + 10 * std::sin(2 * a)});
        }
        double previous = 0;
        for (int k = 0; k < keys; ++k) {
            const Vec3 d = at[(k + 1) % keys == 0 ? 1 : k + 1] - at[k];
            // Nose after rx = pi/2 and ry = h points along (-sin h, -cos h) on screen; kept
            // continuous so that interpolating between keys never spins the ship round.
            const double h = Unwrap(std::atan2(-d.x, -d.y), previous);
            previous = h;
            p.keys.push_back({at[k].x, at[k].y, at[k].z, kPi / 2, h, (k % 2 ? 0.4 : -0.4), k * 50});
        }
        paths.push_back(p);
    }
    paths.push_back({"forest", {{0, 0, -100, 0, 0, 0, 0}, {0, 0, -100, 0, 0, 0, 400}}});
    return paths;
}

// Three ships dive in over the camera (key 0 behind it, above) and fly on towards the logo's
// pedestal far ahead; path 3 is the pedestal, path 4 the logo's frame standing on it.
std::vector<KeyPath> MissileRun() {
    std::vector<KeyPath> paths;
    for (int i = 0; i < 3; ++i) {
        const double x0 = -300 + 300 * i;
        // Nose slightly down (rx < 0) along the descent, rolling into the turn that the
        // scene's arc on x gives it.
        paths.push_back(Arc("ship" + std::to_string(i), {x0, -380, -1150, -0.12, 0, 0.35 - 0.35 * i, 0},
                            {x0 * 0.5, -160, 1000, -0.08, 0, -0.2 + 0.2 * i, 200}));
    }
    const Key socle{0, 100, 1400, 0, 0, 0, 0};
    paths.push_back({"socle", {socle, socle}});
    paths.push_back({"bat", {socle, socle}});
    return paths;
}

// The figure walks towards the camera by the lake, stops (the scene waits for the music there),
// then raises its arms over three segments while it crouches and jumps. Each part's key is
// interpolated on its own, so between two keys a limb's joint follows a chord instead of its
// arc round the hip: no arm turns by more than 0.8 between keys, which keeps the shoulder
// within a few units of the body (the legs' joints lie close to the hip and barely move).
Pose LakeStride(Vec3 at, double s) { return {at, 0.05, -0.35 * s, 0.35 * s, 0.55 * s, -0.55 * s, 0}; }

std::vector<KeyPath> LakeWalk() {
    std::vector<Pose> poses;
    poses.push_back({{0, 400, 1300}, 0, 0, 0, 0, 0, 0});
    poses.push_back(LakeStride({0, 400, 1200}, 1));
    poses.push_back(LakeStride({0, 400, 1100}, -1));
    poses.push_back(LakeStride({0, 400, 1000}, 1));
    poses.push_back(LakeStride({0, 400, 900}, -1));
    poses.push_back({{0, 400, 840}, 0, 0, 0, 0, 0, 0});
    poses.push_back({{0, 400, 840}, 0, -0.8, -0.8, 0, 0, -0.3});
    poses.push_back({{0, 418, 840}, 0.25, -1.85, -1.85, 0.8, 0.8, 0});
    poses.push_back({{0, 250, 820}, -0.1, -2.3, -2.3, -0.2, -0.2, -0.2});
    return FigureWalk(poses, "");
}

// The figure starts as the scene stands it, unturned (facing -z), and walks that way to the
// cliff's edge: keys 0 to 3 are two strides and the take-off. Keys 3 to 8 are the leap, the
// take-off pose held: x and z in a straight line, y on the arc that leaves the edge level and
// falls ever faster (keys 4 to 7 are points of it), down through the hole in the clouds.
std::vector<KeyPath> CharacterWalk() {
    // The arms turn about shoulders far above the shared origin while the scene moves every
    // part in a straight line between keys, so an arm turns by at most about 0.7 from key to
    // key: the shoulders then part by a few units at most half-way. The legs' joints lie on the
    // turning axis and may swing freely; the straight legs lower the hip a little when spread.
    std::vector<Pose> poses;
    poses.push_back({{0, 0, 0}});
    poses.push_back({{0, 7, -60}, 0.08, 0.35, -0.35, -0.45, 0.45});
    poses.push_back({{0, 7, -130}, 0.08, -0.35, 0.35, 0.45, -0.45});
    // Leaning out, one arm reaching forward, the back leg trailing and the front one kicked up.
    const Pose takeOff{{0, -4, -200}, 0.65, -1.55, -0.9, 0.05, -1.35};
    const Vec3 landing{0, 520, -620};
    for (int k = 0; k <= 5; ++k) {
        const double t = k / 5.0;
        Pose p = takeOff;
        p.at = {takeOff.at.x + (landing.x - takeOff.at.x) * t,
                takeOff.at.y + (landing.y - takeOff.at.y) * t * t,  // Bezier2(a, a, c, t)
                takeOff.at.z + (landing.z - takeOff.at.z) * t};
        poses.push_back(p);
    }
    return FigureWalk(poses, "");
}

// The camera's ride through the hall of "IntVokar.ase" (floor at y 0), and the bikes' track on
// its floor. The camera's keys are where it stands at passes 0, 182, 468, 868 and 1268 of the
// scene's walk: before the lift, facing the bikes as they set off towards it; by the front left,
// turned to the right as they go along the front and the car under the roof sets off; over the
// right side as they leap the second ramp under the diving car; in the middle, turned to the
// back as they cross it; behind the lift as they come up the left side over the first ramp and
// stop on it. In between, the angles turn by Lerp, keeping the bikes in view.
std::vector<KeyPath> CameraRide() {
    return {{"camera",
             {{-300, -150, 950, 0.17, -1.18, 0, 0},
              {-535, -120, 475, -0.2, 0.96, 0, 182},
              {600, -328, 192, 0.49, 1.89, 0, 468},
              {-117, -333, -60, 0.31, 4.2, 0, 868},
              {-550, -250, 700, 0.37, 5.72, 0, 1268}}}};
}

// One lap, clockwise seen from above, from the lift in the front left corner back onto it: along
// the front, down the right side over the second ramp, across the back, up the left side over the
// first ramp. Each ramp is three segments: the climb, up to the top of the leap, down to the
// landing. Headings follow the line through each key's neighbours; the bikes lean into the turns.
std::vector<KeyPath> BikeTrack() {
    struct Point {
        Vec3 at;
        double pitch;  // about x: nose up on the climb (its sign follows the heading)
    };
    const Point points[] = {
        {{-900, 0, 1200}, 0},      // on the lift
        {{-250, 0, 1420}, 0},      // along the front
        {{450, 0, 1380}, 0},
        {{900, -13, 992}, -0.25},  // foot of the second ramp
        {{900, -186, 313}, -0.25}, // its top
        {{900, -250, 90}, -0.05},  // the leap
        {{900, 0, -300}, 0},       // landing
        {{750, 0, -800}, 0},
        {{300, 0, -1150}, 0},      // across the back
        {{-400, 0, -1150}, 0},
        {{-900, -12, -600}, 0.22}, // foot of the first ramp
        {{-900, -208, 277}, 0.22}, // its top
        {{-900, -270, 550}, 0.05}, // the leap
        {{-900, 0, 900}, 0},       // landing
        {{-900, 0, 1200}, 0},      // back on the lift
    };
    constexpr double kLean = 0.5;
    KeyPath p{"moto", {}};
    const int n = static_cast<int>(std::size(points));
    double previous = 0;
    for (int k = 0; k < n; ++k) {
        const Vec3& at = points[k].at;
        const Vec3& before = points[k > 0 ? k - 1 : k].at;
        const Vec3& after = points[k + 1 < n ? k + 1 : k].at;
        const Vec3 d = after - before;
        const double heading = k == 0 ? HeadingY(d.x, d.z) : Unwrap(HeadingY(d.x, d.z), previous);
        previous = heading;
        // Turn at the key: the cross product of the unit directions in and out, in the plane.
        double lean = 0;
        if (k > 0 && k + 1 < n) {
            const Vec3 in = at - before, out = after - at;
            const double li = std::hypot(in.x, in.z), lo = std::hypot(out.x, out.z);
            if (li > 0 && lo > 0) lean = kLean * (in.z * out.x - in.x * out.z) / (li * lo);
        }
        p.keys.push_back({at.x, at.y, at.z, points[k].pitch, heading, lean, k * 84});
    }
    return {p};
}

// Path 0: the lake; paths 1 to 6 the pines and 7 to 12 the round trees, on the ground (its
// grass lies at about y 475, the trees sink a little into it). The figure walks along x = 0
// from z 1300 to 840 with the lake behind it: a few trees flank its way, close enough to give
// it scale, the rest stand round the water, none on the camera's line to the figure.
std::vector<KeyPath> Trees() {
    std::vector<KeyPath> paths{{"lac", {{150, 455, 2300, 0, 0, 0, 0}}}};
    const double at[12][2] = {
        {-420, 1150}, {-650, 1750}, {420, 1600}, {760, 2150}, {-300, 2950}, {520, 3050},
        {-540, 900},  {380, 1150},  {-950, 2350}, {1050, 2700}, {-120, 3350}, {900, 1400},
    };
    for (int i = 0; i < 12; ++i)
        paths.push_back({"tree" + std::to_string(i + 1), {{at[i][0], 478, at[i][1], 0, 0.7 * i, 0, 0}}});
    return paths;
}

}  // namespace

void GeneratePaths(Pack& pack) {
    Add(pack, "scene5.txt", MountainPass());
    Add(pack, "scene6.txt", ForestFlight());
    Add(pack, "scene7.txt", MissileRun());
    Add(pack, "scene8.txt", LakeWalk());
    Add(pack, "scene9.txt", CharacterWalk());
    Add(pack, "scene11.txt", CameraRide());
    Add(pack, "scene11moto.txt", BikeTrack());
    Add(pack, "arbre.txt", Trees());
}

}  // namespace assetgen
