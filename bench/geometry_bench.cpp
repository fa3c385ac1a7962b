#include <benchmark/benchmark.h>

#include "engine/world/Camera.h"
#include "engine/world/Object3D.h"

// Building a reader-sized mesh: every corner goes through the exact-equality vertex search,
// which is what makes large models slow to load.
static void BM_BuildGridMesh(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Object3D o;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                o.AddFaceAt(i, j, 0, i + 1, j, 0, i, j + 1, 0, nullptr, nullptr);
                o.AddFaceAt(i + 1, j, 0, i + 1, j + 1, 0, i, j + 1, 0, nullptr, nullptr);
            }
        o.ComputeBoundingBox();
        o.ComputeVertexNormals();
        benchmark::DoNotOptimize(o.vertexCount);
    }
    state.SetItemsProcessed(state.iterations() * 2 * n * n);
}
BENCHMARK(BM_BuildGridMesh)->Arg(16)->Arg(32)->Arg(64);

// Transforming vertices by a rotation and a translation in row form, the pipeline's inner step.
static void BM_RowTransform(benchmark::State& state) {
    Matrix3 r;
    r.FromAngles(0.3, 1.1, -0.4);
    Vector3 v(1, 2, 3);
    for (auto _ : state) {
        v = v * r;
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_RowTransform);

static void BM_CameraAimUpdate(benchmark::State& state) {
    Vector3 target(100, 50, 300);
    Camera cam;
    cam.FollowPoint(&target);
    for (auto _ : state) {
        target.x += 0.01;
        cam.Update(0, 0, 0);
        benchmark::DoNotOptimize(cam.matrix);
    }
}
BENCHMARK(BM_CameraAimUpdate);
