#pragma once

// Bits of an object's render-flag word; several may be set and each is tested on its own.
namespace RenderFlags {
constexpr unsigned kPoints = 0x1;          // each vertex as a point
constexpr unsigned kEdges = 0x10;          // face edges
constexpr unsigned kSolid = 0x100;         // untextured filled faces (wins over kTextured)
constexpr unsigned kTextured = 0x1000;     // textured faces, when the object has a texture
constexpr unsigned kFlat = 0x10000;        // one lit colour per face
constexpr unsigned kGouraud = 0x100000;    // lit colour per vertex
constexpr unsigned kCull = 0x1000000;      // back-face culling, sense from windingSign
constexpr unsigned kKept = 0x10000000;     // survives the explosion mask, no other meaning
// What an explosion keeps: everything but culling.
constexpr unsigned kExplodeMask = 0x10111111;
}  // namespace RenderFlags
