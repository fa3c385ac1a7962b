#include "engine/world/Vertex.h"

#include "engine/video/PixelLayout.h"

Vertex::Vertex() {
    const PixelLayout& p = ActivePixelLayout();
    r = p.redMax / 2;
    g = p.greenMax / 2;
    b = p.blueMax / 2;
}

Vertex::Vertex(int x_, int y_, int z_) : Vertex() {
    x = x_;
    y = y_;
    z = z_;
}

int Vertex::PackedBaseColor() const { return ActivePixelLayout().Pack(r, g, b); }
