#pragma once

// The scene routines, in the order the show plays them. Each runs to completion and leaves
// the world empty.
void CockpitTunnelScene();
void FountainScene();
// Picture effects between scenes (app/effects).
void FadeToPicture(const char* bmpFileName);
void LighthouseEffect();
