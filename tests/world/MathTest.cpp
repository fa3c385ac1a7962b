#include <gtest/gtest.h>

#include <cmath>

#include "engine/world/Matrix3.h"
#include "engine/world/Random.h"

namespace {

Matrix3 FromRows(std::initializer_list<double> v) {
    Matrix3 r;
    auto it = v.begin();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = *it++;
    return r;
}

void ExpectIdentity(const Matrix3& a) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(a.m[i][j], i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
}

// Column vector M * v, the form the camera matrix uses.
Vector3 Apply(const Matrix3& m, const Vector3& v) { return v * m.Transposed(); }

TEST(Vector3, DefaultsNormalizeAndCross) {
    EXPECT_EQ(Vector3(), Vector3(0, 0, 1));  // not zero
    Vector3 zero(0, 0, 0);
    zero.Normalize();
    EXPECT_EQ(zero, Vector3(0, 0, 0));
    Vector3 v(3, 0, 4);
    v.Normalize();
    EXPECT_EQ(v, Vector3(0.6, 0, 0.8));
    EXPECT_EQ(Vector3(1, 0, 0).Cross(Vector3(0, 1, 0)), Vector3(0, 0, 1));
}

TEST(Matrix3, TransposeColumnsAndProduct) {
    EXPECT_EQ(Matrix3(), FromRows({0, 0, 0, 0, 0, 0, 0, 0, 0}));  // not the identity
    const Matrix3 m = FromRows({1, 2, 3, 4, 5, 6, 7, 8, 9});
    double t[9];
    m.GetTransposed(t);
    EXPECT_EQ(t[1], 4);
    // The transposed read lists the columns, so setting them back rebuilds the matrix.
    Matrix3 c;
    c.SetColumns(t);
    EXPECT_EQ(c, m);
    Matrix3 out;
    m.Multiply(m, out);
    EXPECT_EQ(out, FromRows({30, 36, 42, 66, 81, 96, 102, 126, 150}));
    EXPECT_EQ(Vector3(1, 1, 1) * m, Vector3(12, 15, 18));  // row vector: sums down columns
}

TEST(Matrix3, FromAnglesComposesXThenYThenZ) {
    Matrix3 r;
    r.FromAngles(0, 0, 0);
    EXPECT_EQ(r, Matrix3::Identity());

    // Ry turns +z towards -x for a positive angle (column form).
    r.FromAngles(0, 0.3, 0);
    const Vector3 z = Apply(r, Vector3(0, 0, 1));
    EXPECT_NEAR(z.x, -std::sin(0.3), 1e-15);

    // The product applies z first, then y, then x to a column vector.
    Matrix3 rx, ry, rz, all;
    rx.FromAngles(0.4, 0, 0);
    ry.FromAngles(0, -1.1, 0);
    rz.FromAngles(0, 0, 2.5);
    all.FromAngles(0.4, -1.1, 2.5);
    const Vector3 p(3, -2, 7);
    const Vector3 stepwise = Apply(rx, Apply(ry, Apply(rz, p)));
    const Vector3 direct = Apply(all, p);
    EXPECT_NEAR(stepwise.x, direct.x, 1e-12);
    EXPECT_NEAR(stepwise.y, direct.y, 1e-12);
    EXPECT_NEAR(stepwise.z, direct.z, 1e-12);
}

TEST(Matrix3, InvertGivesTheInverseIncludingZeroPivots) {
    const Matrix3 cases[] = {
        FromRows({2, 1, 0, 1, 3, 1, 0, 1, 4}),
        FromRows({0, 2, 1, 3, 0, 1, 1, 1, 0}),  // [0][0] is 0: rows swap first
        FromRows({0, 1, 2, 0, 3, 4, 5, 6, 7}),  // the only usable row is the last
        FromRows({1, 1, 0, 1, 1, 1, 0, 1, 1}),  // a zero pivot appears only after elimination
    };
    for (const Matrix3& m : cases) {
        Matrix3 inv = m, product;
        inv.Invert();
        m.Multiply(inv, product);
        ExpectIdentity(product);
    }
}

TEST(Random, FollowsTheRuntimeGeneratorFromItsSeed) {
    // The first values of the classic generator seeded with 1 are well known.
    Random::Seed(1);
    EXPECT_EQ(Random::Next(), 41);
    EXPECT_EQ(Random::Next(), 18467);
    EXPECT_EQ(Random::Next(), 6334);
    int max = 0;
    for (int i = 0; i < 1000; ++i) max = std::max(max, Random::Next());
    EXPECT_LE(max, Random::kMax);
    EXPECT_GT(max, Random::kMax - 100);
}

}  // namespace
