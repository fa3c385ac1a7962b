#pragma once

// Model files in the two formats the engine's readers walk: ASE text and 3DS chunks.
// Both first settle every mesh the way the readers will see it (see Settle), so what a reader
// builds has exactly the points and faces written here.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/assetgen/mesh/Mesh.h"

namespace assetgen {

// Engine limits the files must stay within.
constexpr int kMaxObjectPoints = 10000;
constexpr int kMaxObjectFaces = 10000;
constexpr std::size_t kMax3dsName = 11;  // the 3DS reader keeps at most 11 characters

struct ContentError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A mesh as the readers rebuild it: positions on a 1/64 grid (exact in float and in six
// decimals), equal positions merged into one point, faces that would repeat a point or have no
// area dropped, unused points gone. Throws ContentError past the engine's limits.
struct SettledMesh {
    std::string name, texture;
    std::vector<Vec3> points;                   // unique positions
    std::vector<std::array<double, 2>> pointUv;  // first mapping met at each point (3DS)
    std::vector<std::array<int, 3>> faces;      // into points
    std::vector<std::array<std::array<double, 2>, 3>> cornerUv;  // per face corner (ASE)
};
SettledMesh Settle(const Mesh& mesh);

std::string WriteAse(const std::vector<Mesh>& objects);
std::vector<std::uint8_t> Write3ds(const std::vector<Mesh>& objects);

}  // namespace assetgen
