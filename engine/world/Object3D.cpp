#include "engine/world/Object3D.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/render/Renderer.h"
#include "engine/world/Random.h"
#include "platform/os/Clock.h"

namespace {
constexpr const char* kDefaultName = "Not Specified";

Vector3 PositionOf(const Vertex& v) { return {v.x, v.y, v.z}; }
}  // namespace

Object3D::Object3D() { Construct(kDefaultName, 0, 0, 0); }
Object3D::Object3D(const char* name_) { Construct(name_, 0, 0, 0); }
Object3D::Object3D(const char* name_, int x, int y, int z) { Construct(name_, x, y, z); }
Object3D::Object3D(int x, int y, int z) { Construct(kDefaultName, x, y, z); }

void Object3D::Construct(const char* name_, int x, int y, int z) {
    std::strncpy(name, name_ ? name_ : kDefaultName, kNameSize - 1);
    name[kNameSize - 1] = '\0';
    faces = std::make_unique<Face*[]>(kMaxFaces);
    vertices = std::make_unique<Vertex*[]>(kMaxVertices);
    position[0] = x;
    position[1] = y;
    position[2] = z;
}

Object3D::~Object3D() {
    for (int i = 0; i < faceCount; ++i) delete faces[i];
    for (int i = 0; i < vertexCount; ++i) delete vertices[i];
}

Vertex* Object3D::FindVertexAt(double x, double y, double z) const {
    for (int i = 0; i < vertexCount; ++i)
        if (vertices[i]->SamePosition(x, y, z)) return vertices[i];
    return nullptr;
}

Vertex* Object3D::AppendVertexCopy(const Vertex& v) {
    if (vertexCount >= kMaxVertices) return nullptr;
    Vertex* copy = new Vertex(v);
    copy->index = vertexCount;
    vertices[vertexCount++] = copy;
    return copy;
}

Vertex* Object3D::AddVertex(const Vertex& v) {
    if (Vertex* same = FindVertex(v)) return same;
    return AppendVertexCopy(v);
}

Vertex* Object3D::AddVertexAt(double x, double y, double z) {
    if (Vertex* same = FindVertexAt(x, y, z)) return same;
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    return AppendVertexCopy(v);
}

int Object3D::AddFace(const Vertex& a, const Vertex& b, const Vertex& c, const char* textureName,
                      Renderer* renderer) {
    Vertex* va = AddVertex(a);
    Vertex* vb = AddVertex(b);
    Vertex* vc = AddVertex(c);
    return FinishFace(va, vb, vc, textureName, renderer);
}

int Object3D::AddFaceAt(double ax, double ay, double az, double bx, double by, double bz,
                        double cx, double cy, double cz, const char* textureName, Renderer* renderer) {
    Vertex* va = AddVertexAt(ax, ay, az);
    Vertex* vb = AddVertexAt(bx, by, bz);
    Vertex* vc = AddVertexAt(cx, cy, cz);
    return FinishFace(va, vb, vc, textureName, renderer);
}

int Object3D::AddFaceByIndex(int ia, int ib, int ic, const char* textureName, Renderer* renderer) {
    return FinishFace(GetVertex(ia), GetVertex(ib), GetVertex(ic), textureName, renderer);
}

int Object3D::FinishFace(Vertex* a, Vertex* b, Vertex* c, const char* textureName, Renderer* renderer) {
    if (!a || !b || !c || faceCount >= kMaxFaces) return -1;
    if (a == b || b == c || a == c) return -1;
    Vector3 normal = (PositionOf(*a) - PositionOf(*b)).Cross(PositionOf(*c) - PositionOf(*b));
    if (normal.IsZero()) return -1;
    normal.Normalize();
    Face* face = new Face(a, b, c);
    face->normal = normal;
    if (textureName && renderer) face->texture = renderer->LoadTexture(textureName);
    face->objectFlags = &flags;
    face->objectTextured = &textured;
    face->objectWinding = &windingSign;
    faces[faceCount] = face;
    return faceCount++;
}

void Object3D::ComputeBoundingBox() {
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (int i = 0; i < vertexCount; ++i) {
        const double p[3] = {vertices[i]->x, vertices[i]->y, vertices[i]->z};
        for (int k = 0; k < 3; ++k) {
            if (i == 0 || p[k] < lo[k]) lo[k] = p[k];
            if (i == 0 || p[k] > hi[k]) hi[k] = p[k];
        }
    }
    // Corner order: bottom face (min z) 0..3 then top face (max z) 4..7, each going
    // (minX,minY) (minX,maxY) (maxX,maxY) (maxX,minY).
    const double xs[4] = {lo[0], lo[0], hi[0], hi[0]};
    const double ys[4] = {lo[1], hi[1], hi[1], lo[1]};
    for (int i = 0; i < 8; ++i) {
        corners[i].x = xs[i % 4];
        corners[i].y = ys[i % 4];
        corners[i].z = i < 4 ? lo[2] : hi[2];
    }
}

void Object3D::ComputeVertexNormals() {
    // Accumulated face by face; each vertex still sums its faces in face order.
    std::vector<Vector3> sum(vertexCount, Vector3(0, 0, 0));
    std::vector<int> uses(vertexCount, 0);
    for (int f = 0; f < faceCount; ++f) {
        Vertex* const corner[3] = {faces[f]->a, faces[f]->b, faces[f]->c};
        for (Vertex* v : corner) {
            const int i = v->index;
            if (i < 0 || i >= vertexCount || vertices[i] != v) continue;
            sum[i] = sum[i] + faces[f]->normal;
            ++uses[i];
        }
    }
    for (int i = 0; i < vertexCount; ++i) {
        Vector3 n(0, 0, 0);
        if (uses[i] > 0) {
            n = Vector3(sum[i].x / uses[i], sum[i].y / uses[i], sum[i].z / uses[i]);
            n.Normalize();
        }
        vertices[i]->normal = n;
    }
}

void Object3D::CopyVertices(Vertex* out) const {
    for (int i = 0; i < vertexCount; ++i) out[i] = *vertices[i];
}

void Object3D::SetColor(int r, int g, int b) {
    for (int i = 0; i < faceCount; ++i) {
        faces[i]->red = r;
        faces[i]->green = g;
        faces[i]->blue = b;
    }
    for (int i = 0; i < vertexCount; ++i) {
        vertices[i]->r = r;
        vertices[i]->g = g;
        vertices[i]->b = b;
    }
}

void Object3D::SetTexture(int texture) {
    for (int i = 0; i < faceCount; ++i) faces[i]->texture = texture;
}

void Object3D::SetFaceTexture(int face, int texture) {
    if (Face* f = GetFace(face)) f->texture = texture;
}

void Object3D::SetSpinAroundPoint(Vector3* centre, double a, double b, double c) {
    orbitPoint = centre;
    ArmOrbit(1, a, b, c);
}

void Object3D::SetSpinAroundObject(Object3D* centre, double a, double b, double c) {
    orbitObject = centre;
    ArmOrbit(2, a, b, c);
}

void Object3D::ArmOrbit(int mode, double a, double b, double c) {
    orbitMode = mode;
    orbitAngles[0] = a;
    orbitAngles[1] = b;
    orbitAngles[2] = c;
}

void Object3D::Scale(double sx, double sy, double sz) {
    auto scale = [&](Vertex& v) { v.x *= sx; v.y *= sy; v.z *= sz; };
    for (int i = 0; i < vertexCount; ++i) scale(*vertices[i]);
    for (Vertex& c : corners) scale(c);
}

void Object3D::Translate(int dx, int dy, int dz) {
    auto move = [&](Vertex& v) { v.x += dx; v.y += dy; v.z += dz; };
    for (int i = 0; i < vertexCount; ++i) move(*vertices[i]);
    for (Vertex& c : corners) move(c);
}

void Object3D::UpdateRotation() {
    if (aimMode == 0) {
        Matrix3 m;
        m.FromAngles(angles[0], angles[1], angles[2]);
        rotation = m.Transposed();
        return;
    }
    Vector3 target(0, 0, 0);
    if (aimMode == 1 && aimPoint) target = *aimPoint;
    if (aimMode == 2 && aimObject)
        target = Vector3(aimObject->position[0], aimObject->position[1], aimObject->position[2]);
    const Vector3 d = target - Vector3(position[0], position[1], position[2]);
    if (d.IsZero()) {
        rotation = Matrix3::Identity();
        aimFlipped = 0;
        return;
    }
    Vector3 row0, row1, row2;
    if (d.x == 0.0 && aimFlipped == 0) {
        row2 = Normalized(Vector3(1, 0, 0).Cross(d));
        row0 = Normalized(d.Cross(row2));
        row1 = Normalized(d);
    } else {
        aimFlipped = 1;
        row0 = Normalized(Vector3(0, 1, 0).Cross(d));
        row1 = Normalized(d.Cross(row0));
        row2 = Normalized(d);
    }
    const Vector3 rows[3] = {row0, row1, row2};
    for (int i = 0; i < 3; ++i) {
        rotation.m[i][0] = rows[i].x;
        rotation.m[i][1] = rows[i].y;
        rotation.m[i][2] = rows[i].z;
    }
}

void Object3D::ApplyOrbit() {
    if (orbitMode == 0) return;
    double centre[3] = {0, 0, 0};
    if (orbitMode == 1 && orbitPoint) {
        centre[0] = orbitPoint->x;
        centre[1] = orbitPoint->y;
        centre[2] = orbitPoint->z;
    } else if (orbitMode == 2 && orbitObject) {
        for (int k = 0; k < 3; ++k) centre[k] = orbitObject->position[k];
    }
    const double dx = position[0] - centre[0], dy = position[1] - centre[1], dz = position[2] - centre[2];
    const double ca = std::cos(orbitAngles[0]), sa = std::sin(orbitAngles[0]);
    const double cb = std::cos(orbitAngles[1]), sb = std::sin(orbitAngles[1]);
    const double cc = std::cos(orbitAngles[2]), sc = std::sin(orbitAngles[2]);
    const double x = dx * (cb * cc) + dy * (-sc * cb) + dz * (-sb);
    const double y = dx * (sc * ca - cc * sb * sa) + dy * (cc * ca + sc * sb * sa) + dz * (-cb * sa);
    const double z = dx * (sc * sa + cc * sb * ca) + dy * (cc * sa - sc * sb * ca) + dz * (cb * ca);
    position[0] = x + centre[0];
    position[1] = y + centre[1];
    position[2] = z + centre[2];
    orbitMode = 0;
}

void Object3D::Explode(double speed, int gravity_, int random) {
    gravity = gravity_;
    // Give every face corners of its own so fragments can fly apart.
    for (int f = 0; f < faceCount; ++f) {
        Vertex** corner[3] = {&faces[f]->a, &faces[f]->b, &faces[f]->c};
        for (Vertex** slot : corner) {
            if ((*slot)->shared) {
                // Past the vertex capacity the corner stays shared rather than being lost.
                if (Vertex* copy = AppendVertexCopy(**slot)) *slot = copy;
            } else {
                (*slot)->shared = 1;
            }
        }
    }
    // Seeded from the engine clock, which is virtual (and so repeatable) in capture mode.
    Random::Seed(static_cast<unsigned>(os::ClockMs()));
    for (int f = 0; f < faceCount; ++f) {
        Face& face = *faces[f];
        const double p[3][3] = {{face.a->x, face.a->y, face.a->z},
                                {face.b->x, face.b->y, face.b->z},
                                {face.c->x, face.c->y, face.c->z}};
        const double n[3] = {face.normal.x, face.normal.y, face.normal.z};
        for (int k = 0; k < 3; ++k) {
            double lo = p[0][k], hi = p[0][k];
            for (int i = 1; i < 3; ++i) {
                if (p[i][k] < lo) lo = p[i][k];
                if (p[i][k] > hi) hi = p[i][k];
            }
            face.centre[k] = (hi - lo) / 2 + lo;
            face.offset[k] = face.centre[k];
            if (random) {
                const double r = Random::Next() / 32767.0;
                face.velocity[k] = r * (n[k] < 0 ? -1.0 : 1.0) * speed;
            } else {
                face.velocity[k] = speed * n[k];
            }
        }
    }
}

void Object3D::AdvanceExplode(double angleStep) {
    if (!exploding) {
        exploding = 1;
        aimMode = 0;
        flags &= RenderFlags::kExplodeMask;
    }
    angles[0] += angleStep;
}

void Object3D::ExplodeStep() {
    for (int f = 0; f < faceCount; ++f) {
        Face& face = *faces[f];
        const Vector3 centre(face.centre[0], face.centre[1], face.centre[2]);
        for (Vertex* v : {face.a, face.b, face.c}) {
            const Vector3 w = (PositionOf(*v) - centre) * rotation;
            v->wx = w.x + position[0] + face.offset[0];
            v->wy = w.y + position[1] + face.offset[1];
            v->wz = w.z + position[2] + face.offset[2];
            v->worldNormal = v->normal * rotation;
        }
        for (int k = 0; k < 3; ++k) {
            face.offset[k] -= face.velocity[k];
            face.velocity[k] *= 0.95;
        }
        face.velocity[1] -= gravity;
    }
}
