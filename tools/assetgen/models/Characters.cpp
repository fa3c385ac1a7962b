// The figure, the machines of the motorbike scene and its hall, the logo, words and the
// greetings set.
#include <array>
#include <numbers>
#include <string>

#include "tools/assetgen/models/Builders.h"
#include "tools/assetgen/models/Figure.h"
#include "tools/assetgen/models/Font.h"

namespace assetgen::build {

namespace {

constexpr double kPi = std::numbers::pi;

Mesh Named(Mesh m, const std::string& name, const char* texture) {
    m.name = name;
    m.texture = texture;
    return m;
}

Mesh At(Mesh m, const Vec3& d) { return m.Translate(d); }

Mesh Tiled(Mesh m, double tu, double tv) {
    for (auto& v : m.verts) {
        v.u *= tu;
        v.v *= tv;
    }
    return m;
}

// A flat sheet of nu by nv cells from o along u and v, facing along u x v, its picture repeated
// tu by tv times. The engine draws a face while any corner is in front of the camera, so big
// faces near the camera's path are cut small enough that one crossing it stays near it.
Mesh Sheet(const Vec3& o, const Vec3& u, const Vec3& v, int nu, int nv, double tu, double tv) {
    Mesh m;
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            const double a = static_cast<double>(i) / nu, b = static_cast<double>(j) / nv;
            m.AddVertex(o + u * a + v * b, a * tu, b * tv);
        }
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            const int k = j * (nu + 1) + i;
            m.AddQuad(k, k + 1, k + nu + 2, k + nu + 1);
        }
    return m;
}

// A wheel standing in the yz plane (axle along x).
Mesh Wheel(double radius, double tyre, const Vec3& at) {
    Mesh w = assetgen::Torus(radius, tyre, 20, 8);
    w.RotateZ(kPi / 2).Translate(at);
    Mesh hub = Cylinder(radius * 0.5, tyre * 1.2, 10);
    hub.RotateZ(kPi / 2).Translate(at);
    w.Append(hub);
    return w;
}

}  // namespace

std::vector<Mesh> Figure() {
    std::vector<Mesh> parts;
    Mesh head = Sphere(42, 14, 10);
    head.Scale({1, 1.15, 1}).Translate({0, -238, 0});
    Mesh nose = Sphere(9, 6, 4);
    nose.Translate({0, -232, -40});
    head.Append(nose);
    parts.push_back(Named(head, figure::kParts[0], "vboyhead"));

    Mesh body = Lathe({{0, 12}, {46, 6}, {52, -60}, {66, -160}, {34, -192}, {0, -196}}, 14);
    body.Scale({1, 1, 0.55});
    parts.push_back(Named(body, figure::kParts[1], "vboy"));

    for (int side = 1; side >= -1; side -= 2) {
        Mesh arm = At(Cylinder(14, 150, 10), {80.0 * side, -100, 0});
        arm.Append(At(Sphere(18, 10, 6), {72.0 * side, -172, 0}));
        arm.Append(At(Sphere(16, 10, 6), {80.0 * side, -16, 0}));
        Mesh leg = At(Cylinder(19, 210, 10), {30.0 * side, 105, 0});
        leg.Append(Box({30.0 * side, 222, -12}, {34, 24, 62}));
        parts.push_back(Named(arm, figure::kParts[side > 0 ? 2 : 4], "vboy"));
        parts.push_back(Named(leg, figure::kParts[side > 0 ? 3 : 5], "vboyleg"));
    }
    return parts;
}

std::vector<Mesh> Motorbike() {
    // Ground under its middle at y 0, nose along +z.
    std::vector<Mesh> parts;
    parts.push_back(Named(Wheel(36, 12, {0, -48, -82}), "roue1", "tire"));
    parts.push_back(Named(Wheel(36, 12, {0, -48, 86}), "roue2", "tire"));
    Mesh frame = Box({0, -84, 0}, {20, 26, 150});
    Mesh fork = Box({0, -88, 0}, {10, 84, 10});
    fork.RotateX(-0.35).Translate({0, -4, 76});
    frame.Append(fork);
    frame.Append(Box({0, -112, -60}, {26, 12, 70}));
    parts.push_back(Named(frame, "cadre", "moto"));
    Mesh tank = Sphere(28, 12, 8);
    tank.Scale({0.8, 0.6, 1.4}).Translate({0, -118, 22});
    parts.push_back(Named(tank, "reservoir", "moto"));
    Mesh bar = Cylinder(3, 76, 8);
    bar.RotateZ(kPi / 2).Translate({0, -140, 66});
    parts.push_back(Named(bar, "guidon", "moto"));
    Mesh rider = Box({0, -30, 0}, {40, 64, 28});
    rider.RotateX(0.5).Translate({0, -140, -12});
    rider.Append(At(Sphere(18, 10, 7), {0, -200, 8}));
    parts.push_back(Named(rider, "pilote", "rider"));
    for (auto& p : parts) p.Scale(2);  // the scene shrinks them to a fifth
    return parts;
}

std::vector<Mesh> Car(bool upsideDown, double L) {
    std::vector<Mesh> parts;
    parts.push_back(Named(Box({0, -0.18 * L, 0}, {0.45 * L, 0.16 * L, L}), "caisse", "car"));
    parts.push_back(Named(Box({0, -0.31 * L, -0.05 * L}, {0.38 * L, 0.12 * L, 0.5 * L}), "habitacle", "carglass"));
    int n = 1;
    for (int front = -1; front <= 1; front += 2)
        for (int side = -1; side <= 1; side += 2) {
            Mesh wheel = Cylinder(0.11 * L, 0.08 * L, 12);
            wheel.RotateZ(kPi / 2).Translate({0.24 * L * side, -0.11 * L, 0.32 * L * front});
            parts.push_back(Named(wheel, "roue" + std::to_string(n++), "tire"));
        }
    parts.push_back(Named(Box({0, -0.36 * L, -0.46 * L}, {0.45 * L, 0.03 * L, 0.08 * L}), "aileron", "car"));
    if (upsideDown)
        for (auto& p : parts) p.Scale({1, -1, 1});
    return parts;
}

std::vector<Mesh> Hall() {
    // 2400 wide, 3200 deep, floor at y 0, ceiling at y -700: low enough that the car diving
    // from under the roof passes just over the riders. Not culled, so one-sided walls do.
    // In the floor's front left corner a lift shaft (kShaft) with its platform at floor level.
    constexpr double kShaft[4] = {-1100, -700, 1000, 1400};  // x0, x1, z0, z1
    constexpr double kShaftDepth = 1600;
    auto inShaft = [&](double x, double z) { return x > kShaft[0] && x < kShaft[1] && z > kShaft[2] && z < kShaft[3]; };
    std::vector<Mesh> parts;
    Mesh floor = Grid(-1200, -1600, 1200, 1600, 24, 32, [](double, double) { return 0.0; });
    std::vector<std::array<int, 3>> kept;
    for (const auto& f : floor.faces) {
        const Vec3 c = (floor.verts[f[0]].p + floor.verts[f[1]].p + floor.verts[f[2]].p) * (1.0 / 3);
        if (!inShaft(c.x, c.z)) kept.push_back(f);
    }
    floor.faces = kept;
    floor = Tiled(floor, 6, 8);
    // The shaft's four walls, facing inwards, down to where the platform goes out of sight.
    const double x0 = kShaft[0], x1 = kShaft[1], z0 = kShaft[2], z1 = kShaft[3];
    const Vec3 around[5] = {{x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}, {x0, 0, z0}};
    for (int i = 0; i < 4; ++i)
        floor.Append(Sheet(around[i], {0, kShaftDepth, 0}, around[i + 1] - around[i], 16, 4, 4, 1));
    parts.push_back(Named(floor, "sol", "hallfloor"));
    Mesh ceiling = Grid(-1200, -1600, 1200, 1600, 24, 32, [](double, double) { return -700.0; });
    parts.push_back(Named(Tiled(ceiling.FlipWinding(), 4, 4), "plafond", "hallwall"));
    // The walls' inner faces in cells of 100, a panel of the picture about every 700.
    parts.push_back(Named(Sheet({-1200, -700, -1600}, {0, 700, 0}, {0, 0, 3200}, 7, 32, 1, 4.5), "mur1", "hallwall"));
    parts.push_back(Named(Sheet({1200, -700, -1600}, {0, 0, 3200}, {0, 700, 0}, 32, 7, 4.5, 1), "mur2", "hallwall"));
    parts.push_back(Named(Sheet({-1200, -700, 1600}, {0, 700, 0}, {2400, 0, 0}, 7, 24, 1, 3.5), "mur3", "hallwall"));
    parts.push_back(Named(Sheet({-1200, -700, -1600}, {2400, 0, 0}, {0, 700, 0}, 24, 7, 3.5, 1), "mur4", "hallwall"));
    // Against the side walls, clear of the car's dive along the right one.
    int n = 1;
    for (int side = -1; side <= 1; side += 2)
        for (double z : {-1000.0, 0.0, 1000.0})
            parts.push_back(Named(At(Cylinder(40, 700, 10), {1150.0 * side, -350, z}), "pilier" + std::to_string(n++),
                                  "hallpillar"));
    n = 1;
    for (double z : {-1050.0, -350.0, 350.0, 1050.0}) {
        Mesh beam;  // in lengths of 200, for the same reason as the sheets
        for (double x = -1100; x < 1200; x += 200) beam.Append(Box({x, -650, z}, {200, 60, 60}));
        parts.push_back(Named(beam, "poutre" + std::to_string(n++), "hallpillar"));
    }
    // The bikes' jumps: up the left side towards +z, then down the right side towards -z.
    Mesh ramp1 = Box({0, 0, 0}, {300, 20, 900});
    ramp1.RotateX(0.22).Translate({-900, -100, -160});
    parts.push_back(Named(ramp1, "rampe1", "hallfloor"));
    Mesh ramp2 = Box({0, 0, 0}, {300, 20, 700});
    ramp2.RotateX(-0.25).Translate({900, -90, 650});
    parts.push_back(Named(ramp2, "rampe2", "hallfloor"));
    n = 1;
    for (double z : {-1050.0, -350.0, 350.0, 1050.0})
        parts.push_back(Named(At(Sphere(50, 12, 8), {0, -570, z}), "lampe" + std::to_string(n++), "lamp"));
    // The lift's platform, its top at floor level; the scene lowers it.
    parts.push_back(Named(Box({(x0 + x1) / 2, 10, (z0 + z1) / 2}, {x1 - x0 - 10, 20, z1 - z0 - 10}), "ascenseur",
                          "hallpillar"));
    return parts;
}

Mesh Emblem() {
    const std::vector<std::string> rows = {
        ".......#.......", "......###......", ".....##.##.....", "....##...##....", "...##.###.##...",
        "..##.#.....##..", ".##..#......##.", "##....###....##", ".##......#..##.", "..##.....#.##..",
        "...##.###.##...", "....##...##....", ".....##.##.....", "......###......", ".......#.......",
    };
    // About 400 pixels across where the title's camera stops, so its rings show round it.
    Mesh m = Voxels(rows, 14, 28);
    const Vec3 lo = m.Min(), hi = m.Max();
    m.Translate((lo + hi) * -0.5);
    m.RotateX(kPi);  // read from the camera before the scene turns it
    return Named(m, "vokar", "logo");
}

std::vector<Mesh> LogoParts() {
    // Thirteen letters that the scenes stand in a row 10 apart, then the frame and the pedestal.
    // The letters read upright unturned (+y down on screen), standing as they are on the pedestal.
    std::vector<Mesh> parts;
    const std::string letters = "solmirestudio";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        Mesh m = Word(letters.substr(i, 1), 1.6, 3);
        m.RotateX(kPi);
        parts.push_back(Named(m, std::to_string(i + 1), "logo"));
    }
    Mesh frame = Box({-70, -45, 0}, {14, 90, 14});
    frame.Append(Box({70, -45, 0}, {14, 90, 14}));
    frame.Append(Box({0, -97, 0}, {160, 14, 18}));
    parts.push_back(Named(frame, "bat", "marble"));
    Mesh socle = Box({0, 10, 0}, {170, 20, 50});
    socle.Append(Box({0, 25, 0}, {190, 10, 60}));
    parts.push_back(Named(socle, "socle", "marble"));
    return parts;
}

Mesh WordModel(const char* name, const char* text, double cell) {
    return Named(Word(text, cell, cell * 2), name, "title");
}

Mesh Pillar() {
    Mesh m = Lathe({{0, 800}, {95, 800}, {75, 760}, {60, 700}, {60, -700}, {75, -760}, {95, -800}, {0, -800}}, 8);
    return Named(Tiled(m, 2, 4), "pilier", "pillar");
}

Mesh Panel(int i) {
    // The half turn about z makes the outer face read upright with +y down on screen.
    Mesh m = Box({0, 0, -150}, {260, 180, 12});
    m.RotateZ(kPi).RotateY(kPi / 2 * i);
    static const char* const names[4] = {"pan1", "pan2", "pan3", "pan4"};
    return Named(m, names[i], names[i]);
}

Mesh Lift() {
    // A tall cage standing on y 0; the scene stretches it ten times in height and sinks it.
    Mesh m;
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sz = -1; sz <= 1; sz += 2) m.Append(At(Cylinder(2, 110, 6), {20.0 * sx, -55, 20.0 * sz}));
    for (double y : {-110.0, -55.0, 0.0}) m.Append(Box({0, y, 0}, {46, 2, 46}));
    return Named(m, "ascen", "lift");
}

}  // namespace assetgen::build
