// 3DS chunks laid out for the engine's reader: a version chunk right after the main header and
// a mesh-version chunk first in the editor chunk put a 3 at byte 28, where the reader checks it.
// In each mesh the mapping list (0x4140) comes before the face list (0x4120), because faces take
// their corners' mapping when the face list is read; the material group (0x4130) directly
// follows the faces inside 0x4120, and a local-axes chunk (0x4160) follows so that the reader's
// look past the last group never meets the end of the file.
#include <cstring>
#include <set>

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {

class Chunks {
public:
    std::vector<std::uint8_t> bytes;

    std::size_t Open(std::uint16_t id) {
        U16(id);
        const std::size_t at = bytes.size();
        U32(0);
        return at - 2;
    }
    void Close(std::size_t start) {
        const auto length = static_cast<std::uint32_t>(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    void U16(std::uint32_t v) {
        if (v > 0xFFFF) throw ContentError("3DS count over 65535");
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void F32(double d) {
        const float f = static_cast<float>(d);
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        U32(v);
    }
    void Name(const std::string& s) {
        if (s.empty() || s.size() > kMax3dsName) throw ContentError("3DS name must be 1 to 11 characters: '" + s + "'");
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
};

}  // namespace

std::vector<std::uint8_t> Write3ds(const std::vector<Mesh>& objects) {
    Chunks c;
    const std::size_t main = c.Open(0x4D4D);
    const std::size_t version = c.Open(0x0002);
    c.U32(3);
    c.Close(version);
    const std::size_t editor = c.Open(0x3D3D);
    const std::size_t meshVersion = c.Open(0x3D3E);
    c.U32(3);
    c.Close(meshVersion);

    std::set<std::string> seen;
    for (const auto& m : objects) {
        if (!seen.insert(m.texture).second) continue;
        const std::size_t material = c.Open(0xAFFF);
        const std::size_t name = c.Open(0xA000);
        c.Name(m.texture);
        c.Close(name);
        c.Close(material);
    }

    for (const auto& m : objects) {
        const SettledMesh s = Settle(m);
        const std::size_t object = c.Open(0x4000);
        c.Name(s.name);
        const std::size_t trimesh = c.Open(0x4100);

        const std::size_t points = c.Open(0x4110);
        c.U16(static_cast<std::uint32_t>(s.points.size()));
        for (const auto& p : s.points) {
            c.F32(p.x);
            c.F32(p.y);
            c.F32(p.z);
        }
        c.Close(points);

        const std::size_t mapping = c.Open(0x4140);
        c.U16(static_cast<std::uint32_t>(s.pointUv.size()));
        for (const auto& uv : s.pointUv) {
            c.F32(uv[0]);
            c.F32(1 - uv[1]);  // files store v upwards
        }
        c.Close(mapping);

        const std::size_t faces = c.Open(0x4120);
        c.U16(static_cast<std::uint32_t>(s.faces.size()));
        for (const auto& f : s.faces) {
            c.U16(static_cast<std::uint32_t>(f[0]));
            c.U16(static_cast<std::uint32_t>(f[1]));
            c.U16(static_cast<std::uint32_t>(f[2]));
            c.U16(7);  // edge visibility flags; unused by the reader
        }
        const std::size_t group = c.Open(0x4130);
        c.Name(s.texture);
        c.U16(static_cast<std::uint32_t>(s.faces.size()));
        for (std::size_t i = 0; i < s.faces.size(); ++i) c.U16(static_cast<std::uint32_t>(i));
        c.Close(group);
        c.Close(faces);

        const std::size_t axes = c.Open(0x4160);
        const double identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        for (double d : identity) c.F32(d);
        c.Close(axes);

        c.Close(trimesh);
        c.Close(object);
    }
    c.Close(editor);
    c.Close(main);
    return c.bytes;
}

}  // namespace assetgen
