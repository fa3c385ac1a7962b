#include <string>

#include "loaders/LoaderFixture.h"

using modelfiles::MakeAsc;
using modelfiles::Mesh;

namespace {

using AscReader = LoaderTest;

TEST_F(AscReader, ReadsMeshesSkippingFacesOutsideThePointTable) {
    Mesh box = Quad("Box");
    box.mapping.clear();
    box.points.push_back({0, 0, 0});  // point 4 repeats point 0
    box.faces.push_back({4, 1, 3});
    box.faces.push_back({0, 1, 77});  // corner outside the point table
    box.faces.push_back({-3, 1, 2});
    std::string text = MakeAsc({box});
    // Capital "Object:", and coordinates written after their labels.
    text += "Named Object: \"Spaced\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex list:\n";
    text += "Vertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 2.5 Y: 0 Z: 0\nVertex 2: X:0 Y: -1e1 Z:0\nFace list:\n";
    text += "Face 0: A:0 B:1 C:2 AB:1 BC:1 CA:1\n";
    world.LoadAsc(Write("scene.asc", text).c_str());

    ASSERT_EQ(world.objectCount, 2);
    Object3D* b = Object(0);
    EXPECT_STREQ(b->name, "Box");
    EXPECT_EQ(b->vertexCount, 4);
    ASSERT_EQ(b->faceCount, 3);
    EXPECT_EQ(b->GetFace(2)->a, b->GetFace(0)->a);
    Object3D* s = Object(1);
    EXPECT_STREQ(s->name, "Spaced");
    ASSERT_EQ(s->vertexCount, 3);
    EXPECT_DOUBLE_EQ(s->GetVertex(1)->x, 2.5);
    EXPECT_DOUBLE_EQ(s->GetVertex(2)->y, -10.0);
}

// A mapped mesh is textured while every face names a material; the first face without one
// makes the object untextured and the material lines after it are never looked for, even when
// that face is the file's last. A material line naming no picture leaves its face untextured.
TEST_F(AscReader, FacesTakeTheirMaterialsUntilOneHasNone) {
    Mesh patchy = Quad("Patchy");
    patchy.faces = {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}, {0, 1, 3}};
    patchy.faceMaterials = {"A", "B", "", "C"};
    Mesh mapped = Quad("Mapped");
    mapped.faces.push_back({1, 2, 3});
    mapped.faceMaterials = {"D", "D", "D"};
    Mesh end = Quad("End");
    end.faceMaterials = {"A"};
    const std::string text = MakeAsc({patchy, mapped}) +
                             "Named object: \"Q\"\nTri-mesh, Vertices: 3 Faces: 2\nMapped Vertex list:\n"
                             "Vertex 0: X:0 Y:0 Z:0 U:0 V:0\nVertex 1: X:1 Y:0 Z:0 U:0 V:0\n"
                             "Vertex 2: X:1 Y:1 Z:0 U:0 V:0\nFace list:\nFace 0: A:0 B:1 C:2\nMaterial:NoQuote\n"
                             "Face 1: A:0 B:2 C:1\nMa\n" +
                             MakeAsc({end});
    world.LoadAsc(Write("p.asc", text).c_str());
    ASSERT_EQ(world.objectCount, 4);
    Object3D* o = Object(0);
    EXPECT_EQ(o->textured, 0);
    ASSERT_EQ(o->faceCount, 4);
    EXPECT_EQ(o->GetFace(0)->texture, TextureOf("A"));
    EXPECT_EQ(o->GetFace(1)->texture, TextureOf("B"));
    for (int f : {2, 3}) EXPECT_EQ(o->GetFace(f)->texture, 0);
    EXPECT_EQ(Object(1)->textured, 1);
    ASSERT_EQ(Object(1)->faceCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Object(1)->GetFace(i)->texture, TextureOf("D"));
    ASSERT_EQ(Object(2)->faceCount, 2);
    for (int f : {0, 1}) EXPECT_EQ(Object(2)->GetFace(f)->texture, -1);
    EXPECT_EQ(Object(3)->textured, 0);
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"A", "B", "D"}));
}

}  // namespace
