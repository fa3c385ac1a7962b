#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/render/Renderer.h"

// A renderer that draws nothing and writes down every call, so tests can check what the
// engine hands over and in which order.
class RecordingRenderer : public Renderer {
public:
    std::vector<std::string> calls;
    std::vector<std::string> loadedTextures;
    int freeResult = 1;
    int lastCullSign = 0;
    Vertex** lastPoints = nullptr;
    // Called at BeginFrame, so a test can make a frame take as long as it likes.
    std::function<void()> onBeginFrame;

    void Init() override { calls.push_back("Init"); }
    void BeginFrame() override {
        calls.push_back("BeginFrame");
        if (onBeginFrame) onBeginFrame();
    }
    void EndFrame() override { calls.push_back("EndFrame"); }
    int LoadTexture(const char* name) override {
        for (size_t i = 0; i < loadedTextures.size(); ++i)
            if (loadedTextures[i] == name) return static_cast<int>(i) + 1;
        loadedTextures.emplace_back(name);
        calls.push_back(std::string("LoadTexture ") + name);
        return static_cast<int>(loadedTextures.size());
    }
    void DrawPoints(Vertex** v, int count, LightSet*, unsigned) override {
        lastPoints = v;
        calls.push_back("DrawPoints " + std::to_string(count));
    }
    void DrawWireframe(Face**, int count, LightSet*, unsigned, int cullSign) override { Faces("DrawWireframe", count, cullSign); }
    void DrawSolidFaces(Face**, int count, LightSet*, unsigned, int cullSign) override { Faces("DrawSolidFaces", count, cullSign); }
    void DrawTexturedFaces(Face**, int count, LightSet*, unsigned, int cullSign) override { Faces("DrawTexturedFaces", count, cullSign); }
    void DrawLine(Vertex*, Vertex*, int) override { calls.push_back("DrawLine"); }
    void BeginAdditive() override { calls.push_back("BeginAdditive"); }
    void EndAdditive() override { calls.push_back("EndAdditive"); }
    void FillRect(int x1, int y1, int x2, int y2, int color) override {
        calls.push_back("FillRect " + std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) + " " +
                        std::to_string(y2) + " " + std::to_string(color));
    }
    void DrawText(int x, int y, const char* text, int color) override {
        calls.push_back("DrawText " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(color) + " " + text);
    }
    int FreeTexture(int handle) override {
        calls.push_back("FreeTexture " + std::to_string(handle));
        return freeResult;
    }
    int GetMaxX() override { return 640; }
    int GetMaxY() override { return 480; }
    int GetFarZ() override { return 10000; }

private:
    void Faces(const char* what, int count, int cullSign) {
        lastCullSign = cullSign;
        calls.push_back(what + (" " + std::to_string(count)));
    }
};
