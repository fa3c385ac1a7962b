// Space and earth scenery: planet, sun, rings, the tunnel, rocks, clouds, backgrounds, forests,
// ground, fog, lake, trees, fountain.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/assetgen/mesh/Noise.h"
#include "tools/assetgen/models/Builders.h"

namespace assetgen::build {

namespace {

constexpr double kPi = std::numbers::pi;

Mesh Named(Mesh m, const char* name, const char* texture) {
    m.name = name;
    m.texture = texture;
    return m;
}

// Radial roughness that depends on the position only, so that points repeated on a mapping
// seam move alike and stay merged.
Mesh Roughen(Mesh m, double amount, double frequency, unsigned seed) {
    m.Warp([=](const Vec3& p) {
        const double n = Fbm(p.x * frequency + p.z * 0.37 * frequency + 11.0, p.y * frequency - p.z * 0.61 * frequency + 5.0,
                             seed, 3);
        return p * (1 + amount * (n - 0.5) * 2);
    });
    return m;
}

// Squashed, roughened spheres scattered by a generator: clouds and canopies.
Mesh Puffs(int count, unsigned seed, const std::function<Vec3(Rng&)>& place, double r0, double r1, double squashZ,
           int segments = 8) {
    Rng rng(seed);
    Mesh m;
    for (int i = 0; i < count; ++i) {
        const Vec3 at = place(rng);
        const double r = rng.Range(r0, r1);
        Mesh puff = Roughen(Sphere(r, segments, segments / 2 + 1), 0.15, 0.05, seed + static_cast<unsigned>(i));
        puff.Scale({1, 1, squashZ}).Translate(at);
        m.Append(puff);
    }
    return m;
}

}  // namespace

Mesh Planet() { return Named(Sphere(300, 24, 16), "planete", "planet"); }
Mesh Sun() { return Named(Sphere(200, 20, 12), "soleil", "sun"); }

Mesh PlanetRing() {
    Mesh m = assetgen::Torus(470, 80, 48, 6);
    m.Scale({1, 0.06, 1});
    return Named(m, "anneau", "anneau");
}

// A slim tube: the title's words read through the rings that circle them.
Mesh Torus() { return Named(assetgen::Torus(200, 14, 32, 8), "torus", "torus"); }
Mesh Ring() { return Named(assetgen::Torus(220, 18, 36, 8), "cercle", "ring"); }

Mesh Tunnel() {
    // Seen from inside while the camera flies along it: from z -200 to 15800.
    Mesh m;
    const int around = 20, along = 100;
    const double radius = 160, z0 = -200, length = 16000;
    for (int k = 0; k <= along; ++k)
        for (int i = 0; i <= around; ++i) {
            const double a = 2 * kPi * (i % around) / around;
            m.AddVertex({radius * std::cos(a), radius * std::sin(a), z0 + length * k / along},
                        2.0 * i / around, 0.5 * k);
        }
    for (int k = 0; k < along; ++k)
        for (int i = 0; i < around; ++i) {
            const int a = k * (around + 1) + i;
            m.AddQuad(a, a + around + 1, a + around + 2, a + 1);  // faces the axis
        }
    return Named(m, "tunnel", "tunnel");
}

Mesh Rock(const char* name, double radius, unsigned seed, int segments, int rings) {
    Mesh m = Roughen(Sphere(radius, segments, rings), 0.3, 2.5 / radius, seed);
    m.Scale({1, 0.8, 1.1});
    m.PlanarMapping('x', 'y');
    return Named(m, name, "rock");
}

Mesh Nebula() {
    // Wide and thin, the puffs seldom overlapping: drawn additive, every layer brightens, and
    // where three meet the purple burns to white.
    Mesh m = Puffs(14, 7,
                   [](Rng& r) {
                       // One draw per statement: argument order is not fixed, the content must be.
                       const double x = r.Range(-1100, 1100), y = r.Range(-700, 700);
                       return Vec3(x, y, r.Range(-40, 40));
                   },
                   120, 250, 0.5);
    return Named(m, "nuage", "cloud");
}

Mesh CloudRing() {
    Mesh m = Puffs(16, 9,
                   [](Rng& r) {
                       const double a = r.Range(0, 2 * kPi), d = r.Range(170, 360);
                       return Vec3(d * std::cos(a), d * std::sin(a), r.Range(-15, 15));
                   },
                   55, 95, 0.4, 12);  // rounder: the mountain pass scales it five times
    return Named(m, "nuage2", "cloud2");
}

Mesh EnergyBall(const char* name, const char* texture, double radius, unsigned seed) {
    return Named(Roughen(Sphere(radius, 16, 10), 0.12, 6 / radius, seed), name, texture);
}

Mesh Backdrop(const char* texture, double w, double h, int facing) {
    Mesh m;
    const int nx = 8, ny = 6;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            m.AddVertex({-w / 2 + w * i / nx, h / 2 - h * j / ny, 0}, static_cast<double>(i) / nx,
                        static_cast<double>(j) / ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = j * (nx + 1) + i;
            m.AddQuad(a, a + 1, a + nx + 2, a + nx + 1);  // faces -z
        }
    if (facing > 0) m.FlipWinding();
    return Named(m, texture, texture);
}

Mesh StarField() {
    // Twice the size of a backdrop, the stars tiled twice so they keep their size: the title's
    // camera turns well away from the view ahead. The plane stands 1000 in front of the object's
    // origin (towards -z once the scene turns it over), inside the far distance from the
    // camera's first place on.
    Mesh m = Backdrop("stars", 1600, 1200, +1);
    for (auto& v : m.verts) {
        v.u *= 2;
        v.v *= 2;
    }
    return m.Translate({0, 0, 1000});
}

Mesh MountainBackdrop(const char* texture, double w, double h, unsigned seed, double passFloor) {
    // A ridge line across the top, relief towards the camera (-z), picture up along +y. With a
    // pass, the ridge dips in a smooth V across the middle fifth down to passFloor * h.
    Mesh m;
    const int nx = 48, ny = 8;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const double u = static_cast<double>(i) / nx, f = static_cast<double>(j) / ny;
            double ridge = h * (0.45 + 0.55 * Fbm(u * 6, 0.5, seed, 4));
            if (passFloor > 0) {
                const double g = std::max(0.0, 1 - std::abs(u - 0.5) / 0.16);
                ridge = std::min(ridge, ridge + (h * passFloor - ridge) * g * g * (3 - 2 * g));
            }
            const double y = -h / 2 + (ridge) * (1 - f);
            const double relief = j == ny ? 0 : -30 * Fbm(u * 9, f * 3, seed + 1, 3) * (1 - f);
            m.AddVertex({-w / 2 + w * u, y, relief}, u, (h / 2 - y) / h);
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = j * (nx + 1) + i;
            m.AddQuad(a, a + 1, a + nx + 2, a + nx + 1);
        }
    return Named(m, texture, texture);
}

Mesh MountainGround() {
    // Peaks towards +z, so that turned by about a quarter turn about x they rise towards -y.
    Mesh m = Grid(-400, -400, 400, 400, 40, 40, [](double x, double z) {
        const double n = Fbm(x / 160 + 3, z / 160 + 7, 21, 5);
        const double edge = std::min(1.0, (400 - std::max(std::abs(x), std::abs(z))) / 60);
        return -std::max(0.0, n - 0.3) * 260 * edge;
    });
    m.RotateX(-kPi / 2);
    return Named(m, "mont2", "montagne");
}

Mesh Card(const char* texture, double w, double h) {
    // Two-sided: the -z side reads upright unturned, the +z side after a half turn about x.
    // The two faces only: the slab's unit-thick walls, seen edge-on, drew the whole picture
    // squeezed into a line of pixels beside the sprite.
    Mesh m = ConvexPrism({{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}}, -0.5, 0.5);
    m.faces.resize(4);  // front and back, two triangles each; the walls came after them
    m.verts.resize(8);
    for (auto& v : m.verts)
        if (v.p.z < 0) v.v = 1 - v.v;
    return Named(m, texture, texture);
}

Mesh Forest() {
    // Ground disc facing the camera, trees pointing at it; the scene spins it about z.
    Mesh m = Cylinder(150, 6, 24);
    m.RotateX(kPi / 2);
    Rng rng(31);
    for (int i = 0; i < 42; ++i) {
        const double a = rng.Range(0, 2 * kPi), d = 140 * std::sqrt(rng.Uniform());
        const double h = rng.Range(30, 60);
        Mesh tree = Cone(rng.Range(8, 14), h, 8);
        tree.RotateX(kPi / 2).Translate({d * std::cos(a), d * std::sin(a), -3});
        m.Append(tree);
    }
    m.PlanarMapping('x', 'y', 2, 2);
    return Named(m, "foret1", "forest");
}

Mesh Canopy() {
    Mesh m = Puffs(30, 41,
                   [](Rng& r) {
                       const double a = r.Range(0, 2 * kPi), d = 150 * std::sqrt(r.Uniform());
                       return Vec3(d * std::cos(a), d * std::sin(a), r.Range(-70, -40));
                   },
                   12, 22, 0.7);
    return Named(m, "foret2", "canopy");
}

Mesh Ground() {
    Mesh m = Grid(-3000, -2600, 3000, 2600, 30, 26, [](double x, double z) {
        return 475 + 24 * (Fbm(x / 700 + 1, z / 700 + 2, 51, 3) - 0.5);
    });
    m.PlanarMapping('x', 'z', 6, 5);
    return Named(m, "sol", "sol");
}

Mesh Fog() {
    // Low patches of mist over the lake (the origin) and the grass round it, behind the
    // figure's walk: flattened puffs, drawn additive, seen from low as pale bands over the
    // water. Kept out of the camera's foreground, where one bank would fill the picture.
    Mesh m = Puffs(16, 61,
                   [](Rng& r) {
                       const double x = r.Range(-1000, 1000), z = r.Range(-700, 600);
                       return Vec3(x, z, 0);
                   },
                   140, 260, 0.25);
    m.RotateX(kPi / 2);  // the puffs were laid out in the xy plane, flattened along z
    return Named(m, "brouillard", "fog");
}

Mesh Lake() {
    Mesh m = Lathe({{0, 0}, {20, 0}, {38, 0}, {50, 0}}, 32);
    m.FlipWinding();  // seen from above
    m.PlanarMapping('x', 'z');
    return Named(m, "lac", "lac");
}

std::vector<Mesh> Tree(int kind) {
    // Base at y 0, crown above it towards -y.
    Mesh trunk = Cylinder(5, 56, 8);
    trunk.Translate({0, -26, 0});
    Mesh crown;
    if (kind == 1) {
        crown = Cone(30, 70, 10);
        crown.Translate({0, -40, 0});
        Mesh top = Cone(22, 60, 10);
        top.Translate({0, -85, 0});
        crown.Append(top);
    } else {
        crown = Roughen(Sphere(36, 12, 8), 0.12, 0.12, 71);
        crown.Scale({1, 1.1, 1}).Translate({0, -88, 0});
    }
    const bool first = kind == 1;
    return {Named(trunk, first ? "tronc1" : "tronc2", "bark"), Named(crown, first ? "cime1" : "cime2", first ? "leaves" : "leaves2")};
}

Mesh Fountain() { return Named(Card("fontaine1", 110, 130), "fontaine", "fontaine1"); }

}  // namespace assetgen::build
