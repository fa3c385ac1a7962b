#include "app/Globals.h"

// One translation unit, so the construction order is the order written here.
Camera effectCamera;
World world;
GlideRenderer glideRenderer(video);
D3DRenderer d3dRenderer(video);
D3DSoftRenderer d3dSoftRenderer(video);
Omni axisLights[6];
Camera greetCamera;
Omni greetLights[2];
Camera titleCamera;
Video video;
Input input;
App app(video, input);
Music soundtrack;

void RigAxisLights(const double colours[6][3]) {
    static constexpr int kDirections[6][3] = {{0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}};
    for (int i = 0; i < 6; ++i) {
        axisLights[i].SetColor(colours[i][0], colours[i][1], colours[i][2]);
        axisLights[i].SetDirection(kDirections[i][0], kDirections[i][1], kDirections[i][2]);
    }
}

void AddAxisLights() {
    for (Omni& o : axisLights) world.AddOmni(&o);
}

void RemoveAxisLights() {
    for (Omni& o : axisLights) world.RemoveOmni(&o);
}
