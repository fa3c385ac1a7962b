// Writes the fuzzers' seed corpora into DIR/ase, DIR/asc and DIR/3ds: small valid files that
// between them reach every keyword and chunk the readers act on.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/ModelFiles.h"

using modelfiles::Chunk;
using modelfiles::Mesh;

namespace {

Mesh Quad(const std::string& name) {
    Mesh m;
    m.name = name;
    m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}};
    m.faces = {{0, 1, 2}, {0, 2, 3}, {4, 1, 2}};
    m.mapping = {{0, 0.25f}, {1, 0}, {1, 1}, {0, 1}};
    m.materialRef = 1;
    m.groups = {{"metal", {0, 2}}, {"glass", {1}}};
    m.faceMaterials = {"Rust", "", "Rust"};
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Mesh plain = Quad("Plain");
    plain.mapping.clear();
    plain.faceMaterials.clear();
    const Mesh grid = modelfiles::GridMesh("Grid", 6, 5, 30);
    const std::vector<Chunk> chunks = {Chunk(0xAFFF).Add(Chunk(0xA000).Name("metal")), Chunk(0x2100).U32(0),
                                       modelfiles::NamedObject(Quad("One")), modelfiles::NamedObject(plain, true),
                                       modelfiles::NamedObject(Quad("A_long_object_name"))};
    const std::pair<const char*, std::string> files[] = {
        {"ase/two.ase", modelfiles::MakeAse({"maps\\a.bmp", std::nullopt, "b.bmp"}, {Quad("One"), plain})},
        {"ase/grid.ase", modelfiles::MakeAse({"g.bmp"}, {grid})},
        {"asc/two.asc", modelfiles::MakeAsc({Quad("One"), plain})},
        {"asc/grid.asc", modelfiles::MakeAsc({grid})},
        {"3ds/three.3ds", modelfiles::Make3ds(chunks)},
        {"3ds/grid.3ds", modelfiles::Make3ds(std::vector<Mesh>{grid})}};
    bool ok = true;
    for (const char* sub : {"", "/ase", "/asc", "/3ds"}) mkdir((dir + sub).c_str(), 0755);
    for (const auto& [name, bytes] : files) ok &= modelfiles::WriteFile(dir + "/" + name, bytes);
    if (!ok) {
        std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
