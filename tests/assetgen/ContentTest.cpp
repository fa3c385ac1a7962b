// The content pack the build generated, read back the way the show reads it: models through the
// engine's readers, pictures through Video's and the system's picture readers, path files through
// LoadPaths. Every file the catalogue names is read by one of these, so a missing or broken
// file fails its test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Paths.h"
#include "engine/world/Face.h"
#include "engine/world/Matrix3.h"
#include "loaders/LoaderFixture.h"
#include "platform/os/Image.h"
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

std::string DataFile(std::string_view name) { return (kData / name).string(); }

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
    EXPECT_EQ(std::system((std::string(SOLMIRE_ASSETGEN) + " --bogus 2> /dev/null").c_str()) >> 8, 2);
}

// Faces each object of an ASE file declares ("*MESH_NUMFACES"). Its numbers are written as
// text, where rounding could merge points the generator kept apart.
std::vector<int> DeclaredFaces(const std::string& file) {
    const auto bytes = ReadAll(kData / file);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<int> counts;
    for (std::string token; in >> token;)
        if (token == "*MESH_NUMFACES" && in >> token) counts.push_back(std::stoi(token));
    return counts;
}

using ContentModels = LoaderTest;  // a world with a recording renderer

TEST_F(ContentModels, EveryModelLoadsWithTheObjectsTheScenesUseAndTheirTexturesFitTheBoard) {
    std::vector<ModelEntry> models(std::begin(kModels), std::end(kModels));
    std::vector<std::string> groups;  // and one model per greeted group
    for (auto g : kGreetedGroups) groups.push_back(std::string(g) + ".3ds");
    for (const auto& g : groups) models.push_back({g, 1, ""});
    for (const ModelEntry& m : models) {
        SCOPED_TRACE(std::string(m.file));
        world.LoadObject(DataFile(m.file).c_str());
        ASSERT_EQ(world.objectCount, m.objects);
        std::istringstream names{std::string(m.names)};
        std::string name;
        for (int i = 0; names >> name; ++i) EXPECT_EQ(world.FindObject(name.c_str()), world.GetObject(i)) << name;

        const bool ase = std::string_view(m.file).ends_with(".ase");
        const std::vector<int> declared = ase ? DeclaredFaces(std::string(m.file)) : std::vector<int>(m.objects, -1);
        ASSERT_EQ(static_cast<int>(declared.size()), m.objects);
        for (int i = 0; i < world.objectCount; ++i) {
            const Object3D* o = world.GetObject(i);
            SCOPED_TRACE(o->name);
            EXPECT_GT(o->faceCount, 0);
            EXPECT_TRUE(!ase || o->faceCount == declared[i]) << "the reader refused faces";
            EXPECT_EQ(o->textured, 1);
            for (int v = 0; v < o->vertexCount; ++v) {
                const Vector3& n = o->GetVertex(v)->normal;
                ASSERT_NEAR(std::sqrt(n.Dot(n)), 1.0, 1e-9) << "vertex " << v;
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
        int w = 0, h = 0;
        video.GetBmpSize(DataFile(t + ".bmp").c_str(), &w, &h);
        std::size_t side = 1;
        while (side < static_cast<std::size_t>(w) && side < 256) side *= 2;
        bytes += side * side * 2;
    }
    EXPECT_LE(bytes, 4u << 20);
}

// A picture as the scenes load it (the system's reader, at its own size), in 5-5-5 so that
// every channel keeps its five top bits.
std::vector<std::uint16_t> Picture(std::string_view file, int w, int h) {
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    if (!os::LoadImageScaled(DataFile(file).c_str(), pixels.data(), w, h, 0x7C00, 0x03E0, 0x001F)) pixels.clear();
    return pixels;
}

// The fountain scene's sprites: cards whose faces all lie in the card's two planes (walls a
// unit thick drew the squeezed picture as a line when seen edge-on), on pictures ringed by
// the key colour (the board wraps, so bilinear taps at one edge read the opposite one).
TEST_F(ContentModels, SpriteCardsAreFlatAndTheirPicturesHaveAKeyedRing) {
    for (const char* file : {"fondv.ase", "fontaine.ase"}) {
        SCOPED_TRACE(file);
        world.LoadObject(DataFile(file).c_str());
        ASSERT_EQ(world.objectCount, 1);
        const Object3D* card = world.GetObject(0);
        auto normal = [&](int i) {
            const Face* f = card->GetFace(i);
            const Vector3 a(f->a->x, f->a->y, f->a->z), b(f->b->x, f->b->y, f->b->z), c(f->c->x, f->c->y, f->c->z);
            return Normalized((b - a).Cross(c - a));
        };
        ASSERT_GT(card->faceCount, 0);
        for (int i = 0; i < card->faceCount; ++i) EXPECT_GT(std::abs(normal(i).Dot(normal(0))), 0.999) << "face " << i;
        DeleteObjects();
    }
    for (const char* sprite : {"pigeon1", "pigeon2", "fontaine1", "fontaine2", "fontaine3", "fontaine4", "nuage3", "soleilv"}) {
        SCOPED_TRACE(sprite);
        const auto pixels = Picture(std::string(sprite) + ".bmp", 128, 128);
        ASSERT_EQ(pixels.size(), 128u * 128u);
        int opaque = 0, opaqueEdge = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const bool shown = pixels[static_cast<std::size_t>(y) * 128 + x] != 0;
                opaque += shown;
                opaqueEdge += shown && (x == 0 || y == 0 || x == 127 || y == 127);
            }
        EXPECT_EQ(opaqueEdge, 0);
        EXPECT_GT(opaque, 500);
    }
}

// Every picture reads at the size the effects expect; the 8-bit ones through the reader that
// hands their bytes to the effects (which ends the program on a fault), the others as scenes
// load them. Then the parts the effects work on hold what they need.
TEST(ContentPictures, EveryPictureReadsAndTheEffectsFindWhatTheyWorkOn) {
    video.width = 640;
    video.height = 480;
    std::vector<std::uint8_t> bytes(640 * 480);
    for (const auto& entry : kPictures) {
        SCOPED_TRACE(std::string(entry.file));
        int w = 0, h = 0;
        ASSERT_TRUE(fs::exists(kData / entry.file));
        video.GetBmpSize(DataFile(entry.file).c_str(), &w, &h);
        EXPECT_TRUE(entry.width == 0 || (w == entry.width && h == entry.height)) << w << "x" << h;
        if (entry.bits == 8) video.LoadBmp8(bytes.data(), DataFile(entry.file).c_str());
        else EXPECT_FALSE(Picture(entry.file, w, h).empty());
    }

    // The beam sprite: transparent (0) corners, a solid middle.
    video.LoadBmp8(bytes.data(), DataFile("phare.bmp").c_str());
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[64 * 64 - 1], 0);
    EXPECT_NE(bytes[32 * 64 + 32], 0);

    // The relief varies across the part the light runs over (rows 1-198, columns 1-499).
    video.LoadBmp8(bytes.data(), DataFile("pevin8.bmp").c_str());
    std::set<int> heights;
    for (int r = 1; r < 199; r += 7)
        for (int c = 1; c < 500; c += 3) heights.insert(bytes[static_cast<std::size_t>(r) * 640 + c]);
    EXPECT_GT(heights.size(), 40u);

    // The mask has something standing in front of the pond, and open water elsewhere in it.
    const auto mask = Picture("cache.bmp", 640, 480);
    ASSERT_FALSE(mask.empty());
    int covered = 0, open = 0;
    for (int y = kPondTop; y <= kPondBottom; ++y)
        for (int x = kPondLeft; x <= kPondRight; ++x) (mask[static_cast<std::size_t>(y) * 640 + x] ? covered : open)++;
    EXPECT_GT(covered, 1000);
    EXPECT_GT(open, covered);
}

// Where a key puts a model point, turned and moved as the engine places objects.
Vector3 Place(const PathKey& key, const assetgen::Vec3& p) {
    Matrix3 m;
    m.FromAngles(key.rx, key.ry, key.rz);
    const Vector3 turned = Vector3(p.x, p.y, p.z) * m.Transposed();
    return Vector3(turned.x + key.x, turned.y + key.y, turned.z + key.z);
}

TEST(ContentPaths, PathFilesHoldThePathsTheScenesReadAndTheFigureWalksInOnePiece) {
    for (const auto& entry : kPathFiles) {
        SCOPED_TRACE(std::string(entry.file));
        // The file holds exactly that many paths: asking for one more finds nothing.
        for (auto& p : PathTable) p = Path{};
        LoadPaths(DataFile(entry.file).c_str(), entry.paths + 1);
        EXPECT_EQ(PathTable[entry.paths].keyCount, 0);
        for (int i = 0; i < entry.paths; ++i) {
            EXPECT_GE(PathTable[i].keyCount, entry.minKeys) << "path " << i;
            EXPECT_LE(PathTable[i].keyCount, Path::kMaxKeys);
            for (int k = 0; k < PathTable[i].keyCount; ++k) {
                const PathKey& key = PathTable[i].keys[k];
                for (double v : {key.x, key.y, key.z, key.rx, key.ry, key.rz}) EXPECT_TRUE(std::isfinite(v));
            }
        }
    }
    // The figure's six parts take the same key at the same time. Each limb turns about its own
    // joint; placed by its key, that joint must sit where the body's key puts the same point,
    // or the figure comes apart while it walks.
    for (const char* file : {"scene8.txt", "scene9.txt"}) {
        LoadPaths(DataFile(file).c_str(), 6);
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

}  // namespace
