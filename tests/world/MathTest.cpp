#include <gtest/gtest.h>

#include <cmath>

#include "engine/world/Matrix3.h"
#include "engine/world/Random.h"

namespace {

void ExpectNear(const Matrix3& a, const Matrix3& b, double eps = 1e-12) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << i << "," << j;
}

Matrix3 FromRows(std::initializer_list<double> v) {
    Matrix3 r;
    auto it = v.begin();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = *it++;
    return r;
}

// Column vector M * v, the form the camera matrix uses.
Vector3 Apply(const Matrix3& m, const Vector3& v) {
    return {m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z,
            m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z,
            m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z};
}

TEST(Vector3, DefaultsAndBasicOperations) {
    const Vector3 d;
    EXPECT_EQ(d, Vector3(0, 0, 1));

    Vector3 zero(0, 0, 0);
    zero.Normalize();
    EXPECT_EQ(zero, Vector3(0, 0, 0));
    EXPECT_TRUE(zero.IsZero());

    Vector3 v(3, 0, 4);
    v.Normalize();
    EXPECT_DOUBLE_EQ(v.x, 0.6);
    EXPECT_DOUBLE_EQ(v.z, 0.8);
    EXPECT_FALSE(v.IsZero());

    EXPECT_EQ(Vector3(1, 0, 0).Cross(Vector3(0, 1, 0)), Vector3(0, 0, 1));
    EXPECT_EQ(Vector3(0, 1, 0).Cross(Vector3(1, 0, 0)), Vector3(0, 0, -1));
    EXPECT_DOUBLE_EQ(Vector3(1, 2, 3).Dot(Vector3(4, -5, 6)), 12.0);
}

TEST(Matrix3, DefaultIsZeroAndTransposeAndColumnsAgree) {
    EXPECT_EQ(Matrix3(), FromRows({0, 0, 0, 0, 0, 0, 0, 0, 0}));

    const Matrix3 m = FromRows({1, 2, 3, 4, 5, 6, 7, 8, 9});
    double t[9];
    m.GetTransposed(t);
    const double expected[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(t[i], expected[i]);

    // The transposed read lists the columns, so setting them back rebuilds the matrix.
    Matrix3 c;
    c.SetColumns(t);
    EXPECT_EQ(c, m);
    const double cols[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    c.SetColumns(cols);
    EXPECT_EQ(c, m.Transposed());

    Matrix3 out;
    EXPECT_EQ(&m.Multiply(Matrix3::Identity(), out), &out);
    EXPECT_EQ(out, m);
    m.Multiply(m, out);
    EXPECT_EQ(out, FromRows({30, 36, 42, 66, 81, 96, 102, 126, 150}));
}

TEST(Matrix3, FromAnglesComposesXThenYThenZ) {
    Matrix3 r;
    r.FromAngles(0, 0, 0);
    EXPECT_EQ(r, Matrix3::Identity());

    // Ry turns +z towards -x for a positive angle (column form).
    const double a = 0.3;
    r.FromAngles(0, a, 0);
    const Vector3 z = Apply(r, Vector3(0, 0, 1));
    EXPECT_NEAR(z.x, -std::sin(a), 1e-15);
    EXPECT_NEAR(z.z, std::cos(a), 1e-15);

    // Rx turns +y towards +z, Rz turns +x towards +y.
    r.FromAngles(a, 0, 0);
    EXPECT_NEAR(Apply(r, Vector3(0, 1, 0)).z, std::sin(a), 1e-15);
    r.FromAngles(0, 0, a);
    EXPECT_NEAR(Apply(r, Vector3(1, 0, 0)).y, std::sin(a), 1e-15);

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
        // [0][0] is 0: a row swap must happen first.
        FromRows({0, 2, 1, 3, 0, 1, 1, 1, 0}),
        // Zero pivot with the only usable row last.
        FromRows({0, 1, 2, 0, 3, 4, 5, 6, 7}),
        // Zero appears on the diagonal only after elimination.
        FromRows({1, 1, 0, 1, 1, 1, 0, 1, 1}),
    };
    for (const Matrix3& m : cases) {
        Matrix3 inv = m, product;
        inv.Invert();
        m.Multiply(inv, product);
        ExpectNear(product, Matrix3::Identity());
        inv.Multiply(m, product);
        ExpectNear(product, Matrix3::Identity());
    }

    // A rotation's inverse is its transpose.
    Matrix3 r;
    r.FromAngles(0.7, -0.2, 1.9);
    Matrix3 inv = r;
    inv.Invert();
    ExpectNear(inv, r.Transposed());
}

TEST(Matrix3, RowVectorProductUsesColumns) {
    const Matrix3 m = FromRows({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(Vector3(1, 0, 0) * m, Vector3(1, 2, 3));
    EXPECT_EQ(Vector3(0, 0, 1) * m, Vector3(7, 8, 9));
    EXPECT_EQ(Vector3(1, 1, 1) * m, Vector3(12, 15, 18));
}

}  // namespace

namespace {

TEST(Random, FollowsTheRuntimeGeneratorFromItsSeed) {
    // The first values of the classic generator seeded with 1 are well known.
    Random::Seed(1);
    EXPECT_EQ(Random::Next(), 41);
    EXPECT_EQ(Random::Next(), 18467);
    EXPECT_EQ(Random::Next(), 6334);
    // Same seed, same sequence; values stay in 0..32767.
    Random::Seed(12345);
    int first[50];
    for (int& v : first) {
        v = Random::Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, Random::kMax);
    }
    Random::Seed(12345);
    for (int v : first) EXPECT_EQ(Random::Next(), v);
}

}  // namespace
