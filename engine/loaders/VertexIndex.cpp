#include "engine/loaders/VertexIndex.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/world/Object3D.h"

namespace {
std::uint64_t Bits(double v) {
    // -0 and +0 compare equal, so they must hash alike.
    const double value = v == 0.0 ? 0.0 : v;
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::size_t Hash(double x, double y, double z) {
    std::uint64_t h = Bits(x) * 0x9E3779B97F4A7C15ull;
    h ^= std::rotl(Bits(y) * 0xC2B2AE3D27D4EB4Full, 21);
    h ^= std::rotl(Bits(z) * 0x165667B19E3779F9ull, 42);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<std::size_t>(h);
}

// NaN equals nothing, so such a vertex can never be found again: it is not indexed.
bool Indexable(double x, double y, double z) { return !std::isnan(x) && !std::isnan(y) && !std::isnan(z); }
}  // namespace

VertexIndex::VertexIndex(Object3D& object) : object_(object), slots_(64, -1) {
    // Vertices already there keep their precedence: only the first of equal ones is indexed.
    for (int i = 0; i < object_.vertexCount; ++i) {
        const Vertex& v = *object_.vertices[i];
        if (Indexable(v.x, v.y, v.z) && FindSlot(v.x, v.y, v.z) < 0) Insert(i);
    }
}

int VertexIndex::FindSlot(double x, double y, double z) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(x, y, z) & mask; slots_[i] >= 0; i = (i + 1) & mask)
        if (object_.vertices[slots_[i]]->SamePosition(x, y, z)) return slots_[i];
    return -1;
}

void VertexIndex::Insert(int vertex) {
    if (2 * (used_ + 1) > static_cast<int>(slots_.size())) Grow();
    const Vertex& v = *object_.vertices[vertex];
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Hash(v.x, v.y, v.z) & mask;
    while (slots_[i] >= 0) i = (i + 1) & mask;
    slots_[i] = vertex;
    ++used_;
}

void VertexIndex::Grow() {
    std::vector<int> old(slots_.size() * 2, -1);
    old.swap(slots_);
    used_ = 0;
    for (int vertex : old)
        if (vertex >= 0) Insert(vertex);
}

Vertex* VertexIndex::AddAt(double x, double y, double z) {
    const bool indexable = Indexable(x, y, z);
    if (indexable) {
        const int found = FindSlot(x, y, z);
        if (found >= 0) return object_.vertices[found];
    }
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    Vertex* added = object_.AppendVertexCopy(v);
    if (added && indexable) Insert(added->index);
    return added;
}
