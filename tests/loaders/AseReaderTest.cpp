#include <string>

#include "loaders/LoaderFixture.h"

using modelfiles::MakeAse;
using modelfiles::Mesh;

namespace {

using AseReader = LoaderTest;

// Removes the first occurrence of what after the text at from.
void Cut(std::string& text, const std::string& from, const std::string& what) {
    const std::size_t at = text.find(what, text.find(from));
    ASSERT_NE(at, std::string::npos) << what;
    text.erase(at, what.size());
}

// Each object's keywords are looked for only up to the next object: an object written without
// mapping or material never takes the next one's, nor is it lost.
TEST_F(AseReader, EachObjectKeepsItsOwnMappingAndMaterial) {
    Mesh bare = Quad("Bare");
    bare.points.push_back({0, 0, 0});  // point 4 repeats point 0: it is the same vertex
    bare.faces = {{4, 1, 2}, {0, 2, 3}};
    bare.mapping.clear();
    Mesh hull = Quad("Hull");
    hull.mapping[0] = {0.5f, 0.125f};
    Mesh zero = Quad("Zero"), noRef = Quad("NoRef"), far = Quad("Far");
    zero.mapping.clear();
    noRef.materialRef = 0;
    far.materialRef = 1;
    // Material 0 has no bitmap: the first "*BITMAP" found is still material 0's. Material 1 is
    // then left without one, and the search stops at the objects instead of eating them.
    std::string text = MakeAse({std::nullopt, "maps\\rock.bmp", std::nullopt}, {bare, hull, zero, noRef, far});
    Cut(text, "\"Bare\"", "*MESH_NUMTVERTEX 0");
    Cut(text, "\"NoRef\"", "*MATERIAL_REF 0");
    world.LoadAse(Write("objects.ase", text).c_str());
    // The unmapped object alone: the file ends where its mapping would have been.
    world.LoadAse(Write("bare.ase", text.substr(0, text.find("*GEOMOBJECT", text.find("Bare")))).c_str());

    ASSERT_EQ(world.objectCount, 6);
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"maps\\rock"}));
    for (int i : {0, 5}) {
        Object3D* o = Object(i);
        EXPECT_STREQ(o->name, "Bare");
        EXPECT_EQ(o->textured, 0);
        EXPECT_EQ(o->vertexCount, 4);
        ASSERT_EQ(o->faceCount, 2);
        for (int f : {0, 1}) EXPECT_EQ(o->GetFace(f)->texture, -1);
    }
    // Hull's own mapping, v turned over, and its own material.
    const Face* h = Object(1)->GetFace(0);
    EXPECT_EQ(Object(1)->textured, 1);
    EXPECT_DOUBLE_EQ(h->u0, 0.5);
    EXPECT_DOUBLE_EQ(h->v0, 0.875);
    EXPECT_EQ(h->texture, TextureOf("maps\\rock"));
    EXPECT_EQ(Object(2)->textured, 0);  // "*MESH_NUMTVERTEX 0"
    // Mapped but without "*MATERIAL_REF": its own mapping, no texture.
    EXPECT_EQ(Object(3)->textured, 1);
    EXPECT_EQ(Object(3)->GetFace(1)->texture, -1);
    EXPECT_DOUBLE_EQ(Object(3)->GetFace(0)->v0, 0.75);
    EXPECT_EQ(Object(4)->GetFace(1)->texture, -1);  // material 1 has no bitmap
}

// Faces refused (two corners on one point, corners outside the point table) keep their place:
// the mapping lines after them still reach their own faces; mapping points outside the table
// are skipped.
TEST_F(AseReader, RefusedFacesAndNumbersOutsideTheirTablesAreSkipped) {
    Mesh m = Quad("My Box");
    m.points.push_back({1, 0, 0});  // point 4 merges with point 1
    m.faces = {{1, 4, 2}, {0, 2, 99}, {-1, 2, 3}, {0, 2, 3}, {0, 1, 2}};
    m.mappingFaces = {{1, 1, 1}, {0, 0, 0}, {0, 0, 0}, {3, 2, 1}, {-4, 1, 50}};
    world.LoadAse(Write("q.ase", MakeAse({"t.bmp"}, {m})).c_str());
    ASSERT_EQ(world.objectCount, 1);
    Object3D* q = Object(0);
    EXPECT_STREQ(q->name, "M");  // a blank ends the token: the first word, less its last character
    ASSERT_EQ(q->faceCount, 2);
    const Face* f = q->GetFace(0);
    EXPECT_DOUBLE_EQ(f->u0, 0.0);  // mapping point 3 = (0, 1): face 3's own line
    EXPECT_DOUBLE_EQ(f->u1, 1.0);
    EXPECT_EQ(f->texture, TextureOf("t"));
    const Face* g = q->GetFace(1);
    EXPECT_DOUBLE_EQ(g->u0, 0.0);  // -4 skipped
    EXPECT_DOUBLE_EQ(g->u1, 1.0);
    EXPECT_DOUBLE_EQ(g->v2, 0.0);  // 50 skipped

    // Counts far beyond what the file holds end the object, whatever their size.
    const std::string huge = "*MATERIAL_COUNT 2147483647 *BITMAP \"a.bmp\" *GEOMOBJECT { *NODE_NAME \"X\" "
                             "*MESH_NUMVERTEX 99999999999 *MESH_NUMFACES 2000000000 *MESH_VERTEX 0 1 2 3";
    world.LoadAse(Write("huge.ase", huge).c_str());
    EXPECT_EQ(world.objectCount, 1);
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"t", "a"}));
}

}  // namespace
