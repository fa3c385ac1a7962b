#include <memory>
#include <vector>

#include "engine/loaders/ModelReaders.h"
#include "loaders/LoaderFixture.h"

using modelfiles::MakeAse;
using modelfiles::Mesh;

namespace {

using AseReader = LoaderTest;

TEST_F(AseReader, ReadsPointsFacesMappingAndMaterialOfEachObject) {
    // The first object has no mapping and so no "*MATERIAL_REF"; it must not read the next one's.
    Mesh wing = Quad("Wing");
    wing.points.push_back({0, 0, 0});  // point 4 repeats point 0: it is the same vertex
    wing.faces = {{4, 1, 2}, {0, 2, 3}};
    wing.mapping.clear();
    Mesh hull = Quad("Hull");
    hull.materialRef = 1;
    world.LoadAse(Write("two.ase", MakeAse({"maps\\steel.bmp", "hull.bmp"}, {wing, hull})).c_str());

    ASSERT_EQ(world.objectCount, 2);
    Object3D* w = Object(0);
    EXPECT_STREQ(w->name, "Wing");
    EXPECT_EQ(w->vertexCount, 4);
    EXPECT_EQ(w->faceCount, 2);
    EXPECT_EQ(w->GetFace(0)->a, w->GetFace(1)->a);
    EXPECT_EQ(w->textured, 0);
    EXPECT_EQ(w->GetFace(0)->texture, 0);

    Object3D* h = Object(1);
    EXPECT_STREQ(h->name, "Hull");
    EXPECT_EQ(h->vertexCount, 4);
    EXPECT_EQ(h->faceCount, 2);
    EXPECT_EQ(h->textured, 1);
    // Both bitmaps are loaded, path kept and extension cut; material 1 is the second.
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"maps\\steel", "hull"}));
    EXPECT_EQ(h->GetFace(0)->texture, TextureOf("hull"));
    EXPECT_EQ(h->GetFace(1)->texture, TextureOf("hull"));
    // Face 0 uses mapping points 0, 1, 2; v is turned over.
    const Face* f = h->GetFace(0);
    EXPECT_DOUBLE_EQ(f->u0, 0.0);
    EXPECT_DOUBLE_EQ(f->v0, 0.75);
    EXPECT_DOUBLE_EQ(f->u1, 1.0);
    EXPECT_DOUBLE_EQ(f->v1, 1.0);
    EXPECT_DOUBLE_EQ(f->v2, 0.0);
    EXPECT_EQ(world.pointTotal, 8);
    EXPECT_EQ(world.faceTotal, 4);
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
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"rock"}));
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

TEST_F(AseReader, IndicesOutsideTheirTablesAreSkippedAndNamesCutAtABlank) {
    Mesh m = Quad("My Box");
    m.faces = {{0, 1, 2}, {0, 2, 99}, {-1, 2, 3}, {0, 2, 3}};
    m.mappingFaces = {{0, 1, 50}, {0, 0, 0}, {0, 0, 0}, {-4, 1, 2}};
    world.LoadAse(Write("q.ase", MakeAse({"t.bmp"}, {m})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    // A blank ends the token: the first word, less its last character.
    EXPECT_STREQ(q->name, "M");
    ASSERT_EQ(q->faceCount, 2);
    EXPECT_DOUBLE_EQ(q->GetFace(0)->v1, 1.0);   // mapping point 1 taken
    EXPECT_DOUBLE_EQ(q->GetFace(0)->u2, 0.0);   // mapping point 50 skipped
    EXPECT_DOUBLE_EQ(q->GetFace(1)->u1, 1.0);   // mapping point 1 for corner b
    EXPECT_DOUBLE_EQ(q->GetFace(1)->u0, 0.0);   // -4 skipped
}

TEST_F(AseReader, CutFilesAndHugeCountsKeepOnlyTheObjectsCompleted) {
    const std::string full = MakeAse({"t.bmp"}, {Quad("One"), Quad("Two")});
    const std::string cut = full.substr(0, full.find("*MESH_FACE_LIST", full.find("\"Two\"")));
    world.LoadAse(Write("cut.ase", cut).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "One");
    DeleteObjects();

    const std::string huge =
        "*MATERIAL_COUNT 2147483647 *BITMAP \"a.bmp\" *GEOMOBJECT { *NODE_NAME \"X\" *MESH { "
        "*MESH_NUMVERTEX 99999999999 *MESH_NUMFACES 2000000000 *MESH_VERTEX 0 1 2 3 *MESH_VERTEX 1 4 5 6 }";
    world.LoadAse(Write("h.ase", huge).c_str());
    EXPECT_EQ(world.objectCount, 0);
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"t", "a"}));
}

TEST(AseReaderRobustness, EveryTruncationAndByteChangeIsSurvived) {
    Mesh b = Quad("B");
    b.materialRef = 1;
    RecordingRenderer renderer;
    ExpectSurvivesDamage(MakeAse({"x.bmp", "y.bmp"}, {Quad("A"), b}), 2, 3, {'*', '"', ' ', '9', 0xFF},
                         [&](std::string_view text) {
                             int n = 0;
                             ReadAse(text, &renderer, [&](std::unique_ptr<Object3D> o) {
                                 EXPECT_LE(o->faceCount, 2);
                                 ++n;
                             });
                             return n;
                         });
}

}  // namespace
