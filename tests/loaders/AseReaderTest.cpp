#include <memory>
#include <vector>

#include "engine/loaders/ModelReaders.h"
#include "loaders/LoaderFixture.h"

using modelfiles::MakeAse;
using modelfiles::Mesh;

namespace {

using AseReader = LoaderTest;

TEST_F(AseReader, ReadsPointsFacesMappingAndMaterialOfEachObject) {
    Mesh a = Quad("Hull");
    a.materialRef = 1;
    Mesh b = Quad("Wing");
    b.points.push_back({0, 0, 0});  // point 4 repeats point 0: it is the same vertex
    b.faces = {{4, 1, 2}, {0, 2, 3}};
    b.mapping.clear();
    world.LoadAse(Write("two.ase", MakeAse({"maps\\steel.bmp", "hull.bmp"}, {a, b})).c_str());

    ASSERT_EQ(world.objectCount, 2);
    Object3D* hull = Object(0);
    EXPECT_STREQ(hull->name, "Hull");
    EXPECT_EQ(hull->vertexCount, 4);
    EXPECT_EQ(hull->faceCount, 2);
    EXPECT_EQ(hull->textured, 1);
    // Both bitmaps are loaded, path kept and extension cut; material 1 is the second.
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"maps\\steel", "hull"}));
    EXPECT_EQ(hull->GetFace(0)->texture, TextureOf("hull"));
    EXPECT_EQ(hull->GetFace(1)->texture, TextureOf("hull"));
    // Face 0 uses mapping points 0, 1, 2; v is turned over.
    const Face* f = hull->GetFace(0);
    EXPECT_DOUBLE_EQ(f->u0, 0.0);
    EXPECT_DOUBLE_EQ(f->v0, 0.75);
    EXPECT_DOUBLE_EQ(f->u1, 1.0);
    EXPECT_DOUBLE_EQ(f->v1, 1.0);
    EXPECT_DOUBLE_EQ(f->v2, 0.0);

    Object3D* wing = Object(1);
    EXPECT_STREQ(wing->name, "Wing");
    EXPECT_EQ(wing->vertexCount, 4);
    EXPECT_EQ(wing->faceCount, 2);
    EXPECT_EQ(wing->GetFace(0)->a, wing->GetFace(1)->a);
    EXPECT_EQ(wing->textured, 0);
    EXPECT_EQ(world.pointTotal, 8);
    EXPECT_EQ(world.faceTotal, 4);
}

TEST_F(AseReader, UnmappedObjectDoesNotReadTheNextObjectsMaterial) {
    // The first object has no mapping and so no "*MATERIAL_REF"; the second's must stay its own.
    Mesh plain = Quad("Plain");
    plain.mapping.clear();
    Mesh mapped = Quad("Mapped");
    mapped.materialRef = 1;
    world.LoadAse(Write("m.ase", MakeAse({"a.bmp", "b.bmp"}, {plain, mapped})).c_str());
    ASSERT_EQ(world.objectCount, 2);
    EXPECT_EQ(Object(1)->GetFace(0)->texture, TextureOf("b"));
    EXPECT_EQ(Object(0)->GetFace(0)->texture, 0);
}

TEST_F(AseReader, BitmapsGoToMaterialsInOrderAndMissingOnesGiveNoTexture) {
    // Material 0 has no bitmap: the first "*BITMAP" found is still material 0's. Material 1 is
    // then left without one, and the search stops at the objects instead of eating them.
    Mesh first = Quad("First");
    first.materialRef = 0;
    Mesh second = Quad("Second");
    second.materialRef = 1;
    Mesh third = Quad("Third");
    third.materialRef = 7;  // no such material
    world.LoadAse(Write("m.ase", MakeAse({std::nullopt, "rock.bmp", std::nullopt}, {first, second, third})).c_str());
    ASSERT_EQ(world.objectCount, 3);
    EXPECT_EQ(Object(0)->GetFace(0)->texture, TextureOf("rock"));
    EXPECT_EQ(Object(1)->GetFace(0)->texture, -1);
    EXPECT_EQ(Object(2)->GetFace(1)->texture, -1);
    EXPECT_EQ(LoadTextureCalls(), 1);
}

TEST_F(AseReader, RefusedFaceGetsNeitherMappingNorMaterialAndLaterFacesStayAligned) {
    Mesh m = Quad("Q");
    m.points.push_back({1, 0, 0});        // point 4 merges with point 1
    m.faces = {{1, 4, 2}, {0, 2, 3}};     // face 0 has two corners on one point
    m.mappingFaces = {{1, 1, 1}, {3, 2, 1}};
    world.LoadAse(Write("q.ase", MakeAse({"t.bmp"}, {m})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    ASSERT_EQ(q->faceCount, 1);
    const Face* f = q->GetFace(0);
    EXPECT_DOUBLE_EQ(f->u0, 0.0);  // mapping point 3 = (0, 1): face 1's own line, not face 0's
    EXPECT_DOUBLE_EQ(f->v0, 0.0);
    EXPECT_DOUBLE_EQ(f->u2, 1.0);
    EXPECT_EQ(f->texture, TextureOf("t"));
}

TEST_F(AseReader, NodeNamesLoseTheirQuotes) {
    Mesh m = Quad("My Box");
    world.LoadAse(Write("n.ase", MakeAse({"t.bmp"}, {Quad("Box01"), m})).c_str());
    ASSERT_EQ(world.objectCount, 2);
    EXPECT_STREQ(Object(0)->name, "Box01");
    // A blank ends the token: the first word, less its last character.
    EXPECT_STREQ(Object(1)->name, "M");
}

TEST_F(AseReader, IndicesOutsideTheirTablesAreSkipped) {
    Mesh m = Quad("Q");
    m.faces = {{0, 1, 2}, {0, 2, 99}, {-1, 2, 3}, {0, 2, 3}};
    m.mappingFaces = {{0, 1, 50}, {0, 0, 0}, {0, 0, 0}, {-4, 1, 2}};
    std::string text = MakeAse({"t.bmp"}, {m});
    world.LoadAse(Write("q.ase", text).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    ASSERT_EQ(q->faceCount, 2);
    EXPECT_DOUBLE_EQ(q->GetFace(0)->v1, 1.0);   // mapping point 1 taken
    EXPECT_DOUBLE_EQ(q->GetFace(0)->u2, 0.0);   // mapping point 50 skipped
    EXPECT_DOUBLE_EQ(q->GetFace(1)->u1, 1.0);   // mapping point 1 for corner b
    EXPECT_DOUBLE_EQ(q->GetFace(1)->u0, 0.0);   // -4 skipped
}

TEST_F(AseReader, FileEndingInsideAnObjectKeepsTheObjectsBefore) {
    const std::string full = MakeAse({"t.bmp"}, {Quad("One"), Quad("Two")});
    const std::string cut = full.substr(0, full.find("*MESH_FACE_LIST", full.find("\"Two\"")));
    world.LoadAse(Write("cut.ase", cut).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "One");
}

TEST_F(AseReader, HugeCountsStopAtTheEndOfTheFile) {
    const std::string text =
        "*MATERIAL_COUNT 2147483647 *BITMAP \"a.bmp\" *GEOMOBJECT { *NODE_NAME \"X\" *MESH { "
        "*MESH_NUMVERTEX 99999999999 *MESH_NUMFACES 2000000000 *MESH_VERTEX 0 1 2 3 *MESH_VERTEX 1 4 5 6 }";
    world.LoadAse(Write("h.ase", text).c_str());
    EXPECT_EQ(world.objectCount, 0);
    EXPECT_EQ(LoadTextureCalls(), 1);
}

// Every prefix of a valid file: nothing breaks, and no prefix yields more than the whole.
TEST(AseReaderRobustness, EveryTruncationAndByteChangeIsSurvived) {
    Mesh a = Quad("A");
    Mesh b = Quad("B");
    b.materialRef = 1;
    const std::string full = MakeAse({"x.bmp", "y.bmp"}, {a, b});
    RecordingRenderer renderer;
    int completeAtEnd = 0;
    auto load = [&](std::string_view text) {
        int n = 0;
        ReadAse(text, &renderer, [&](std::unique_ptr<Object3D> o) {
            EXPECT_LE(o->faceCount, 2);
            ++n;
        });
        return n;
    };
    completeAtEnd = load(full);
    ASSERT_EQ(completeAtEnd, 2);
    for (std::size_t len = 0; len < full.size(); ++len) ASSERT_LE(load(full.substr(0, len)), 2) << len;
    std::string changed = full;
    for (std::size_t i = 0; i < changed.size(); i += 3) {
        const char keep = changed[i];
        changed[i] = static_cast<char>((keep * 7 + 13) & 0xFF);
        load(changed);
        changed[i] = keep;
    }
}

}  // namespace
