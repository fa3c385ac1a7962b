// Ships and craft. Each has its own silhouette: the X-winged fighter, the delta "ys21", the
// twin-panel fighter, the three-winged one, the long flat mothership.
#include <numbers>

#include "tools/assetgen/models/Builders.h"

namespace assetgen::build {

namespace {

constexpr double kPi = std::numbers::pi;

// A body of revolution along z, nose at +z: profile of (radius, z) from nose to tail.
Mesh Fuselage(const std::vector<std::array<double, 2>>& profile, int segments) {
    return Lathe(profile, segments).RotateX(kPi / 2);
}

Mesh Tube(double radius, double length, int segments) {  // along z, centred
    return Cylinder(radius, length, segments).RotateX(kPi / 2);
}

Mesh Named(Mesh m, const char* name, const char* texture) {
    m.name = name;
    m.texture = texture;
    return m;
}

}  // namespace

Mesh XWing() {
    Mesh m = Fuselage({{0, 62}, {5, 52}, {9, 25}, {11, -20}, {11, -42}, {0, -46}}, 10);
    m.Scale({1, 0.85, 1});
    for (int side = -1; side <= 1; side += 2)
        for (int up = -1; up <= 1; up += 2) {
            Mesh wing = Box({36, 0, -22}, {52, 2, 22});
            wing.RotateZ(0.26 * up);
            if (side < 0) wing.Scale({-1, 1, 1});
            m.Append(wing);
            Mesh engine = Tube(5, 34, 8);
            engine.Translate({14.0 * side, 6.0 * up, -22});
            m.Append(engine);
            Mesh gun = Tube(1.5, 54, 6);
            gun.Translate({62, 0, -14}).RotateZ(0.26 * up);
            if (side < 0) gun.Scale({-1, 1, 1});
            m.Append(gun);
        }
    return Named(m, "xwing", "xwing");
}

Mesh Ys21() {
    Mesh m = Fuselage({{0, 58}, {6, 40}, {12, 5}, {11, -38}, {0, -44}}, 10);
    Mesh wing = ConvexPrism({{-58, -40}, {58, -40}, {0, 30}}, -2.5, 2.5);
    wing.RotateX(kPi / 2);
    m.Append(wing);
    for (int side = -1; side <= 1; side += 2) {
        Mesh fin = ConvexPrism({{28, 0}, {46, 0}, {42, -26}}, -1.5, 1.5);
        fin.RotateY(kPi / 2).Translate({22.0 * side, -2, 0});
        m.Append(fin);
    }
    Mesh canopy = Sphere(7, 8, 5);
    canopy.Scale({1, 0.7, 2.2}).Translate({0, -9, 14});
    m.Append(canopy);
    m.PlanarMapping('x', 'z');
    return Named(m, "ys21", "ys21");
}

Mesh TieFighter() {
    Mesh m = Sphere(22, 12, 8);
    for (int side = -1; side <= 1; side += 2) {
        std::vector<std::array<double, 2>> hexagon;
        for (int i = 0; i < 6; ++i)
            hexagon.push_back({58 * std::cos(kPi / 3 * i + kPi / 6), 58 * std::sin(kPi / 3 * i + kPi / 6)});
        Mesh panel = ConvexPrism(hexagon, -2.5, 2.5);
        panel.RotateY(kPi / 2).Translate({52.0 * side, 0, 0});
        m.Append(panel);
        Mesh strut = Cylinder(6, 34, 8);
        strut.RotateZ(kPi / 2).Translate({33.0 * side, 0, 0});
        m.Append(strut);
    }
    m.PlanarMapping('z', 'y');
    return Named(m, "tiefighter", "tie");
}

Mesh ThreeWings() {
    Mesh m = Fuselage({{0, 55}, {7, 38}, {13, 0}, {13, -40}, {0, -46}}, 12);
    for (int k = 0; k < 3; ++k) {
        Mesh wing = ConvexPrism({{-3, -12}, {3, -12}, {2, -62}, {-2, -62}}, -30, 20);
        Mesh tip = Tube(3.5, 46, 6);
        tip.Translate({0, -62, -6});
        wing.Append(tip);
        wing.RotateZ(2 * kPi / 3 * k);
        m.Append(wing);
    }
    m.PlanarMapping('x', 'z');
    return Named(m, "3ailes", "ailes3");
}

std::vector<Mesh> Mothership() {
    Mesh hull = Fuselage({{0, 330}, {35, 280}, {80, 140}, {100, 0}, {96, -200}, {80, -290}, {0, -300}}, 16);
    hull.Scale({1.7, 0.55, 1});
    hull.Append(Box({0, -62, -140}, {70, 40, 110}));
    hull.Append(Box({0, -95, -170}, {40, 30, 50}));
    for (int side = -1; side <= 1; side += 2) {
        Mesh pod = Tube(26, 220, 10);
        pod.Translate({150.0 * side, 12, -170});
        hull.Append(pod);
    }
    hull.PlanarMapping('x', 'z', 1, 2);
    std::vector<Mesh> parts{Named(hull, "coque", "hull")};
    for (int side = -1; side <= 1; side += 2) {
        Mesh glow = Sphere(30, 12, 8);
        glow.Scale({1, 1, 0.6}).Translate({150.0 * side, 12, -285});
        glow.PlanarMapping('x', 'y');
        parts.push_back(Named(glow, side < 0 ? "glow1" : "glow2", "glow"));
    }
    return parts;
}

std::vector<Mesh> Cockpit() {
    // The canopy: a curved sheet round the pilot, seen from inside (additive, not culled).
    Mesh vitre;
    const int na = 10, nl = 4;
    std::vector<int> idx;
    for (int j = 0; j <= nl; ++j)
        for (int i = 0; i <= na; ++i) {
            const double a = -1.1 + 2.2 * i / na;
            idx.push_back(vitre.AddVertex({40 * std::sin(a), -40 * std::cos(a), -18.0 + 36.0 * j / nl},
                                          static_cast<double>(i) / na, static_cast<double>(j) / nl));
        }
    for (int j = 0; j < nl; ++j)
        for (int i = 0; i < na; ++i) {
            const int a = idx[j * (na + 1) + i];
            vitre.AddQuad(a, a + 1, a + na + 2, a + na + 1);
        }
    // Bulging towards +y: the scene's pose (rx about 1.73) then stands it in front of the camera.
    vitre.Scale({1, -1, 1});
    std::vector<Mesh> parts{Named(vitre, "vitre", "vitre")};
    const char* names[3] = {"tab1", "tab2", "tab03"};
    for (int i = 0; i < 3; ++i) {
        Mesh tab = Box({0, 0, 0}, {34.0 - 4 * i, 3, 18});
        tab.Append(Box({0, -2.5, 2}, {24.0 - 4 * i, 2, 10}));
        tab.PlanarMapping('x', 'z');
        parts.push_back(Named(tab, names[i], "tableau"));
    }
    return parts;
}

Mesh Missile() {
    Mesh m = Fuselage({{0, 40}, {4, 30}, {4.5, -22}, {0, -26}}, 8);
    for (int k = 0; k < 4; ++k) {
        // Drawn as (radius, length along the body), then stood along the body.
        Mesh fin = ConvexPrism({{4, -26}, {12, -28}, {4, -10}}, -0.8, 0.8);
        fin.RotateX(kPi / 2).RotateZ(kPi / 2 * k);
        m.Append(fin);
    }
    return Named(m, "missile", "missile");
}

Mesh Station() {
    Mesh m = Lathe({{0, 30}, {70, 30}, {210, 18}, {230, 0}, {210, -16}, {60, -26}, {0, -26}}, 20);
    for (int k = 0; k < 4; ++k) {
        Mesh tower = Box({120, -60, 0}, {30, 70, 30});
        tower.RotateY(kPi / 2 * k + kPi / 4);
        m.Append(tower);
    }
    Mesh mast = Cylinder(10, 160, 8);
    mast.Translate({0, -100, 0});
    m.Append(mast);
    Mesh dome = Sphere(40, 12, 6);
    dome.Scale({1, 0.6, 1}).Translate({0, -30, 0});
    m.Append(dome);
    return Named(m, "vland", "station");
}

}  // namespace assetgen::build
