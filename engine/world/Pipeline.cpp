// Object3D::Render and Submit: object space -> world -> camera -> screen, lighting, and the
// hand-over to the renderer. Everything is recomputed every drawn frame, in doubles.
#include "engine/render/Renderer.h"
#include "engine/video/DisplayMetrics.h"
#include "engine/world/Camera.h"
#include "engine/world/LightSet.h"
#include "engine/world/Numeric.h"
#include "engine/world/Object3D.h"

namespace {

// Perspective divide. A point exactly in the camera plane keeps its previous screen values.
void Project(Vertex& v, int focal) {
    double z = v.cz;
    if (z < 0) {
        z = -z;
        v.behind = 1;
    } else {
        v.behind = 0;
    }
    if (z != 0) {
        v.fineSx = focal * v.cx / z;
        v.fineSy = focal * v.cy / z;
        v.sx = TruncToInt(v.fineSx);
        v.sy = TruncToInt(v.fineSy);
        v.invZ = 1.0 / z;
    }
}

void ToWorld(Vertex& v, const Matrix3& rotation, const double* position) {
    const Vector3 w = Vector3(v.x, v.y, v.z) * rotation;
    v.wx = w.x + position[0];
    v.wy = w.y + position[1];
    v.wz = w.z + position[2];
}

void ToCamera(Vertex& v, const Matrix3& view, const double* origin) {
    const Vector3 c = Vector3(v.wx - origin[0], v.wy - origin[1], v.wz - origin[2]) * view;
    v.cx = c.x;
    v.cy = c.y;
    v.cz = c.z;
}

constexpr int kBoxEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                  {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

}  // namespace

void Object3D::Render(Renderer* renderer, Camera* camera, LightSet* lights) {
    if (!visible) return;

    // Prepare: orientation, then the bounding box through the whole chain.
    UpdateRotation();
    for (Vertex& c : corners) ToWorld(c, rotation, position);
    if (cameraRelative) {
        windingSign *= camera->GetViewMatrix(view);
    } else {
        view = Matrix3::Identity();
    }
    const double noOrigin[3] = {0, 0, 0};
    const double* origin = cameraRelative ? camera->position : noOrigin;
    for (Vertex& c : corners) {
        ToCamera(c, view, origin);
        Project(c, camera->focal);
    }

    // The corners of this frame were placed before the orbit step moves the object.
    ApplyOrbit();

    // Visibility of the box against the renderer's bounds.
    const int minX = renderer->GetMinX(), maxX = renderer->GetMaxX();
    const int minY = renderer->GetMinY(), maxY = renderer->GetMaxY();
    const int nearZ = renderer->GetNearZ(), farZ = renderer->GetFarZ();
    int loSx = corners[0].sx, hiSx = loSx, loSy = corners[0].sy, hiSy = loSy;
    double loCz = corners[0].cz, hiCz = loCz;
    for (const Vertex& c : corners) {
        if (c.sx < loSx) loSx = c.sx;
        if (c.sx > hiSx) hiSx = c.sx;
        if (c.sy < loSy) loSy = c.sy;
        if (c.sy > hiSy) hiSy = c.sy;
        if (c.cz < loCz) loCz = c.cz;
        if (c.cz > hiCz) hiCz = c.cz;
    }
    const DisplayMetrics& screen = ActiveDisplayMetrics();
    const long long halfW = screen.width / 2, halfH = screen.height / 2;
    inView = minX <= halfW + hiSx && halfW + loSx <= maxX && minY <= halfH + hiSy && halfH + loSy <= maxY &&
             nearZ <= hiCz && loCz <= farZ;
    if (!inView) return;

    // Lights are re-expressed in each drawn object's view, before its vertices are lit.
    for (int i = 0; i < lights->omniCount; ++i) {
        Omni& o = *lights->omnis[i];
        o.cameraDirection = o.direction * view;
    }
    for (int i = 0; i < lights->haloCount; ++i) {
        Halo& h = *lights->halos[i];
        const Vector3 c = Vector3(h.x - camera->position[0], h.y - camera->position[1], h.z - camera->position[2]) * view;
        h.cx = TruncToInt(c.x);
        h.cy = TruncToInt(c.y);
        h.cz = TruncToInt(c.z);
    }

    const bool gouraud = flags & RenderFlags::kGouraud;
    if (flags & RenderFlags::kFlat)
        for (int i = 0; i < faceCount; ++i) {
            Face& f = *faces[i];
            f.worldNormal = f.normal * rotation;
            f.cameraNormal = f.worldNormal * view;
        }
    if (exploding) ExplodeStep();

    // Each vertex in one go (the steps are independent between vertices): world, camera,
    // screen, light.
    for (int i = 0; i < vertexCount; ++i) {
        Vertex& v = *vertices[i];
        if (!exploding) {
            ToWorld(v, rotation, position);
            if (gouraud) v.worldNormal = v.normal * rotation;
        }
        ToCamera(v, view, origin);
        if (gouraud) v.cameraNormal = v.worldNormal * view;
        Project(v, camera->focal);
        if (flags != 0) v.Light(lights, windingSign);
    }

    if (showBox)
        for (const auto& e : kBoxEdges) renderer->DrawLine(&corners[e[0]], &corners[e[1]], 0xFFFFFF);

    if (!additive) Submit(renderer, lights);
}

void Object3D::Submit(Renderer* renderer, LightSet* lights) {
    if (!visible) return;
    const int n = (faceLimit >= 0 && faceLimit <= faceCount) ? faceLimit : faceCount;
    if (flags & RenderFlags::kPoints) renderer->DrawPoints(vertices.get(), vertexCount, lights, flags);
    if (flags & RenderFlags::kEdges) renderer->DrawWireframe(faces.get(), n, lights, flags, windingSign);
    if (flags & RenderFlags::kSolid) {
        renderer->DrawSolidFaces(faces.get(), n, lights, flags, windingSign);
    } else if ((flags & RenderFlags::kTextured) && textured) {
        renderer->DrawTexturedFaces(faces.get(), n, lights, flags, windingSign);
    }
}
