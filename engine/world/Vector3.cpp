#include "engine/world/Vector3.h"

#include <cmath>

void Vector3::Normalize() {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0) return;
    x /= length;
    y /= length;
    z /= length;
}
