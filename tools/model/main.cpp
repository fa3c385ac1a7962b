// solmire-model FILE...: loads each model file into an empty world, as the engine would, and
// prints one line per object: NAME, vertices, faces, textured|plain, and the distinct texture
// names its faces use. Exits as the loader does (23, 24, -99, 201) on the files it refuses.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/render/Renderer.h"
#include "engine/world/Face.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"

namespace {

// Draws nothing; only remembers which name each texture handle stands for. Handles start at
// 1, so a face's default 0 and the untextured -1 name nothing.
class NamingRenderer : public Renderer {
public:
    int LoadTexture(const char* name) override {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i) + 1;
        names.emplace_back(name);
        return static_cast<int>(names.size());
    }
    const std::string* NameOf(int handle) const {
        return handle >= 1 && handle <= static_cast<int>(names.size()) ? &names[handle - 1] : nullptr;
    }

    std::vector<std::string> names;
};

void PrintObject(const Object3D& object, const NamingRenderer& renderer) {
    std::vector<std::string> used;
    for (int f = 0; f < object.faceCount; ++f) {
        const std::string* name = renderer.NameOf(object.faces[f]->texture);
        if (!name) continue;
        bool seen = false;
        for (const std::string& u : used) seen = seen || u == *name;
        if (!seen) used.push_back(*name);
    }
    std::string textures;
    for (const std::string& u : used) textures += (textures.empty() ? "" : ",") + u;
    std::printf("%s\t%d\t%d\t%s\t%s\n", object.name, object.vertexCount, object.faceCount,
                object.textured ? "textured" : "plain", textures.empty() ? "-" : textures.c_str());
}

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: solmire-model FILE...\n"
                 "Loads each model file (.ase, .3ds or .asc, in any case) into an empty world, as\n"
                 "the engine does, and prints one line per object in world order:\n"
                 "  NAME<TAB>VERTICES<TAB>FACES<TAB>textured|plain<TAB>TEXTURES\n"
                 "TEXTURES is the comma-separated list of distinct texture names the object's faces\n"
                 "use (each is looked up as NAME.bmp by the renderers), or - for none.\n"
                 "A file that cannot be opened prints nothing (the engine skips it too). The loader's\n"
                 "errors end the run with its codes: 23 reader cannot open the file, 24 unsupported\n"
                 "extension, -99 (157) 3DS version below 3, 201 more objects than the world holds.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }

    NamingRenderer renderer;
    World world;
    world.SetRenderer(&renderer);
    for (int i = 1; i < argc; ++i) {
        if (std::FILE* probe = std::fopen(argv[i], "r")) {
            std::fclose(probe);
        } else {
            std::fprintf(stderr, "solmire-model: %s: cannot be opened, nothing loaded\n", argv[i]);
        }
        world.LoadObject(argv[i]);
        for (int k = 0; k < world.objectCount; ++k) PrintObject(*world.objects[k], renderer);
        std::fflush(stdout);
        std::vector<Object3D*> loaded(world.objects, world.objects + world.objectCount);
        world.Clear();
        for (Object3D* object : loaded) delete object;
    }
    return 0;
}
