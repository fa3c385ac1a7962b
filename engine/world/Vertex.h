#pragma once

#include "engine/world/Vector3.h"

class LightSet;

// One mesh vertex with every space the pipeline computes for it.
// Plain record: the renderers read its fields directly, and copies are whole-record.
class Vertex {
public:
    double x = 0, y = 0, z = 0;        // object space
    double u = 0, v = 0;               // mapping coordinates (3DS files carry them per vertex)
    double invZ = 0;                   // 1 / |camera depth|, set by projection
    double wx = 0, wy = 0, wz = 0;     // world space
    double cx = 0, cy = 0, cz = 0;     // camera space; depth grows along +cz
    int sx = 0, sy = 0;                // screen position relative to the screen centre
    double fineSx = 0, fineSy = 0;     // the same before truncation, for boards drawing finer
    int r, g, b;                       // base colour, half of each channel maximum at construction
    int lr = 0, lg = 0, lb = 0;        // lit colour
    int index = -1;                    // place in the owner's vertex table, -1 when in none
    Vector3 normal;                    // object space
    Vector3 worldNormal;
    Vector3 cameraNormal;
    int packed = 0;                    // packed lit colour
    int behind = 0;                    // camera depth was negative at the last projection
    int shared = 0;                    // claimed by a face while an explosion is prepared

    Vertex();
    Vertex(int x_, int y_, int z_);

    bool SamePosition(double px, double py, double pz) const { return x == px && y == py && z == pz; }
    int PackedBaseColor() const;
    // Lights the vertex from its camera-space normal and position; stores lr/lg/lb and packed
    // and returns packed. windingSign -1 lets lights behind the surface light it too.
    int Light(const LightSet* lights, int windingSign);
};
