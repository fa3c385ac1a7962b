#include <cmath>
#include <map>
#include <tuple>

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {
double Snap(double v) { return std::round(v * 64.0) / 64.0; }
}  // namespace

SettledMesh Settle(const Mesh& mesh) {
    SettledMesh out;
    out.name = mesh.name;
    out.texture = mesh.texture;
    std::map<std::tuple<double, double, double>, int> index;
    std::vector<int> pointOf(mesh.verts.size());
    std::vector<Vec3> all;
    std::vector<std::array<double, 2>> allUv;
    for (std::size_t i = 0; i < mesh.verts.size(); ++i) {
        const auto& v = mesh.verts[i];
        const Vec3 p(Snap(v.p.x), Snap(v.p.y), Snap(v.p.z));
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            throw ContentError(mesh.name + ": a point is not a finite number");
        auto [it, added] = index.try_emplace({p.x, p.y, p.z}, static_cast<int>(all.size()));
        if (added) {
            all.push_back(p);
            allUv.push_back({v.u, v.v});
        }
        pointOf[i] = it->second;
    }
    // Keep only faces the readers accept, then only the points those faces use, in first-use
    // order so that a file's point list holds no stray point (which would get no normal).
    std::vector<int> renumber(all.size(), -1);
    for (const auto& f : mesh.faces) {
        const int a = pointOf.at(f[0]), b = pointOf.at(f[1]), c = pointOf.at(f[2]);
        if (a == b || b == c || a == c) continue;
        const Vec3 n = (all[a] - all[b]).Cross(all[c] - all[b]);
        if (n.x == 0 && n.y == 0 && n.z == 0) continue;
        std::array<int, 3> face{};
        std::array<std::array<double, 2>, 3> uv{};
        for (int k = 0; k < 3; ++k) {
            const int p = pointOf[f[k]];
            if (renumber[p] < 0) {
                renumber[p] = static_cast<int>(out.points.size());
                out.points.push_back(all[p]);
                out.pointUv.push_back(allUv[p]);
            }
            face[k] = renumber[p];
            uv[k] = {mesh.verts[f[k]].u, mesh.verts[f[k]].v};
        }
        out.faces.push_back(face);
        out.cornerUv.push_back(uv);
    }
    if (out.faces.empty()) throw ContentError(mesh.name + ": no face left");
    if (out.points.size() > kMaxObjectPoints || out.faces.size() > kMaxObjectFaces)
        throw ContentError(mesh.name + ": over the engine's 10000 points or faces");
    return out;
}

}  // namespace assetgen
