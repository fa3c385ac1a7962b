#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Object3D;
class Renderer;
class VertexIndex;

// Reads the triangle meshes of a 3DS file (binary chunks: u16 id, u32 length counting the
// six-byte header, then contents; little-endian). Lives for one file. Objects are built in file
// order and handed over afterwards, only those whose mesh chunk was read to its end.
//
// Bad data never leads outside the bytes given: a chunk is held inside its parent (and so
// ends the parent's walk when it runs past it), counts are clamped to what their chunk holds,
// indices outside their tables are skipped. A mesh whose chunk runs past its parent or the
// file (a truncated file) is incomplete and dropped.
class Reader3ds {
public:
    static constexpr int kMaxObjects = 255;
    static constexpr int kMaxPoints = 10000;   // point index table of one point list
    static constexpr int kNameLimit = 12;      // bytes a name may take before it is cut

    enum class Status {
        kRead,                // walked (possibly nothing found)
        kNotA3ds,             // first word not 0x4D4D, or too short to hold a version
        kUnsupportedVersion,  // version byte at offset 28 below 3
    };

    Reader3ds(const unsigned char* data, std::size_t size, Renderer* renderer);
    ~Reader3ds();
    Reader3ds(const Reader3ds&) = delete;
    Reader3ds& operator=(const Reader3ds&) = delete;

    Status Read();
    // The objects built, in file order; the caller takes them over.
    std::vector<std::unique_ptr<Object3D>>& Objects() { return objects_; }

private:
    struct Chunk {
        std::size_t end;  // where the chunk's contents end, held inside its parent
        bool cut;         // its length ran past its parent
    };

    bool ReadU8(std::uint8_t& value);
    bool ReadU16(std::uint16_t& value);
    bool ReadU32(std::uint32_t& value);
    bool ReadFloat(float& value);
    bool Has(std::size_t bytes, std::size_t end) const { return pos_ <= end && end - pos_ >= bytes; }

    // Called with the position just past the id.
    Chunk Open(std::size_t parentEnd);
    void Close(const Chunk& chunk);
    void PassOver(std::size_t parentEnd);
    // A u16 record count, clamped to the records the rest of the chunk can hold.
    int Count(const Chunk& chunk, std::size_t recordSize);

    void WalkMain(std::size_t parentEnd);
    void WalkEditor(std::size_t parentEnd);
    void ReadNamedObject(std::size_t parentEnd);
    void ReadMaterialEntry(std::size_t parentEnd);
    void ReadMaterialName(std::size_t parentEnd);
    void ReadMesh(std::size_t parentEnd);
    void ReadPoints(const Chunk& chunk);
    void ReadFaces(const Chunk& chunk);
    void ReadMaterialGroup(const Chunk& chunk, const std::vector<int>& faces);
    void ReadMapping(const Chunk& chunk);
    void ReadName(std::size_t end);

    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;  // false once the data ran out: everything unwinds
    Renderer* renderer_;
    char name_[256];  // the last name read
    std::vector<int> pointIndex_;
    int pointCount_ = 0;  // entries of pointIndex_ from the current object's last point list
    std::unique_ptr<Object3D> current_;
    VertexIndex* index_ = nullptr;
    std::vector<std::unique_ptr<Object3D>> objects_;
};
