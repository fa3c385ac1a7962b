#include <memory>
#include <string>

#include "engine/loaders/ModelReaders.h"
#include "loaders/LoaderFixture.h"

using modelfiles::MakeAsc;
using modelfiles::Mesh;

namespace {

using AscReader = LoaderTest;

Mesh Plain(const std::string& name) {
    Mesh m = Quad(name);
    m.mapping.clear();
    return m;
}

TEST_F(AscReader, ReadsMeshesAndPassesOverOtherObjects) {
    Mesh box = Plain("Box");
    box.points.push_back({0, 0, 0});  // point 4 repeats point 0
    box.faces.push_back({4, 1, 3});
    std::string text = MakeAsc({box});
    text += "Named object: \"Lamp\"\nDirect light\nPosition:  X:1 Y:2 Z:3\n\n";
    text += "Named Object: \"Two Words\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex list:\n";
    text += "Vertex 0: X:0 Y:0 Z:0\nVertex 1: X:1 Y:0 Z:0\nVertex 2: X:0 Y:1 Z:0\nFace list:\nFace 0: A:0 B:1 C:2\n";
    // Capital "Object:", and coordinates written after their labels.
    text += "Named Object: \"Spaced\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex list:\n";
    text += "Vertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 2.5 Y: 0 Z: 0\nVertex 2: X:0 Y: -1e1 Z:0\nFace list:\n";
    text += "Face 0: A:0 B:1 C:2 AB:1 BC:1 CA:1\n";
    world.LoadAsc(Write("scene.asc", text).c_str());

    ASSERT_EQ(world.objectCount, 2);
    Object3D* b = Object(0);
    EXPECT_STREQ(b->name, "Box");
    EXPECT_EQ(b->vertexCount, 4);
    EXPECT_EQ(b->faceCount, 3);
    EXPECT_EQ(b->GetFace(2)->a, b->GetFace(0)->a);
    EXPECT_EQ(b->textured, 0);
    // The light and the object whose name holds a blank are passed over.
    Object3D* s = Object(1);
    EXPECT_STREQ(s->name, "Spaced");
    ASSERT_EQ(s->vertexCount, 3);
    EXPECT_DOUBLE_EQ(s->GetVertex(1)->x, 2.5);
    EXPECT_DOUBLE_EQ(s->GetVertex(2)->y, -10.0);
}

// A mapped mesh is textured while every face names a material; the first face without one
// makes the object untextured and the material lines after it are never looked for, even when
// that face is the file's last.
TEST_F(AscReader, FacesTakeTheirMaterialsUntilOneHasNone) {
    Mesh patchy = Quad("Patchy");
    patchy.faces = {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}, {0, 1, 3}};
    patchy.faceMaterials = {"A", "B", "", "C"};
    Mesh mapped = Quad("Mapped");
    mapped.faces.push_back({1, 2, 3});
    mapped.faceMaterials = {"D", "D", "D"};
    Mesh end = Quad("End");
    end.faceMaterials = {"A"};
    world.LoadAsc(Write("p.asc", MakeAsc({patchy, mapped, end})).c_str());
    ASSERT_EQ(world.objectCount, 3);
    Object3D* o = Object(0);
    EXPECT_EQ(o->textured, 0);
    ASSERT_EQ(o->faceCount, 4);
    EXPECT_EQ(o->GetFace(0)->texture, TextureOf("A"));
    EXPECT_EQ(o->GetFace(1)->texture, TextureOf("B"));
    EXPECT_EQ(o->GetFace(2)->texture, 0);
    EXPECT_EQ(o->GetFace(3)->texture, 0);
    EXPECT_EQ(TextureOf("C"), -100);
    EXPECT_EQ(Object(1)->textured, 1);
    ASSERT_EQ(Object(1)->faceCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Object(1)->GetFace(i)->texture, TextureOf("D"));
    EXPECT_EQ(Object(2)->faceCount, 2);
    EXPECT_EQ(Object(2)->textured, 0);
}

TEST_F(AscReader, BadCornersAndMaterialsAreSkipped) {
    std::string text =
        "Named object: \"Q\"\nTri-mesh, Vertices: 4 Faces: 4\nMapped Vertex list:\n"
        "Vertex 0: X:0 Y:0 Z:0 U:0 V:0\nVertex 1: X:1 Y:0 Z:0 U:0 V:0\n"
        "Vertex 2: X:1 Y:1 Z:0 U:0 V:0\nVertex 3: X:0 Y:1 Z:0 U:0 V:0\nFace list:\n"
        "Face 0: A:0 B:1 C:77\nMaterial:\"A\"\n"
        "Face 1: A:-3 B:1 C:2\nMaterial:\"A\"\n"
        "Face 2: A:0 B:1 C:2\nMaterial:NoQuote\n"
        "Face 3: A:0 B:2 C:3\nMa\n";
    world.LoadAsc(Write("bad.asc", text).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* o = Object(0);
    ASSERT_EQ(o->faceCount, 2);
    EXPECT_EQ(o->GetFace(0)->texture, -1);
    EXPECT_EQ(o->GetFace(1)->texture, -1);
    EXPECT_TRUE(renderer.loadedTextures.empty());
}

TEST_F(AscReader, FileEndingInsideAnObjectKeepsTheObjectsBefore) {
    const std::string full = MakeAsc({Plain("One"), Plain("Two")});
    world.LoadAsc(Write("cut.asc", full.substr(0, full.rfind("Face 1:"))).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "One");
}

TEST(AscReaderRobustness, EveryTruncationAndByteChangeIsSurvived) {
    Mesh a = Quad("A");
    a.faceMaterials = {"x", "y"};
    RecordingRenderer renderer;
    ExpectSurvivesDamage(MakeAsc({a, Plain("B")}), 2, 2, {':', '"', ' ', '-', 0xFF}, [&](std::string_view text) {
        int n = 0;
        ReadAsc(text, &renderer, [&](std::unique_ptr<Object3D> o) {
            EXPECT_LE(o->faceCount, 2);
            ++n;
        });
        return n;
    });
}

}  // namespace
