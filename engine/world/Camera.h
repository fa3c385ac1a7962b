#pragma once

#include "engine/world/Matrix3.h"
#include "engine/world/Vector3.h"

class Object3D;

// The viewer: position, world-to-camera matrix and the focal value of the projection
// sx = trunc(focal * cx / |cz|). Free mode turns by angles; aim modes look at a point or object.
class Camera {
public:
    Matrix3 matrix;              // world offset d -> camera space as matrix * d (column form);
                                 // in aim modes its rows are right, up and forward
    int flipSign = 1;            // -1 on the one frame the aim basis turns regular
    int specialBasis = 0;        // last aimed frame used the special (d.x == 0) basis
    int regularBasis = 0;        // the regular basis has been used; never cleared
    int aimMode = 0;             // 0 free, 1 aimPoint, 2 aimObject
    Vector3* aimPoint = nullptr;
    Object3D* aimObject = nullptr;
    int focal = 512;
    double angles[3] = {0, 0, 0};
    double position[3] = {0, 0, -600};

    Camera() = default;
    Camera(int z, int focal_);
    ~Camera() = default;

    void FollowPoint(Vector3* point) { aimPoint = point; aimMode = 1; }
    void FollowObject(Object3D* object) { aimObject = object; aimMode = 2; }
    void SetFree() { aimMode = 0; }
    // The aimed object in aim mode 2, otherwise null.
    Object3D* GetTargetObject() const { return aimMode == 2 ? aimObject : nullptr; }
    // Rebuilds matrix and flipSign; (tx, ty, tz) is the target in aim mode 2.
    // A target at the camera position keeps the previous matrix.
    void Update(double tx, double ty, double tz);
    // Writes the transpose of matrix (the row-form view matrix) and returns flipSign.
    int GetViewMatrix(Matrix3& view) const;
};
