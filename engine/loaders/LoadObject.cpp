#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include <strings.h>

#include "engine/loaders/ModelReaders.h"
#include "engine/render/Renderer.h"
#include "engine/video/ErrorBox.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"

bool ReadModelFile(const char* path, std::string& out, std::size_t maxBytes) {
    out.clear();
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    char block[65536];
    std::size_t n;
    while (out.size() < maxBytes &&
           (n = std::fread(block, 1, std::min(sizeof block, maxBytes - out.size()), file)) > 0)
        out.append(block, n);
    std::fclose(file);
    return true;
}

int TextureHandle(Renderer* renderer, std::string_view name) {
    if (name.empty()) return -1;
    if (!renderer) return 0;
    const std::string terminated(name);
    return renderer->LoadTexture(terminated.c_str());
}

void World::LoadObject(const char* fileName) {
    if (!fileName) return;
    std::FILE* probe = std::fopen(fileName, "r");
    if (!probe) return;
    std::fclose(probe);

    const std::size_t length = std::strlen(fileName);
    // A path of fewer than four characters has no extension to take: all of it is shown.
    const char* extension = length >= 4 ? fileName + length - 4 : fileName;
    // Files copied from systems that ignore case often carry upper-case names (CUBE.3DS).
    if (strcasecmp(extension, ".asc") == 0) {
        LoadAsc(fileName);
    } else if (strcasecmp(extension, ".ase") == 0) {
        LoadAse(fileName);
    } else if (strcasecmp(extension, ".3ds") == 0) {
        Load3ds(fileName);
    } else {
        const std::string message = std::string("Unsupported format : ") + extension;
        FatalError("V3D Error", message.c_str(), 24);
    }
}

void World::LoadPoints(const char* fileName, Vertex** points, int* count) {
    if (points) *points = nullptr;
    if (count) *count = 0;
    const int before = objectCount;
    LoadObject(fileName);
    // Nothing loaded: there is no object of this file to take, whatever the list holds.
    if (objectCount <= before) return;

    Object3D* last = objects[objectCount - 1];
    const int n = last->vertexCount;
    Vertex* copy = new Vertex[n];
    last->CopyVertices(copy);
    RemoveObjectAt(objectCount - 1);
    // Nobody else holds the object once it is out of the list.
    delete last;
    if (points) {
        *points = copy;
    } else {
        delete[] copy;
    }
    if (count) *count = n;
}
