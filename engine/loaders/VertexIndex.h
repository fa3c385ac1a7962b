#pragma once

#include <vector>

class Object3D;
class Vertex;

// Object3D::AddVertexAt for a reader building an object: the same answer (the first vertex at
// exactly that position, else a new one, null when the table is full) found by hashing
// instead of a scan of the whole table, so loading stays linear in the file.
// Valid while only this index adds vertices to the object and nothing moves them.
class VertexIndex {
public:
    explicit VertexIndex(Object3D& object);

    Vertex* AddAt(double x, double y, double z);

private:
    int FindSlot(double x, double y, double z) const;
    void Insert(int vertex);
    void Grow();

    Object3D& object_;
    std::vector<int> slots_;  // vertex indices, -1 for a free slot; size a power of two
    int used_ = 0;
};
