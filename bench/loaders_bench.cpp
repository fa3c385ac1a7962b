// Loading a 10000-point, 10000-face model from an ASE file and from a 3DS file, through the
// world's readers (file read included). Figures: bytes and faces per second. The vertex reuse
// pair compares the hashed search the readers use with the table scan it replaces.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "engine/loaders/VertexIndex.h"
#include "engine/render/Renderer.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "support/ModelFiles.h"

namespace {

constexpr int kSide = 100;
constexpr int kFaces = 10000;

struct Fixture {
    std::string path;
    std::size_t bytes = 0;
};

Fixture Write(const std::string& name, const std::string& contents) {
    Fixture f;
    f.path = (std::filesystem::temp_directory_path() / name).string();
    f.bytes = contents.size();
    modelfiles::WriteFile(f.path, contents);
    return f;
}

const modelfiles::Mesh& Grid() {
    static const modelfiles::Mesh mesh = [] {
        modelfiles::Mesh m = modelfiles::GridMesh("Grid", kSide, kSide, kFaces);
        m.groups = {{"grid", {}}};
        for (int i = 0; i < kFaces; ++i) m.groups[0].second.push_back(i);
        return m;
    }();
    return mesh;
}

void Load(benchmark::State& state, const Fixture& file, void (World::*load)(const char*)) {
    Renderer renderer;
    for (auto _ : state) {
        World world;
        world.renderer = &renderer;
        (world.*load)(file.path.c_str());
        if (world.objectCount != 1 || world.objects[0]->faceCount != kFaces) state.SkipWithError("wrong load");
        for (int i = 0; i < world.objectCount; ++i) delete world.objects[i];
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.counters["faces/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFaces,
                                                   benchmark::Counter::kIsRate);
}

void BM_LoadAse10k(benchmark::State& state) {
    static const Fixture file = Write("solmire_bench_grid.ase", modelfiles::MakeAse({"grid.bmp"}, {Grid()}));
    Load(state, file, &World::LoadAse);
}
BENCHMARK(BM_LoadAse10k)->Unit(benchmark::kMillisecond);

void BM_Load3ds10k(benchmark::State& state) {
    static const Fixture file = Write("solmire_bench_grid.3ds", modelfiles::Make3ds(std::vector<modelfiles::Mesh>{Grid()}));
    Load(state, file, &World::Load3ds);
}
BENCHMARK(BM_Load3ds10k)->Unit(benchmark::kMillisecond);

// 10000 distinct points, each searched for before it is added.
void BM_VertexReuseHashed(benchmark::State& state) {
    for (auto _ : state) {
        Object3D object("Grid");
        VertexIndex index(object);
        for (int i = 0; i < kSide * kSide; ++i) benchmark::DoNotOptimize(index.AddAt(i % kSide, i / kSide, 0));
    }
}
BENCHMARK(BM_VertexReuseHashed)->Unit(benchmark::kMillisecond);

void BM_VertexReuseScan(benchmark::State& state) {
    for (auto _ : state) {
        Object3D object("Grid");
        for (int i = 0; i < kSide * kSide; ++i) benchmark::DoNotOptimize(object.AddVertexAt(i % kSide, i / kSide, 0));
    }
}
BENCHMARK(BM_VertexReuseScan)->Unit(benchmark::kMillisecond);

}  // namespace
