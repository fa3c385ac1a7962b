#include "tools/assetgen/Pack.h"

#include <fstream>
#include <iterator>

#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

void Pack::Add(const std::string& name, std::vector<std::uint8_t> bytes) {
    if (Find(name)) throw ContentError("file generated twice: " + name);
    files.push_back({name, std::move(bytes)});
}

void Pack::AddText(const std::string& name, const std::string& text) {
    Add(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

const PackFile* Pack::Find(const std::string& name) const {
    for (const auto& f : files)
        if (f.name == name) return &f;
    return nullptr;
}

void Pack::WriteTo(const std::filesystem::path& dir) const {
    std::filesystem::create_directories(dir);
    for (const auto& f : files) {
        const auto path = dir / f.name;
        {
            std::ifstream in(path, std::ios::binary);
            if (in) {
                const std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                if (old == f.bytes) continue;
            }
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
        if (!out) throw ContentError("cannot write " + path.string());
    }
}

Pack GenerateAll() {
    Pack pack;
    GenerateModels(pack);
    GeneratePictures(pack);
    GeneratePaths(pack);
    GenerateMusic(pack);
    return pack;
}

}  // namespace assetgen
