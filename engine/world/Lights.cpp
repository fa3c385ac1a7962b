#include "engine/world/Lights.h"

namespace {
double NonNegative(double v) { return v < 0 ? 0 : v; }
}  // namespace

void Omni::SetDirection(int x, int y, int z) {
    direction = Vector3(x, y, z);
    direction.Normalize();
}

void Omni::SetColor(double r, double g, double b) {
    red = NonNegative(r);
    green = NonNegative(g);
    blue = NonNegative(b);
}

void Halo::SetColor(double r, double g, double b) {
    red = NonNegative(r);
    green = NonNegative(g);
    blue = NonNegative(b);
}

void Halo::SetFar(double radius) {
    radius = NonNegative(radius);
    if (radius < near) radius = near;
    far = radius;
    UpdateFalloff();
}

void Halo::SetNear(double radius) {
    radius = NonNegative(radius);
    if (radius > far) radius = far;
    near = radius;
    UpdateFalloff();
}

void Halo::UpdateFalloff() { falloff = (near == far) ? 0.0 : 1.0 / (near - far); }

double Halo::Strength(int dist) const {
    if (dist < near) return 1.0;
    if (dist > far) return 0.0;
    if (near == far) return 1.0;
    return (dist - far) * falloff;
}
