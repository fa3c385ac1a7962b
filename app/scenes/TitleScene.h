#pragma once

// The title's rock field: rocks fixed to the screen that tumble and drift across it, each
// thrown in again from an edge or from the distance once it has left the view.

class Object3D;

struct TitleRock {
    Object3D* object = nullptr;
    double spin[3] = {0, 0, 0};  // added to the angles every pass
    int velocity[3] = {0, 0, 0};  // added to the position every pass
};

// A new spin, side, place and velocity from the show's rand(), in a fixed order of draws so
// that a seed always gives the same field.
void RespawnTitleRock(TitleRock& rock);
// One pass of the field: a rock the last drawn frame found out of view is respawned, then
// every rock turns and moves.
void MoveTitleRocks(TitleRock* rocks, int count);
