#pragma once

// The generator's own mesh: points with one mapping coordinate each, triangles wound
// counter-clockwise seen from outside ((b - a) x (c - a) points out), one texture per object.
// Points may repeat a position (a mapping seam); the model readers merge them again.

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace assetgen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 Cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    double Length() const { return std::sqrt(Dot(*this)); }
};

struct MeshVertex {
    Vec3 p;
    double u = 0, v = 0;  // 0..1 across the texture, v downwards in the picture
};

struct Mesh {
    std::string name;     // object name the scenes look up
    std::string texture;  // picture name without ".bmp"
    std::vector<MeshVertex> verts;
    std::vector<std::array<int, 3>> faces;

    Mesh() = default;
    Mesh(std::string name_, std::string texture_) : name(std::move(name_)), texture(std::move(texture_)) {}

    int AddVertex(const Vec3& p, double u = 0, double v = 0);
    void AddTri(int a, int b, int c) { faces.push_back({a, b, c}); }
    // a-b-c-d counter-clockwise from outside.
    void AddQuad(int a, int b, int c, int d) {
        AddTri(a, b, c);
        AddTri(a, c, d);
    }
    void Append(const Mesh& other);

    Mesh& Translate(const Vec3& d);
    Mesh& Scale(const Vec3& s);  // a negative product mirrors, and the winding is turned back
    Mesh& Scale(double s) { return Scale(Vec3(s, s, s)); }
    // Rotations about the axes through the origin, right-handed, in radians.
    Mesh& RotateX(double a);
    Mesh& RotateY(double a);
    Mesh& RotateZ(double a);
    Mesh& Warp(const std::function<Vec3(const Vec3&)>& f);
    Mesh& FlipWinding();
    // Mapping from the position: u along one axis, v along another ('x', 'y' or 'z'),
    // each divided by its span. Gives one mapping per position, which the 3DS format needs.
    Mesh& PlanarMapping(char uAxis, char vAxis, double uScale = 1, double vScale = 1);

    Vec3 Min() const;
    Vec3 Max() const;
};

// Primitives, all closed unless said otherwise, outward winding.
Mesh Box(const Vec3& centre, const Vec3& size);
// Surface of revolution about the y axis of a profile of (radius, y) points, given from the
// largest y to the smallest (on screen, where +y is down, that is bottom to top). A profile end
// at radius 0 closes the surface with one pole point.
Mesh Lathe(const std::vector<std::array<double, 2>>& profile, int segments);
Mesh Sphere(double radius, int segments, int rings);
Mesh Cylinder(double radius, double height, int segments);  // axis y, centred
Mesh Cone(double radius, double height, int segments);      // base at y 0, tip at y -height
// Ring about the y axis: major radius R, tube radius r.
Mesh Torus(double R, double r, int segments, int sides);
// Prism of a convex polygon in the xy plane (either turning), from z0 to z1 (z0 < z1).
Mesh ConvexPrism(const std::vector<std::array<double, 2>>& polygon, double z0, double z1);
// Open grid in the xz plane, seen from -y (the engine's screen-up side): nx by nz cells over
// the given extent, each point's y given by a function of (x, z).
Mesh Grid(double x0, double z0, double x1, double z1, int nx, int nz,
          const std::function<double(double, double)>& height);
// Cells of a bitmap (rows top first, '#' filled) as blocks of cell size s, depth d, in the
// xy plane with row 0 at the top (+y), front face towards +z; only outer faces are made.
Mesh Voxels(const std::vector<std::string>& rows, double s, double d);

}  // namespace assetgen
