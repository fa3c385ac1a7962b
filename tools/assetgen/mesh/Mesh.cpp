#include "tools/assetgen/mesh/Mesh.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace assetgen {

int Mesh::AddVertex(const Vec3& p, double u, double v) {
    verts.push_back({p, u, v});
    return static_cast<int>(verts.size()) - 1;
}

void Mesh::Append(const Mesh& other) {
    const int base = static_cast<int>(verts.size());
    verts.insert(verts.end(), other.verts.begin(), other.verts.end());
    for (const auto& f : other.faces) faces.push_back({f[0] + base, f[1] + base, f[2] + base});
}

Mesh& Mesh::Translate(const Vec3& d) {
    for (auto& v : verts) v.p = v.p + d;
    return *this;
}

Mesh& Mesh::Scale(const Vec3& s) {
    for (auto& v : verts) v.p = {v.p.x * s.x, v.p.y * s.y, v.p.z * s.z};
    if (s.x * s.y * s.z < 0) FlipWinding();
    return *this;
}

Mesh& Mesh::RotateX(double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (auto& v : verts) v.p = {v.p.x, c * v.p.y - s * v.p.z, s * v.p.y + c * v.p.z};
    return *this;
}

Mesh& Mesh::RotateY(double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (auto& v : verts) v.p = {c * v.p.x + s * v.p.z, v.p.y, -s * v.p.x + c * v.p.z};
    return *this;
}

Mesh& Mesh::RotateZ(double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (auto& v : verts) v.p = {c * v.p.x - s * v.p.y, s * v.p.x + c * v.p.y, v.p.z};
    return *this;
}

Mesh& Mesh::Warp(const std::function<Vec3(const Vec3&)>& f) {
    for (auto& v : verts) v.p = f(v.p);
    return *this;
}

Mesh& Mesh::FlipWinding() {
    for (auto& f : faces) std::swap(f[1], f[2]);
    return *this;
}

namespace {
double Axis(const Vec3& p, char a) { return a == 'x' ? p.x : a == 'y' ? p.y : p.z; }
}  // namespace

Mesh& Mesh::PlanarMapping(char uAxis, char vAxis, double uScale, double vScale) {
    const Vec3 lo = Min(), hi = Max();
    const double u0 = Axis(lo, uAxis), du = std::max(Axis(hi, uAxis) - u0, 1e-9);
    const double v0 = Axis(lo, vAxis), dv = std::max(Axis(hi, vAxis) - v0, 1e-9);
    for (auto& v : verts) {
        v.u = (Axis(v.p, uAxis) - u0) / du * uScale;
        v.v = (Axis(v.p, vAxis) - v0) / dv * vScale;
    }
    return *this;
}

Vec3 Mesh::Min() const {
    const double big = std::numeric_limits<double>::max();
    Vec3 m(big, big, big);
    for (const auto& v : verts) m = {std::min(m.x, v.p.x), std::min(m.y, v.p.y), std::min(m.z, v.p.z)};
    return m;
}

Vec3 Mesh::Max() const {
    const double big = -std::numeric_limits<double>::max();
    Vec3 m(big, big, big);
    for (const auto& v : verts) m = {std::max(m.x, v.p.x), std::max(m.y, v.p.y), std::max(m.z, v.p.z)};
    return m;
}

Mesh Box(const Vec3& c, const Vec3& s) {
    Mesh m;
    const double hx = s.x / 2, hy = s.y / 2, hz = s.z / 2;
    // Each side: its outward normal n and two in-plane axes a, b with a x b = n.
    const Vec3 sides[6][3] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    for (const auto& side : sides) {
        const Vec3 n = side[0], a = side[1], b = side[2];
        auto corner = [&](double sa, double sb) {
            const Vec3 p = n + a * sa + b * sb;
            return m.AddVertex(c + Vec3(p.x * hx, p.y * hy, p.z * hz), (sa + 1) / 2, (1 - sb) / 2);
        };
        const int p0 = corner(-1, -1), p1 = corner(1, -1), p2 = corner(1, 1), p3 = corner(-1, 1);
        m.AddQuad(p0, p1, p2, p3);
    }
    return m;
}

Mesh Lathe(const std::vector<std::array<double, 2>>& profile, int segments) {
    Mesh m;
    const int n = static_cast<int>(profile.size());
    std::vector<std::vector<int>> rings(n);
    for (int i = 0; i < n; ++i) {
        const double r = profile[i][0], y = profile[i][1];
        const double v = static_cast<double>(i) / (n - 1);
        if (r == 0) {
            rings[i].assign(segments + 1, m.AddVertex({0, y, 0}, 0.5, v));
            continue;
        }
        for (int j = 0; j <= segments; ++j) {
            const double a = 2 * std::numbers::pi * j / segments;
            const double x = r * std::cos(a), z = r * std::sin(a);
            // The seam column repeats the first position with u = 1.
            rings[i].push_back(m.AddVertex({j == segments ? r : x, y, j == segments ? 0 : z},
                                           static_cast<double>(j) / segments, v));
        }
    }
    // Profile top to bottom, angle from +x towards +z: this order faces outwards.
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j < segments; ++j) {
            const int a = rings[i][j], b = rings[i][j + 1], c = rings[i + 1][j + 1], d = rings[i + 1][j];
            if (a == b) {
                m.AddTri(a, c, d);
            } else if (c == d) {
                m.AddTri(a, b, d);
            } else {
                m.AddQuad(a, b, c, d);
            }
        }
    }
    return m;
}

Mesh Sphere(double radius, int segments, int rings) {
    std::vector<std::array<double, 2>> profile;
    for (int i = 0; i <= rings; ++i) {
        const double t = std::numbers::pi * i / rings;
        profile.push_back({i == 0 || i == rings ? 0 : radius * std::sin(t), radius * std::cos(t)});
    }
    return Lathe(profile, segments);
}

Mesh Cylinder(double radius, double height, int segments) {
    const double h = height / 2;
    return Lathe({{0, h}, {radius, h}, {radius, -h}, {0, -h}}, segments);
}

Mesh Cone(double radius, double height, int segments) {
    return Lathe({{0, 0}, {radius, 0}, {0, -height}}, segments);
}

Mesh Torus(double R, double r, int segments, int sides) {
    Mesh m;
    std::vector<std::vector<int>> grid(segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const double a = 2 * std::numbers::pi * (i % segments) / segments;
        for (int j = 0; j <= sides; ++j) {
            const double b = 2 * std::numbers::pi * (j % sides) / sides;
            const double d = R + r * std::cos(b);
            grid[i].push_back(m.AddVertex({d * std::cos(a), r * std::sin(b), d * std::sin(a)},
                                          static_cast<double>(i) / segments * 4, static_cast<double>(j) / sides));
        }
    }
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) m.AddQuad(grid[i][j], grid[i][j + 1], grid[i + 1][j + 1], grid[i + 1][j]);
    return m;
}

Mesh ConvexPrism(const std::vector<std::array<double, 2>>& polygon, double z0, double z1) {
    Mesh m;
    std::vector<std::array<double, 2>> poly = polygon;
    const int n = static_cast<int>(poly.size());
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const auto& a = poly[i];
        const auto& b = poly[(i + 1) % n];
        area += a[0] * b[1] - b[0] * a[1];
    }
    if (area < 0) std::reverse(poly.begin(), poly.end());
    Vec3 lo(1e30, 1e30, 0), hi(-1e30, -1e30, 0);
    for (const auto& p : poly) {
        lo = {std::min(lo.x, p[0]), std::min(lo.y, p[1]), 0};
        hi = {std::max(hi.x, p[0]), std::max(hi.y, p[1]), 0};
    }
    auto uv = [&](const std::array<double, 2>& p, double& u, double& v) {
        u = (p[0] - lo.x) / std::max(hi.x - lo.x, 1e-9);
        v = (hi.y - p[1]) / std::max(hi.y - lo.y, 1e-9);
    };
    std::vector<int> front, back;
    for (const auto& p : poly) {
        double u, v;
        uv(p, u, v);
        front.push_back(m.AddVertex({p[0], p[1], z1}, u, v));
        back.push_back(m.AddVertex({p[0], p[1], z0}, u, v));
    }
    for (int i = 1; i + 1 < n; ++i) {
        m.AddTri(front[0], front[i], front[i + 1]);
        m.AddTri(back[0], back[i + 1], back[i]);
    }
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const int a = m.AddVertex({poly[i][0], poly[i][1], z0}, 0, 0);
        const int b = m.AddVertex({poly[j][0], poly[j][1], z0}, 1, 0);
        const int c = m.AddVertex({poly[j][0], poly[j][1], z1}, 1, 1);
        const int d = m.AddVertex({poly[i][0], poly[i][1], z1}, 0, 1);
        m.AddQuad(a, b, c, d);
    }
    return m;
}

Mesh Grid(double x0, double z0, double x1, double z1, int nx, int nz,
          const std::function<double(double, double)>& height) {
    Mesh m;
    std::vector<int> idx;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            const double u = static_cast<double>(i) / nx, v = static_cast<double>(j) / nz;
            const double x = x0 + (x1 - x0) * u, z = z0 + (z1 - z0) * v;
            idx.push_back(m.AddVertex({x, height(x, z), z}, u, v));
        }
    auto at = [&](int i, int j) { return idx[j * (nx + 1) + i]; };
    // Outward (towards -y) for x right and z forward: counter-clockwise seen from below.
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) m.AddQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    return m;
}

Mesh Voxels(const std::vector<std::string>& rows, double s, double d) {
    const int h = static_cast<int>(rows.size());
    int w = 0;
    for (const auto& r : rows) w = std::max(w, static_cast<int>(r.size()));
    auto filled = [&](int x, int y) {
        return y >= 0 && y < h && x >= 0 && x < static_cast<int>(rows[y].size()) && rows[y][x] == '#';
    };
    Mesh m;
    auto quad = [&](Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3) {
        auto uv = [&](const Vec3& p) { return m.AddVertex(p, p.x / (w * s), 1 - p.y / (h * s)); };
        const int a = uv(p0), b = uv(p1), c = uv(p2), e = uv(p3);
        m.AddQuad(a, b, c, e);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!filled(x, y)) continue;
            const double x0 = x * s, x1 = x0 + s;
            const double y1 = (h - y) * s, y0 = y1 - s;
            quad({x0, y0, d}, {x1, y0, d}, {x1, y1, d}, {x0, y1, d});  // front
            quad({x1, y0, 0}, {x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0});  // back
            if (!filled(x - 1, y)) quad({x0, y0, 0}, {x0, y0, d}, {x0, y1, d}, {x0, y1, 0});
            if (!filled(x + 1, y)) quad({x1, y0, d}, {x1, y0, 0}, {x1, y1, 0}, {x1, y1, d});
            if (!filled(x, y - 1)) quad({x0, y1, d}, {x1, y1, d}, {x1, y1, 0}, {x0, y1, 0});
            if (!filled(x, y + 1)) quad({x0, y0, 0}, {x1, y0, 0}, {x1, y0, d}, {x0, y0, d});
        }
    return m;
}

}  // namespace assetgen
