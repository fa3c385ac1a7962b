#pragma once

// Keyframe path text: "label:count" then per key seven numbers, each followed by one
// separator character (',' between numbers, ';' closing the key).

#include <string>
#include <vector>

namespace assetgen {

struct Key {
    double x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;
    int frames = 0;
};

struct KeyPath {
    std::string label;  // at most 19 characters, no ':'
    std::vector<Key> keys;  // at most 20
};

// Throws ContentError past the engine's table (20 paths, 20 keys, 19-character labels).
std::string WritePaths(const std::vector<KeyPath>& paths);

}  // namespace assetgen
