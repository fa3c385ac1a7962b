#pragma once

// Three doubles; the engine's point, direction and normal type.
// The default is the unit z vector, not zero: code that wants zero must say so.
class Vector3 {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 1.0;

    Vector3() = default;
    Vector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    // Divides by the length when it is not exactly 0; a zero vector stays zero.
    void Normalize();
    bool IsZero() const { return x == 0.0 && y == 0.0 && z == 0.0; }
    Vector3 Cross(const Vector3& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    double Dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }

    friend Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend bool operator==(const Vector3& a, const Vector3& b) = default;
};

// Copy of v, normalised (zero stays zero).
inline Vector3 Normalized(Vector3 v) {
    v.Normalize();
    return v;
}
