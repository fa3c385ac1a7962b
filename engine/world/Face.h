#pragma once

#include "engine/world/Vector3.h"

class Vertex;
class LightSet;

// One triangle of a mesh. Its corners belong to the owning object's vertex table.
class Face {
public:
    Vertex* a = nullptr;               // corners in winding order
    Vertex* b = nullptr;
    Vertex* c = nullptr;
    // Base colour, half of each channel maximum at construction (named apart from corner b).
    int red, green, blue;
    int lr = 0, lg = 0, lb = 0;        // lit colour (flat shading)
    double u0 = 0, u1 = 0, u2 = 0;     // mapping u of corners a, b, c (0..1 across the texture)
    double v0 = 0, v1 = 0, v2 = 0;
    Vector3 normal;                    // object-space unit normal
    Vector3 worldNormal;
    Vector3 cameraNormal;
    int texture = 0;                   // handle in the active renderer's texture table
    unsigned* objectFlags = nullptr;   // the owner's render-flag word
    int* objectTextured = nullptr;     // the owner's textured flag
    int* objectWinding = nullptr;      // the owner's windingSign
    double centre[3] = {0, 0, 0};      // explosion pivot: centre of the face's box
    double offset[3] = {0, 0, 0};      // explosion displacement
    double velocity[3] = {0, 0, 0};    // explosion velocity

    Face();
    Face(Vertex* a_, Vertex* b_, Vertex* c_);

    bool IsDegenerate() const { return a == b || b == c || a == c; }
    // Face selection: drawn only when some corner is in front of near and some before far.
    bool InFrontOfNear(double nearZ) const;
    bool BeforeFar(double farZ) const;
    int PackedBaseColor() const;
    // Flat shading: one lit colour from the face normal; halo distance is the corners' average.
    int Light(const LightSet* lights, int windingSign);
};
