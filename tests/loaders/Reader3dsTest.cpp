#include <memory>
#include <string>
#include <vector>

#include "engine/loaders/Reader3ds.h"
#include "loaders/LoaderFixture.h"

using modelfiles::Chunk;
using modelfiles::Make3ds;
using modelfiles::Mesh;

namespace {

using Reader3dsTest = LoaderTest;

Mesh Textured(const std::string& name) {
    Mesh m = Quad(name);
    m.groups = {{"metal", {0}}, {"glass", {1}}};
    return m;
}

TEST_F(Reader3dsTest, ReadsEveryMeshWithItsMaterialsAndMapping) {
    Mesh a = Textured("Ship");
    a.points.push_back({1, 1, 0});  // point 4 repeats point 2
    a.faces.push_back({0, 1, 4});   // the same corners as face 0: still a face of its own
    Mesh b = Quad("Rock");
    b.groups = {{"metal", {0, 1}}};
    const std::vector<Chunk> chunks = {Chunk(0xAFFF).Add(Chunk(0xA000).Name("metal")), modelfiles::NamedObject(a),
                                       modelfiles::NamedObject(b), modelfiles::NamedObject(Quad("Late"), true)};
    world.Load3ds(Write("three.3ds", Make3ds(chunks)).c_str());

    ASSERT_EQ(world.objectCount, 3);
    Object3D* ship = Object(0);
    EXPECT_STREQ(ship->name, "Ship");
    EXPECT_EQ(ship->vertexCount, 4);
    EXPECT_EQ(ship->faceCount, 3);
    EXPECT_EQ(ship->GetFace(2)->c, ship->GetFace(0)->c);
    EXPECT_EQ(ship->textured, 1);
    // Two groups naming one material share its texture, loaded once.
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"metal", "glass"}));
    EXPECT_EQ(ship->GetFace(0)->texture, TextureOf("metal"));
    EXPECT_EQ(ship->GetFace(1)->texture, TextureOf("glass"));
    EXPECT_EQ(Object(1)->GetFace(1)->texture, TextureOf("metal"));
    // The mapping list came before the faces: faces take their corners' mapping, v turned over.
    const Face* f = ship->GetFace(0);
    EXPECT_DOUBLE_EQ(f->a->v, 0.75);
    EXPECT_DOUBLE_EQ(f->v0, 0.75);
    EXPECT_DOUBLE_EQ(f->u1, 1.0);
    EXPECT_DOUBLE_EQ(f->v2, 0.0);
    EXPECT_STREQ(Object(1)->name, "Rock");
    // A mapping list after the faces reaches only the points.
    const Face* late = Object(2)->GetFace(0);
    EXPECT_DOUBLE_EQ(late->a->v, 0.75);
    EXPECT_DOUBLE_EQ(late->b->u, 1.0);
    EXPECT_DOUBLE_EQ(late->v0, 0.0);
    EXPECT_DOUBLE_EQ(late->u1, 0.0);
}

TEST_F(Reader3dsTest, NamesAreCutAtElevenCharactersAndTheWalkStaysInStep) {
    const std::vector<Chunk> chunks = {modelfiles::NamedObject(Quad("Eleven_char")),
                                       modelfiles::NamedObject(Quad("TwelveChars_and_more")),
                                       modelfiles::NamedObject(Quad(""))};
    world.Load3ds(Write("names.3ds", Make3ds(chunks)).c_str());
    ASSERT_EQ(world.objectCount, 3);
    EXPECT_STREQ(Object(0)->name, "Eleven_char");
    EXPECT_STREQ(Object(1)->name, "TwelveChars");
    EXPECT_EQ(Object(1)->faceCount, 2);
    EXPECT_STREQ(Object(2)->name, "No Name");
}

TEST_F(Reader3dsTest, MaterialGroupAfterAnotherFaceSubChunkIsNotRead) {
    Mesh m = Quad("Q");
    Chunk faces = modelfiles::FaceList(m);
    faces.Add(Chunk(0x4150).U32(1).U32(1));  // smoothing groups
    faces.Add(Chunk(0x4130).Name("late").U16(1).U16(0));
    Chunk mesh(0x4100);
    mesh.Add(modelfiles::PointList(m)).Add(faces);
    world.Load3ds(Write("q.3ds", Make3ds({Chunk(0x4000).Name("Q").Add(mesh)})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_EQ(Object(0)->faceCount, 2);
    EXPECT_TRUE(renderer.loadedTextures.empty());
}

TEST_F(Reader3dsTest, OtherFilesLoadNothingAndOldVersionsEndTheProcess) {
    world.Load3ds(Write("not.3ds", "A text file, not chunks, long enough to hold a version byte").c_str());
    world.Load3ds(Write("junk.3ds", "MM starts like one, but holds no editor chunk at all").c_str());
    world.Load3ds(Write("short.3ds", std::string("\x4D\x4D\x0A\x00\x00\x00", 6)).c_str());
    EXPECT_EQ(world.objectCount, 0);
    const std::string old = Write("old.3ds", Make3ds({modelfiles::NamedObject(Quad("Old"))}, 2));
    EXPECT_EXIT(world.Load3ds(old.c_str()), ::testing::ExitedWithCode(-99 & 0xFF),
                "V3D Error: 3DS Format version not supported");
}

TEST_F(Reader3dsTest, BadIndicesAndCountsAreSkippedOrClamped) {
    Mesh m = Quad("Q");
    m.faces = {{0, 1, 2}, {0, 2, 400}, {0, 2, 3}};
    m.groups = {{"t", {2, 1, 9000}}};
    m.mapping.resize(2);  // fewer mapping points than points
    Chunk points(0x4110);
    points.U16(60000);  // far more than the chunk holds
    for (const auto& p : m.points) points.Float(p[0]).Float(p[1]).Float(p[2]);
    Chunk mesh(0x4100);
    mesh.Add(points).Add(modelfiles::MappingList(m)).Add(modelfiles::FaceList(m));
    world.Load3ds(Write("bad.3ds", Make3ds({Chunk(0x4000).Name("Q").Add(mesh)})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    EXPECT_EQ(q->vertexCount, 4);
    ASSERT_EQ(q->faceCount, 2);
    EXPECT_EQ(q->GetFace(0)->texture, 0);
    EXPECT_EQ(q->GetFace(1)->texture, TextureOf("t"));
}

TEST_F(Reader3dsTest, CutFilesAndChunkLengthsThatAreZeroOrTooLongEndTheirWalk) {
    const std::string full = Make3ds({Textured("One"), Textured("Two")});
    const std::string two = std::string("Two") + '\0';
    const std::size_t cut = full.find(two) + two.size() + 20;  // inside the second mesh
    world.Load3ds(Write("cut.3ds", full.substr(0, cut)).c_str());
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "One");
    EXPECT_EQ(Object(0)->faceCount, 2);
    DeleteObjects();

    // A zero length inside the editor chunk, then a mesh chunk longer than its object.
    std::string bytes = Make3ds({Chunk(0x2100), modelfiles::NamedObject(Quad("Kept"))});
    // Patch the 0x2100 chunk's length to 0: the walk must still move on past it.
    const std::size_t at = bytes.find(std::string("\x00\x21\x06\x00\x00\x00", 6));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 2] = 0;
    world.Load3ds(Write("zero.3ds", bytes).c_str());
    ASSERT_EQ(world.objectCount, 1);
    DeleteObjects();

    Chunk mesh = modelfiles::TriMesh(Quad("Long"));
    std::string object = Chunk(0x4000).Name("Long").Add(mesh).Bytes();
    object[6 + 5 + 2 + 3] = '\x7F';  // mesh length's high byte: far past its object
    Chunk editor(0x3D3D);
    editor.Add(Chunk(0x3D3E).U32(3)).Raw(object).Add(modelfiles::NamedObject(Quad("After")));
    Chunk main(0x4D4D);
    main.Add(Chunk(0x0002).U32(3)).Add(editor);
    world.Load3ds(Write("long.3ds", main.Bytes()).c_str());
    // The cut mesh is dropped; the object after it is still found.
    ASSERT_EQ(world.objectCount, 1);
    EXPECT_STREQ(Object(0)->name, "After");
}

TEST(Reader3dsRobustness, EveryTruncationAndByteChangeIsSurvived) {
    RecordingRenderer renderer;
    ExpectSurvivesDamage(Make3ds({Textured("A"), Textured("B")}), 2, 1, {0x00, 0x01, 0x7F, 0xFF}, [&](const std::string& bytes) {
        Reader3ds reader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &renderer);
        reader.Read();
        for (const auto& o : reader.Objects()) EXPECT_LE(o->faceCount, 2);
        return static_cast<int>(reader.Objects().size());
    });
}

}  // namespace
