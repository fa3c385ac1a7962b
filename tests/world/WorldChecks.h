#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "engine/world/Matrix3.h"

// Geometry checks the world tests share.

// Column vector M * v, the form the camera matrix uses.
inline Vector3 ColumnTimes(const Matrix3& m, const Vector3& v) { return v * m.Transposed(); }

inline Vector3 Row(const Matrix3& m, int i) { return {m.m[i][0], m.m[i][1], m.m[i][2]}; }

inline double Det(const Matrix3& m) { return Row(m, 0).Dot(Row(m, 1).Cross(Row(m, 2))); }

inline void ExpectNear(const Vector3& a, const Vector3& b, double eps = 1e-9) {
    for (auto [p, q] : {std::pair{a.x, b.x}, {a.y, b.y}, {a.z, b.z}}) EXPECT_NEAR(p, q, eps);
}

// Rows of unit length at right angles: a rotation, perhaps mirrored.
inline void ExpectRotation(const Matrix3& m) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(Row(m, i).Dot(Row(m, j)), i == j, 1e-12) << i << "," << j;
}
