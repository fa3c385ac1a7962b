#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "engine/world/Object3D.h"
#include "engine/world/World.h"
#include "support/ModelFiles.h"
#include "support/RecordingRenderer.h"

// A world with a recording renderer; the objects the readers build are deleted afterwards
// (the world owns none of them).
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        World::ResetProcessState();
        world.SetRenderer(&renderer);
    }
    void TearDown() override { DeleteObjects(); }

    void DeleteObjects() {
        for (int i = 0; i < world.objectCount; ++i) delete world.objects[i];
        world.objectCount = 0;
    }

    // A file of this test's own in the temporary folder (tests run in parallel).
    std::string Write(const std::string& name, const std::string& bytes) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string path = ::testing::TempDir() + "solmire_" + std::to_string(getpid()) + "_" +
                                 info->test_suite_name() + "_" + info->name() + "_" + name;
        EXPECT_TRUE(modelfiles::WriteFile(path, bytes)) << path;
        return path;
    }

    Object3D* Object(int i) const { return world.GetObject(i); }

    // The handle the recording renderer gave a texture name; -100 when it was never loaded.
    int TextureOf(const std::string& name) {
        for (std::size_t i = 0; i < renderer.loadedTextures.size(); ++i)
            if (renderer.loadedTextures[i] == name) return static_cast<int>(i) + 1;
        return -100;
    }

    World world;
    RecordingRenderer renderer;
};

// A quad of four points (0,0,0) (1,0,0) (1,1,0) (0,1,0) as two faces, with mapping.
inline modelfiles::Mesh Quad(const std::string& name) {
    modelfiles::Mesh m;
    m.name = name;
    m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2}, {0, 2, 3}};
    m.mapping = {{0, 0.25f}, {1, 0}, {1, 1}, {0, 1}};
    return m;
}
