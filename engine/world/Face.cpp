#include "engine/world/Face.h"

#include "engine/video/PixelLayout.h"

Face::Face() {
    const PixelLayout& p = ActivePixelLayout();
    red = p.redMax / 2;
    green = p.greenMax / 2;
    blue = p.blueMax / 2;
}

Face::Face(Vertex* a_, Vertex* b_, Vertex* c_) : Face() {
    a = a_;
    b = b_;
    c = c_;
}

int Face::PackedBaseColor() const { return ActivePixelLayout().Pack(red, green, blue); }
