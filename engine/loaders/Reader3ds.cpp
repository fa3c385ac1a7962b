#include "engine/loaders/Reader3ds.h"

#include <cstring>
#include <string>

#include "engine/loaders/ModelReaders.h"
#include "engine/loaders/VertexIndex.h"
#include "engine/world/Object3D.h"

namespace {

// Chunk ids.
constexpr std::uint16_t kMain = 0x4D4D;
constexpr std::uint16_t kEditor = 0x3D3D;
constexpr std::uint16_t kNamedObject = 0x4000;
constexpr std::uint16_t kTriMesh = 0x4100;
constexpr std::uint16_t kPointList = 0x4110;
constexpr std::uint16_t kFaceList = 0x4120;
constexpr std::uint16_t kMaterialGroup = 0x4130;
constexpr std::uint16_t kMappingList = 0x4140;
constexpr std::uint16_t kMaterialEntry = 0xAFFF;
constexpr std::uint16_t kMaterialName = 0xA000;

// Editor chunks passed over by their length rather than scanned.
constexpr std::uint16_t kPassedOver[] = {0x1100, 0x1200, 0x1201, 0x1300, 0x1400, 0x1420, 0x1450, 0x1500,
                                         0x2100, 0x2200, 0x2201, 0x2210, 0x2300, 0x2302, 0x3000, 0x7001};

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kVersionOffset = 28;
constexpr const char* kNoName = "No Name";

bool IsPassedOver(std::uint16_t id) {
    for (std::uint16_t p : kPassedOver)
        if (p == id) return true;
    return false;
}

}  // namespace

Reader3ds::Reader3ds(const unsigned char* data, std::size_t size, Renderer* renderer)
    : data_(data), size_(data ? size : 0), renderer_(renderer), pointIndex_(kMaxPoints, -1) {
    std::strcpy(name_, kNoName);
}

Reader3ds::~Reader3ds() = default;

bool Reader3ds::ReadU8(std::uint8_t& value) {
    if (!ok_ || !Has(1, size_)) return ok_ = false;
    value = data_[pos_++];
    return true;
}

bool Reader3ds::ReadU16(std::uint16_t& value) {
    if (!ok_ || !Has(2, size_)) return ok_ = false;
    value = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
}

bool Reader3ds::ReadU32(std::uint32_t& value) {
    if (!ok_ || !Has(4, size_)) return ok_ = false;
    value = static_cast<std::uint32_t>(data_[pos_]) | static_cast<std::uint32_t>(data_[pos_ + 1]) << 8 |
            static_cast<std::uint32_t>(data_[pos_ + 2]) << 16 | static_cast<std::uint32_t>(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
}

bool Reader3ds::ReadFloat(float& value) {
    std::uint32_t bits;
    if (!ReadU32(bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

Reader3ds::Chunk Reader3ds::Open(std::size_t parentEnd) {
    const std::size_t start = pos_ - 2;
    std::uint32_t length = 0;
    if (!Has(4, parentEnd) || !ReadU32(length)) return {parentEnd, true};
    // A length too small to cover the header still moves the walk on past it.
    const std::size_t declared = start + (length < kHeaderSize ? kHeaderSize : length);
    if (declared > parentEnd) return {parentEnd, true};
    return {declared, false};
}

// The position only ever moves forward, so every walk ends.
void Reader3ds::Close(const Chunk& chunk) {
    if (pos_ < chunk.end) pos_ = chunk.end;
}

void Reader3ds::PassOver(std::size_t parentEnd) { Close(Open(parentEnd)); }

Reader3ds::Status Reader3ds::Read() {
    std::uint16_t id;
    if (!ReadU16(id) || id != kMain || size_ <= kVersionOffset) return Status::kNotA3ds;
    if (data_[kVersionOffset] < 3) return Status::kUnsupportedVersion;
    pos_ = 2;
    WalkMain(size_);
    index_ = nullptr;
    current_.reset();
    return Status::kRead;
}

// The main chunk, the editor chunk, a named object and a material entry are scanned word by
// word for the ids they hold; anything else in them is passed two bytes at a time.
void Reader3ds::WalkMain(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end) && ReadU16(id))
        if (id == kEditor) WalkEditor(chunk.end);
    Close(chunk);
}

void Reader3ds::WalkEditor(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end) && ReadU16(id)) {
        if (id == kNamedObject) {
            ReadNamedObject(chunk.end);
        } else if (id == kMaterialEntry) {
            ReadMaterialEntry(chunk.end);
        } else if (IsPassedOver(id)) {
            PassOver(chunk.end);
        }
    }
    Close(chunk);
}

void Reader3ds::ReadNamedObject(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    ReadName(chunk.end);
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end) && ReadU16(id))
        if (id == kTriMesh) ReadMesh(chunk.end);
    Close(chunk);
}

void Reader3ds::ReadMaterialEntry(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end) && ReadU16(id))
        if (id == kMaterialName) ReadMaterialName(chunk.end);
    Close(chunk);
}

void Reader3ds::ReadMaterialName(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    ReadName(chunk.end);  // read to stay in step; materials are known by the groups' names
    Close(chunk);
}

// "No Name" for an empty name; at most 11 characters kept. A longer name is passed to its
// terminating zero so that the walk stays in step with the chunk ids.
void Reader3ds::ReadName(std::size_t end) {
    std::strcpy(name_, kNoName);
    char name[kNameLimit];
    int length = 0;
    bool terminated = false;
    for (int read = 0; read < kNameLimit && Has(1, end); ++read) {
        const unsigned char c = data_[pos_++];
        if (c == 0) {
            terminated = true;
            break;
        }
        if (length < kNameLimit - 1) name[length++] = static_cast<char>(c);
    }
    while (!terminated && Has(1, end)) terminated = data_[pos_++] == 0;
    if (length == 0) return;
    std::memcpy(name_, name, length);
    name_[length] = '\0';
}

int Reader3ds::Count(const Chunk& chunk, std::size_t recordSize) {
    std::uint16_t count = 0;
    if (!Has(2, chunk.end) || !ReadU16(count)) return 0;
    const std::size_t fits = (chunk.end - pos_) / recordSize;
    return count < fits ? count : static_cast<int>(fits);
}

void Reader3ds::ReadMesh(std::size_t parentEnd) {
    const Chunk chunk = Open(parentEnd);
    if (static_cast<int>(objects_.size()) >= kMaxObjects) {
        Close(chunk);
        return;
    }
    current_ = std::make_unique<Object3D>(name_);
    VertexIndex index(*current_);
    index_ = &index;
    pointCount_ = 0;
    // A mesh whose data runs past its chunk or the file is incomplete: it is dropped.
    bool complete = !chunk.cut;
    // Every sub-chunk of a mesh is either read or passed over by its length.
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end) && ReadU16(id)) {
        const Chunk sub = Open(chunk.end);
        if (sub.cut) complete = false;
        if (id == kPointList) {
            ReadPoints(sub);
        } else if (id == kFaceList) {
            ReadFaces(sub);
        } else if (id == kMappingList) {
            ReadMapping(sub);
        }
        Close(sub);
    }
    Close(chunk);
    index_ = nullptr;
    if (ok_ && complete) objects_.push_back(std::move(current_));
    current_.reset();
}

void Reader3ds::ReadPoints(const Chunk& chunk) {
    const int count = Count(chunk, 12);
    // Points past the table's size could never be named by a face: they are read and left out.
    pointCount_ = count < kMaxPoints ? count : kMaxPoints;
    for (int k = 0; k < count; ++k) {
        float x = 0, y = 0, z = 0;
        ReadFloat(x);
        ReadFloat(y);
        ReadFloat(z);
        if (k >= kMaxPoints) continue;
        const Vertex* v = index_->AddAt(x, y, z);
        pointIndex_[k] = v ? v->index : -1;
    }
}

void Reader3ds::ReadFaces(const Chunk& chunk) {
    const int count = Count(chunk, 8);
    std::vector<int> faces(count, -1);
    auto point = [this](std::uint16_t k) { return k < pointCount_ ? pointIndex_[k] : -1; };
    for (int i = 0; i < count; ++i) {
        std::uint16_t a = 0, b = 0, c = 0, flags = 0;
        ReadU16(a);
        ReadU16(b);
        ReadU16(c);
        ReadU16(flags);
        faces[i] = current_->AddFaceByIndex(point(a), point(b), point(c), nullptr, renderer_);
    }
    // Mapping is taken from the corners now: a mapping list later in the file reaches only
    // the points.
    for (int face : faces) {
        Face* f = current_->GetFace(face);
        if (!f) continue;
        f->u0 = f->a->u;
        f->v0 = f->a->v;
        f->u1 = f->b->u;
        f->v1 = f->b->v;
        f->u2 = f->c->u;
        f->v2 = f->c->v;
    }
    std::uint16_t id;
    while (ok_ && Has(2, chunk.end)) {
        id = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        if (id != kMaterialGroup) break;
        pos_ += 2;
        const Chunk group = Open(chunk.end);
        if (!ok_) break;
        ReadMaterialGroup(group, faces);
        Close(group);
    }
}

void Reader3ds::ReadMaterialGroup(const Chunk& chunk, const std::vector<int>& faces) {
    ReadName(chunk.end);
    const int texture = TextureHandle(renderer_, name_);
    const int count = Count(chunk, 2);
    for (int i = 0; i < count; ++i) {
        std::uint16_t f = 0;
        ReadU16(f);
        if (f < faces.size() && faces[f] != -1) current_->SetFaceTexture(faces[f], texture);
    }
}

void Reader3ds::ReadMapping(const Chunk& chunk) {
    const int count = Count(chunk, 8);
    for (int k = 0; k < count; ++k) {
        float u = 0, v = 0;
        ReadFloat(u);
        ReadFloat(v);
        Vertex* vertex = k < pointCount_ ? current_->GetVertex(pointIndex_[k]) : nullptr;
        if (!vertex) continue;
        vertex->u = u;
        vertex->v = 1.0 - v;
    }
    current_->textured = 1;
}
