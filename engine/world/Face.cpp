#include "engine/world/Face.h"

#include "engine/video/PixelLayout.h"
#include "engine/world/Vertex.h"

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

bool Face::InFrontOfNear(double nearZ) const { return a->cz > nearZ || b->cz > nearZ || c->cz > nearZ; }

bool Face::BeforeFar(double farZ) const { return a->cz < farZ || b->cz < farZ || c->cz < farZ; }
