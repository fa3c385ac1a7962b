#include "app/Screenshot.h"

#include <cstdio>
#include <filesystem>

#include "platform/os/ImageFile.h"

std::string NextScreenshotPath(const std::string& directory) {
    for (int n = 0; n <= 9999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "solmire-%04d.png", n);
        const std::filesystem::path path = std::filesystem::path(directory) / name;
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return path.string();
    }
    return {};
}

std::string SaveScreenshot(const std::string& directory, const std::uint16_t* pixels, int width, int height) {
    const std::string path = NextScreenshotPath(directory);
    if (path.empty()) {
        std::fprintf(stderr, "solmire: no screenshot: solmire-0000.png to solmire-9999.png all exist in %s\n",
                     directory.c_str());
        return {};
    }
    if (!os::WritePng565(path, pixels, width, height)) {
        std::fprintf(stderr, "solmire: could not write the screenshot %s\n", path.c_str());
        return {};
    }
    std::fprintf(stderr, "solmire: screenshot %s (%dx%d)\n", path.c_str(), width, height);
    return path;
}
