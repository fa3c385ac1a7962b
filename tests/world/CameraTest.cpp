#include <gtest/gtest.h>

#include <cmath>

#include "engine/world/Camera.h"
#include "engine/world/Object3D.h"

namespace {

Vector3 Row(const Matrix3& m, int i) { return {m.m[i][0], m.m[i][1], m.m[i][2]}; }

void ExpectVec(const Vector3& a, const Vector3& b, double eps = 1e-12) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

bool AllFinite(const Matrix3& m) {
    for (auto& row : m.m)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    return true;
}

TEST(Camera, FreeModeNudgesOffThePlaneAndTurnsByAngles) {
    Camera cam;
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.position[0], 0.05);  // a camera at x = 0 is moved off the plane
    EXPECT_EQ(cam.matrix, Matrix3::Identity());

    cam.position[0] = -3;
    cam.angles[1] = 0.5;
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.position[0], -3);
    Matrix3 expected;
    expected.FromAngles(0, 0.5, 0);
    Matrix3 view;
    EXPECT_EQ(cam.GetViewMatrix(view), 1);
    EXPECT_EQ(view, expected.Transposed());
}

TEST(Camera, AimBasesAndTheOneFrameFlip) {
    // Looking straight along +z from x = 0.05 at a target on the same x: d.x is exactly 0.
    Vector3 target(0.05, 0, 0);
    Camera cam;
    cam.FollowPoint(&target);
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.specialBasis, 1);
    EXPECT_EQ(cam.flipSign, 1);
    ExpectVec(Row(cam.matrix, 0), {1, 0, 0});
    ExpectVec(Row(cam.matrix, 1), {0, -1, 0});  // the special basis is upside down
    ExpectVec(Row(cam.matrix, 2), {0, 0, 1});

    // Still special while d.x stays 0; no flip.
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.flipSign, 1);

    // The target leaves the plane: the regular basis takes over, flipping for one frame.
    target.x = 10.05;
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.flipSign, -1);
    EXPECT_EQ(cam.regularBasis, 1);
    const Vector3 fwd = Normalized(Vector3(10, 0, 600));
    ExpectVec(Row(cam.matrix, 2), fwd);
    ExpectVec(Row(cam.matrix, 1), {0, 1, 0});
    Matrix3 view;
    EXPECT_EQ(cam.GetViewMatrix(view), -1);

    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.flipSign, 1);

    // Back on the plane: the regular basis is kept for good, no further flip.
    target.x = 0.05;
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.flipSign, 1);
    ExpectVec(Row(cam.matrix, 0), {1, 0, 0});
    ExpectVec(Row(cam.matrix, 1), {0, 1, 0});
}

TEST(Camera, AimedMatrixMapsTheTargetOntoTheForwardAxis) {
    Object3D ship("ship", 300, -200, 900);
    Camera cam;
    cam.position[0] = 40;
    cam.position[1] = 75;
    cam.FollowObject(&ship);
    ASSERT_EQ(cam.GetTargetObject(), &ship);
    cam.Update(ship.position[0], ship.position[1], ship.position[2]);

    const Vector3 d(300 - 40, -200 - 75, 900 + 600);
    const Vector3 c = d * cam.matrix.Transposed();  // column form: matrix * d
    EXPECT_NEAR(c.x, 0, 1e-9);
    EXPECT_NEAR(c.y, 0, 1e-9);
    EXPECT_NEAR(c.z, std::sqrt(d.Dot(d)), 1e-9);
}

TEST(Camera, TargetAtTheCameraKeepsThePreviousMatrix) {
    Vector3 target(100, 0, 0);
    Camera cam;
    cam.FollowPoint(&target);
    cam.Update(0, 0, 0);
    const Matrix3 before = cam.matrix;
    target = Vector3(cam.position[0], cam.position[1], cam.position[2]);
    cam.Update(0, 0, 0);
    EXPECT_EQ(cam.matrix, before);
    EXPECT_TRUE(AllFinite(cam.matrix));
}

}  // namespace
