#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/loaders/ModelReaders.h"
#include "engine/loaders/Reader3ds.h"
#include "engine/render/Renderer.h"
#include "engine/world/Object3D.h"

// What the world does with each object a reader hands over, short of keeping it.
inline void FinishObject(std::unique_ptr<Object3D> object) {
    object->ComputeBoundingBox();
    object->ComputeVertexNormals();
}

// Texture names are only looked at: every byte of each must be readable.
class NameCheckingRenderer : public Renderer {
public:
    int LoadTexture(const char* name) override {
        unsigned sum = 0;
        for (const char* c = name; *c; ++c) sum += static_cast<unsigned char>(*c);
        return static_cast<int>(sum & 127);
    }
};
