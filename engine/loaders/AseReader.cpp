// ASE text exports. The reader does not follow the file's nesting: for each thing it wants it
// skips tokens to an exact keyword and reads a fixed number of tokens after it. An object's
// keywords are looked for only up to the next "*GEOMOBJECT", so one object never takes another's
// data. An object whose points, faces or mapping end before their counts is dropped; the
// objects around it are kept.
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

// Entry i of a table, or -1 when i is outside it.
int Entry(const std::vector<int>& table, int i) {
    return (i >= 0 && static_cast<std::size_t>(i) < table.size()) ? table[i] : -1;
}

// "*BITMAP" values are quoted paths: the opening quote, the extension and the closing quote
// (five characters) are cut.
int BitmapHandle(Renderer* renderer, std::string_view token) {
    if (token.size() < 7) return -1;
    return TextureHandle(renderer, token.substr(1, token.size() - 6));
}

std::string Unquoted(std::string_view token) {
    return token.size() < 2 ? std::string() : std::string(token.substr(1, token.size() - 2));
}

class AseReader {
public:
    AseReader(std::string_view text, Renderer* renderer) : file_(text), in_(std::string_view()), renderer_(renderer) {}

    void Read(const ObjectSink& sink) {
        if (!ReadMaterials()) return;
        while (file_.SkipTo("*GEOMOBJECT")) {
            in_ = file_.Until("*GEOMOBJECT");
            if (std::unique_ptr<Object3D> object = ReadObject()) sink(std::move(object));
        }
    }

private:
    // The i-th "*BITMAP" after the material count belongs to material i. Many exports have
    // materials without one, so the search ends where the objects begin; materials left over
    // have no texture.
    bool ReadMaterials() {
        std::string_view token;
        if (!file_.SkipTo("*MATERIAL_COUNT") || !file_.Next(token)) return false;
        const int count = TokenInt(token);
        for (int i = 0; i < count; ++i) {
            do {
                if (!file_.Next(token)) return false;
            } while (token != "*BITMAP" && token != "*GEOMOBJECT");
            if (token == "*GEOMOBJECT") {
                file_.Unread();
                return true;
            }
            if (!file_.Next(token)) return false;
            materials_.push_back(BitmapHandle(renderer_, token));
        }
        return true;
    }

    bool Value(std::string_view& token) { return in_.Next(token); }
    bool Drop() {
        std::string_view token;
        return in_.Next(token);
    }
    bool Int(int& value) {
        std::string_view token;
        if (!in_.Next(token)) return false;
        value = TokenInt(token);
        return true;
    }
    bool Real(double& value) {
        std::string_view token;
        if (!in_.Next(token)) return false;
        value = TokenReal(token);
        return true;
    }

    // Null when the object ends before its counts are met.
    std::unique_ptr<Object3D> ReadObject() {
        std::string_view token;
        if (!in_.SkipTo("*NODE_NAME") || !Value(token)) return nullptr;
        auto object = std::make_unique<Object3D>(Unquoted(token).c_str());

        int pointCount = 0, faceCount = 0;
        if (!in_.SkipTo("*MESH") || !in_.SkipTo("*MESH_NUMVERTEX") || !Int(pointCount)) return nullptr;
        if (!in_.SkipTo("*MESH_NUMFACES") || !Int(faceCount)) return nullptr;

        // Point numbers written in the file are not used: points are taken in file order.
        VertexIndex index(*object);
        std::vector<int> points;
        for (int k = 0; k < pointCount; ++k) {
            double x, y, z;
            if (!in_.SkipTo("*MESH_VERTEX") || !Drop() || !Real(x) || !Real(y) || !Real(z)) return nullptr;
            const Vertex* v = index.AddAt(x, y, z);
            points.push_back(v ? v->index : -1);
        }

        // Entry i: the face made from the i-th face line, or -1 when it was refused.
        std::vector<int> faces;
        for (int i = 0; i < faceCount; ++i) {
            int a, b, c;
            if (!in_.SkipTo("*MESH_FACE") || !Drop() || !Drop() || !Int(a) || !Drop() || !Int(b) || !Drop() ||
                !Int(c))
                return nullptr;
            faces.push_back(object->AddFaceByIndex(Entry(points, a), Entry(points, b), Entry(points, c), nullptr,
                                                   renderer_));
        }

        // A mesh never mapped has no mapping block at all: it is drawn untextured.
        if (!in_.SkipTo("*MESH_NUMTVERTEX")) {
            for (int face : faces)
                if (face != -1) object->SetFaceTexture(face, -1);
            return object;
        }
        int mappingCount = 0;
        if (!Int(mappingCount)) return nullptr;
        if (mappingCount <= 0) return object;
        object->textured = 1;
        if (!ReadMapping(*object, faces, mappingCount)) return nullptr;

        // Without "*MATERIAL_REF" the object has no material, and so no texture.
        int material = -1;
        if (in_.SkipTo("*MATERIAL_REF") && !Int(material)) return nullptr;
        const int texture = Entry(materials_, material);
        for (int face : faces)
            if (face != -1) object->SetFaceTexture(face, texture);
        return object;
    }

    bool ReadMapping(Object3D& object, const std::vector<int>& faces, int mappingCount) {
        std::vector<double> us, vs;
        for (int k = 0; k < mappingCount; ++k) {
            double u, v;
            if (!in_.SkipTo("*MESH_TVERT") || !Drop() || !Real(u) || !Real(v)) return false;
            us.push_back(u);
            vs.push_back(1.0 - v);  // the picture's rows run downwards
        }
        int count = 0;
        if (!in_.SkipTo("*MESH_NUMTVFACES") || !Int(count)) return false;
        for (int i = 0; i < count; ++i) {
            int f;
            if (!in_.SkipTo("*MESH_TFACE") || !Int(f)) return false;
            Face* face = object.GetFace(Entry(faces, f));
            if (!face) continue;
            int t[3];
            if (!Int(t[0]) || !Int(t[1]) || !Int(t[2])) return false;
            double* const u[3] = {&face->u0, &face->u1, &face->u2};
            double* const v[3] = {&face->v0, &face->v1, &face->v2};
            for (int k = 0; k < 3; ++k) {
                if (t[k] < 0 || static_cast<std::size_t>(t[k]) >= us.size()) continue;
                *u[k] = us[t[k]];
                *v[k] = vs[t[k]];
            }
        }
        return true;
    }

    TokenReader file_;
    TokenReader in_;  // the current object's tokens
    Renderer* renderer_;
    std::vector<int> materials_;  // texture handle of material i
};

}  // namespace

void ReadAse(std::string_view text, Renderer* renderer, const ObjectSink& sink) {
    AseReader(text, renderer).Read(sink);
}

void World::LoadAse(const char* fileName) {
    std::string text;
    if (!ReadModelFile(fileName, text)) {
        const std::string message = std::string("Couldn't find ASE file : ") + (fileName ? fileName : "");
        FatalError("V3D Error", message.c_str(), 23);
    }
    ReadAse(text, renderer, [this](std::unique_ptr<Object3D> object) { AddObject(object.release()); });
}
