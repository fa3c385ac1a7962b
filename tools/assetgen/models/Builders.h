#pragma once

// The model builders, one per kind of thing the scenes show. Each returns the objects of one
// file in file order; textures are named after pictures that pictures/ generates.
// Axes: +y is down on screen, the camera looks along +z. Ships point their nose along +z with
// their top towards -y. Backgrounds face the camera as the scenes turn them.

#include <vector>

#include "tools/assetgen/mesh/Mesh.h"

namespace assetgen::build {

// Ships and craft
Mesh XWing();
Mesh Ys21();
Mesh TieFighter();
Mesh ThreeWings();
std::vector<Mesh> Mothership();  // hull and two glow parts
std::vector<Mesh> Cockpit();     // "vitre", "tab1", "tab2", "tab03"
Mesh Missile();
Mesh Station();

// Space scenery
Mesh Planet();
Mesh Sun();
Mesh PlanetRing();
Mesh Torus();
Mesh Ring();
Mesh Tunnel();
// A roughened ball; fewer segments and rings make chunkier fragments when it bursts.
Mesh Rock(const char* name, double radius, unsigned seed, int segments = 12, int rings = 8);
Mesh Nebula();
Mesh CloudRing();
Mesh EnergyBall(const char* name, const char* texture, double radius, unsigned seed);
// A background card: w by h, centred, facing the camera when `facing` is -1 (towards -z) or
// after a half turn about x when `facing` is +1; picture up along +y in the model.
Mesh Backdrop(const char* texture, double w, double h, int facing);
Mesh StarField();
Mesh MountainBackdrop(const char* texture, double w, double h, unsigned seed, double passFloor = 0);
Mesh MountainGround();
Mesh Card(const char* texture, double w, double h);  // two-sided thin slab, for sprites

// Earth scenery
Mesh Forest();
Mesh Canopy();
Mesh Ground();
Mesh Fog();
Mesh Lake();
std::vector<Mesh> Tree(int kind);  // trunk and crown
Mesh Fountain();

// Figures and machines
std::vector<Mesh> Figure();
std::vector<Mesh> Motorbike();
std::vector<Mesh> Car(bool upsideDown, double length);
std::vector<Mesh> Hall();

// Logo, words, greetings set
Mesh Emblem();
std::vector<Mesh> LogoParts();  // "1" to "13", "bat", "socle"
Mesh WordModel(const char* name, const char* text, double cell);
Mesh Pillar();
Mesh Panel(int i);
Mesh Lift();

}  // namespace assetgen::build
