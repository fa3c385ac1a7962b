#pragma once

// A 5x7 capital font, and words built from it as extruded blocks: legible from the front,
// simple to explode face by face.

#include <string_view>

#include "tools/assetgen/mesh/Mesh.h"

namespace assetgen {

// Rows of one glyph ('#' filled), top first; letters a-z (either case) and a blank.
const char* const* Glyph(char c);

// The word in the xy plane, centred on the origin, +y up, front towards +z, `cell` units per
// font pixel and `depth` deep. Throws ContentError for a letter the font lacks.
Mesh Word(std::string_view text, double cell, double depth);

}  // namespace assetgen
