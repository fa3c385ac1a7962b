// The content pack the build generated, read back the way the show reads it: models through the
// engine's readers, path files through LoadPaths, pictures by the header bytes the effects use.
// Every file the catalogue names is read by one of these, so a missing file fails its test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/Paths.h"
#include "engine/world/Face.h"
#include "engine/world/Matrix3.h"
#include "loaders/LoaderFixture.h"
#include "tools/assetgen/Catalogue.h"
#include "tools/assetgen/Pack.h"
#include "tools/assetgen/models/Figure.h"

namespace {

namespace fs = std::filesystem;
using namespace assetgen;

const fs::path kData = SOLMIRE_DATA_DIR;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(b.at(at + i)) << (8 * i);
    return v;
}

struct ModelFile {
    std::string file;
    int objects;
    std::string names;
};

// The catalogue's models and one model per greeted group.
std::vector<ModelFile> AllModels() {
    std::vector<ModelFile> all;
    for (const auto& m : kModels) all.push_back({std::string(m.file), m.objects, std::string(m.names)});
    for (auto g : kGreetedGroups) all.push_back({std::string(g) + ".3ds", 1, ""});
    return all;
}

// Faces each object of a file declares: "*MESH_NUMFACES" in ASE, the 0x4120 count in 3DS.
std::vector<int> DeclaredFaces(const ModelFile& m) {
    std::vector<int> counts;
    const auto bytes = ReadAll(kData / m.file);
    if (m.file.ends_with(".ase")) {
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        std::string token;
        while (in >> token)
            if (token == "*MESH_NUMFACES" && in >> token) counts.push_back(std::stoi(token));
        return counts;
    }
    // Walk the chunk tree down to the face lists.
    auto walk = [&](auto&& self, std::size_t from, std::size_t to) -> void {
        while (from + 6 <= to) {
            const std::uint32_t id = Le(bytes, from, 2), length = Le(bytes, from + 2, 4);
            if (length < 6 || from + length > to) return;
            if (id == 0x4120) counts.push_back(static_cast<int>(Le(bytes, from + 6, 2)));
            if (id == 0x4D4D || id == 0x3D3D || id == 0x4100) self(self, from + 6, from + length);
            if (id == 0x4000) {
                std::size_t p = from + 6;
                while (bytes.at(p) != 0) ++p;
                self(self, p + 1, from + length);
            }
            from += length;
        }
    };
    walk(walk, 0, bytes.size());
    return counts;
}

TEST(ContentPack, GeneratingAgainGivesTheBuildsBytes) {
    const Pack first = GenerateAll();
    const Pack second = GenerateAll();
    ASSERT_EQ(first.Files().size(), second.Files().size());
    for (std::size_t i = 0; i < first.Files().size(); ++i) {
        const auto& f = first.Files()[i];
        EXPECT_EQ(f.name, second.Files()[i].name);
        EXPECT_TRUE(f.bytes == second.Files()[i].bytes) << f.name << " differs between two runs";
        EXPECT_TRUE(f.bytes == ReadAll(kData / f.name)) << f.name << " differs from the build's copy";
    }
}

using ContentModels = LoaderTest;  // a world with a recording renderer

TEST_F(ContentModels, EveryModelLoadsWithTheObjectsTheScenesUse) {
    for (const ModelFile& m : AllModels()) {
        SCOPED_TRACE(m.file);
        world.LoadObject((kData / m.file).c_str());
        ASSERT_EQ(world.objectCount, m.objects);

        std::istringstream names(m.names);
        std::string name;
        for (int i = 0; names >> name; ++i) {
            EXPECT_STREQ(world.GetObject(i)->name, name.c_str());
            EXPECT_EQ(world.FindObject(name.c_str()), world.GetObject(i));
        }

        const std::vector<int> declared = DeclaredFaces(m);
        ASSERT_EQ(static_cast<int>(declared.size()), m.objects);
        for (int i = 0; i < world.objectCount; ++i) {
            const Object3D* o = world.GetObject(i);
            SCOPED_TRACE(o->name);
            EXPECT_LE(o->vertexCount, Object3D::kMaxVertices);
            EXPECT_GT(o->faceCount, 0);
            EXPECT_EQ(o->faceCount, declared[i]) << "the reader refused faces";
            EXPECT_EQ(o->textured, 1);
            for (int v = 0; v < o->vertexCount; ++v) {
                const Vector3& n = o->GetVertex(v)->normal;
                ASSERT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0, 1e-9) << "vertex " << v;
            }
            bool mapped = false;
            for (int f = 0; f < o->faceCount; ++f) {
                const Face* face = o->GetFace(f);
                ASSERT_NE(face->texture, 0) << "face " << f << " has no texture";
                mapped = mapped || face->u0 != 0 || face->v0 != 0 || face->u1 != 0 || face->v1 != 0;
            }
            EXPECT_TRUE(mapped) << "every face has zero mapping";
        }
        DeleteObjects();
    }
    // Every texture a model asks for is in the pack, and all of them, with the sprites the
    // fountain scene loads by name, fit the 3D board's 4 MB of texture memory at once (the
    // renderer squares each picture to the power of two of its width, 256 at most, 16 bits).
    ASSERT_FALSE(renderer.loadedTextures.empty());
    std::set<std::string> textures(renderer.loadedTextures.begin(), renderer.loadedTextures.end());
    for (const char* sprite : {"pigeon1", "pigeon2", "fontaine1", "fontaine2", "fontaine3", "fontaine4", "nuage3"})
        textures.insert(sprite);
    std::size_t bytes = 0;
    for (const auto& t : textures) {
        ASSERT_TRUE(fs::exists(kData / (t + ".bmp"))) << t;
        const auto b = ReadAll(kData / (t + ".bmp"));
        std::size_t side = 1;
        while (side < Le(b, 18, 3) && side < 256) side *= 2;
        bytes += side * side * 2;
    }
    EXPECT_LE(bytes, 4u << 20);
}

TEST(ContentPictures, SizesAndDepthsTheEffectsRead) {
    for (const auto& entry : kPictures) {
        SCOPED_TRACE(std::string(entry.file));
        const auto b = ReadAll(kData / entry.file);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le(b, 2, 3), b.size());  // the 8-bit readers allocate by these three bytes
        const int w = static_cast<int>(Le(b, 18, 3)), h = static_cast<int>(Le(b, 22, 3));
        if (entry.width) {
            EXPECT_EQ(w, entry.width);
            EXPECT_EQ(h, entry.height);
        }
        EXPECT_EQ(b[28], entry.bits);
        if (entry.bits == 8) {
            EXPECT_EQ(w % 4, 0) << "rows read unpadded from byte 1078";
            EXPECT_EQ(b.size(), 1078u + static_cast<std::size_t>(w) * h);
            EXPECT_LE(w, 640);
            EXPECT_LE(h, 480);
        }
    }
}

TEST(ContentPictures, EffectRegionsHoldWhatTheEffectsExpect) {
    // The beam sprite: transparent (0) corners, a solid middle.
    const auto beam = ReadAll(kData / "phare.bmp");
    EXPECT_EQ(beam.at(1078), 0);
    EXPECT_NE(beam.at(1078 + 32 * 64 + 32), 0);

    // The relief varies across the part the light runs over (rows 1-198, columns 1-499).
    const auto relief = ReadAll(kData / "pevin8.bmp");
    const int rows = static_cast<int>(Le(relief, 22, 3));
    std::set<int> heights;
    for (int r = 1; r < 199; r += 7)
        for (int c = 1; c < 500; c += 3) heights.insert(relief.at(1078 + (rows - 1 - r) * 640 + c));
    EXPECT_GT(heights.size(), 40u);

    // The mask has something standing in front of the pond, and open water elsewhere in it.
    const auto mask = ReadAll(kData / "cache.bmp");
    int covered = 0, open = 0;
    for (int y = kPondTop; y <= kPondBottom; ++y)
        for (int x = kPondLeft; x <= kPondRight; ++x) {
            const std::size_t at = 54 + static_cast<std::size_t>(479 - y) * 640 * 3 + x * 3;
            (mask.at(at) | mask.at(at + 1) | mask.at(at + 2)) ? ++covered : ++open;
        }
    EXPECT_GT(covered, 1000);
    EXPECT_GT(open, covered);

    // The landscape's pond is where the ripples are: blue leads inside it and seldom outside.
    const auto land = ReadAll(kData / "paysage2.bmp");
    auto watery = [&](int x, int y) {
        const std::size_t at = 54 + static_cast<std::size_t>(479 - y) * 640 * 3 + x * 3;
        return land.at(at) > land.at(at + 1) && land.at(at) > land.at(at + 2);
    };
    int inside = 0, outside = 0, n = 0;
    for (int y = kPondTop + 20; y < kPondBottom - 30; y += 4)
        for (int x = 0; x < 240; x += 4, ++n) {
            inside += watery(kPondLeft + 60 + x, y);
            outside += watery(x, y);
        }
    EXPECT_GT(inside, n * 3 / 4);
    EXPECT_LT(outside, n / 10);
}

TEST(ContentPaths, PathFilesGiveThePathsAndKeysTheScenesRead) {
    for (const auto& entry : kPathFiles) {
        SCOPED_TRACE(std::string(entry.file));
        for (auto& p : PathTable) p = Path{};
        LoadPaths((kData / entry.file).c_str(), entry.paths);
        for (int i = 0; i < entry.paths; ++i) {
            EXPECT_GE(PathTable[i].keyCount, entry.minKeys) << "path " << i;
            EXPECT_LE(PathTable[i].keyCount, Path::kMaxKeys);
            for (int k = 0; k < PathTable[i].keyCount; ++k) {
                const PathKey& key = PathTable[i].keys[k];
                for (double v : {key.x, key.y, key.z, key.rx, key.ry, key.rz}) EXPECT_TRUE(std::isfinite(v));
            }
        }
        // The file holds exactly that many: asking for one more finds nothing.
        for (auto& p : PathTable) p = Path{};
        LoadPaths((kData / entry.file).c_str(), entry.paths + 1);
        EXPECT_GT(PathTable[entry.paths - 1].keyCount, 0);
        EXPECT_EQ(PathTable[entry.paths].keyCount, 0);
    }
}

// Where a key puts a model point, turned and moved as the engine places objects.
Vector3 Place(const PathKey& key, const assetgen::Vec3& p) {
    Matrix3 m;
    m.FromAngles(key.rx, key.ry, key.rz);
    const Vector3 turned = Vector3(p.x, p.y, p.z) * m.Transposed();
    return Vector3(turned.x + key.x, turned.y + key.y, turned.z + key.z);
}

TEST(ContentPaths, FigureWalksWithItsPartsJoinedToTheBodyInEveryKey) {
    // The six parts take the same key at the same time. Each limb turns about its own joint;
    // placed by its key, that joint must sit where the body's key puts the same point, or the
    // figure comes apart while it walks.
    for (const char* file : {"scene8.txt", "scene9.txt"}) {
        LoadPaths((kData / file).c_str(), 6);
        for (int part = 1; part < 6; ++part) EXPECT_EQ(PathTable[part].keyCount, PathTable[0].keyCount) << file;
        // The body walks: its first and last keys are apart.
        const PathKey& first = PathTable[1].keys[0];
        const PathKey& last = PathTable[1].keys[PathTable[1].keyCount - 1];
        EXPECT_GT(std::hypot(first.x - last.x, first.y - last.y, first.z - last.z), 100.0) << file;
        for (int k = 0; k < PathTable[1].keyCount; ++k)
            for (int part : {0, 2, 3, 4, 5}) {
                const assetgen::Vec3 joint = figure::kJoints[part] * figure::kSceneScale;
                const Vector3 gap = Place(PathTable[part].keys[k], joint) - Place(PathTable[1].keys[k], joint);
                EXPECT_LT(std::sqrt(gap.Dot(gap)), 0.1) << file << " key " << k << " part " << part;
            }
    }
}

TEST_F(ContentModels, BackgroundsAndTunnelSurroundTheCameraWhereTheScenesPutThem) {
    // Scale and depth as the scenes place them; the camera stands at z -600 (focal 512), and the
    // title's comes as near as -270, which only makes its background larger. Mountains leave
    // sky above their ridge (300 rows); the others fill the height too.
    struct Backdrop {
        const char* file;
        double sx, sy, z, minHeight;
    };
    for (const Backdrop& b : {Backdrop{"fond.ase", 24, 24, 12000, 480}, Backdrop{"fond_galax.ase", 20, 20, 9380, 480},
                              Backdrop{"fond_mont1.ase", 20, 20, 9380, 300}, Backdrop{"fond_mont2.ase", 26, 20, 9380, 300}}) {
        SCOPED_TRACE(b.file);
        world.LoadObject((kData / b.file).c_str());
        ASSERT_EQ(world.objectCount, 1);
        const Object3D* o = world.GetObject(0);
        const double w = o->corners[6].x - o->corners[0].x, h = o->corners[6].y - o->corners[0].y;
        EXPECT_GE(w * b.sx * 512 / (b.z + 600), 640);
        EXPECT_GE(h * b.sy * 512 / (b.z + 600), b.minHeight);
        DeleteObjects();
    }
    // The cockpit scene slides the tunnel from z -440 back to about -15029 past the camera.
    world.LoadObject((kData / "tunnel.ase").c_str());
    ASSERT_EQ(world.objectCount, 1);
    const Object3D* t = world.GetObject(0);
    EXPECT_LT(t->corners[0].z - 440, -600);
    EXPECT_GT(t->corners[6].z - 15028.75, -600);
    EXPECT_LT(t->corners[0].x, -50);
    EXPECT_GT(t->corners[6].x, 50);
}

TEST(ContentProgram, ListsEveryFileWithTheSizeItWrites) {
    const std::string listing = testing::TempDir() + "solmire_assetgen_list_" + std::to_string(::getpid());
    ASSERT_EQ(std::system((std::string(SOLMIRE_ASSETGEN) + " --list > " + listing).c_str()), 0);
    std::ifstream in(listing);
    std::size_t size = 0, listed = 0;
    std::string name;
    while (in >> size >> name) {
        if (name.rfind("total", 0) == 0) break;
        ++listed;
        std::error_code ec;
        EXPECT_EQ(fs::file_size(kData / name, ec), size) << name;
    }
    EXPECT_EQ(listed, GenerateAll().Files().size());
    EXPECT_EQ(std::system((std::string(SOLMIRE_ASSETGEN) + " --bogus 2> /dev/null").c_str()) >> 8, 2);
    fs::remove(listing);
}

}  // namespace
