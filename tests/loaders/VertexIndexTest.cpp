#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/loaders/VertexIndex.h"
#include "engine/world/Object3D.h"

namespace {

// The index must give exactly what Object3D::AddVertexAt's scan gives: the first vertex at an
// equal position (-0 equals +0, NaN equals nothing), or a new one, or null when full.
TEST(VertexIndex, AnswersLikeTheTableScanUntilTheTableIsFull) {
    std::mt19937 random(11);
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1e300, INFINITY, NAN};
    Object3D scanned("S"), hashed("H");
    // Both start with the same records, a repeated position among them.
    for (Object3D* o : {&scanned, &hashed}) {
        Vertex v;
        v.x = 1;
        o->AppendVertexCopy(v);
        o->AppendVertexCopy(v);
    }
    VertexIndex index(hashed);
    for (int i = 0; i < 3000; ++i) {
        const double x = values[random() % 8], y = values[random() % 8], z = random() % 40;
        const Vertex* a = scanned.AddVertexAt(x, y, z);
        const Vertex* b = index.AddAt(x, y, z);
        ASSERT_EQ(a != nullptr, b != nullptr);
        if (a) {
            ASSERT_EQ(a->index, b->index) << x << " " << y << " " << z;
        }
    }

    Object3D full("Full");
    VertexIndex fullIndex(full);
    for (int i = 0; i < Object3D::kMaxVertices; ++i) ASSERT_NE(fullIndex.AddAt(i, 0, 0), nullptr);
    EXPECT_EQ(fullIndex.AddAt(-1, 0, 0), nullptr);
    EXPECT_EQ(fullIndex.AddAt(Object3D::kMaxVertices - 1, 0, 0)->index, Object3D::kMaxVertices - 1);
    EXPECT_EQ(full.vertexCount, Object3D::kMaxVertices);
}

}  // namespace
