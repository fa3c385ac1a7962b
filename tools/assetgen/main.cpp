// solmire-assetgen: writes the show's content pack (models, pictures, path files, music) into a folder.
//   solmire-assetgen [--out DIR | --data DIR] [--list]
// Without a folder it writes into "data" beside its own binary. --list prints every file with
// its size after writing (or, with --list alone and no folder given, without writing).
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/assetgen/Pack.h"

namespace {

std::filesystem::path BesideBinary(const char* argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0);
    return self.parent_path() / "data";
}

int Usage() {
    std::fprintf(stderr, "usage: solmire-assetgen [--out DIR | --data DIR] [--list]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path out;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if ((std::strcmp(argv[i], "--out") == 0 || std::strcmp(argv[i], "--data") == 0) && i + 1 < argc) {
            out = argv[++i];
        } else {
            return Usage();
        }
    }
    try {
        const assetgen::Pack pack = assetgen::GenerateAll();
        const bool write = !list || !out.empty();
        if (out.empty()) out = BesideBinary(argv[0]);
        if (write) pack.WriteTo(out);
        if (list) {
            std::size_t total = 0;
            for (const auto& f : pack.Files()) {
                std::printf("%10zu  %s\n", f.bytes.size(), f.name.c_str());
                total += f.bytes.size();
            }
            std::printf("%10zu  total, %zu files\n", total, pack.Files().size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "solmire-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
