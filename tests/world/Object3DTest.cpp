#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "engine/world/Object3D.h"
#include "support/RecordingRenderer.h"

namespace {

// Rodrigues' rotation of v about a unit axis, written independently of Matrix3.
Vector3 Rotate(const Vector3& v, const Vector3& axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const Vector3 k = axis;
    const Vector3 kxv = k.Cross(v);
    const double kv = k.Dot(v);
    return {v.x * c + kxv.x * s + k.x * kv * (1 - c), v.y * c + kxv.y * s + k.y * kv * (1 - c),
            v.z * c + kxv.z * s + k.z * kv * (1 - c)};
}

Vector3 RowOf(const Matrix3& m, int i) { return {m.m[i][0], m.m[i][1], m.m[i][2]}; }

TEST(Object3D, NamesAreCutAndColoursStartAtHalf) {
    EXPECT_STREQ(Object3D(4, 5, 6).GetName(), "Not Specified");
    const std::string longName(400, 'n');
    Object3D named(longName.c_str());
    EXPECT_EQ(std::strlen(named.GetName()), 255u);  // cut, never overrun
    Face f;
    EXPECT_EQ(f.PackedBaseColor(), 0x7F7F7F);  // half of 255 per channel
}

TEST(Object3D, BuildingReusesEqualVerticesAndRefusesDegenerateFaces) {
    RecordingRenderer renderer;
    Object3D o;
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr), 0);
    EXPECT_EQ(o.AddFaceAt(1, 0, 0, 1, 1, 0, 0, 1, 0, "hull", &renderer), 1);
    EXPECT_EQ(o.GetVertexCount(), 4);  // two corners were reused
    EXPECT_EQ(o.GetFace(0)->b, o.GetFace(1)->a);

    // Reuse is exact: a tiny difference makes a new vertex.
    EXPECT_EQ(o.AddVertexAt(1, 1, 0), o.GetVertex(3));
    EXPECT_NE(o.AddVertexAt(1, 1, 1e-12), o.GetVertex(3));
    EXPECT_EQ(o.GetVertexCount(), 5);

    // Collinear corners give a zero normal; a repeated corner is refused outright.
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 1, 0, 0, 2, 0, 0, nullptr, nullptr), -1);
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 0, 0, 0, 0, 1, 0, nullptr, nullptr), -1);
    EXPECT_EQ(o.AddFaceByIndex(0, 1, 1, nullptr, nullptr), -1);
    EXPECT_EQ(o.AddFaceByIndex(0, 1, 99, nullptr, nullptr), -1);
    EXPECT_EQ(o.AddFaceByIndex(0, -1, 2, nullptr, nullptr), -1);
    EXPECT_EQ(o.GetFaceCount(), 2);

    // Normal = (a - b) x (c - b), normalised: the first face faces -z.
    const Face* f0 = o.GetFace(0);
    EXPECT_EQ(f0->normal, Vector3(0, 0, -1));

    // The texture came from the renderer; the same name loads once.
    EXPECT_EQ(o.GetFace(1)->texture, 1);
    Vertex a(0, 0, 5), b(3, 0, 5), c(0, 3, 5);
    EXPECT_EQ(o.AddFace(a, b, c, "hull", &renderer), 2);
    EXPECT_EQ(o.GetFace(2)->texture, 1);
    EXPECT_EQ(renderer.loadedTextures.size(), 1u);

    // AddVertex copies the whole record, mapping included.
    Vertex mapped(7, 7, 7);
    mapped.u = 0.25;
    Vertex* added = o.AddVertex(mapped);
    EXPECT_EQ(added->u, 0.25);
    EXPECT_EQ(added->index, o.GetVertexCount() - 1);
}

TEST(Object3D, CapacityIsRefusedNotOverrun) {
    Object3D o;
    Vertex v;
    for (int i = 0; i < Object3D::kMaxVertices; ++i) {
        v.x = i;
        ASSERT_NE(o.AppendVertexCopy(v), nullptr);
    }
    EXPECT_EQ(o.AppendVertexCopy(v), nullptr);
    EXPECT_EQ(o.AddVertexAt(-1, -1, -1), nullptr);
    EXPECT_EQ(o.AddFaceAt(-1, 0, 0, 0, -1, 0, 0, 0, -1, nullptr, nullptr), -1);
    EXPECT_EQ(o.GetVertexCount(), Object3D::kMaxVertices);

    Object3D tri;
    tri.AddVertexAt(0, 0, 0);
    tri.AddVertexAt(1, 0, 0);
    tri.AddVertexAt(0, 1, 0);
    for (int i = 0; i < Object3D::kMaxFaces; ++i) ASSERT_EQ(tri.AddFaceByIndex(0, 1, 2, nullptr, nullptr), i);
    EXPECT_EQ(tri.AddFaceByIndex(0, 1, 2, nullptr, nullptr), -1);
    EXPECT_EQ(tri.GetFaceCount(), Object3D::kMaxFaces);
}

TEST(Object3D, BoundingBoxAndVertexNormals) {
    Object3D empty;
    empty.ComputeBoundingBox();
    for (const Vertex& c : empty.corners) EXPECT_TRUE(c.x == 0 && c.y == 0 && c.z == 0);

    Object3D o;
    // Two faces of a box corner: one in z = 0 facing -z, one in x = 0 facing -x.
    o.AddFaceAt(0, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr);
    o.AddFaceAt(0, 0, 0, 0, 1, 0, 0, 0, 1, nullptr, nullptr);
    Vertex* loose = o.AddVertexAt(-4, 9, 2);  // used by no face
    o.ComputeBoundingBox();
    // Corner 1 is (minX, maxY, minZ), corner 6 the far top right.
    EXPECT_TRUE(o.corners[1].x == -4 && o.corners[1].y == 9 && o.corners[1].z == 0);
    EXPECT_TRUE(o.corners[6].x == 1 && o.corners[6].y == 9 && o.corners[6].z == 2);

    o.ComputeVertexNormals();
    const double h = 1 / std::sqrt(2.0);
    const Vector3 n0 = o.GetVertex(0)->normal;  // shared by both faces
    EXPECT_NEAR(n0.x, -h, 1e-12);
    EXPECT_NEAR(n0.z, -h, 1e-12);
    EXPECT_EQ(loose->normal, Vector3(0, 0, 0));

    // Scale and Translate move vertices and corners together.
    o.Scale(2, 1, 1);
    o.Translate(1, 0, 0);
    EXPECT_EQ(o.corners[2].x, 3);
    EXPECT_EQ(loose->x, -7);
}

TEST(Object3D, AppearanceReachesEveryRecord) {
    Object3D o;
    o.AddFaceAt(0, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr);
    o.AddFaceAt(5, 0, 0, 6, 0, 0, 5, 1, 0, nullptr, nullptr);
    o.SetColor(10, 20, 30);
    EXPECT_EQ(o.GetFace(1)->PackedBaseColor(), 0x0A141E);
    EXPECT_EQ(o.GetVertex(5)->PackedBaseColor(), 0x0A141E);
    o.SetTexture(4);
    o.SetFaceTexture(1, 9);
    o.SetFaceTexture(7, 9);  // out of range: ignored
    EXPECT_EQ(o.GetFace(0)->texture, 4);
    EXPECT_EQ(o.GetFace(1)->texture, 9);
}

TEST(Object3D, OrbitStepMatchesAnIndependentRotation) {
    const double a = 0.3, b = -0.8, c = 1.7;
    Vector3 centre(10, -20, 30);
    Object3D o("moon", 110, 40, -15);
    o.SetSpinAroundPoint(&centre, a, b, c);
    o.ApplyOrbit();
    EXPECT_EQ(o.orbitMode, 0);

    // The step is Rx(a) Ry(b) Rz(c) on the offset as a column; Ry turns the other way round.
    Vector3 d(100, 60, -45);
    d = Rotate(d, {0, 0, 1}, c);
    d = Rotate(d, {0, 1, 0}, -b);
    d = Rotate(d, {1, 0, 0}, a);
    EXPECT_NEAR(o.position[0], d.x + 10, 1e-9);
    EXPECT_NEAR(o.position[1], d.y - 20, 1e-9);
    EXPECT_NEAR(o.position[2], d.z + 30, 1e-9);

    // One step only: a second call does nothing.
    const double x = o.position[0];
    o.ApplyOrbit();
    EXPECT_EQ(o.position[0], x);

    // Around an object: its position is the centre.
    Object3D planet("planet", 0, 0, 0);
    Object3D sat("sat", 50, 0, 0);
    sat.SetSpinAroundObject(&planet, 0, 0, M_PI / 2);
    sat.ApplyOrbit();
    EXPECT_NEAR(sat.position[0], 0, 1e-9);
    EXPECT_NEAR(sat.position[1], 50, 1e-9);
}

TEST(Object3D, OrientationInFreeAndAimModes) {
    Object3D o("probe", 0, 0, 0);
    o.angles[2] = M_PI / 2;
    o.UpdateRotation();
    // Row form: the object's x axis lands on world +y after a quarter turn about z.
    const Vector3 x = Vector3(1, 0, 0) * o.rotation;
    EXPECT_NEAR(x.x, 0, 1e-12);
    EXPECT_NEAR(x.y, 1, 1e-12);

    // Target straight up the y axis: d.x = 0 picks the special basis, row 1 = direction.
    Vector3 target(0, 100, 0);
    o.FollowPoint(&target);
    o.UpdateRotation();
    EXPECT_EQ(o.aimFlipped, 0);
    EXPECT_EQ(RowOf(o.rotation, 1), Vector3(0, 1, 0));

    // Off the plane: the regular basis, z row at the target, kept afterwards.
    target.x = 100;
    o.UpdateRotation();
    EXPECT_EQ(o.aimFlipped, 1);
    const Vector3 fwd = Normalized(Vector3(100, 100, 0));
    EXPECT_NEAR(RowOf(o.rotation, 2).x, fwd.x, 1e-12);
    target.x = 0;
    target.z = 50;
    o.UpdateRotation();
    EXPECT_EQ(o.aimFlipped, 1);
    EXPECT_NEAR(RowOf(o.rotation, 2).z, Normalized(Vector3(0, 100, 50)).z, 1e-12);

    // Target on the object: identity, and the special basis may be used again.
    target = Vector3(0, 0, 0);
    o.UpdateRotation();
    EXPECT_EQ(o.rotation, Matrix3::Identity());
    EXPECT_EQ(o.aimFlipped, 0);

    Object3D leader("leader", 0, 0, 500);
    o.FollowObject(&leader);
    o.UpdateRotation();
    EXPECT_EQ(RowOf(o.rotation, 1), Vector3(0, 0, 1));
}

// A flat strip of faces sharing corners, as a reader builds it.
void BuildFan(Object3D& o) {
    o.AddFaceAt(0, 0, 0, 10, 0, 0, 0, 10, 0, nullptr, nullptr);
    o.AddFaceAt(10, 0, 0, 10, 10, 0, 0, 10, 0, nullptr, nullptr);
    o.AddFaceAt(10, 0, 0, 20, 0, 0, 10, 10, 0, nullptr, nullptr);
}

TEST(Object3D, ExplodeUnsharesCornersAndFragmentsFly) {
    Object3D o;
    BuildFan(o);
    ASSERT_EQ(o.GetVertexCount(), 5);
    o.ComputeVertexNormals();
    o.flags = 0x1101000;
    o.Explode(2.0, 1, 0);

    // Face 1 shared two corners with face 0, face 2 shared two with the earlier faces.
    EXPECT_EQ(o.GetVertexCount(), 5 + 2 + 2);
    std::set<const Vertex*> seen;
    for (int f = 0; f < o.GetFaceCount(); ++f)
        for (const Vertex* v : {o.GetFace(f)->a, o.GetFace(f)->b, o.GetFace(f)->c})
            EXPECT_TRUE(seen.insert(v).second) << "a corner is still shared";
    EXPECT_EQ(o.GetFace(2)->a->x, 10);  // copies keep their place
    const Face& f0 = *o.GetFace(0);
    EXPECT_EQ(f0.centre[1], 5);

    // The explosion mask drops culling; the second call only turns.
    o.AdvanceExplode(0.1);
    EXPECT_EQ(o.exploding, 1);
    EXPECT_EQ(o.flags, 0x101000u);
    o.flags = 0x1101000;
    o.AdvanceExplode(0.1);
    EXPECT_EQ(o.flags, 0x1101000u);

    // First step with no rotation puts every corner back in place (plus position).
    o.rotation = Matrix3::Identity();
    o.position[0] = 100;
    o.ExplodeStep();
    EXPECT_DOUBLE_EQ(f0.a->wx, 100);
    EXPECT_DOUBLE_EQ(f0.b->wx, 110);
    // Then fragments drift by their velocity, which decays and falls with gravity.
    EXPECT_DOUBLE_EQ(f0.velocity[1], 2.0 * f0.normal.y * 0.95 - 1);
    o.ExplodeStep();
    EXPECT_DOUBLE_EQ(f0.a->wz, -2.0 * f0.normal.z);
}

TEST(Object3D, RandomExplosionKeepsDirectionAndSpeedBound) {
    Object3D o;
    BuildFan(o);
    o.Explode(3.0, 0, 1);
    for (int f = 0; f < o.GetFaceCount(); ++f) {
        const Face& face = *o.GetFace(f);
        const double n[3] = {face.normal.x, face.normal.y, face.normal.z};
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(std::fabs(face.velocity[k]), 3.0);
            if (n[k] < 0) EXPECT_LE(face.velocity[k], 0.0);
            else EXPECT_GE(face.velocity[k], 0.0);
        }
    }
}

}  // namespace
