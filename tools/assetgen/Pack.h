#pragma once

// The content pack in memory: file name and bytes, in the order generated.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

struct PackFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

class Pack {
public:
    // A name given twice is a generator fault: throws ContentError.
    void Add(const std::string& name, std::vector<std::uint8_t> bytes);
    void AddText(const std::string& name, const std::string& text);
    const PackFile* Find(const std::string& name) const;
    const std::vector<PackFile>& Files() const { return files; }

    // Writes every file into dir (created when missing); a file already holding the same bytes
    // is left untouched so that its time stamp, and what depends on it, stay as they are.
    void WriteTo(const std::filesystem::path& dir) const;

private:
    std::vector<PackFile> files;
};

// Every generator adds its files to the pack.
void GenerateModels(Pack& pack);
void GeneratePictures(Pack& pack);
void GeneratePaths(Pack& pack);
void GenerateMusic(Pack& pack);
// The whole pack: models, pictures, paths, music (and whatever else is registered in Pack.cpp).
Pack GenerateAll();

}  // namespace assetgen
