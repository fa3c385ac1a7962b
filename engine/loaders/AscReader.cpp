// ASC scene exports: "Named object:" headers, "Tri-mesh," meshes, then vertex and face lines
// read token by token. Objects other than triangle meshes (lights, cameras) are passed over.
// End of file while skipping ends the read; the objects finished before it are kept.
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "engine/loaders/ModelReaders.h"
#include "engine/loaders/TokenReader.h"
#include "engine/loaders/VertexIndex.h"
#include "engine/video/ErrorBox.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"

namespace {

int Entry(const std::vector<int>& table, int i) {
    return (i >= 0 && static_cast<std::size_t>(i) < table.size()) ? table[i] : -1;
}

// Corner tokens are "A:12": the number starts at the third character.
int CornerNumber(std::string_view token) { return token.size() > 2 ? TokenInt(token.substr(2)) : 0; }

bool IsMaterial(std::string_view token) { return token.size() >= 2 && token[0] == 'M' && token[1] == 'a'; }

// Material:"Name" - the text after the first quote, less the token's last character. Empty
// (no texture) when there is no quote or nothing after it.
std::string_view MaterialName(std::string_view token) {
    const std::size_t quote = token.find('"');
    if (quote == std::string_view::npos || quote + 1 >= token.size()) return {};
    return token.substr(quote + 1, token.size() - 1 - (quote + 1));
}

class AscReader {
public:
    AscReader(std::string_view text, Renderer* renderer) : in_(text), renderer_(renderer) {}

    void Read(const ObjectSink& sink) {
        std::string_view name, kind;
        while (NextObjectHeader()) {
            if (!in_.Next(name) || !in_.Next(kind)) return;
            if (kind != "Tri-mesh,") continue;
            std::unique_ptr<Object3D> object = ReadMesh(name);
            if (!object) return;
            sink(std::move(object));
        }
    }

private:
    // "Named" followed by "object:" (its first letter in either case).
    bool NextObjectHeader() {
        std::string_view token;
        while (in_.Next(token)) {
            if (token != "Named") continue;
            if (!in_.Next(token)) return false;
            if (!token.empty() && std::tolower(static_cast<unsigned char>(token[0])) == 'o' &&
                token.substr(1) == "bject:")
                return true;
        }
        return false;
    }

    bool Int(int& value) {
        std::string_view token;
        if (!in_.Next(token)) return false;
        value = TokenInt(token);
        return true;
    }

    // A coordinate is written with its label in one token ("X:1.5") or after it ("X: 1.5").
    bool Labelled(double& value) {
        std::string_view token;
        if (!in_.Next(token)) return false;
        if (token.size() > 2) {
            value = TokenReal(token.substr(2));
            return true;
        }
        if (!in_.Next(token)) return false;
        value = TokenReal(token);
        return true;
    }

    std::unique_ptr<Object3D> ReadMesh(std::string_view quotedName) {
        const std::string name =
            quotedName.size() < 2 ? std::string() : std::string(quotedName.substr(1, quotedName.size() - 2));
        auto object = std::make_unique<Object3D>(name.c_str());
        std::string_view token;
        int pointCount = 0, faceCount = 0;
        if (!in_.Next(token) || !Int(pointCount) || !in_.Next(token) || !Int(faceCount)) return nullptr;

        // "Vertex list:", or "Mapped Vertex list:" for a mesh with mapping coordinates.
        do {
            if (!in_.Next(token)) return nullptr;
            if (token == "Mapped") object->textured = 1;
        } while (token != "Vertex");
        if (!in_.Next(token)) return nullptr;

        VertexIndex index(*object);
        std::vector<int> points;
        for (int k = 0; k < pointCount; ++k) {
            double x, y, z, unused;
            if (!in_.SkipTo("Vertex") || !in_.Next(token) || !Labelled(x) || !Labelled(y) || !Labelled(z))
                return nullptr;
            // Mapping coordinates are read past; faces of this format keep zero mapping.
            if (object->textured && (!Labelled(unused) || !Labelled(unused))) return nullptr;
            const Vertex* v = index.AddAt(x, y, z);
            points.push_back(v ? v->index : -1);
        }

        std::string_view current;
        if (!in_.SkipTo("Face") || !in_.Next(current)) return nullptr;
        for (int i = 0; i < faceCount; ++i) {
            while (current != "Face")
                if (!in_.Next(current)) return nullptr;
            std::string_view corner[3];
            if (!in_.Next(current) || !in_.Next(corner[0]) || !in_.Next(corner[1]) || !in_.Next(corner[2]))
                return nullptr;
            current = corner[2];
            const int a = Entry(points, CornerNumber(corner[0]));
            const int b = Entry(points, CornerNumber(corner[1]));
            const int c = Entry(points, CornerNumber(corner[2]));
            if (!object->textured) {
                object->AddFaceByIndex(a, b, c, nullptr, renderer_);
                continue;
            }
            // A mapped mesh gives each face a material line; the first face without one (the
            // next "Face", or the end of the file) leaves this and every later face untextured.
            bool material = false;
            while (in_.Next(current)) {
                if (current == "Face") break;
                if (IsMaterial(current)) {
                    material = true;
                    break;
                }
            }
            if (!material) {
                if (current != "Face") current = {};
                object->textured = 0;
                object->AddFaceByIndex(a, b, c, nullptr, renderer_);
                continue;
            }
            const std::string_view texture = MaterialName(current);
            if (texture.empty()) {
                // A material line naming no picture: the face is drawn untextured.
                const int face = object->AddFaceByIndex(a, b, c, nullptr, renderer_);
                object->SetFaceTexture(face, -1);
            } else {
                object->AddFaceByIndex(a, b, c, std::string(texture).c_str(), renderer_);
            }
        }
        return object;
    }

    TokenReader in_;
    Renderer* renderer_;
};

}  // namespace

void ReadAsc(std::string_view text, Renderer* renderer, const ObjectSink& sink) {
    AscReader(text, renderer).Read(sink);
}

void World::LoadAsc(const char* fileName) {
    std::string text;
    if (!ReadModelFile(fileName, text)) {
        const std::string message = std::string("Couldn't find ASC file : ") + (fileName ? fileName : "");
        FatalError("V3D Error", message.c_str(), 23);
    }
    ReadAsc(text, renderer, [this](std::unique_ptr<Object3D> object) { AddObject(object.release()); });
}
