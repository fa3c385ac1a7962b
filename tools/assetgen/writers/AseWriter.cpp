// ASE text as the engine's reader walks it: the i-th *BITMAP after *MATERIAL_COUNT is material
// i, and each *GEOMOBJECT gives its *NODE_NAME, points, faces, mapping and *MATERIAL_REF in
// that order. Names and bitmaps are single tokens (the reader splits on blanks).
#include <cstdarg>
#include <cstdio>
#include <map>

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {

// Appends one formatted line; the attribute lets the compiler check every format against its
// arguments.
__attribute__((format(printf, 2, 3))) void Line(std::string& out, const char* fmt, ...) {
    std::va_list args;
    va_start(args, fmt);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    if (length > 0) {
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(out.data() + at, static_cast<std::size_t>(length) + 1, fmt, again);
        out.resize(at + static_cast<std::size_t>(length));
    }
    va_end(again);
    out += '\n';
}

void CheckToken(const std::string& s, const char* what) {
    if (s.empty() || s.find_first_of(" \t\r\n\"") != std::string::npos)
        throw ContentError(std::string("ASE ") + what + " must be one word: '" + s + "'");
}

}  // namespace

std::string WriteAse(const std::vector<Mesh>& objects) {
    std::vector<SettledMesh> settled;
    std::vector<std::string> materials;
    std::map<std::string, int> materialIndex;
    for (const auto& m : objects) {
        CheckToken(m.name, "object name");
        CheckToken(m.texture, "texture name");
        settled.push_back(Settle(m));
        if (materialIndex.try_emplace(m.texture, static_cast<int>(materials.size())).second)
            materials.push_back(m.texture);
    }

    std::string out;
    Line(out, "*3DSMAX_ASCIIEXPORT\t200");
    Line(out, "*COMMENT \"solmire-assetgen\"");
    Line(out, "*MATERIAL_LIST {");
    Line(out, "\t*MATERIAL_COUNT %d", static_cast<int>(materials.size()));
    for (std::size_t i = 0; i < materials.size(); ++i) {
        Line(out, "\t*MATERIAL %d {", static_cast<int>(i));
        Line(out, "\t\t*MATERIAL_NAME \"%s\"", materials[i].c_str());
        Line(out, "\t\t*MAP_DIFFUSE {");
        Line(out, "\t\t\t*BITMAP \"%s.bmp\"", materials[i].c_str());
        Line(out, "\t\t}");
        Line(out, "\t}");
    }
    Line(out, "}");

    for (const auto& s : settled) {
        Line(out, "*GEOMOBJECT {");
        Line(out, "\t*NODE_NAME \"%s\"", s.name.c_str());
        Line(out, "\t*MESH {");
        Line(out, "\t\t*TIMEVALUE 0");
        Line(out, "\t\t*MESH_NUMVERTEX %d", static_cast<int>(s.points.size()));
        Line(out, "\t\t*MESH_NUMFACES %d", static_cast<int>(s.faces.size()));
        Line(out, "\t\t*MESH_VERTEX_LIST {");
        for (std::size_t i = 0; i < s.points.size(); ++i)
            Line(out, "\t\t\t*MESH_VERTEX %d\t%.6f\t%.6f\t%.6f", static_cast<int>(i), s.points[i].x, s.points[i].y,
                 s.points[i].z);
        Line(out, "\t\t}");
        Line(out, "\t\t*MESH_FACE_LIST {");
        for (std::size_t i = 0; i < s.faces.size(); ++i)
            Line(out, "\t\t\t*MESH_FACE %d:\tA: %d B: %d C: %d AB: 1 BC: 1 CA: 1\t*MESH_SMOOTHING 1\t*MESH_MTLID 0",
                 static_cast<int>(i), s.faces[i][0], s.faces[i][1], s.faces[i][2]);
        Line(out, "\t\t}");

        // Mapping points: one per distinct (u, v) at the precision written.
        std::map<std::pair<long, long>, int> uvIndex;
        std::vector<std::array<double, 2>> uvs;
        std::vector<std::array<int, 3>> tfaces;
        for (const auto& corners : s.cornerUv) {
            std::array<int, 3> t{};
            for (int k = 0; k < 3; ++k) {
                // Files store v upwards.
                const double u = corners[k][0], v = 1 - corners[k][1];
                const std::pair<long, long> key{std::lround(u * 10000), std::lround(v * 10000)};
                auto [it, added] = uvIndex.try_emplace(key, static_cast<int>(uvs.size()));
                if (added) uvs.push_back({key.first / 10000.0, key.second / 10000.0});
                t[k] = it->second;
            }
            tfaces.push_back(t);
        }
        Line(out, "\t\t*MESH_NUMTVERTEX %d", static_cast<int>(uvs.size()));
        Line(out, "\t\t*MESH_TVERTLIST {");
        for (std::size_t i = 0; i < uvs.size(); ++i)
            Line(out, "\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000", static_cast<int>(i), uvs[i][0], uvs[i][1]);
        Line(out, "\t\t}");
        Line(out, "\t\t*MESH_NUMTVFACES %d", static_cast<int>(tfaces.size()));
        Line(out, "\t\t*MESH_TFACELIST {");
        for (std::size_t i = 0; i < tfaces.size(); ++i)
            Line(out, "\t\t\t*MESH_TFACE %d\t%d\t%d\t%d", static_cast<int>(i), tfaces[i][0], tfaces[i][1], tfaces[i][2]);
        Line(out, "\t\t}");
        Line(out, "\t}");
        Line(out, "\t*MATERIAL_REF %d", materialIndex.at(s.texture));
        Line(out, "}");
    }
    return out;
}

}  // namespace assetgen
