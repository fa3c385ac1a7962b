#pragma once

// Writers for small model files in the three formats the readers take, so tests, fuzz seeds
// and benchmarks make their own fixtures instead of carrying binary files.

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace modelfiles {

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> faces;
    std::vector<std::array<float, 2>> mapping;  // per point (3DS) or per mapping point (ASE)
    // ASE: mapping point numbers per face (empty: the face's own corners). 3DS: unused.
    std::vector<std::array<int, 3>> mappingFaces;
    int materialRef = 0;  // ASE
    // 3DS material groups and ASC per-face materials ("" for a face without a material line).
    std::vector<std::pair<std::string, std::vector<int>>> groups;
    std::vector<std::string> faceMaterials;  // ASC
};

// Appends printf-formatted text.
__attribute__((format(printf, 2, 3))) inline void Appendf(std::string& s, const char* format, ...) {
    char line[256];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    s += line;
}

// A grid of w x h points in the z = 0 plane, two triangles per cell, cut to faceCount faces;
// mapping coordinates spread over the grid.
inline Mesh GridMesh(const std::string& name, int w, int h, int faceCount) {
    Mesh m;
    m.name = name;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            m.points.push_back({static_cast<float>(x), static_cast<float>(y), 0.0f});
            m.mapping.push_back({static_cast<float>(x) / static_cast<float>(w), static_cast<float>(y) / static_cast<float>(h)});
        }
    for (int y = 0; y + 1 < h; ++y)
        for (int x = 0; x + 1 < w; ++x) {
            const int p = y * w + x;
            if (static_cast<int>(m.faces.size()) < faceCount) m.faces.push_back({p, p + 1, p + w + 1});
            if (static_cast<int>(m.faces.size()) < faceCount) m.faces.push_back({p, p + w + 1, p + w});
        }
    return m;
}

// ---- 3DS ----

class Chunk {
public:
    explicit Chunk(std::uint16_t id_) : id(id_) {}
    Chunk& U16(std::uint16_t v) { content += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; return *this; }
    Chunk& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Chunk& Float(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return U32(bits);
    }
    Chunk& Name(const std::string& s) { content += s; content.push_back('\0'); return *this; }
    Chunk& Add(const Chunk& child) { content += child.Bytes(); return *this; }
    Chunk& Raw(const std::string& bytes) { content += bytes; return *this; }
    std::string Bytes() const {
        Chunk header(0);
        header.U16(id).U32(static_cast<std::uint32_t>(content.size() + 6));
        return header.content + content;
    }

    std::uint16_t id;
    std::string content;
};

inline Chunk MappingList(const Mesh& m) {
    Chunk c(0x4140);
    c.U16(static_cast<std::uint16_t>(m.mapping.size()));
    for (const auto& t : m.mapping) c.Float(t[0]).Float(t[1]);
    return c;
}

inline Chunk FaceList(const Mesh& m) {
    Chunk c(0x4120);
    c.U16(static_cast<std::uint16_t>(m.faces.size()));
    for (const auto& f : m.faces)
        c.U16(static_cast<std::uint16_t>(f[0])).U16(static_cast<std::uint16_t>(f[1])).U16(static_cast<std::uint16_t>(f[2])).U16(7);
    for (const auto& [material, faces] : m.groups) {
        Chunk g(0x4130);
        g.Name(material).U16(static_cast<std::uint16_t>(faces.size()));
        for (int f : faces) g.U16(static_cast<std::uint16_t>(f));
        c.Add(g);
    }
    return c;
}

// Points, mapping, faces: the usual order, so the faces take the mapping.
inline Chunk TriMesh(const Mesh& m, bool mappingAfterFaces = false) {
    Chunk points(0x4110), mesh(0x4100);
    points.U16(static_cast<std::uint16_t>(m.points.size()));
    for (const auto& p : m.points) points.Float(p[0]).Float(p[1]).Float(p[2]);
    mesh.Add(points);
    if (!m.mapping.empty() && !mappingAfterFaces) mesh.Add(MappingList(m));
    mesh.Add(FaceList(m));
    return m.mapping.empty() || !mappingAfterFaces ? mesh : mesh.Add(MappingList(m));
}

inline Chunk NamedObject(const Mesh& m, bool mappingAfterFaces = false) {
    return Chunk(0x4000).Name(m.name).Add(TriMesh(m, mappingAfterFaces));
}

// Main chunk, version chunk, then the editor chunk whose version sub-chunk puts the version
// byte at offset 28.
inline std::string Make3ds(const std::vector<Chunk>& editorChunks, std::uint8_t version = 3) {
    Chunk editor(0x3D3D);
    editor.Add(Chunk(0x3D3E).U32(version));
    for (const Chunk& c : editorChunks) editor.Add(c);
    Chunk main(0x4D4D);
    main.Add(Chunk(0x0002).U32(version)).Add(editor);
    return main.Bytes();
}

inline std::string Make3ds(const std::vector<Mesh>& meshes) {
    std::vector<Chunk> chunks;
    for (const Mesh& m : meshes) chunks.push_back(NamedObject(m));
    return Make3ds(chunks);
}

// ---- ASE ----

// bitmaps: one entry per material; nullopt for a material without a "*BITMAP".
inline std::string MakeAse(const std::vector<std::optional<std::string>>& bitmaps, const std::vector<Mesh>& meshes) {
    std::string s = "*3DSMAX_ASCIIEXPORT\t200\n*COMMENT \"made by a test\"\n*SCENE {\n\t*SCENE_FIRSTFRAME 0\n}\n";
    s += "*MATERIAL_LIST {\n\t*MATERIAL_COUNT " + std::to_string(bitmaps.size()) + "\n";
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        s += "\t*MATERIAL " + std::to_string(i) + " {\n\t\t*MATERIAL_NAME \"m" + std::to_string(i) + "\"\n";
        if (bitmaps[i]) s += "\t\t*MAP_DIFFUSE {\n\t\t\t*BITMAP \"" + *bitmaps[i] + "\"\n\t\t}\n";
        s += "\t}\n";
    }
    s += "}\n";
    for (const Mesh& m : meshes) {
        s += "*GEOMOBJECT {\n\t*NODE_NAME \"" + m.name + "\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"" + m.name + "\"\n\t}\n";
        s += "\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX " + std::to_string(m.points.size()) +
             "\n\t\t*MESH_NUMFACES " + std::to_string(m.faces.size()) + "\n\t\t*MESH_VERTEX_LIST {\n";
        for (std::size_t i = 0; i < m.points.size(); ++i)
            Appendf(s, "\t\t\t*MESH_VERTEX %4zu\t%.4f\t%.4f\t%.4f\n", i, m.points[i][0], m.points[i][1], m.points[i][2]);
        s += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
        for (std::size_t i = 0; i < m.faces.size(); ++i)
            Appendf(s, "\t\t\t*MESH_FACE %4zu:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n",
                i, m.faces[i][0], m.faces[i][1], m.faces[i][2]);
        s += "\t\t}\n\t\t*MESH_NUMTVERTEX " + std::to_string(m.mapping.size()) + "\n";
        if (!m.mapping.empty()) {
            s += "\t\t*MESH_TVERTLIST {\n";
            for (std::size_t i = 0; i < m.mapping.size(); ++i)
                Appendf(s, "\t\t\t*MESH_TVERT %zu\t%.4f\t%.4f\t0.0000\n", i, m.mapping[i][0], m.mapping[i][1]);
            const auto& tfaces = m.mappingFaces.empty() ? m.faces : m.mappingFaces;
            s += "\t\t}\n\t\t*MESH_NUMTVFACES " + std::to_string(tfaces.size()) + "\n\t\t*MESH_TFACELIST {\n";
            for (std::size_t i = 0; i < tfaces.size(); ++i)
                Appendf(s, "\t\t\t*MESH_TFACE %zu\t%d\t%d\t%d\n", i, tfaces[i][0], tfaces[i][1], tfaces[i][2]);
            s += "\t\t}\n";
        }
        s += "\t}\n\t*PROP_MOTIONBLUR 0\n";
        if (!m.mapping.empty()) s += "\t*MATERIAL_REF " + std::to_string(m.materialRef) + "\n";
        s += "}\n";
    }
    return s;
}

// ---- ASC ----

// A mapped mesh ("Mapped Vertex list:") when mapping is given; faceMaterials[i] gives face i
// a material line (none when empty or missing).
inline std::string MakeAsc(const std::vector<Mesh>& meshes) {
    std::string s = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n";
    for (const Mesh& m : meshes) {
        const bool mapped = !m.mapping.empty();
        s += "Named object: \"" + m.name + "\"\nTri-mesh, Vertices: " + std::to_string(m.points.size()) +
             "     Faces: " + std::to_string(m.faces.size()) + "\n";
        s += mapped ? "Mapped Vertex list:\n" : "Vertex list:\n";
        for (std::size_t i = 0; i < m.points.size(); ++i) {
            Appendf(s, "Vertex %zu:  X:%.4f     Y:%.4f     Z:%.4f", i, m.points[i][0], m.points[i][1], m.points[i][2]);
            if (mapped) Appendf(s, "     U:%.4f     V:%.4f", m.mapping[i][0], m.mapping[i][1]);
            s += "\n";
        }
        s += "Face list:\n";
        for (std::size_t i = 0; i < m.faces.size(); ++i) {
            Appendf(s, "Face %zu:    A:%d B:%d C:%d AB:1 BC:1 CA:1\n", i, m.faces[i][0], m.faces[i][1], m.faces[i][2]);
            if (i < m.faceMaterials.size() && !m.faceMaterials[i].empty())
                s += "Material:\"" + m.faceMaterials[i] + "\"\n";
            s += "Smoothing:  1\n";
        }
        s += "\n";
    }
    return s;
}

inline bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace modelfiles
