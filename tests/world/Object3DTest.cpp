#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "engine/world/Object3D.h"
#include "support/RecordingRenderer.h"
#include "world/WorldChecks.h"

namespace {

using namespace RenderFlags;

Vector3 At(const Vertex& v) { return {v.x, v.y, v.z}; }

TEST(Object3D, BuildingReusesEqualVerticesAndRefusesDegenerateFaces) {
    const std::string longName(400, 'n');
    EXPECT_EQ(std::strlen(Object3D(longName.c_str()).GetName()), 255u);  // cut, never overrun

    RecordingRenderer renderer;
    Object3D o;
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr), 0);
    EXPECT_EQ(o.AddFaceAt(1, 0, 0, 1, 1, 0, 0, 1, 0, "hull", &renderer), 1);
    EXPECT_EQ(o.GetVertexCount(), 4);  // two corners were reused
    // Reuse is exact: a tiny difference makes a new vertex.
    EXPECT_EQ(o.AddVertexAt(1, 1, 0), o.GetVertex(3));
    EXPECT_NE(o.AddVertexAt(1, 1, 1e-12), o.GetVertex(3));

    // Collinear or repeated corners, and indices outside the table, are refused.
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 1, 0, 0, 2, 0, 0, nullptr, nullptr), -1);
    EXPECT_EQ(o.AddFaceAt(0, 0, 0, 0, 0, 0, 0, 1, 0, nullptr, nullptr), -1);
    for (auto [a, b, c] : {std::tuple{0, 1, 1}, std::tuple{0, 1, 99}, std::tuple{0, -1, 2}})
        EXPECT_EQ(o.AddFaceByIndex(a, b, c, nullptr, nullptr), -1);
    EXPECT_EQ(o.GetFaceCount(), 2);

    // The normal is (a - b) x (c - b): a counter-clockwise face in z = 0 faces -z.
    EXPECT_EQ(o.GetFace(0)->normal, Vector3(0, 0, -1));

    // The texture comes from the renderer, and the same name loads once.
    Vertex a(0, 0, 5), b(3, 0, 5), c(0, 3, 5);
    a.u = 0.25;
    EXPECT_EQ(o.AddFace(a, b, c, "hull", &renderer), 2);
    EXPECT_EQ(o.GetFace(2)->texture, o.GetFace(1)->texture);
    EXPECT_EQ(renderer.loadedTextures.size(), 1u);
    EXPECT_EQ(o.GetFace(2)->a->u, 0.25);  // whole records are copied, mapping included

    o.SetColor(10, 20, 30);
    EXPECT_EQ(o.GetFace(1)->PackedBaseColor(), 0x0A141E);
    EXPECT_EQ(o.GetVertex(5)->PackedBaseColor(), 0x0A141E);
}

TEST(Object3D, CapacityIsRefusedNotOverrun) {
    Object3D o;
    Vertex v;
    for (int i = 0; i < Object3D::kMaxVertices; ++i) {
        v.x = i, v.y = double(i) * i;
        ASSERT_NE(o.AppendVertexCopy(v), nullptr);
    }
    EXPECT_EQ(o.AppendVertexCopy(v), nullptr);
    EXPECT_EQ(o.AddVertexAt(-1, -1, -1), nullptr);
    EXPECT_EQ(o.AddFaceAt(-1, 0, 0, 0, -1, 0, 0, 0, -1, nullptr, nullptr), -1);
    EXPECT_EQ(o.GetVertexCount(), Object3D::kMaxVertices);

    for (int i = 0; i < Object3D::kMaxFaces; ++i) ASSERT_EQ(o.AddFaceByIndex(0, 1, 2, nullptr, nullptr), i);
    EXPECT_EQ(o.AddFaceByIndex(0, 1, 2, nullptr, nullptr), -1);
    EXPECT_EQ(o.GetFaceCount(), Object3D::kMaxFaces);
}

TEST(Object3D, BoundingBoxHoldsEveryVertexAndNormalsAverageTheirFaces) {
    Object3D o;
    o.ComputeBoundingBox();
    for (const Vertex& c : o.corners) EXPECT_EQ(At(c), Vector3(0, 0, 0));  // no vertices

    // Two faces of a box corner, one facing -z and one -x, and a vertex no face uses.
    o.AddFaceAt(0, 0, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr);
    o.AddFaceAt(0, 0, 0, 0, 1, 0, 0, 0, 1, nullptr, nullptr);
    Vertex* loose = o.AddVertexAt(-4, 9, 2);
    o.ComputeBoundingBox();
    o.Scale(2, 1, 1);  // vertices and corners alike
    o.Translate(1, 0, 0);
    EXPECT_EQ(At(*loose), Vector3(-7, 9, 2));
    // Corners 0-3 run round the bottom (min z), 4-7 above them, so that the box edges are
    // (i, i+1 mod 4), (i + 4, ...) and (i, i + 4): each changes exactly one coordinate.
    for (int i = 0; i < 8; ++i) {
        const Vector3 c = At(o.corners[i]), next = At(o.corners[(i + 1) % 4 + (i & 4)]);
        EXPECT_EQ((c.x != next.x) + (c.y != next.y) + (c.z != next.z), 1) << i;
        EXPECT_EQ(c.z, i < 4 ? 0 : 2) << i;
    }
    EXPECT_EQ(At(o.corners[0]), Vector3(-7, 0, 0));  // all the minima
    EXPECT_EQ(At(o.corners[6]), Vector3(3, 9, 2));   // all the maxima

    o.ComputeVertexNormals();
    ExpectNear(o.GetVertex(0)->normal, Normalized(Vector3(-1, 0, -1)));  // shared by both faces
    EXPECT_EQ(o.GetVertex(1)->normal, Vector3(0, 0, -1));
    EXPECT_EQ(loose->normal, Vector3(0, 0, 0));
}

TEST(Object3D, OrbitStepTurnsAboutTheCentreOnce) {
    const double a = 0.3, b = -0.8, c = 1.7;
    Vector3 centre(10, -20, 30);
    Object3D o("moon", 110, 40, -15);
    o.SetSpinAroundPoint(&centre, a, b, c);
    o.ApplyOrbit();
    // The offset from the centre turns as a column by the angles' matrix, z first, then y, then x.
    Matrix3 turn;
    turn.FromAngles(a, b, c);
    ExpectNear(Vector3(o.position[0], o.position[1], o.position[2]), ColumnTimes(turn, Vector3(100, 60, -45)) + centre);
    const double x = o.position[0];
    o.ApplyOrbit();
    EXPECT_EQ(o.position[0], x);

    // Around an object: its position is the centre.
    Object3D planet("planet", 0, 0, 0), sat("sat", 50, 0, 0);
    sat.SetSpinAroundObject(&planet, 0, 0, M_PI / 2);
    sat.ApplyOrbit();
    ExpectNear(Vector3(sat.position[0], sat.position[1], sat.position[2]), {0, 50, 0});
}

TEST(Object3D, AimedOrientationLooksAtTheTarget) {
    // The forward row points at the target: row 1 in the special basis (d.x = 0, until the
    // regular one has been used), row 2 in the regular one. At the object itself, the identity.
    Object3D o("probe", 0, 0, 0), leader("leader", 0, -300, 0);
    Vector3 target;
    o.FollowPoint(&target);
    struct Step {
        Vector3 to;
        int row;
    };
    for (const Step& s : {Step{{0, 100, 0}, 1}, Step{{100, 100, 0}, 2}, Step{{0, 100, 50}, 2}, Step{{0, 0, 0}, -1},
                          Step{{0, 0, 500}, 1}, Step{{0, -300, 0}, 1}}) {
        target = s.to;
        if (s.to.y == -300) o.FollowObject(&leader);
        o.UpdateRotation();
        EXPECT_EQ(o.aimFlipped, s.row == 2);
        ExpectRotation(o.rotation);
        ExpectNear(Row(o.rotation, s.row < 0 ? 2 : s.row), s.row < 0 ? Vector3(0, 0, 1) : Normalized(s.to));
        EXPECT_TRUE(s.row >= 0 || o.rotation == Matrix3::Identity());
    }
}

// A flat strip of faces sharing corners, as a reader builds it.
void BuildFan(Object3D& o) {
    o.AddFaceAt(0, 0, 0, 10, 0, 0, 0, 10, 0, nullptr, nullptr);
    o.AddFaceAt(10, 0, 0, 10, 10, 0, 0, 10, 0, nullptr, nullptr);
    o.AddFaceAt(10, 0, 0, 20, 0, 0, 10, 10, 0, nullptr, nullptr);
}

TEST(Object3D, ExplodeUnsharesCornersDropsCullingAndFragmentsFallWithinTheirSpeed) {
    Object3D o;
    BuildFan(o);
    ASSERT_EQ(o.GetVertexCount(), 5);
    o.ComputeVertexNormals();
    o.flags = kCull | kGouraud | kSolid | kTextured;
    o.Explode(2.0, 0, 0);
    std::set<const Vertex*> seen;
    for (int f = 0; f < o.GetFaceCount(); ++f)
        for (const Vertex* v : {o.GetFace(f)->a, o.GetFace(f)->b, o.GetFace(f)->c})
            EXPECT_TRUE(seen.insert(v).second) << "a corner is still shared";
    EXPECT_EQ(o.GetVertexCount(), 9);
    EXPECT_EQ(At(*o.GetFace(2)->a), Vector3(10, 0, 0));  // copies keep their place

    // The explosion drops culling once; later calls only turn.
    o.AdvanceExplode(0.1);
    EXPECT_EQ(o.flags, kGouraud | kSolid | kTextured);
    o.flags |= kCull;
    o.AdvanceExplode(0.1);
    EXPECT_EQ(o.flags, kCull | kGouraud | kSolid | kTextured);

    // The first step puts every corner in place; gravity then pulls the fragments down the
    // screen (+y), each step falling further than the last.
    o.rotation = Matrix3::Identity();
    o.position[0] = 100;
    o.SetGravity(1);
    const Vertex& corner = *o.GetFace(1)->b;
    o.ExplodeStep();
    EXPECT_EQ(Vector3(corner.wx, corner.wy, corner.wz), At(corner) + Vector3(100, 0, 0));
    double fall[3], y = corner.wy;
    for (double& f : fall) {
        o.ExplodeStep();
        f = corner.wy - y, y = corner.wy;
    }
    EXPECT_TRUE(fall[2] > fall[1] && fall[1] > 0) << fall[1] << " " << fall[2];

    // Random speeds stay within the given one, on each axis on the side the normal points to.
    Object3D r;
    BuildFan(r);
    r.Explode(3.0, 0, 1);
    for (int f = 0; f < r.GetFaceCount(); ++f) {
        const Face& face = *r.GetFace(f);
        const double n[3] = {face.normal.x, face.normal.y, face.normal.z};
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(std::fabs(face.velocity[k]) <= 3.0 && (n[k] < 0 ? face.velocity[k] <= 0 : face.velocity[k] >= 0)) << f << " " << k;
    }
}

}  // namespace
