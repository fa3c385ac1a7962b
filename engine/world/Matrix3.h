#pragma once

#include "engine/world/Vector3.h"

// A 3x3 matrix of doubles stored by rows: m[i][j] is row i, column j.
// The default is all zeros, not the identity.
// Callers use row vectors: object space to world space is v * R + t.
class Matrix3 {
public:
    double m[3][3] = {};

    Matrix3() = default;

    static Matrix3 Identity();

    void Copy(const Matrix3& source) { *this = source; }
    // out = this * b; returns out (which may not alias this or b).
    Matrix3& Multiply(const Matrix3& b, Matrix3& out) const;
    // Writes [0][0], [1][0], [2][0], [0][1], ... [2][2]: the transpose, row by row.
    void GetTransposed(double out[9]) const;
    Matrix3 Transposed() const;
    // The first three values become column 0, the next three column 1, the last column 2.
    void SetColumns(const double c[9]);
    void SetColumns(const Vector3& c0, const Vector3& c1, const Vector3& c2);
    // this = Rx(ax) * Ry(ay) * Rz(az), formed as (Rx * Ry) * Rz.
    // Ry puts -sin in row 0 and +sin in row 2.
    void FromAngles(double ax, double ay, double az);
    // In place, Gauss-Jordan; a zero pivot is swapped with the first later row that has a
    // non-zero entry in that column. A singular matrix yields non-finite values.
    void Invert();

    friend bool operator==(const Matrix3& a, const Matrix3& b) = default;
};

// Row vector times matrix: (v.x*m[0][j] + v.y*m[1][j] + v.z*m[2][j]) for each column j.
inline Vector3 operator*(const Vector3& v, const Matrix3& a) {
    return {v.x * a.m[0][0] + v.y * a.m[1][0] + v.z * a.m[2][0],
            v.x * a.m[0][1] + v.y * a.m[1][1] + v.z * a.m[2][1],
            v.x * a.m[0][2] + v.y * a.m[1][2] + v.z * a.m[2][2]};
}
