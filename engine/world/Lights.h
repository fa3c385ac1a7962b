#pragma once

#include "engine/world/Vector3.h"

// A directional light: a direction and a colour, no position, no falloff.
class Omni {
public:
    Vector3 direction{0, 0, 1};        // world space, unit length
    Vector3 cameraDirection{0, 0, 1};  // written by the pipeline for each drawn object
    double red = 4.0, green = 4.0, blue = 4.0;  // factors on the lit mesh's base colour

    Omni() = default;
    ~Omni() = default;

    // Normalised; left as given when all three are 0.
    void SetDirection(int x, int y, int z);
    // Negative factors become 0.
    void SetColor(double r, double g, double b);
};

// A point light with a linear falloff: full strength within near, nothing beyond far.
class Halo {
public:
    int x = 0, y = 0, z = 0;           // world position
    int cx = 0, cy = 0, cz = 0;        // camera space, written by the pipeline
    double red = 4.0, green = 4.0, blue = 4.0;
    double far = 30.0;
    double near = 15.0;
    double falloff = 1.0 / (15.0 - 30.0);  // 1 / (near - far); 0 when near == far

    Halo() = default;
    ~Halo() = default;

    void SetPosition(int x_, int y_, int z_) { x = x_; y = y_; z = z_; }
    void SetColor(double r, double g, double b);
    // Negative becomes 0; a far radius below near becomes near.
    void SetFar(double radius);
    // Negative becomes 0; a near radius above far becomes far.
    void SetNear(double radius);
    // Strength at an integer distance: 1 inside near, falling linearly to 0 at far.
    // With near == far the halo is a hard sphere: full strength up to the radius.
    double Strength(int dist) const;

private:
    void UpdateFalloff();
};
