#pragma once

class World;

// The in-frame command console the world carries. Its line editor and command language are not
// written yet; a step only counts, so the frame loop's use of it can be checked.
class Console {
public:
    int steps = 0;

    void Step(World& world) {
        (void)world;
        ++steps;
    }
};
