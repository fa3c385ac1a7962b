#include "engine/world/Matrix3.h"

#include <cmath>
#include <utility>

Matrix3 Matrix3::Identity() {
    Matrix3 r;
    r.m[0][0] = r.m[1][1] = r.m[2][2] = 1.0;
    return r;
}

Matrix3& Matrix3::Multiply(const Matrix3& b, Matrix3& out) const {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s += m[i][k] * b.m[k][j];
            out.m[i][j] = s;
        }
    return out;
}

void Matrix3::GetTransposed(double out[9]) const {
    int n = 0;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) out[n++] = m[i][j];
}

Matrix3 Matrix3::Transposed() const {
    Matrix3 t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.m[i][j] = m[j][i];
    return t;
}

void Matrix3::SetColumns(const double c[9]) {
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) m[i][j] = c[j * 3 + i];
}

void Matrix3::SetColumns(const Vector3& c0, const Vector3& c1, const Vector3& c2) {
    const double c[9] = {c0.x, c0.y, c0.z, c1.x, c1.y, c1.z, c2.x, c2.y, c2.z};
    SetColumns(c);
}

void Matrix3::FromAngles(double ax, double ay, double az) {
    const double cx = std::cos(ax), sx = std::sin(ax);
    const double cy = std::cos(ay), sy = std::sin(ay);
    const double cz = std::cos(az), sz = std::sin(az);
    Matrix3 rx, ry, rz, rxy;
    rx.m[0][0] = 1.0;
    rx.m[1][1] = cx; rx.m[1][2] = -sx;
    rx.m[2][1] = sx; rx.m[2][2] = cx;
    ry.m[0][0] = cy; ry.m[0][2] = -sy;
    ry.m[1][1] = 1.0;
    ry.m[2][0] = sy; ry.m[2][2] = cy;
    rz.m[0][0] = cz; rz.m[0][1] = -sz;
    rz.m[1][0] = sz; rz.m[1][1] = cz;
    rz.m[2][2] = 1.0;
    rx.Multiply(ry, rxy);
    rxy.Multiply(rz, *this);
}

void Matrix3::Invert() {
    double a[3][6];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            a[i][j] = m[i][j];
            a[i][j + 3] = (i == j) ? 1.0 : 0.0;
        }
    for (int c = 0; c < 3; ++c) {
        if (a[c][c] == 0.0) {
            // Each later row with a non-zero entry is swapped in turn, as the original did;
            // the last such row ends up as the pivot row.
            for (int r = c + 1; r < 3; ++r)
                if (a[r][c] != 0.0)
                    for (int k = 0; k < 6; ++k) std::swap(a[c][k], a[r][k]);
        }
        const double pivot = a[c][c];
        for (int k = 0; k < 6; ++k) a[c][k] /= pivot;
        for (int r = 0; r < 3; ++r) {
            if (r == c) continue;
            const double f = a[r][c];
            for (int k = 0; k < 6; ++k) a[r][k] -= f * a[c][k];
        }
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = a[i][j + 3];
}
