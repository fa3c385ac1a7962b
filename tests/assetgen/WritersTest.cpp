// The generator's writers against the engine's readers: what is written is what a reader builds.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "app/Globals.h"
#include "app/Paths.h"
#include "loaders/LoaderFixture.h"
#include "platform/os/Image.h"
#include "tools/assetgen/Pack.h"
#include "tools/assetgen/mesh/Mesh.h"
#include "tools/assetgen/writers/Bmp.h"
#include "tools/assetgen/writers/ModelWriters.h"
#include "tools/assetgen/writers/PathWriter.h"

namespace {

using namespace assetgen;

using Writers = LoaderTest;  // a world with a recording renderer, and files of the test's own

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

Mesh Named(Mesh m, const char* name, const char* texture) {
    m.name = name;
    m.texture = texture;
    return m;
}

// Both model writers against the engine's readers: names, merged points, textures, each
// corner's mapping with v turned back, and the winding.
TEST_F(Writers, ModelsComeBackAsWritten) {
    Mesh plaque("plaque", "wood");
    const int a = plaque.AddVertex({0, 0, 0}, 0, 1), b = plaque.AddVertex({8, 0, 0}, 1, 1);
    const int c = plaque.AddVertex({8, 8, 0}, 1, 0), d = plaque.AddVertex({0, 8, 0}, 0, 0);
    plaque.AddQuad(a, b, c, d);
    const std::vector<Mesh> objects{Named(Box({0, 0, 0}, {2, 2, 2}), "caisse", "steel"), plaque};
    world.LoadObject(Write("two.ase", WriteAse(objects)).c_str());
    world.LoadObject(Write("two.3ds", Text(Write3ds(objects))).c_str());
    ASSERT_EQ(world.objectCount, 4);
    EXPECT_EQ(renderer.loadedTextures, (std::vector<std::string>{"steel", "wood"}));
    for (int file = 0; file < 2; ++file) {
        SCOPED_TRACE(file ? "3ds" : "ase");
        const Object3D* box = world.GetObject(2 * file);
        EXPECT_STREQ(box->name, "caisse");
        EXPECT_EQ(box->vertexCount, 8);  // the 24 corners of the six sides merge into 8 points
        EXPECT_EQ(box->faceCount, 12);
        EXPECT_EQ(box->GetFace(0)->texture, 1);
        // The engine's normal is (a - b) x (c - b): for faces wound counter-clockwise from
        // outside, as the generator writes them, it points into the object, as culling expects.
        for (int i = 0; i < box->faceCount; ++i) {
            const Face* f = box->GetFace(i);
            const Vector3 outwards(f->a->x + f->b->x + f->c->x, f->a->y + f->b->y + f->c->y, f->a->z + f->b->z + f->c->z);
            EXPECT_LT(f->normal.Dot(outwards), 0) << "face " << i;  // the box is centred on the origin
        }

        const Object3D* o = world.GetObject(2 * file + 1);
        EXPECT_STREQ(o->name, "plaque");
        ASSERT_EQ(o->faceCount, 2);
        EXPECT_EQ(o->textured, 1);
        for (int i = 0; i < 2; ++i) {
            const Face* f = o->GetFace(i);
            EXPECT_EQ(f->texture, 2);
            // Each corner carries the mapping of its point: u = x / 8, v = 1 - y / 8.
            for (const auto& [v, u, vv] : {std::tuple{f->a, f->u0, f->v0}, {f->b, f->u1, f->v1}, {f->c, f->u2, f->v2}}) {
                EXPECT_DOUBLE_EQ(u, v->x / 8);
                EXPECT_DOUBLE_EQ(vv, 1 - v->y / 8);
            }
        }
    }
}

// Six times the signed volume: positive when every face is wound outwards.
double SignedVolume(const Mesh& m) {
    double v = 0;
    for (const auto& f : m.faces) v += m.verts[f[0]].p.Dot(m.verts[f[1]].p.Cross(m.verts[f[2]].p));
    return v;
}

TEST(Primitives, ClosedShapesFaceOutwards) {
    const std::vector<std::pair<const char*, Mesh>> shapes = {
        {"box", Box({1, 2, 3}, {2, 3, 4})}, {"sphere", Sphere(5, 8, 6)},   {"cylinder", Cylinder(2, 6, 8)},
        {"cone", Cone(2, 5, 8)},            {"torus", Torus(6, 1, 12, 6)}, {"voxels", Voxels({"#.#", "###", ".#."}, 1, 2)},
        {"prism", ConvexPrism({{0, 0}, {0, 3}, {2, 0}}, -1, 1)},  // given clockwise
    };
    for (const auto& [name, mesh] : shapes) {
        EXPECT_GT(SignedVolume(mesh), 0) << name;
        Mesh mirrored = mesh;
        mirrored.Scale({-1, 1, 1});  // a mirror turns the winding back
        EXPECT_GT(SignedVolume(mirrored), 0) << name << " mirrored";
    }
}

TEST(Settle, MergesPointsDropsFacesTheReadersRefuseAndKeepsLimits) {
    Mesh m("m", "t");
    const int a = m.AddVertex({0, 0, 0}), b = m.AddVertex({1, 0, 0}), c = m.AddVertex({0, 1, 0});
    const int a2 = m.AddVertex({0.001, 0, 0});  // on the same 1/64 grid point as a
    const int far = m.AddVertex({2, 0, 0});     // on the line through a and b
    const int lonely = m.AddVertex({5, 5, 5});  // used by no face that stays
    m.AddTri(a, b, c);
    m.AddTri(a2, b, c);       // same points as the first: kept, it is a real face
    m.AddTri(a, a2, c);       // two corners on one point
    m.AddTri(a, b, far);      // no area
    m.AddTri(lonely, a, a2);  // collapses too
    const SettledMesh s = Settle(m);
    EXPECT_EQ(s.points.size(), 3u);
    EXPECT_EQ(s.faces.size(), 2u);

    Mesh huge("huge", "t");
    for (int i = 0; i < 3400; ++i) {
        const int p = huge.AddVertex({i * 1.0, 0, 0}), q = huge.AddVertex({i * 1.0, 1, 0}),
                  r = huge.AddVertex({i * 1.0, 0, 1});
        huge.AddTri(p, q, r);
    }
    EXPECT_THROW(Settle(huge), ContentError);
}

TEST(FileWriters, RefuseWhatTheReadersCannotTake) {
    EXPECT_THROW(Write3ds({Named(Box({0, 0, 0}, {1, 1, 1}), "twelve_chars", "t")}), ContentError);
    EXPECT_THROW(WriteAse({Named(Box({0, 0, 0}, {1, 1, 1}), "two words", "t")}), ContentError);
    EXPECT_THROW(WriteBmp8(IndexedImage(30, 2)), ContentError);
    EXPECT_THROW(WritePaths({{"a_label_of_twenty_ch", {Key{}}}}), ContentError);
    EXPECT_THROW(WritePaths({{"ok", std::vector<Key>(21)}}), ContentError);
}

// Both picture writers against the engine's readers: every pixel where it was put (24-bit rows
// padded, 8-bit ones not, both stored bottom row first).
TEST_F(Writers, PicturesComeBackPixelForPixel) {
    Image rgb(3, 2);
    for (int i = 0; i < 6; ++i) rgb.pixels[i] = {static_cast<std::uint8_t>(40 * i), static_cast<std::uint8_t>(255 - 40 * i), 128};
    std::vector<std::uint16_t> read(6);
    ASSERT_TRUE(os::LoadImageScaled(Write("rgb.bmp", Text(WriteBmp24(rgb))).c_str(), read.data(), 3, 2, 0x7C00, 0x03E0, 0x001F));
    for (int i = 0; i < 6; ++i) {
        const Rgb& p = rgb.pixels[i];
        EXPECT_EQ(read[i], (p.r >> 3) << 10 | (p.g >> 3) << 5 | p.b >> 3) << "pixel " << i;
    }
    IndexedImage indexed(4, 2);
    for (int i = 0; i < 8; ++i) indexed.pixels[i] = static_cast<std::uint8_t>(7 * i + 1);
    video.width = 640;
    video.height = 480;
    std::vector<std::uint8_t> bytes(8);
    video.LoadBmp8(bytes.data(), Write("indexed.bmp", Text(WriteBmp8(indexed))).c_str());
    EXPECT_EQ(bytes, indexed.pixels);
}

TEST_F(Writers, PathFilesReadBackKeyForKey) {
    const std::vector<KeyPath> paths = {
        {"camera", {{1.5, -2.25, 3, 0.1, -0.2, 0.3, 7}, {-100, 200.125, -3000.5, 3.1416, 0, -1.5708, 50}}},
        {"second", {{0, 0, 0, 0, 0, 0, 0}}},
    };
    for (auto& p : PathTable) p = Path{};
    LoadPaths(Write("paths.txt", WritePaths(paths)).c_str(), 2);
    // Every field of every key; the second path starts right after the first (its label keeps
    // the line break before it, which nothing reads).
    EXPECT_STREQ(PathTable[0].label, "camera");
    auto fields = [](const auto& k) { return std::array<double, 7>{k.x, k.y, k.z, k.rx, k.ry, k.rz, 1.0 * k.frames}; };
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(PathTable[p].keyCount, static_cast<int>(paths[p].keys.size()));
        for (int k = 0; k < PathTable[p].keyCount; ++k)
            for (std::size_t f = 0; f < 7; ++f)
                EXPECT_DOUBLE_EQ(fields(PathTable[p].keys[k])[f], fields(paths[p].keys[k])[f]) << "path " << p << " key " << k << " field " << f;
    }
}

}  // namespace
