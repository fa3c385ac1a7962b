#pragma once

// The production's global objects, constructed before main in this order and destroyed in
// reverse: cameras, the one world, the renderers, the lights shared by several scenes, then
// the shell, the display, the input and the music.
#include "engine/input/Input.h"
#include "engine/music/Music.h"
#include "engine/render/D3DRenderer.h"
#include "engine/render/D3DSoftRenderer.h"
#include "engine/render/GlideRenderer.h"
#include "engine/video/App.h"
#include "engine/video/Video.h"
#include "engine/world/Camera.h"
#include "engine/world/Lights.h"
#include "engine/world/World.h"

extern Camera effectCamera;   // the lighthouse picture effect's camera
extern World world;           // the engine's one world
extern GlideRenderer glideRenderer;      // the renderer the show attaches
extern D3DRenderer d3dRenderer;          // the two others, attached only when asked for
extern D3DSoftRenderer d3dSoftRenderer;
extern Omni axisLights[6];    // +Y, -Y, +Z, -Z, +X, -X for the scenes between title and greetings
extern Camera greetCamera;
extern Omni greetLights[2];
extern Camera titleCamera;
extern Video video;
extern Input input;
extern App app;
extern Music soundtrack;  // the Music object (music:: is the fade namespace)

// Gives the axis lights their colours (pairs of r, g, b in axis order) and their directions.
void RigAxisLights(const double colours[6][3]);
void AddAxisLights();
void RemoveAxisLights();
