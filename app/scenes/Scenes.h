#pragma once

// The scene routines, in the order the show plays them. Each runs to completion and leaves
// the world empty, but for the last.
void TitleScene();
void PlanetScene();
void CockpitTunnelScene();
void MothershipRingScene();
void SpaceBattleScene();
void FleetLaunchScene();
void FountainScene();
void MountainPassScene();
void ForestFlightScene();
void MissileScene();
void LakeScene();
void CharacterScene();
void LogoScene();
void MotorbikeScene();
// The greetings end the show: they go on into the roll of names, whose last loop runs until
// Escape.
[[noreturn]] void GreetingsScene();
[[noreturn]] void GreetingRoll();
// Picture effects between scenes (app/effects).
void FadeToPicture(const char* bmpFileName);
void LighthouseEffect();
