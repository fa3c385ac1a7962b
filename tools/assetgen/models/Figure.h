#pragma once

// The articulated figure of "vboy.ase": six parts modelled in place around the hip (origin),
// head towards -y (up on screen), facing -z (the camera). Its walks in the path files turn each
// part about its joint, so the joints are shared by the model and the paths.

#include "tools/assetgen/mesh/Mesh.h"

namespace assetgen::figure {

// Part order of the file and of the paths: head, body, left arm, left foot, right arm, right foot.
inline constexpr const char* kParts[6] = {"tete", "corps", "brasg", "piedg", "brasd", "piedd"};

// Joint of each part in model units; the figure's left is +x (it faces the camera).
inline const Vec3 kJoints[6] = {
    {0, -190, 0}, {0, 0, 0}, {70, -175, 0}, {30, 0, 0}, {-70, -175, 0}, {-30, 0, 0},
};

// The scenes scale every part by this before walking it.
inline constexpr double kSceneScale = 0.3;

}  // namespace assetgen::figure
