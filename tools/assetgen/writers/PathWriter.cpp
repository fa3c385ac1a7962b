#include "tools/assetgen/writers/PathWriter.h"

#include <cstdio>

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

std::string WritePaths(const std::vector<KeyPath>& paths) {
    if (paths.empty() || paths.size() > 20) throw ContentError("a path file holds 1 to 20 paths");
    std::string out;
    char buf[256];
    for (const auto& p : paths) {
        if (p.label.empty() || p.label.size() > 19 || p.label.find(':') != std::string::npos)
            throw ContentError("bad path label '" + p.label + "'");
        if (p.keys.empty() || p.keys.size() > 20) throw ContentError("path " + p.label + " needs 1 to 20 keys");
        std::snprintf(buf, sizeof buf, "%s:%d\n", p.label.c_str(), static_cast<int>(p.keys.size()));
        out += buf;
        for (const auto& k : p.keys) {
            std::snprintf(buf, sizeof buf, "%.3f,%.3f,%.3f,%.4f,%.4f,%.4f,%d;\n", k.x, k.y, k.z, k.rx, k.ry, k.rz,
                          k.frames);
            out += buf;
        }
    }
    return out;
}

}  // namespace assetgen
