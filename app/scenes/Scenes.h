#pragma once

// The scene routines, in the order the show plays them. Each runs to completion and leaves
// the world empty.
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
// Picture effects between scenes (app/effects).
void FadeToPicture(const char* bmpFileName);
void LighthouseEffect();
