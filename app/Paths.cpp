#include "app/Paths.h"

#include <fstream>
#include <istream>

#include "engine/world/Object3D.h"

namespace {

// Formatted extraction that leaves the destination alone when the read fails, as the
// stream library of the path files' era did (today's sets a failed number to 0).
template <typename T>
void Read(std::istream& in, T& dest) {
    T value{};
    if (in >> value) dest = value;
}

void SkipSeparator(std::istream& in) {
    char c;
    in >> c;
}

// Everything up to the colon, the colon consumed; only the first 19 characters are kept.
void ReadLabel(std::istream& in, char* label) {
    if (!in) return;
    char buffer[Path::kLabelSize];
    int n = 0;
    int c;
    while ((c = in.get()) != std::char_traits<char>::eof() && c != ':')
        if (n < Path::kLabelSize - 1) buffer[n++] = static_cast<char>(c);
    if (c != ':') {
        in.setstate(std::ios::failbit);
        return;
    }
    for (int i = 0; i < n; ++i) label[i] = buffer[i];
    label[n] = '\0';
}

void ReadKey(std::istream& in, PathKey& key) {
    double* const values[6] = {&key.x, &key.y, &key.z, &key.rx, &key.ry, &key.rz};
    for (double* v : values) {
        Read(in, *v);
        SkipSeparator(in);
    }
    Read(in, key.frames);
    SkipSeparator(in);
}

}  // namespace

void LoadPaths(const char* fileName, int pathCount) {
    std::ifstream in(fileName ? fileName : "");
    LoadPaths(in, pathCount);
}

void LoadPaths(std::istream& in, int pathCount) {
    Path spare;  // where paths and keys beyond the table are read to be dropped
    for (int i = 0; i < pathCount && in; ++i) {
        Path& path = i < kMaxPaths ? PathTable[i] : spare;
        ReadLabel(in, path.label);
        int count = path.keyCount;
        Read(in, count);
        if (!in) break;
        path.keyCount = count < 0 ? 0 : (count > Path::kMaxKeys ? Path::kMaxKeys : count);
        PathKey extra;
        for (int k = 0; k < count && in; ++k) ReadKey(in, k < Path::kMaxKeys ? path.keys[k] : extra);
    }
}

void PlaceOnPath(Object3D* object, int pathIndex) {
    if (!object || pathIndex < 0 || pathIndex >= kMaxPaths) return;
    const PathKey& key = PathTable[pathIndex].keys[0];
    object->visible = 1;
    SetPose(object, key.x, key.y, key.z, key.rx, key.ry, key.rz);
}

void SetPose(Object3D* object, double x, double y, double z, double rx, double ry, double rz) {
    if (!object) return;
    object->position[0] = x;
    object->position[1] = y;
    object->position[2] = z;
    object->angles[0] = rx;
    object->angles[1] = ry;
    object->angles[2] = rz;
}

void CopyPose(const Object3D* from, Object3D* to) {
    SetPose(to, from->position[0], from->position[1], from->position[2], from->angles[0], from->angles[1],
            from->angles[2]);
}
