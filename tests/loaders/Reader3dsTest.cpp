#include <string>
#include <vector>

#include "loaders/LoaderFixture.h"

using modelfiles::Chunk;
using modelfiles::Make3ds;
using modelfiles::Mesh;
using modelfiles::NamedObject;

namespace {

using Reader3dsTest = LoaderTest;

// Names keep at most eleven characters; the rest of a longer one is passed over so that the
// walk stays in step with the chunk ids.
TEST_F(Reader3dsTest, ReadsEveryMeshWithItsNameMaterialsAndMapping) {
    Mesh a = Quad("Eleven_char");
    a.groups = {{"metal", {0}}, {"glass", {1}}};
    a.points.push_back({1, 1, 0});  // point 4 repeats point 2
    a.faces.push_back({0, 1, 4});   // the same corners as face 0: still a face of its own
    Mesh b = Quad("TwelveChars_and_more");
    b.groups = {{"metal", {0, 1}}};
    const std::vector<Chunk> chunks = {Chunk(0xAFFF).Add(Chunk(0xA000).Name("metal")), NamedObject(a), NamedObject(b),
                                       NamedObject(Quad(""), true)};
    world.Load3ds(Write("three.3ds", Make3ds(chunks)).c_str());

    ASSERT_EQ(world.objectCount, 3);
    Object3D* ship = Object(0);
    EXPECT_STREQ(ship->name, "Eleven_char");
    ASSERT_EQ(ship->faceCount, 3);
    EXPECT_EQ(ship->GetFace(2)->c, ship->GetFace(0)->c);
    // Two groups naming one material share its texture, loaded once.
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"metal", "glass"}));
    EXPECT_EQ(ship->GetFace(0)->texture, TextureOf("metal"));
    EXPECT_EQ(ship->GetFace(1)->texture, TextureOf("glass"));
    EXPECT_STREQ(Object(1)->name, "TwelveChars");
    EXPECT_EQ(Object(1)->GetFace(1)->texture, TextureOf("metal"));
    // The mapping list came before the faces: faces take their corners' mapping, v turned over.
    const Face* f = ship->GetFace(0);
    EXPECT_DOUBLE_EQ(f->v0, 0.75);
    EXPECT_DOUBLE_EQ(f->u1, 1.0);
    // A mapping list after the faces reaches only the points.
    EXPECT_STREQ(Object(2)->name, "No Name");
    const Face* late = Object(2)->GetFace(0);
    EXPECT_DOUBLE_EQ(late->a->v, 0.75);
    EXPECT_DOUBLE_EQ(late->v0, 0.0);
}

TEST_F(Reader3dsTest, OtherFilesLoadNothingAndOldVersionsEndTheProcess) {
    world.Load3ds(Write("not.3ds", "A text file, not chunks, long enough to hold a version byte").c_str());
    world.Load3ds(Write("junk.3ds", "MM starts like one, but holds no editor chunk at all").c_str());
    world.Load3ds(Write("short.3ds", std::string("\x4D\x4D\x0A\x00\x00\x00", 6)).c_str());
    EXPECT_EQ(world.objectCount, 0);
    const std::string old = Write("old.3ds", Make3ds({NamedObject(Quad("Old"))}, 2));
    EXPECT_EXIT(world.Load3ds(old.c_str()), ::testing::ExitedWithCode(-99 & 0xFF),
                "V3D Error: 3DS Format version not supported");
}

// Counts are clamped to what their chunk holds, indices outside their tables are skipped, and
// only material groups that follow the faces directly are read.
TEST_F(Reader3dsTest, BadIndicesAndCountsAreSkippedOrClamped) {
    Mesh m = Quad("Q");
    m.faces = {{0, 1, 2}, {0, 2, 400}, {0, 2, 3}};
    m.groups = {{"t", {2, 1, 9000}}};
    m.mapping.resize(2);  // fewer mapping points than points
    Chunk points(0x4110);
    points.U16(60000);  // far more than the chunk holds
    for (const auto& p : m.points) points.Float(p[0]).Float(p[1]).Float(p[2]);
    Chunk faces = modelfiles::FaceList(m);
    faces.Add(Chunk(0x4150).U32(1).U32(1));  // smoothing groups
    faces.Add(Chunk(0x4130).Name("late").U16(1).U16(0));
    Chunk mesh(0x4100);
    mesh.Add(points).Add(modelfiles::MappingList(m)).Add(faces);
    world.Load3ds(Write("bad.3ds", Make3ds({Chunk(0x4000).Name("Q").Add(mesh)})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    EXPECT_EQ(q->vertexCount, 4);
    ASSERT_EQ(q->faceCount, 2);
    EXPECT_EQ(q->GetFace(0)->texture, 0);
    EXPECT_EQ(q->GetFace(1)->texture, TextureOf("t"));
    EXPECT_EQ(TextureOf("late"), -100);
}

TEST_F(Reader3dsTest, ChunkLengthsThatAreZeroOrTooLongEndTheirWalk) {
    // A zero length inside the editor chunk must still move the walk on past it.
    std::string bytes = Make3ds({Chunk(0x2100), NamedObject(Quad("Kept"))});
    const std::size_t at = bytes.find(std::string("\x00\x21\x06\x00\x00\x00", 6));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 2] = 0;
    world.Load3ds(Write("zero.3ds", bytes).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "Kept");

    // A mesh chunk longer than its object is dropped; the object after it is still found.
    std::string object = Chunk(0x4000).Name("Long").Add(modelfiles::TriMesh(Quad("Long"))).Bytes();
    object[6 + 5 + 2 + 3] = '\x7F';  // the mesh length's high byte
    Chunk editor(0x3D3D);
    editor.Add(Chunk(0x3D3E).U32(3)).Raw(object).Add(NamedObject(Quad("After")));
    Chunk main(0x4D4D);
    main.Add(Chunk(0x0002).U32(3)).Add(editor);
    world.Load3ds(Write("long.3ds", main.Bytes()).c_str());
    ASSERT_EQ(world.objectCount, 2);
    EXPECT_STREQ(Object(1)->name, "After");
}

}  // namespace
