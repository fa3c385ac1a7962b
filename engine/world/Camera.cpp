#include "engine/world/Camera.h"

Camera::Camera(int z, int focal_) : focal(focal_) { position[2] = z; }

void Camera::Update(double tx, double ty, double tz) {
    // Off the plane x = 0, so an aim along the z axis still has a defined basis.
    if (position[0] == 0.0) position[0] = 0.05;
    flipSign = 1;
    if (aimMode == 0) {
        matrix.FromAngles(angles[0], angles[1], angles[2]);
        return;
    }
    Vector3 target(tx, ty, tz);
    if (aimMode == 1) target = aimPoint ? *aimPoint : Vector3(0, 0, 0);
    const Vector3 d = target - Vector3(position[0], position[1], position[2]);
    // Looking at itself has no direction: keep last frame's orientation.
    if (d.IsZero()) return;

    Vector3 right, up;
    if (d.x == 0.0 && regularBasis == 0) {
        specialBasis = 1;
        up = Normalized(Vector3(1, 0, 0).Cross(d));
        right = Normalized(d.Cross(up));
    } else {
        if (specialBasis == 1) {
            specialBasis = 0;
            flipSign = -1;
        }
        regularBasis = 1;
        right = Normalized(Vector3(0, 1, 0).Cross(d));
        up = Normalized(d.Cross(right));
    }
    matrix.SetColumns(right, up, Normalized(d));
    matrix.Invert();
}

int Camera::GetViewMatrix(Matrix3& view) const {
    view = matrix.Transposed();
    return flipSign;
}
