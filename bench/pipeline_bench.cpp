#include <benchmark/benchmark.h>

#include "engine/render/Renderer.h"
#include "engine/world/Camera.h"
#include "engine/world/LightSet.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {

// Draws nothing but reports a 640x480 viewport so the object passes the box test.
class ViewportOnlyRenderer : public Renderer {
public:
    int GetMaxX() override { return 640; }
    int GetMaxY() override { return 480; }
    int GetFarZ() override { return 10000; }
};

// A 100x100 vertex sheet with its first 10000 triangles: the largest object an Object3D holds.
void BuildSheet(Object3D& o) {
    constexpr int n = 100;
    Vertex v;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            v.x = (i - n / 2) * 4.0;
            v.y = (j - n / 2) * 4.0;
            v.z = ((i * 7 + j * 13) % 17) * 1.5;
            o.AppendVertexCopy(v);
        }
    for (int j = 0; j + 1 < n && o.faceCount < Object3D::kMaxFaces; ++j)
        for (int i = 0; i + 1 < n && o.faceCount < Object3D::kMaxFaces; ++i) {
            const int a = j * n + i;
            o.AddFaceByIndex(a, a + 1, a + n, nullptr, nullptr);
            if (o.faceCount < Object3D::kMaxFaces) o.AddFaceByIndex(a + 1, a + n + 1, a + n, nullptr, nullptr);
        }
    o.ComputeBoundingBox();
    o.ComputeVertexNormals();
}

void BM_RenderGouraudObject(benchmark::State& state) {
    Object3D o("sheet");
    BuildSheet(o);
    o.flags = RenderFlags::kTextured | RenderFlags::kGouraud | RenderFlags::kCull;
    Camera camera;
    camera.Update(0, 0, 0);
    Omni omnis[6];
    Halo halos[2];
    LightSet lights;
    for (int i = 0; i < 6; ++i) {
        omnis[i].SetDirection(i - 3, 2 * i - 5, 7);
        omnis[i].SetColor(0.3, 0.4, 0.5);
        lights.omnis[lights.omniCount++] = &omnis[i];
    }
    for (int i = 0; i < 2; ++i) {
        halos[i].SetPosition(60 * i - 30, 20, -10);
        halos[i].SetFar(150);
        halos[i].SetNear(40);
        lights.halos[lights.haloCount++] = &halos[i];
    }
    ViewportOnlyRenderer renderer;
    for (auto _ : state) {
        o.angles[1] += 0.01;
        o.Render(&renderer, &camera, &lights);
        benchmark::DoNotOptimize(o.vertices[1234]->packed);
    }
    state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * o.vertexCount,
                                                      benchmark::Counter::kIsRate);
    state.counters["faces"] = o.faceCount;
}
BENCHMARK(BM_RenderGouraudObject)->Unit(benchmark::kMillisecond);

}  // namespace
